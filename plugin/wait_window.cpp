#include "plugin/wait_window.h"

#include <utility>

#include "platform/wait_window.h"
#include "plugin/plugin_state.h"

namespace kanadeya {

namespace {
std::function<void(int, int)>& ProgressObserver() {
  static std::function<void(int, int)> observer;
  return observer;
}

// Whether this run's window is shown.
bool& WindowShown() {
  static bool shown = false;
  return shown;
}
}  // namespace

void CreateWaitWindow(bool show) {
  WindowShown() = platform::CreateWaitForm(&BtnStopClick) && show;
  if (WindowShown()) platform::ShowWaitForm();
}

void ReportProgress(int current, int count) {
  if (WindowShown()) platform::SetWaitFormProgress(current, count);
  if (ProgressObserver()) ProgressObserver()(current, count);
  platform::ProcessPendingMessages();
}

void ProcessWindowMessages() { platform::ProcessPendingMessages(); }

void HideWaitWindow() {
  if (WindowShown()) platform::HideWaitForm();
  WindowShown() = false;
}

void BtnStopClick() { LoadedPlugin().stop_requested = true; }

void SetProgressObserver(std::function<void(int, int)> observer) {
  ProgressObserver() = std::move(observer);
}

}  // namespace kanadeya
