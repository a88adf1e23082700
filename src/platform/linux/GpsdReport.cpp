#include "platform/linux/GpsdReport.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <limits>
#include <optional>

namespace {

constexpr double KnotsPerMetrePerSecond = 3600.0 / 1852.0;
constexpr double Missing = std::numeric_limits<double>::quiet_NaN();
// Longer than any number gpsd writes.
constexpr std::size_t MaxNumberLength = 40;

bool IsNumberCharacter(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// A reader over one line that only ever moves forward.
class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}

    bool AtEnd() {
        SkipSpace();
        return at_ == text_.size();
    }
    bool Next(char c) {
        SkipSpace();
        return at_ < text_.size() && text_[at_] == c;
    }
    bool Take(char c) {
        if (!Next(c)) {
            return false;
        }
        ++at_;
        return true;
    }
    // The raw contents between the quotes. Escapes are left as they are: a name or a
    // class with an escape in it matches nothing the tracker looks for.
    std::optional<std::string_view> String() {
        if (!Take('"')) {
            return std::nullopt;
        }
        const std::size_t start = at_;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') {
                return text_.substr(start, at_ - 1 - start);
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return std::nullopt;
            }
            if (c == '\\') {
                if (at_ == text_.size()) {
                    return std::nullopt;
                }
                ++at_;  // the escaped character, whatever it is
            }
        }
        return std::nullopt;
    }
    // A number, or nothing when the value is some other kind (which is then still ahead).
    // A run of number characters that is not a finite number makes the line unreadable.
    bool Number(double& value, bool& malformed) {
        SkipSpace();
        const std::size_t start = at_;
        while (at_ < text_.size() && IsNumberCharacter(text_[at_])) {
            ++at_;
        }
        const std::size_t length = at_ - start;
        if (length == 0) {
            return false;
        }
        const char* first = text_.data() + start;
        const char* last = first + length;
        const auto [end, error] = std::from_chars(first, last, value);
        malformed = length > MaxNumberLength || error != std::errc() || end != last ||
                    !std::isfinite(value);
        return !malformed;
    }
    std::optional<bool> Boolean() {
        if (Word("true")) {
            return true;
        }
        if (Word("false")) {
            return false;
        }
        return std::nullopt;
    }
    // Any value, read past without looking inside. Brackets are counted rather than
    // matched in kind: enough to find where the value ends, with no stack to grow.
    bool SkipValue() {
        SkipSpace();
        if (at_ == text_.size()) {
            return false;
        }
        if (text_[at_] == '"') {
            return String().has_value();
        }
        if (text_[at_] != '{' && text_[at_] != '[') {
            double number = 0;
            bool malformed = false;
            return Number(number, malformed) || Word("true") || Word("false") || Word("null");
        }
        std::size_t depth = 0;
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c == '"') {
                if (!String()) {
                    return false;
                }
                continue;
            }
            ++at_;
            if (c == '{' || c == '[') {
                ++depth;
            } else if ((c == '}' || c == ']') && --depth == 0) {
                return true;
            }
        }
        return false;
    }

private:
    bool Word(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) {
            return false;
        }
        at_ += word.size();
        return true;
    }
    void SkipSpace() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\r' || text_[at_] == '\n')) {
            ++at_;
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

// The members of one object, each handed to readMember(name), which must read its value.
template <typename MemberReader>
bool ReadObject(Cursor& in, MemberReader&& readMember) {
    if (!in.Take('{')) {
        return false;
    }
    if (in.Take('}')) {
        return true;
    }
    do {
        const auto name = in.String();
        if (!name || !in.Take(':') || !readMember(*name)) {
            return false;
        }
    } while (in.Take(','));
    return in.Take('}');
}

// A number member; another kind of value (null, a text) leaves it missing.
bool ReadNumber(Cursor& in, double& value) {
    bool malformed = false;
    return in.Number(value, malformed) || (!malformed && in.SkipValue());
}

struct Satellite {
    double prn = Missing, elevation = Missing, azimuth = Missing, signal = Missing;
    bool used = false;
};

std::uint32_t Clamped(double value, double low, double high) {
    if (!std::isfinite(value) || value < low) {
        return 0;
    }
    return static_cast<std::uint32_t>(value > high ? high : value);
}

void AddSatellite(GpsPosition& sky, const Satellite& s) {
    if (!(s.prn >= 1 && s.prn <= 0xFFFF)) {
        return;
    }
    const auto prn = static_cast<std::uint32_t>(s.prn);
    if (sky.dwSatellitesInView < GPS_MAX_SATELLITES) {
        const std::uint32_t n = sky.dwSatellitesInView++;
        sky.rgdwSatellitesInViewPRNs[n] = prn;
        sky.rgdwSatellitesInViewElevation[n] = Clamped(s.elevation, 0, 90);
        sky.rgdwSatellitesInViewAzimuth[n] = Clamped(s.azimuth, 0, 359);
        sky.rgdwSatellitesInViewSignalToNoiseRatio[n] = Clamped(s.signal, 0, 99);
    }
    if (s.used && sky.dwSatelliteCount < GPS_MAX_SATELLITES) {
        sky.rgdwSatellitesUsedPRNs[sky.dwSatelliteCount++] = prn;
    }
}

bool ReadSatellite(Cursor& in, GpsPosition& sky) {
    Satellite s;
    const bool read = ReadObject(in, [&](std::string_view name) {
        if (name == "PRN") {
            return ReadNumber(in, s.prn);
        }
        if (name == "el") {
            return ReadNumber(in, s.elevation);
        }
        if (name == "az") {
            return ReadNumber(in, s.azimuth);
        }
        if (name == "ss") {
            return ReadNumber(in, s.signal);
        }
        if (name == "used") {
            const auto used = in.Boolean();
            s.used = used.value_or(false);
            return used.has_value() || in.SkipValue();
        }
        return in.SkipValue();
    });
    if (read) {
        AddSatellite(sky, s);
    }
    return read;
}

// The satellite list; anything but a list is read past and leaves hasList false.
bool ReadSatellites(Cursor& in, GpsPosition& sky, bool& hasList) {
    if (!in.Take('[')) {
        return in.SkipValue();
    }
    hasList = true;
    sky = {};
    sky.dwValidFields = GPS_VALID_SATELLITE_COUNT;
    if (in.Take(']')) {
        return true;
    }
    do {
        const bool read = in.Next('{') ? ReadSatellite(in, sky) : in.SkipValue();
        if (!read) {
            return false;
        }
    } while (in.Take(','));
    return in.Take(']');
}

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// Receivers just past a week rollover or before lock report dates decades off.
bool PlausibleYear(int year) {
    std::time_t now = std::time(nullptr);
    std::tm today{};
    gmtime_r(&now, &today);
    return year >= 2000 && year <= today.tm_year + 1900 + 1;
}

// gpsd's time: 2014-12-31T03:07:19.000Z (the fraction may be any length or absent).
bool ReadTime(std::string_view text, GpsSystemTime& time) {
    std::tm parts{};
    int year = 0, month = 0, second = 0;
    if (!Digits(text, 0, 4, year) || !Digits(text, 5, 2, month) ||
        !Digits(text, 8, 2, parts.tm_mday) || !Digits(text, 11, 2, parts.tm_hour) ||
        !Digits(text, 14, 2, parts.tm_min) || !Digits(text, 17, 2, second) ||
        text.substr(4, 1) != "-" || text.substr(7, 1) != "-" || text.substr(10, 1) != "T" ||
        text.substr(13, 1) != ":" || text.substr(16, 1) != ":") {
        return false;
    }
    std::size_t at = 19;
    int milliseconds = 0;
    if (text.substr(at, 1) == ".") {
        for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
            if (at < 23) {
                milliseconds = milliseconds * 10 + (text[at] - '0');
            }
        }
        for (std::size_t place = std::min<std::size_t>(at, 23); place < 23; ++place) {
            milliseconds *= 10;
        }
        if (at == 20) {
            return false;
        }
    }
    if (text.substr(at) != "Z" || month < 1 || month > 12 || parts.tm_mday < 1 ||
        parts.tm_mday > 31 || parts.tm_hour > 23 || parts.tm_min > 59 || second > 60) {
        return false;
    }
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_sec = second;
    // Through the seconds count and back, so a leap second or a 31 April comes out as
    // the moment it names, with its day of the week.
    const std::time_t seconds = timegm(&parts);
    std::tm utc{};
    if (gmtime_r(&seconds, &utc) == nullptr || !PlausibleYear(utc.tm_year + 1900)) {
        return false;
    }
    time.wYear = static_cast<std::uint16_t>(utc.tm_year + 1900);
    time.wMonth = static_cast<std::uint16_t>(utc.tm_mon + 1);
    time.wDayOfWeek = static_cast<std::uint16_t>(utc.tm_wday);
    time.wDay = static_cast<std::uint16_t>(utc.tm_mday);
    time.wHour = static_cast<std::uint16_t>(utc.tm_hour);
    time.wMinute = static_cast<std::uint16_t>(utc.tm_min);
    time.wSecond = static_cast<std::uint16_t>(utc.tm_sec);
    time.wMilliseconds = static_cast<std::uint16_t>(milliseconds);
    return true;
}

struct Members {
    std::string_view className;
    double mode = Missing, latitude = Missing, longitude = Missing, altitudeMsl = Missing,
           altitude = Missing, speed = Missing, track = Missing;
    std::string_view time;
    bool hasSatellites = false;
    GpsPosition sky;
};

bool ReadMember(Cursor& in, std::string_view name, Members& m) {
    if (name == "class") {
        const auto value = in.String();
        m.className = value.value_or("");
        return value.has_value();
    }
    if (name == "time") {
        if (!in.Next('"')) {
            return in.SkipValue();
        }
        const auto value = in.String();
        m.time = value.value_or("");
        return value.has_value();
    }
    if (name == "satellites") {
        return ReadSatellites(in, m.sky, m.hasSatellites);
    }
    double* const number = name == "mode"     ? &m.mode
                           : name == "lat"    ? &m.latitude
                           : name == "lon"    ? &m.longitude
                           : name == "altMSL" ? &m.altitudeMsl
                           : name == "alt"    ? &m.altitude
                           : name == "speed"  ? &m.speed
                           : name == "track"  ? &m.track
                                              : nullptr;
    return number != nullptr ? ReadNumber(in, *number) : in.SkipValue();
}

// The record keeps some numbers as floats; a larger one would not convert.
bool FitsAFloat(double value) {
    return std::fabs(value) <= std::numeric_limits<float>::max();
}

// A TPV report's fields. The status member stays 0 on many receivers; the mode and the
// numbers tell the truth.
GpsPosition FixOf(const Members& m) {
    GpsPosition fix;
    if (m.mode >= 2 && std::fabs(m.latitude) <= 90 && std::fabs(m.longitude) <= 180) {
        fix.dwValidFields |= GPS_VALID_LATITUDE | GPS_VALID_LONGITUDE;
        fix.dblLatitude = m.latitude;
        fix.dblLongitude = m.longitude;
    }
    // gpsd before 3.20 named the altitude above sea level "alt".
    const double altitude = std::isfinite(m.altitudeMsl) ? m.altitudeMsl : m.altitude;
    if (m.mode >= 3 && FitsAFloat(altitude)) {
        fix.dwValidFields |= GPS_VALID_ALTITUDE_WRT_SEA_LEVEL;
        fix.flAltitudeWRTSeaLevel = static_cast<float>(altitude);
    }
    if (m.speed >= 0 && FitsAFloat(m.speed * KnotsPerMetrePerSecond)) {
        fix.dwValidFields |= GPS_VALID_SPEED;
        fix.flSpeed = static_cast<float>(m.speed * KnotsPerMetrePerSecond);
    }
    if (FitsAFloat(m.track)) {
        fix.dwValidFields |= GPS_VALID_HEADING;
        fix.flHeading = static_cast<float>(m.track);
    }
    if (ReadTime(m.time, fix.stUTCTime)) {
        fix.dwValidFields |= GPS_VALID_UTC_TIME;
    }
    return fix;
}

}  // namespace

GpsdReport ReadGpsdReport(std::string_view line) {
    Cursor in(line);
    Members m;
    GpsdReport report;
    if (!ReadObject(in, [&](std::string_view name) { return ReadMember(in, name, m); }) ||
        !in.AtEnd()) {
        return report;
    }
    report.kind = GpsdReport::Kind::Other;
    // A TPV without a mode (or with mode 0, unknown) says nothing about the fix.
    if (m.className == "TPV" && std::isfinite(m.mode) && m.mode != 0) {
        report.kind = GpsdReport::Kind::Fix;
        report.position = FixOf(m);
    } else if (m.className == "SKY" && m.hasSatellites) {
        // A SKY without a list carries only the dilutions; the sky view stands.
        report.kind = GpsdReport::Kind::Sky;
        report.position = m.sky;
    }
    return report;
}
