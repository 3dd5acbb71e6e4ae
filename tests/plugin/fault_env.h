// A run's surroundings with faults made in process: every call goes on to
// `target` (a TestEnv, say) unless a knob below changes it, so that a test
// gives a run a full disk, a file another program holds, a page that cannot
// be read, a writer process that is gone or a clock an hour on, and never
// sleeps. The knobs may be changed during the run (from `on_call`, or from a
// FakeHost's during_download).
#pragma once

#include <cstdint>
#include <functional>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/run_env.h"

namespace kanadeya::test {

class FaultEnv : public RunEnv {
 public:
  explicit FaultEnv(RunEnv& forward_to) : target(forward_to) {}

  RunEnv& target;
  // The n-th RenameReplacing fails (counted from 1; 0: none), and every later one too when
  // `renames_fail_after`.
  int rename_fails_at = 0;
  bool renames_fail_after = false;
  // The disk under `disk` (every path when empty) holds this many more bytes; nullopt: no limit.
  // A write that would pass it fails as on a full disk and leaves nothing.
  std::optional<uint64_t> disk_room;
  std::string disk;
  // Files another program holds open: not removed, renamed, emptied, written, read or locked.
  std::set<std::string> held;
  // No lock file can be made (a read-only folder).
  bool cannot_lock = false;
  // Paths, or ends of paths ("Temp.html"), whose reads fail, or throw std::bad_alloc.
  std::vector<std::string> unreadable, out_of_memory;
  // The other processes that run; nullopt: the target's answer.
  std::optional<std::set<uint32_t>> running;
  // Microseconds added to FileTimeNow.
  int64_t clock_ahead = 0;
  // The milliseconds SleepFor was asked for in all; it never sleeps.
  int64_t slept_ms = 0;
  // Called as each file verb begins, with the verb's name and its path.
  std::function<void(std::string_view verb, const std::string& path)> on_call;
  int renames = 0;  // RenameReplacing calls so far

  bool FileExists(const std::string& path) override {
    Seen(__func__, path);
    return target.FileExists(path);
  }
  bool ReadWholeFile(const std::string& path, std::string& contents) override {
    Seen(__func__, path);
    if (!ReadFails(path)) return target.ReadWholeFile(path, contents);
    contents.clear();
    return false;
  }
  platform::SmallFileRead ReadSmallFile(const std::string& path, size_t limit,
                                        std::string& contents) override {
    Seen(__func__, path);
    if (!ReadFails(path)) return target.ReadSmallFile(path, limit, contents);
    return platform::SmallFileRead::kUnreadable;
  }
  bool ReadFilePart(const std::string& path, uint64_t offset, size_t count,
                    std::string& part) override {
    Seen(__func__, path);
    return !ReadFails(path) && target.ReadFilePart(path, offset, count, part);
  }
  bool FileSize(const std::string& path, uint64_t& size) override {
    Seen(__func__, path);
    return target.FileSize(path, size);
  }
  bool ReadFileStamp(const std::string& path, platform::FileStamp& stamp) override {
    Seen(__func__, path);
    return target.ReadFileStamp(path, stamp);
  }
  int64_t FileTimeNow() override { return target.FileTimeNow() + clock_ahead; }

  bool FolderExists(const std::string& path) override {
    Seen(__func__, path);
    return target.FolderExists(path);
  }
  bool SameFile(const std::string& a, const std::string& b) override {
    Seen(__func__, a);
    return target.SameFile(a, b);
  }
  bool IsReadOnlyFile(const std::string& path) override {
    Seen(__func__, path);
    return target.IsReadOnlyFile(path);
  }
  std::vector<std::string> NamesStartingWith(const std::string& folder,
                                             std::string_view prefix) override {
    Seen(__func__, folder);
    return target.NamesStartingWith(folder, prefix);
  }
  void ReadProfile(const std::string& path, std::string_view section,
                   std::span<ProfileQuery> queries) override {
    Seen(__func__, path);
    target.ReadProfile(path, section, queries);
  }

  platform::NewFileWrite WriteNewFile(const std::string& path, std::string_view contents) override {
    Seen(__func__, path);
    if (held.contains(path) || !Fits(path, contents.size())) return platform::NewFileWrite::kFailed;
    const platform::NewFileWrite written = target.WriteNewFile(path, contents);
    if (written == platform::NewFileWrite::kWritten) Take(path, contents.size());
    return written;
  }
  bool AppendToFile(const std::string& path, std::string_view text) override {
    Seen(__func__, path);
    if (held.contains(path) || !Fits(path, text.size())) return false;
    if (!target.AppendToFile(path, text)) return false;
    Take(path, text.size());
    return true;
  }
  bool EmptyFile(const std::string& path) override {
    Seen(__func__, path);
    return !held.contains(path) && target.EmptyFile(path);
  }
  bool RenameReplacing(const std::string& from, const std::string& to) override {
    Seen(__func__, from);
    ++renames;
    const bool refused =
        rename_fails_at != 0 &&
        (renames == rename_fails_at || (renames_fail_after && renames > rename_fails_at));
    if (refused || held.contains(from) || held.contains(to)) return false;
    return target.RenameReplacing(from, to);
  }
  bool RollOverIfLarger(const std::string& path, const std::string& to, uint64_t limit) override {
    Seen(__func__, path);
    return !held.contains(path) && !held.contains(to) && target.RollOverIfLarger(path, to, limit);
  }
  platform::RemoveFault RemoveFile(const std::string& path) override {
    Seen(__func__, path);
    return held.contains(path) ? platform::RemoveFault::kInUse : target.RemoveFile(path);
  }
  bool RemoveEntry(const std::string& path, const std::string& scratch) override {
    Seen(__func__, path);
    return !held.contains(path) && target.RemoveEntry(path, scratch);
  }

  platform::LockResult TakeLock(const std::string& path, platform::FileLock& lock) override {
    Seen(__func__, path);
    if (held.contains(path)) return platform::LockResult::kInUse;
    return cannot_lock ? platform::LockResult::kCannotMake : target.TakeLock(path, lock);
  }

  std::string LocalDateTime() override { return target.LocalDateTime(); }
  void SleepFor(int milliseconds) override { slept_ms += milliseconds; }

  std::string PluginPath() override { return target.PluginPath(); }
  std::string PluginFolder() override { return target.PluginFolder(); }
  std::string HostProgramFolder() override { return target.HostProgramFolder(); }
  uint32_t ProcessId() override { return target.ProcessId(); }
  bool ProcessIsRunning(uint32_t id) override {
    return running ? running->contains(id) : target.ProcessIsRunning(id);
  }

  void ShowError(const std::string& path, std::string_view text,
                 std::string_view caption) override {
    target.ShowError(path, text, caption);
  }
  void ShowMessage(std::string_view text) override { target.ShowMessage(text); }
  void ShowReport(std::string_view text) override { target.ShowReport(text); }
  void CreateWaitWindow(bool show, bool& stop_requested) override {
    target.CreateWaitWindow(show, stop_requested);
  }
  void ReportProgress(int current, int count) override { target.ReportProgress(current, count); }
  void ProcessWindowMessages() override { target.ProcessWindowMessages(); }
  void HideWaitWindow() override { target.HideWaitWindow(); }

  HostBinding BindHost(HostApi& host) override { return target.BindHost(host); }
  void ReleaseHost(HostApi& host) override { target.ReleaseHost(host); }

 private:
  void Seen(std::string_view verb, const std::string& path) {
    if (on_call) on_call(verb, path);
  }
  static bool Matches(const std::vector<std::string>& ends, const std::string& path) {
    for (const std::string& end : ends)
      if (path.ends_with(end)) return true;
    return false;
  }
  // True when a read of `path` is to fail; throws where memory is to run out.
  bool ReadFails(const std::string& path) {
    if (Matches(out_of_memory, path)) throw std::bad_alloc();
    return held.contains(path) || Matches(unreadable, path);
  }
  bool OnDisk(const std::string& path) const { return disk_room && path.starts_with(disk); }
  bool Fits(const std::string& path, uint64_t bytes) const {
    return !OnDisk(path) || bytes <= *disk_room;
  }
  void Take(const std::string& path, uint64_t bytes) {
    if (OnDisk(path)) *disk_room -= bytes;
  }
};

}  // namespace kanadeya::test
