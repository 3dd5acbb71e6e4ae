// The wait window with its stop button. On Win32 a real, hidden window of
// class "TfrmWait"; elsewhere there is no window and these do nothing.
#pragma once

namespace kanadeya::platform {

// Creates a new hidden wait window in place of the previous one, which is
// destroyed: a library load holds at most one. Its stop button sets
// `stop_requested`, which the window keeps a pointer to. False when no
// window could be made (no display): runs go on.
bool CreateWaitForm(bool& stop_requested);

// Processes every window message pending for the calling thread, with
// floating-point exceptions masked meanwhile (the caller's mask is restored).
void ProcessPendingMessages();

// Shows the latest window in front, active, its stop button focused.
void ShowWaitForm();

// Writes "current/count" in the counter label and sets the bar to
// current x 100 / count, then repaints the window.
void SetWaitFormProgress(int current, int count);

// Hides the latest window (it stays, for the next run to replace).
void HideWaitForm();

// Library unload: destroys the window, unregisters its class and frees its
// drawing objects, so that nothing left behind points into the unloaded
// library.
void ReleaseWaitForm() noexcept;

}  // namespace kanadeya::platform
