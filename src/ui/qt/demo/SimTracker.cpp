#include "ui/qt/demo/SimTracker.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "app/Resources.h"

namespace {

std::string MakeRoot() {
    namespace fs = std::filesystem;
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path path = fs::temp_directory_path() / ("mzorvany-qt-" + std::to_string(entropy()));
        std::error_code error;
        if (fs::create_directory(path, error)) {
            return path.string();
        }
    }
    throw std::runtime_error("cannot make a settings folder");
}

}  // namespace

const char* const SimTracker::kDefaultParams =
    "MainServer=127.0.0.1\r\nReserveServer=\r\nPort=830\r\nOutSats=1\r\nFrequency=36000\r\n"
    "MinimalBalance=1\r\nAlertPressTime=8\r\nPermittedKeys=All\r\nLogEnabled=0\r\n";

SimTracker::SimTracker(const Options& options)
    : root_(MakeRoot()), settingsFolder_(root_ + "/MZorvany") {
    std::filesystem::create_directories(settingsFolder_);
    // Without a params.ini the start would stop at its warning box.
    std::ofstream(settingsFolder_ + "/params.ini", std::ios::binary)
        << (options.params.empty() ? kDefaultParams : options.params);
    folders_ = std::make_unique<SimFolders>(root_, root_ + "/bin/mzorvany");
    shell_ = std::make_unique<QtShell>(options.english);
    window_ = std::make_unique<CMainWindow>(*shell_, *shell_, Platform(options.english));
    shell_->Attach(window_.get());
    window_->CreateControls();
    shell_->HideMainWindow();
    // Ticks come from Tick only.
    shell_->StopTimer(TickTimerId);
}

SimTracker::~SimTracker() {
    window_.reset();
    shell_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

CMainWindow::Platform SimTracker::Platform(bool english) {
    return {clock, *folders_, sound, fileWriter, gps, connections, simCard, socket, english, {}};
}

void SimTracker::Tick(int count) {
    for (int i = 0; i < count; ++i) {
        clock.AdvanceMilliseconds(100);
        window_->OnTimer(TickTimerId);
    }
}

std::string SimTracker::ParamsText() const {
    std::ifstream in(settingsFolder_ + "/params.ini", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
