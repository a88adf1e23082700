#include "app/EntryPoint.h"

#include <exception>
#include <memory>

#include "common/TextConvert.h"
#include "platform/DisplayPort.h"

namespace {

constexpr const char* kPrefix = "Exeption occurred";

}  // namespace

EscapedError DescribeCurrentException() {
    const std::string prefix = std::string(kPrefix) + ": ";
    try {
        throw;
    } catch (const char* text) {
        return {prefix + (text ? text : ""), 1};
    } catch (const char16_t* text) {
        return {prefix + (text ? Utf16ToUtf8(text) : ""), 2};
    } catch (const std::u16string& text) {
        return {prefix + Utf16ToUtf8(text), 3};
    } catch (int value) {
        return {prefix + std::to_string(value), 4};
    } catch (const std::exception& error) {
        return {prefix + error.what(), ExitStdException};
    } catch (...) {
        return {kPrefix, 5};
    }
}

int RunGuarded(const std::function<int()>& body,
               const std::function<void(const std::string&)>& showErrorBox) {
    try {
        return body();
    } catch (...) {
        EscapedError error = DescribeCurrentException();
        // The box itself may fail; the exit code must still come out.
        try {
            showErrorBox(error.text);
        } catch (...) {
        }
        return error.exitCode;
    }
}

int RunMainWindow(Shell& shell, DisplayPort& display, const CMainWindow::Platform& platform,
                  const std::function<int(CMainWindow&)>& runLoop) {
    auto window = std::make_unique<CMainWindow>(shell, display, platform);
    window->CreateControls();
    display.HideMainWindow();
    int exitCode = runLoop(*window);
    window.reset();
    return exitCode;
}
