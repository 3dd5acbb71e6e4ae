// The wait window and the stop request. Each run creates a wait window in
// place of the previous run's, shown when kanadeya.ini asks for it
// ([Window] Show=1) and hidden otherwise; before each code the driver sets
// its counter and bar, lets the thread's pending window messages run (the
// only moment the stop button's handler can run) and then tests
// the stop request (PluginState). The run hides it at its end.
#pragma once

#include <functional>

namespace kanadeya {

// Creates a new wait window, the previous one destroyed (none without a
// display), and shows it when `show`.
void CreateWaitWindow(bool show);

// Before code `current` of `count`: the counter and bar of a shown window,
// the progress observer, then the pending window messages.
void ReportProgress(int current, int count);

// The pending window messages alone (before a line that is no code).
void ProcessWindowMessages();

// Hides the window at the end of a run.
void HideWaitWindow();

// The stop button's handler: sets the loaded plug-in's stop request.
void BtnStopClick();

// Tests and in-process hosts see every ReportProgress call this way.
void SetProgressObserver(std::function<void(int current, int count)> observer);

}  // namespace kanadeya
