// The run's surroundings as the real host and user give them: the host
// program's exports, the platform's message boxes, wait window and files,
// the system clock. The exports make one for each run.
#pragma once

#include "plugin/run_env.h"

namespace kanadeya {

class SystemEnv : public RunEnv {
 public:
  HostBinding BindHost(HostApi& host) override;
  void ReleaseHost(HostApi& host) override;
  void ShowError(std::string_view text, std::string_view caption) override;
  void ShowErrorWithPath(const std::string& path, std::string_view text,
                         std::string_view caption) override;
  void ShowMessage(std::string_view text) override;
  void ShowReport(std::string_view text) override;
  void CreateWaitWindow(bool show, bool& stop_requested) override;
  void ReportProgress(int current, int count) override;
  void ProcessWindowMessages() override;
  void HideWaitWindow() override;
  platform::NewFileWrite WriteNewFile(const std::string& path, std::string_view contents) override;
  bool RenameReplacing(const std::string& from, const std::string& to) override;
  void DeleteFileAt(const std::string& path) override;
  platform::RemoveFault RemoveFile(const std::string& path) override;
  bool RemoveEntry(const std::string& path, const std::string& scratch) override;
  bool EmptyFile(const std::string& path) override;
  bool AppendToFile(const std::string& path, std::string_view text) override;
  bool RollOverIfLarger(const std::string& path, const std::string& to, uint64_t limit) override;
  std::string LocalDateTime() override;
  int64_t FileTimeNow() override;

 protected:
  // The window's counter and bar, when it is shown.
  void ShowProgress(int current, int count);

 private:
  bool window_shown_ = false;  // this run's window was asked for and made
};

}  // namespace kanadeya
