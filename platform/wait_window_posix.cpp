#include "platform/wait_window.h"

namespace kanadeya::platform {

namespace {
void (*g_on_stop)() = nullptr;
}  // namespace

bool CreateWaitForm(void (*on_stop)()) {
  g_on_stop = on_stop;
  return false;
}

void ProcessPendingMessages() {}

std::string WaitFormCounterText() { return {}; }

void ClickWaitFormStop() {
  if (g_on_stop != nullptr) g_on_stop();
}

void ShowWaitForm() {}

void SetWaitFormProgress(int, int) {}

void HideWaitForm() {}

void ReleaseWaitForm() noexcept {}

}  // namespace kanadeya::platform
