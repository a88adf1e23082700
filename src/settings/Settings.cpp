#include "settings/Settings.h"

#include <filesystem>
#include <fstream>
#include <istream>
#include <utility>

#include "common/DottedDecimal.h"
#include "common/TextConvert.h"
#include "platform/AtomicFileWriter.h"
#include "platform/Clock.h"
#include "platform/Folders.h"
#include "platform/SoundPlayer.h"

namespace {

// A word longer than this cannot be a useful assignment; it is skipped whole, so a
// file of garbage never makes the reader hold more than this much.
constexpr std::size_t kMaxWordLength = 64 * 1024;

// Nine short lines are a few hundred bytes; a file that goes on past this is not ours,
// and a file that grows while it is read must not keep the start-up waiting.
constexpr std::size_t kMaxFileSize = 8 * 1024 * 1024;

// Reads the next white-space separated word; false at the end of the stream or of the
// bytes allowed. `consumed` counts the bytes read so far.
bool ReadWord(std::istream& in, std::string& word, bool& tooLong, std::size_t& consumed) {
    word.clear();
    tooLong = false;
    std::streambuf* buffer = in.rdbuf();
    int c = buffer->sgetc();
    while (c != std::char_traits<char>::eof() && IsBlank(static_cast<char>(c))) {
        if (++consumed >= kMaxFileSize) {
            return false;
        }
        c = buffer->snextc();
    }
    if (c == std::char_traits<char>::eof()) {
        return false;
    }
    while (c != std::char_traits<char>::eof() && !IsBlank(static_cast<char>(c)) &&
           consumed < kMaxFileSize) {
        if (word.size() < kMaxWordLength) {
            word += static_cast<char>(c);
        } else {
            tooLong = true;
        }
        ++consumed;
        c = buffer->snextc();
    }
    return true;
}

const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

std::string Format2(int value) {
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

}  // namespace

std::string FolderOfPath(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

CSettings::CSettings(ReportCallback callback, const Platform& platform)
    : reportCallback(std::move(callback)),
      clock_(platform.clock),
      sound_(platform.sound),
      fileWriter_(platform.fileWriter) {
    std::string appData = platform.folders.AppDataFolder();
    settingsFolder = appData.empty() ? std::string() : JoinPath(appData, "MZorvany");
    programFolder = FolderOfPath(platform.folders.ProgramFilePath());
}

std::string CSettings::ParamsPath() const {
    return JoinPath(settingsFolder, "params.ini");
}

std::string CSettings::Load() {
    const std::string path = ParamsPath();
    fileWriter_.RemoveLeftovers(path);
    const std::string failed =
        "Ошибка чтения файла " + path + ", используются параметры по умолчанию";
    // Only a regular file: opening a FIFO would wait for a writer for good, and a link to a
    // device such as /dev/zero never ends.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return failed;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        return failed;
    }
    try {
        std::string word;
        bool tooLong = false;
        std::size_t consumed = 0;
        while (consumed < kMaxFileSize && ReadWord(in, word, tooLong, consumed)) {
            if (tooLong) {
                continue;
            }
            auto equals = word.find('=');
            if (equals == std::string::npos || equals == 0 || equals == word.size() - 1) {
                continue;
            }
            SetValue(std::string_view(word).substr(0, equals),
                     std::string_view(word).substr(equals + 1));
        }
    } catch (const std::ios_base::failure&) {
        // The stream buffer throws when read() fails (EISDIR, EIO): that is the end of the file.
    }
    return {};
}

bool CSettings::SetValue(std::string_view key, std::string_view value) {
    const std::string upper = AsciiUpper(key);
    if (upper == "MAINSERVER") {
        if (value.empty() || !IsValidServerAddress(value)) {
            return false;
        }
        MainServer = value;
    } else if (upper == "RESERVESERVER") {
        if (!IsValidServerAddress(value)) {
            return false;
        }
        ReserveServer = value;
    } else if (upper == "PORT") {
        std::int32_t number = LeadingInteger(value);
        if (number == 0) {
            return false;
        }
        Port = number;
    } else if (upper == "OUTSATS") {
        OutSats = LeadingInteger(value) != 0;
    } else if (upper == "LOGENABLED") {
        LogEnabled = LeadingInteger(value) != 0;
    } else if (upper == "FREQUENCY") {
        std::int32_t number = LeadingInteger(value);
        if (number == 0) {
            return false;
        }
        Frequency = number;
    } else if (upper == "MINIMALBALANCE") {
        MinimalBalance = LeadingInteger(value);
    } else if (upper == "ALERTPRESSTIME") {
        AlertPressTime = LeadingInteger(value);
    } else if (upper == "PERMITTEDKEYS") {
        PermittedKeys = value;
    } else {
        return false;
    }
    return true;
}

bool CSettings::SetValueWide(std::string_view key, std::u16string_view value) {
    return SetValue(key, Utf16ToUtf8(value));
}

bool CSettings::IsValidServerAddress(std::string_view text) {
    return text.empty() || ReadDottedDecimal(text).has_value();
}

std::string CSettings::ParamsText() const {
    std::string text;
    auto line = [&text](const char* key, const std::string& value) {
        text += key;
        text += '=';
        text += value;
        text += "\r\n";
    };
    line("MainServer", MainServer);
    line("ReserveServer", ReserveServer);
    line("Port", std::to_string(Port));
    line("OutSats", OutSats ? "1" : "0");
    line("Frequency", std::to_string(Frequency));
    line("MinimalBalance", std::to_string(MinimalBalance));
    line("AlertPressTime", std::to_string(AlertPressTime));
    line("PermittedKeys", PermittedKeys);
    line("LogEnabled", LogEnabled ? "1" : "0");
    return text;
}

std::string CSettings::Save() {
    if (!EnsureFolder(settingsFolder)) {
        return "Нет доступа к папке " + settingsFolder;
    }
    const std::string path = ParamsPath();
    if (!fileWriter_.Replace(path, ParamsText())) {
        return "Ошибка записи файла " + path;
    }
    return {};
}

bool CSettings::EnsureFolder(const std::string& path) const {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return true;
    }
    const std::string parent = FolderOfPath(path);
    if (!parent.empty() && !EnsureFolder(parent)) {
        return false;
    }
    return !path.empty() && std::filesystem::create_directory(path, error) && !error;
}

void CSettings::PlaySoundFile(const std::string& name) {
    sound_.PlayAsync(JoinPath(programFolder, name));
}

std::string CSettings::LogFilePath(int dayOfWeek) const {
    return JoinPath(settingsFolder, std::string(kDayNames[dayOfWeek % 7]) + ".log");
}

bool CSettings::LogFileStartsAfresh(const std::string& path, const std::string& dateText) {
    std::string firstWord;
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) {  // never wait on a FIFO
        std::ifstream in(path, std::ios::binary);
        try {
            bool tooLong = false;
            std::size_t consumed = 0;
            if (in.is_open()) {
                ReadWord(in, firstWord, tooLong, consumed);
            }
        } catch (const std::ios_base::failure&) {
            firstWord.clear();  // unreadable: started afresh
        }
    }
    return firstWord != dateText;
}

void CSettings::WriteLog(const std::string& text) {
    if (reportCallback) {
        reportCallback(text);
    }
    if (!LogEnabled) {
        return;
    }
    const LocalTime now = clock_.LocalNow();
    const std::string timeText =
        Format2(now.hour) + ":" + Format2(now.minute) + ":" + Format2(now.second) + " ";
    const std::string dateText =
        Format2(now.day) + "-" + Format2(now.month) + "-" + Format2(now.year % 100);
    const std::string path = LogFilePath(now.dayOfWeek);

    bool afresh = false;
    if (path != lastLogPath) {
        afresh = LogFileStartsAfresh(path, dateText);
        lastLogPath = path;
    }
    // Opening a FIFO for writing would wait for a reader for good.
    std::error_code error;
    const auto type = std::filesystem::status(path, error).type();
    const bool usable = type == std::filesystem::file_type::regular ||
                        type == std::filesystem::file_type::not_found;
    std::ofstream out;
    if (usable) {
        out.open(path, std::ios::binary | (afresh ? std::ios::trunc : std::ios::app));
    }
    if (!out.is_open()) {
        if (reportCallback) {
            reportCallback("Ошибка записи в лог");
        }
        return;
    }
    if (afresh) {
        out << dateText << "\r\n";
    }
    out << timeText << text << "\r\n";
}
