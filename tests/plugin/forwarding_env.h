// A run's context that hands every verb on to another: a test context
// derives from it and overrides only what it changes or watches.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/run_env.h"

namespace kanadeya::test {

class ForwardingEnv : public RunEnv {
 public:
  explicit ForwardingEnv(RunEnv& forward_to) : target(forward_to) {}

  RunEnv& target;

  bool FileExists(const std::string& path) override { return target.FileExists(path); }
  bool ReadWholeFile(const std::string& path, std::string& contents) override {
    return target.ReadWholeFile(path, contents);
  }
  platform::SmallFileRead ReadSmallFile(const std::string& path, size_t limit,
                                        std::string& contents) override {
    return target.ReadSmallFile(path, limit, contents);
  }
  platform::FileFault ReadFilePart(const std::string& path, uint64_t offset, size_t count,
                                   std::string& part) override {
    return target.ReadFilePart(path, offset, count, part);
  }
  bool FileSize(const std::string& path, uint64_t& size) override {
    return target.FileSize(path, size);
  }
  bool ReadFileStamp(const std::string& path, platform::FileStamp& stamp) override {
    return target.ReadFileStamp(path, stamp);
  }
  int64_t FileTimeNow() override { return target.FileTimeNow(); }

  bool FolderExists(const std::string& path) override { return target.FolderExists(path); }
  bool SameFile(const std::string& a, const std::string& b) override {
    return target.SameFile(a, b);
  }
  bool IsReadOnlyFile(const std::string& path) override { return target.IsReadOnlyFile(path); }
  std::vector<std::string> NamesStartingWith(const std::string& folder,
                                             std::string_view prefix) override {
    return target.NamesStartingWith(folder, prefix);
  }
  void ReadProfile(const std::string& path, std::string_view section,
                   std::span<ProfileQuery> queries) override {
    target.ReadProfile(path, section, queries);
  }

  platform::FileFault WriteNewFile(const std::string& path, std::string_view contents) override {
    return target.WriteNewFile(path, contents);
  }
  platform::FileFault AppendToFile(const std::string& path, std::string_view text) override {
    return target.AppendToFile(path, text);
  }
  platform::FileFault EmptyFile(const std::string& path) override { return target.EmptyFile(path); }
  platform::FileFault RenameReplacing(const std::string& from, const std::string& to) override {
    return target.RenameReplacing(from, to);
  }
  platform::FileFault RenameIfFree(const std::string& from, const std::string& to) override {
    return target.RenameIfFree(from, to);
  }
  bool RollOverIfLarger(const std::string& path, const std::string& to, uint64_t limit) override {
    return target.RollOverIfLarger(path, to, limit);
  }
  platform::RemoveFault RemoveFile(const std::string& path, const std::string& scratch) override {
    return target.RemoveFile(path, scratch);
  }
  platform::LockResult TakeLock(const std::string& path, std::unique_ptr<HeldLock>& lock) override {
    return target.TakeLock(path, lock);
  }

  std::string LocalDateTime() override { return target.LocalDateTime(); }
  void SleepFor(int milliseconds) override { target.SleepFor(milliseconds); }

  std::string PluginPath() override { return target.PluginPath(); }
  std::string HostProgramFolder() override { return target.HostProgramFolder(); }
  uint32_t ProcessId() override { return target.ProcessId(); }
  bool ProcessIsRunning(uint32_t id) override { return target.ProcessIsRunning(id); }

  void ShowMessage(MessageKind kind, const std::string& path, std::string_view text) override {
    target.ShowMessage(kind, path, text);
  }
  void CreateWaitWindow(bool show, bool& stop_requested) override {
    target.CreateWaitWindow(show, stop_requested);
  }
  void ReportProgress(int current, int count) override { target.ReportProgress(current, count); }
  void HideWaitWindow() override { target.HideWaitWindow(); }

  HostBinding BindHost(HostApi& host) override { return target.BindHost(host); }
};

}  // namespace kanadeya::test
