// The wait window and the stop request. Each run creates a hidden wait
// window in place of the previous run's; before each code the driver lets
// the thread's pending window messages run (the only moment the stop
// button's handler can run) and then tests StopRequested
// (record/stop_request.h).
#pragma once

#include <functional>

namespace kanadeya {

// Creates a new hidden wait window, the previous one destroyed (none
// without a display).
void CreateWaitWindow();

// Processes the pending window messages. Both numbers are ignored by the
// window (its counter keeps "-/-"); they reach the progress observer.
void ReportProgress(int current, int count);

// The stop button's handler: sets StopRequested.
void BtnStopClick();

// Tests and in-process hosts see every ReportProgress call this way.
void SetProgressObserver(std::function<void(int current, int count)> observer);

}  // namespace kanadeya
