// The wait window with its stop button. On Win32 a real, hidden window of
// class "TfrmWait"; elsewhere there is no window and these do nothing.
#pragma once

#include <string>

namespace kanadeya::platform {

// Creates a new hidden wait window; `on_stop` runs when its stop button is
// clicked. False when no window could be made (no display): runs go on.
bool CreateWaitForm(void (*on_stop)());

// Processes every window message pending for the calling thread, with
// floating-point exceptions masked meanwhile (the caller's mask is restored).
void ProcessPendingMessages();

// The counter label's text of the latest window ("" when there is none).
std::string WaitFormCounterText();

// Clicks the latest window's stop button, as the user would (tests).
void ClickWaitFormStop();

}  // namespace kanadeya::platform
