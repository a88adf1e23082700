#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/SimManager.h"
#include "platform/linux/dbus/DbusService.h"

// The SIM of a modem that ModemManager owns: the modem's Sim property names the SIM
// object, whose Imsi property is the IMSI. Read from a cache that the bus's signals keep
// current, so a read never waits. No modem, no SIM ("/"), an empty or garbled IMSI, or
// ModemManager absent all read as no SIM.
class MmSimCard final : public SimManager {
public:
    // modemIndex: "" for the first modem, else the one whose object path ends in it when
    // first seen (at start, as a rule); that modem is then followed by its equipment
    // identifier or device through re-probes, which give it another path.
    MmSimCard(std::shared_ptr<DbusConnection> bus, std::string modemIndex);

    bool Open() override;
    bool ReadRecordInfo(std::uint32_t fileId, SimRecordType& type) override;
    bool ReadTransparent(std::uint32_t fileId, std::span<std::uint8_t> buffer,
                         std::size_t& bytesRead) override;
    void Close() override;

    // Fills the cache, waiting at most the budget; for the start only.
    void Settle(std::chrono::milliseconds budget);
    // The IMSI text as ModemManager reports it now ("" when there is none).
    std::string CurrentImsi();

private:
    // The object path of the modem followed now; "" when it is not there.
    std::string ChosenModem();

    std::shared_ptr<DbusConnection> bus_;
    DbusService service_;
    std::string modemIndex_;
    std::string identity_;
    std::vector<std::uint8_t> imsiFile_;
    bool open_ = false;
};
