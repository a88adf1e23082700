#pragma once

#include <functional>

// Runs body on a thread of its own inside a private network namespace with loopback up,
// so the test may break the network without touching the machine's; the programs it
// starts run in that namespace too. False when no namespace can be made (not root).
bool InPrivateNetwork(const std::function<void()>& body);
