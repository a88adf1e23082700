#pragma once

#include <memory>
#include <vector>

class CMainWindow;
class EvdevKeySource;
class QtShell;
class RouteWatch;

// Runs the tracker's window: attaches it to the shell, sets it up hidden (shown where
// no tray exists), feeds it the key devices, drains the route watch (when there is one)
// whenever it is readable and runs the event loop; the result is the
// loop's exit code. However the run ends, by that code or by an exception, the shell
// lets go of the window before the window is destroyed, so a box shown afterwards
// delivers no tick, tray or key event to it.
int RunTrackerWindow(QtShell& shell, std::unique_ptr<CMainWindow> window,
                     std::vector<std::unique_ptr<EvdevKeySource>>& keySources,
                     RouteWatch* routes = nullptr);
