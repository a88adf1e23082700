#pragma once

// What the delivery and the GPS square each show: one picture table serves both, so the
// two share one set of codes.
//              delivery                         GPS
//   Off        no data connection held          switched off or unavailable
//   Busy       a message is being delivered     searching for satellites (animated)
//   Done       a message was just delivered     coordinates just obtained
//   Ready      connected, nothing to send       coordinates obtained earlier, still recent
//   Failed     the last delivery failed         no signal
enum class StatusCode { Off = 0, Busy = 1, Done = 2, Ready = 3, Failed = 4 };
