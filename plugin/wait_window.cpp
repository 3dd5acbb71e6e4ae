#include "plugin/wait_window.h"

#include <utility>

#include "platform/wait_window.h"
#include "record/stop_request.h"

namespace kanadeya {

namespace {
std::function<void(int, int)>& ProgressObserver() {
  static std::function<void(int, int)> observer;
  return observer;
}
}  // namespace

void CreateWaitWindow() { platform::CreateWaitForm(&BtnStopClick); }

void ReportProgress(int current, int count) {
  if (ProgressObserver()) ProgressObserver()(current, count);
  platform::ProcessPendingMessages();
}

void BtnStopClick() { StopRequested = true; }

void SetProgressObserver(std::function<void(int, int)> observer) {
  ProgressObserver() = std::move(observer);
}

}  // namespace kanadeya
