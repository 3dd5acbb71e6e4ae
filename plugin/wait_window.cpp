#include "plugin/wait_window.h"

#include <utility>

#include "platform/wait_window.h"
#include "plugin/plugin_state.h"

namespace kanadeya {

void CreateWaitWindow(bool show) {
  bool& shown = LoadedPlugin().window_shown;
  shown = platform::CreateWaitForm(&BtnStopClick) && show;
  if (shown) platform::ShowWaitForm();
}

void ReportProgress(int current, int count) {
  const PluginState& state = LoadedPlugin();
  if (state.window_shown) platform::SetWaitFormProgress(current, count);
  if (state.progress_observer) state.progress_observer(current, count);
  platform::ProcessPendingMessages();
}

void ProcessWindowMessages() { platform::ProcessPendingMessages(); }

void HideWaitWindow() {
  bool& shown = LoadedPlugin().window_shown;
  if (shown) platform::HideWaitForm();
  shown = false;
}

// The window procedure that calls it gets no context: the loaded plug-in's
// state is reached here.
void BtnStopClick() { LoadedPlugin().stop_requested = true; }

void SetProgressObserver(std::function<void(int, int)> observer) {
  LoadedPlugin().progress_observer = std::move(observer);
}

}  // namespace kanadeya
