#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "delivery/Ipv4Address.h"
#include "delivery/Sender.h"
#include "gps/GpsReader.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimConnectionManager.h"
#include "platform/sim/SimControlRoom.h"
#include "platform/sim/SimDatagramSocket.h"
#include "platform/sim/SimFileWriter.h"
#include "platform/sim/SimFolders.h"
#include "platform/sim/SimGpsDevice.h"
#include "platform/sim/SimNetwork.h"
#include "platform/sim/SimSimManager.h"
#include "platform/sim/SimSoundPlayer.h"
#include "settings/Settings.h"

// Settings whose event log is collected in memory, on a simulated clock.
struct SettingsHarness {
    bool Logged(const std::string& line) const {
        return std::find(log.begin(), log.end(), line) != log.end();
    }

    SimClock clock{1'780'000'000};
    SimFolders folders{"/nonexistent-mz", "/nonexistent-mz/mzorvany"};
    SimSoundPlayer sound;
    SimFileWriter writer;
    std::vector<std::string> log;
    CSettings settings{[this](const std::string& line) { log.push_back(line); },
                       CSettings::Platform{clock, folders, sound, writer}};
};

// A sender on simulated parts: main server 10.0.0.1, reserve 10.0.0.2, the handset 10.0.0.9.
struct SenderFixture : SettingsHarness {
    explicit SenderFixture(bool withGps = true) {
        settings.MainServer = "10.0.0.1";
        settings.ReserveServer = "10.0.0.2";
        if (withGps) {
            gps = std::make_unique<CGpsReader>(settings, gpsDevice, clock);
        }
        sender = std::make_unique<CSender>(settings, gps.get(),
                                           CSender::Platform{link, sim, socket, clock});
    }

    void Tick(int count = 1) {
        for (int i = 0; i < count; ++i) {
            clock.AdvanceMilliseconds(100);
            sender->Tick();
        }
    }
    // Ticks until the condition holds; the number of ticks taken, or -1 past the limit.
    int TickUntil(const std::function<bool()>& condition, int limit = 2000) {
        for (int i = 1; i <= limit; ++i) {
            Tick();
            if (condition()) {
                return i;
            }
        }
        return -1;
    }
    int TickUntilState(std::int32_t state) {
        return TickUntil([&] { return sender->GetState() == state; });
    }
    // The endpoint the handset sends from (known once something was sent).
    Ipv4Endpoint Handset() const { return network.sent.front().from; }
    SimGpsDevice gpsDevice;
    std::unique_ptr<CGpsReader> gps;
    SimConnectionManager link;
    SimSimManager sim;
    SimNetwork network{clock, 7};
    SimDatagramSocket socket{network, ParseIpv4Address("10.0.0.9")};
    SimControlRoom mainRoom{network, {ParseIpv4Address("10.0.0.1"), 830}};
    SimControlRoom reserveRoom{network, {ParseIpv4Address("10.0.0.2"), 830}};
    std::unique_ptr<CSender> sender;
};
