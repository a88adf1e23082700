#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class AtomicFileWriter;
class Clock;
class Folders;
class SoundPlayer;

// The operator's settings, params.ini, the two working folders and the event log.
// Other objects read the fields directly; the nine stored settings change only
// through SetValue/SetValueWide, so their acceptance rules hold whichever way a
// value arrives.
class CSettings {
public:
    using ReportCallback = std::function<void(const std::string&)>;

    struct Platform {
        const Clock& clock;
        const Folders& folders;
        SoundPlayer& sound;
        AtomicFileWriter& fileWriter;
    };

    static constexpr const char* kDefaultMainServer = "127.0.0.1";

    CSettings(ReportCallback reportCallback, const Platform& platform);
    CSettings(const CSettings&) = delete;
    CSettings& operator=(const CSettings&) = delete;

    // "" on success, otherwise the text to show; a failed load keeps every value.
    std::string Load();
    // "" on success, otherwise the text to show; a failed save leaves params.ini as it was.
    std::string Save();
    bool SetValue(std::string_view key, std::string_view value);
    bool SetValueWide(std::string_view key, std::u16string_view value);
    bool EnsureFolder(const std::string& path) const;
    static bool IsValidServerAddress(std::string_view text);
    std::string GetMainServer() const { return MainServer; }
    std::string GetReserveServer() const { return ReserveServer; }
    void PlaySoundFile(const std::string& name);
    void WriteLog(const std::string& text);

    std::string ParamsPath() const;
    // The content Save writes: nine lines, each ending CR LF.
    std::string ParamsText() const;

    std::string settingsFolder;
    std::string programFolder;
    bool LogEnabled = false;
    std::string MainServer = kDefaultMainServer;
    std::string ReserveServer;
    std::int32_t Port = 830;
    bool OutSats = true;
    std::int32_t Frequency = 36000;
    std::int32_t MinimalBalance = 1;
    std::int32_t AlertPressTime = 8;
    std::string PermittedKeys = "All";
    std::string lastLogPath;
    ReportCallback reportCallback;

private:
    std::string LogFilePath(int dayOfWeek) const;
    bool LogFileStartsAfresh(const std::string& path, const std::string& dateText);

    const Clock& clock_;
    SoundPlayer& sound_;
    AtomicFileWriter& fileWriter_;
};

// Splits a path at its last "/": what comes before it is the folder (empty when the
// path holds no "/").
std::string FolderOfPath(const std::string& path);

// Joins a folder and a name with "/", or gives the name alone for an empty folder.
std::string JoinPath(const std::string& folder, const std::string& name);
