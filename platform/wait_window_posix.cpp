#include "platform/wait_window.h"

namespace kanadeya::platform {

bool CreateWaitForm(bool&) { return false; }

void ProcessPendingMessages() {}

void ShowWaitForm() {}

void SetWaitFormProgress(int, int) {}

void HideWaitForm() {}

void ReleaseWaitForm() noexcept {}

}  // namespace kanadeya::platform
