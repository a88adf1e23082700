#pragma once

#include <memory>
#include <string>

#include "app/ReportList.h"
#include "delivery/Sender.h"
#include "gps/GpsReader.h"
#include "settings/Settings.h"

// The main objects and the screen's memory between ticks. CMainWindow fills it at
// construction and empties it, in order, at teardown.
struct AppGlobals {
    std::unique_ptr<CSettings> settings;
    std::unique_ptr<CGpsReader> gpsReader;
    std::unique_ptr<CSender> sender;
    std::unique_ptr<CReportList> reportList;
    bool logShown = false;
    StatusCode previousStatusCode = StatusCode::Off;
    std::string previousStatusText;
};
