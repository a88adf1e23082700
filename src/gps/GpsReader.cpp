#include "gps/GpsReader.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "common/LastErrorText.h"
#include "gps/PositionText.h"
#include "platform/Clock.h"
#include "platform/GpsDevice.h"
#include "settings/Settings.h"

CGpsReader::CGpsReader(CSettings& settings, GpsDevice& device, const Clock& clock)
    : settings_(settings), device_(device), clock_(clock) {}

CGpsReader::~CGpsReader() {
    SwitchOff();
    if (deviceOpen_) {
        device_.Close();
        deviceOpen_ = false;
    }
}

void CGpsReader::SwitchOn() {
    if (state_ != GpsState::Off) {
        return;
    }
    settings_.WriteLog("Включение GPS");
    OpenDevice();
    if (!deviceOpen_) {
        settings_.WriteLog("Не удалось включить GPS. " + LastErrorText(openError_));
    }
    timeoutTicks = SearchTimeoutTicks;
    state_ = GpsState::Searching;
    changed_ = true;
}

void CGpsReader::OpenDevice() {
    openError_ = device_.Open();
    deviceOpen_ = openError_ == 0;
    ticksSinceOpen_ = 0;
}

void CGpsReader::SwitchOff() {
    if (state_ != GpsState::Off) {
        if (deviceOpen_) {
            device_.Close();
            deviceOpen_ = false;
        }
        state_ = GpsState::Off;
    }
    settings_.WriteLog("Отключение GPS");
}

void CGpsReader::Tick() {
    if (timeoutTicks != 0) {
        --timeoutTicks;
        if (timeoutTicks == 0) {
            settings_.WriteLog("Истекло время определения координат GPS");
        }
    }
    if (state_ == GpsState::Off) {
        return;
    }
    if (!deviceOpen_ && ticksSinceOpen_ < ReopenIntervalTicks) {
        ++ticksSinceOpen_;
    }
    ++pollTicks_;
    if (pollTicks_ < PollIntervalTicks) {
        return;
    }
    pollTicks_ = 0;
    changed_ = true;

    GpsPosition record;
    record.dwVersion = GPS_VERSION_1;
    record.dwSize = GPS_POSITION_SIZE;
    // A receiver (or gpsd) missing at switch-on may come later: with the GPS kept on,
    // or during an alarm, it must still be found.
    if (!deviceOpen_ && ticksSinceOpen_ >= ReopenIntervalTicks) {
        OpenDevice();
    }
    const int result = deviceOpen_ ? device_.GetPosition(record, MaximumAgeMs) : openError_;
    if (result != 0) {
        settings_.WriteLog("Ошибка GPS. " + LastErrorText(result));
        return;
    }
    constexpr std::uint32_t bothCoordinates = GPS_VALID_LATITUDE | GPS_VALID_LONGITUDE;
    if ((record.dwValidFields & bothCoordinates) != bothCoordinates) {
        return;
    }
    AcceptFix(record);
}

void CGpsReader::AcceptFix(const GpsPosition& record) {
    if (!(state_ == GpsState::HasFix && IsFixRecent())) {
        settings_.WriteLog("Определены координаты GPS");
    }
    position = record;
    timeoutTicks = 0;
    state_ = GpsState::HasFix;
    lastFixTime = clock_.UtcSeconds();
}

std::int64_t CGpsReader::FixAge() const {
    return clock_.UtcSeconds() - lastFixTime;
}

bool CGpsReader::IsFixRecent() const {
    return FixAge() < RecentSeconds;
}

StatusCode CGpsReader::GetStatusCode() const {
    if (state_ == GpsState::Off) {
        return StatusCode::Off;
    }
    if (timeoutTicks != 0) {
        return StatusCode::Busy;
    }
    const std::int64_t age = FixAge();
    if (age < JustObtainedSeconds) {
        return StatusCode::Done;
    }
    if (age < RecentSeconds) {
        return StatusCode::Ready;
    }
    return StatusCode::Failed;
}

std::string CGpsReader::GetStatusText() const {
    switch (GetStatusCode()) {
        case StatusCode::Off:
            return "GPS выключен или недоступен";
        case StatusCode::Busy:
            return "Идет поиск спутников";
        case StatusCode::Done:
            return "Координаты определены";
        case StatusCode::Ready: {
            const LocalTime local = clock_.ToLocal(lastFixTime);
            char time[40];
            std::snprintf(time, sizeof time, "%02d:%02d:%02d ", local.hour, local.minute,
                          local.second);
            return std::string("Координаты были определены ") + time;
        }
        case StatusCode::Failed:
            break;
    }
    return "Нет сигнала GPS";
}

int CGpsReader::GetSatelliteCount() const {
    if ((position.dwValidFields & GPS_VALID_SATELLITE_COUNT) == 0) {
        return 0;
    }
    const auto count = static_cast<std::int32_t>(position.dwSatelliteCount);
    return count < 0 ? 0 : count;
}

bool CGpsReader::TakeChanged() {
    const bool was = changed_;
    changed_ = false;
    return was;
}

std::string CGpsReader::BuildReportText(bool withSatellites) const {
    if (!IsFixRecent()) {
        return {};
    }
    return ReportTextOf(position, withSatellites);
}

std::string CGpsReader::LatitudeText() const {
    return LatitudeTextOf(position);
}

std::string CGpsReader::LongitudeText() const {
    return LongitudeTextOf(position);
}

std::int32_t CGpsReader::QuietTicks() const {
    std::int32_t quiet = std::numeric_limits<std::int32_t>::max();
    if (timeoutTicks > 0) {
        quiet = timeoutTicks - 1;  // its last tick logs the end of the search
    }
    if (state_ != GpsState::Off) {
        quiet = std::min(quiet, std::max<std::int32_t>(PollIntervalTicks - pollTicks_ - 1, 0));
    }
    return quiet;
}

void CGpsReader::SkipQuietTicks(std::int32_t count) {
    if (count <= 0) {
        return;
    }
    if (timeoutTicks > 0) {
        timeoutTicks = std::max<std::int32_t>(timeoutTicks - count, 0);
    }
    if (state_ != GpsState::Off) {
        pollTicks_ += count;
        if (!deviceOpen_) {
            ticksSinceOpen_ = std::min(ticksSinceOpen_ + count, ReopenIntervalTicks);
        }
    }
}
