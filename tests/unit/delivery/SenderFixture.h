#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "delivery/Ipv4Address.h"
#include "delivery/Sender.h"
#include "gps/GpsReader.h"
#include "platform/sim/SimConnectionManager.h"
#include "platform/sim/SimDatagramSocket.h"
#include "platform/sim/SimGpsDevice.h"
#include "platform/sim/SimNetwork.h"
#include "platform/sim/SimulatedSimCard.h"
#include "sim/SimControlRoom.h"
#include "unit/gps/ReaderFixture.h"

// Ticks the sender that a derived fixture creates from its parts, on a simulated clock.
struct SenderHarness : LoggedSettings {
    SenderHarness() { clock.SetUtcSeconds(1'780'000'000); }

    void Tick(int count = 1) {
        for (int i = 0; i < count; ++i) {
            clock.AdvanceMilliseconds(100);
            sender->Tick();
        }
    }
    // Ticks until the condition holds (asked once a tick); false after 20 s of real time.
    bool TickUntil(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            Tick();
            if (condition()) {
                return true;
            }
        }
        return false;
    }
    bool TickUntilSent() {
        return TickUntil([&] { return sender->IsQueueEmpty(); });
    }

    std::unique_ptr<CSender> sender;
};

// A sender on simulated parts: main server 10.0.0.1, reserve 10.0.0.2, the handset 10.0.0.9.
struct SenderFixture : SenderHarness {
    explicit SenderFixture(bool withGps = true, SimManager* simCard = nullptr) {
        settings.MainServer = "10.0.0.1";
        settings.ReserveServer = "10.0.0.2";
        if (withGps) {
            gps = std::make_unique<CGpsReader>(settings, gpsDevice, clock);
        }
        sender = std::make_unique<CSender>(
            settings, gps.get(), CSender::Platform{link, simCard ? *simCard : sim, socket, clock});
    }
    ~SenderFixture() { sender.reset(); }  // before the parts it uses

    SimGpsDevice gpsDevice;
    std::unique_ptr<CGpsReader> gps;
    SimConnectionManager link;
    SimulatedSimCard sim;
    SimNetwork network{clock, 7};
    SimDatagramSocket socket{network, ParseIpv4Address("10.0.0.9")};
    SimControlRoom mainRoom{network, {ParseIpv4Address("10.0.0.1"), 830}};
    SimControlRoom reserveRoom{network, {ParseIpv4Address("10.0.0.2"), 830}};
};
