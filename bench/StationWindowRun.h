#pragma once

#include <functional>

class FactoryWindow;

// What the station-window benchmarks do to the window, as an operator would,
// and how they wait for it on the GUI thread.
namespace StationWindowRun {

// Runs the GUI thread's event loop until the condition holds (looked at every 50 ms).
void runUntil(const std::function<bool()>& condition);

// A click on each tile opens that station's log, which then follows every
// new line. False when a log did not open.
bool openEveryLog(FactoryWindow& window);

} // namespace StationWindowRun
