#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "LoopbackPeer.h"
#include "delivery/Sender.h"
#include "gps/GpsReader.h"
#include "platform/SimManager.h"
#include "platform/linux/DirectLink.h"
#include "platform/linux/UdpDatagramSocket.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimFileWriter.h"
#include "platform/sim/SimFolders.h"
#include "platform/sim/SimGpsDevice.h"
#include "platform/sim/SimSimManager.h"
#include "platform/sim/SimSoundPlayer.h"
#include "settings/Settings.h"

// A sender on a real UDP socket, with its main server on 127.0.0.1 and its reserve on
// 127.0.0.2, both on the same port as the settings have only one.
struct RealSenderFixture {
    explicit RealSenderFixture(SimManager* simCard = nullptr) {
        settings.MainServer = "127.0.0.1";
        settings.ReserveServer = "127.0.0.2";
        settings.Port = main.Port();
        sender = std::make_unique<CSender>(
            settings, &gps, CSender::Platform{link, simCard ? *simCard : sim, socket, clock});
    }

    // Ticks until the condition holds; false after 20 s of real time.
    bool TickUntil(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            clock.AdvanceMilliseconds(100);
            sender->Tick();
            if (condition()) {
                return true;
            }
        }
        return false;
    }
    // Ticks until one of the servers has a datagram; which one it was in fromMain.
    bool NextDatagram(std::vector<std::uint8_t>& bytes, sockaddr_in& from, bool& fromMain) {
        return TickUntil([&] {
            if (main.Receive(bytes, from)) {
                fromMain = true;
                return true;
            }
            fromMain = false;
            return reserve.Receive(bytes, from);
        });
    }
    bool Logged(const std::string& line) const {
        for (const std::string& l : log) {
            if (l == line) {
                return true;
            }
        }
        return false;
    }

    SimClock clock{1'780'000'000};
    SimFolders folders{"/nonexistent-mz", "/nonexistent-mz/mzorvany"};
    SimSoundPlayer sound;
    SimFileWriter writer;
    std::vector<std::string> log;
    CSettings settings{[this](const std::string& line) { log.push_back(line); },
                       CSettings::Platform{clock, folders, sound, writer}};
    SimGpsDevice gpsDevice;
    CGpsReader gps{settings, gpsDevice, clock};
    LoopbackPeer main{"127.0.0.1", 0};
    LoopbackPeer reserve{"127.0.0.2", main.Port()};
    DirectLink link;
    SimSimManager sim;
    UdpDatagramSocket socket;
    std::unique_ptr<CSender> sender;
};
