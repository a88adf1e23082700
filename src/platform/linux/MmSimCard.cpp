#include "platform/linux/MmSimCard.h"

#include <algorithm>

#include "platform/linux/ImsiText.h"

namespace {
constexpr const char* Service = "org.freedesktop.ModemManager1";
constexpr const char* Root = "/org/freedesktop/ModemManager1";
constexpr const char* ModemInterface = "org.freedesktop.ModemManager1.Modem";
constexpr const char* SimInterface = "org.freedesktop.ModemManager1.Sim";
constexpr std::uint32_t GsmDirectory = 0x7F20;
constexpr std::uint32_t ImsiFile = 0x6F07;

// Modem paths end in a number; the first modem is the one with the lowest.
bool ModemOrder(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// What names a modem across a re-probe, which gives it a new object path: its equipment
// identifier (the IMEI), else its device; "" when it has neither.
std::string Identity(const DbusProperties* modem) {
    for (const char* name : {"EquipmentIdentifier", "Device"}) {
        const DbusValue* value = FindProperty(modem, name);
        if (value != nullptr && value->kind == DbusValue::Kind::Text && !value->text.empty()) {
            return std::string(name) + "=" + value->text;
        }
    }
    return {};
}

}  // namespace

MmSimCard::MmSimCard(std::shared_ptr<DbusConnection> bus, std::string modemIndex)
    : bus_(std::move(bus)), service_(*bus_, Service, Root), modemIndex_(std::move(modemIndex)) {
    service_.Follow(ModemInterface, "Sim", SimInterface);
    service_.Refresh();
}

void MmSimCard::Settle(std::chrono::milliseconds budget) {
    service_.Settle(budget);
    ChosenModem();  // the index names the modem that has it at start
}

std::string MmSimCard::ChosenModem() {
    std::vector<std::string> modems = service_.ObjectsWith(ModemInterface);
    std::sort(modems.begin(), modems.end(), ModemOrder);
    auto chosen = std::find_if(modems.begin(), modems.end(), [&](const std::string& path) {
        if (!identity_.empty()) {
            return Identity(service_.Find(path, ModemInterface)) == identity_;
        }
        return modemIndex_.empty() || path.substr(path.rfind('/') + 1) == modemIndex_;
    });
    if (chosen == modems.end()) {
        return {};
    }
    if (!modemIndex_.empty() && identity_.empty()) {
        identity_ = Identity(service_.Find(*chosen, ModemInterface));
    }
    return *chosen;
}

std::string MmSimCard::CurrentImsi() {
    service_.Refresh();
    const std::string chosen = ChosenModem();
    if (chosen.empty()) {
        return {};
    }
    const DbusValue* sim = FindProperty(service_.Find(chosen, ModemInterface), "Sim");
    if (sim == nullptr || sim->kind != DbusValue::Kind::Text || sim->text == "/") {
        return {};
    }
    const DbusValue* imsi = FindProperty(service_.Find(sim->text, SimInterface), "Imsi");
    return imsi != nullptr && imsi->kind == DbusValue::Kind::Text ? imsi->text : std::string();
}

bool MmSimCard::Open() {
    imsiFile_ = ImsiFileFromText(CurrentImsi());
    open_ = !imsiFile_.empty();
    return open_;
}

bool MmSimCard::ReadRecordInfo(std::uint32_t fileId, SimRecordType& type) {
    if (!open_ || (fileId != GsmDirectory && fileId != ImsiFile)) {
        return false;
    }
    type = fileId == ImsiFile ? SimRecordType::Transparent : SimRecordType::Dedicated;
    return true;
}

bool MmSimCard::ReadTransparent(std::uint32_t fileId, std::span<std::uint8_t> buffer,
                                std::size_t& bytesRead) {
    bytesRead = 0;
    if (!open_ || fileId != ImsiFile) {
        return false;
    }
    bytesRead = std::min(buffer.size(), imsiFile_.size());
    std::copy_n(imsiFile_.begin(), bytesRead, buffer.begin());
    return true;
}

void MmSimCard::Close() {
    open_ = false;
}
