// The run's surroundings as the real host and user give them: the disk,
// the system clock, the plug-in's module and the host program's folder, the
// platform's message boxes and wait window, the host program's exports. The
// exports make one for each run.
#pragma once

#include "platform/disk_file_reader.h"
#include "plugin/run_env.h"

namespace kanadeya {

// The reads of a file are DiskFileReader's, shared with the programs that
// read files without a run.
class SystemEnv : public RunEnv, public platform::DiskFileReader {
 public:
  bool FolderExists(const std::string& path) override;
  bool SameFile(const std::string& a, const std::string& b) override;
  bool IsReadOnlyFile(const std::string& path) override;
  std::vector<std::string> NamesStartingWith(const std::string& folder,
                                             std::string_view prefix) override;
  void ReadProfile(const std::string& path, std::string_view section,
                   std::span<ProfileQuery> queries) override;

  platform::FileFault WriteNewFile(const std::string& path, std::string_view contents) override;
  platform::FileFault AppendToFile(const std::string& path, std::string_view text) override;
  platform::FileFault EmptyFile(const std::string& path) override;
  platform::FileFault RenameReplacing(const std::string& from, const std::string& to) override;
  platform::FileFault RenameIfFree(const std::string& from, const std::string& to) override;
  bool RollOverIfLarger(const std::string& path, const std::string& to, uint64_t limit) override;
  platform::RemoveFault RemoveFile(const std::string& path, const std::string& scratch) override;
  platform::LockResult TakeLock(const std::string& path, std::unique_ptr<HeldLock>& lock) override;

  std::string LocalDateTime() override;
  void SleepFor(int milliseconds) override;

  std::string PluginPath() override;
  std::string HostProgramFolder() override;
  uint32_t ProcessId() override;
  bool ProcessIsRunning(uint32_t id) override;

  void ShowMessage(MessageKind kind, const std::string& path, std::string_view text) override;
  void CreateWaitWindow(bool show, bool& stop_requested) override;
  void ReportProgress(int current, int count) override;
  void HideWaitWindow() override;

  HostBinding BindHost(HostApi& host) override;

 protected:
  // The window's counter and bar, when it is shown.
  void ShowProgress(int current, int count);

 private:
  bool window_shown_ = false;  // this run's window was asked for and made
};

}  // namespace kanadeya
