// A run's surroundings with faults made in process: every call goes on to
// `target` (a TestEnv, say) unless a knob below changes it, so that a test
// gives a run a full disk, a file another program holds, a page that cannot
// be read, a writer process that is gone or a clock an hour on, and never
// sleeps. The knobs may be changed during the run (from `on_call`, or from a
// FakeHost's during_download).
//
// One countdown fails the n-th file call, of any verb or of one group of
// verbs, once or from then on, as a chosen fault: a test that counts the
// calls of a clean run can fail each in turn.
#pragma once

#include <cstdint>
#include <functional>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tests/plugin/forwarding_env.h"

namespace kanadeya::test {

// The file verbs, in groups that a countdown counts.
enum class Verbs {
  kAny,
  kLooks,     // what stands where: exists, same file, read-only, a folder's names
  kReads,     // a file's bytes, size or stamp
  kProfiles,  // an INI file's keys
  kWrites,    // new files, appends, emptying, rolling over
  kRenames,
  kRemovals,
  kLocks,
};

// What a failed call meets.
enum class Fault {
  kHeld,         // another program holds the file open without sharing
  kMissing,      // nothing stands there (or its folder is missing)
  kFull,         // the disk is full
  kDenied,       // the file is read-only (the Windows attribute), or there is no right to it
  kFailed,       // anything else: an I/O error, a refusal
  kOutOfMemory,  // std::bad_alloc is thrown
};

struct Countdown {
  Verbs verbs = Verbs::kAny;
  int at = 0;  // the call of `verbs` that fails, counted from 1; 0: none
  bool from_then_on = false;
  Fault fault = Fault::kFailed;
};

class FaultEnv : public ForwardingEnv {
 public:
  using ForwardingEnv::ForwardingEnv;

  Countdown countdown;
  int calls = 0;  // file calls of the countdown's verbs so far
  // The disk under `disk` (every path when empty) holds this many more bytes; nullopt: no limit.
  // A write that would pass it fails as on a full disk and leaves nothing.
  std::optional<uint64_t> disk_room;
  std::string disk;
  // Files another program holds open: not removed, renamed, emptied, written, read or locked.
  std::set<std::string> held;
  // Lock files whose lock another run holds.
  std::set<std::string> locked;
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

  bool FileExists(const std::string& path) override {
    return !Lost(Call(Verbs::kLooks, __func__, path)) && target.FileExists(path);
  }
  bool ReadWholeFile(const std::string& path, std::string& contents) override {
    if (!ReadFails(Call(Verbs::kReads, __func__, path), path))
      return target.ReadWholeFile(path, contents);
    contents.clear();
    return false;
  }
  platform::SmallFileRead ReadSmallFile(const std::string& path, size_t limit,
                                        std::string& contents) override {
    const std::optional<Fault> fault = Call(Verbs::kReads, __func__, path);
    if (fault == Fault::kMissing) return platform::SmallFileRead::kMissing;
    if (!ReadFails(fault, path)) return target.ReadSmallFile(path, limit, contents);
    return platform::SmallFileRead::kUnreadable;
  }
  platform::FileFault ReadFilePart(const std::string& path, uint64_t offset, size_t count,
                                   std::string& part) override {
    const std::optional<Fault> fault = Call(Verbs::kReads, __func__, path);
    if (!ReadFails(fault, path)) return target.ReadFilePart(path, offset, count, part);
    part.clear();
    return fault == Fault::kDenied    ? platform::FileFault{platform::FileFault::kDenied, 0}
           : fault == Fault::kMissing ? platform::FileFault{platform::FileFault::kMissing, 0}
                                      : platform::FileFault{platform::FileFault::kHeld, 0};
  }
  // A held file still has a size and a stamp.
  bool FileSize(const std::string& path, uint64_t& size) override {
    return !Lost(Call(Verbs::kReads, __func__, path)) && target.FileSize(path, size);
  }
  bool ReadFileStamp(const std::string& path, platform::FileStamp& stamp) override {
    return !Lost(Call(Verbs::kReads, __func__, path)) && target.ReadFileStamp(path, stamp);
  }
  int64_t FileTimeNow() override { return target.FileTimeNow() + clock_ahead; }

  bool FolderExists(const std::string& path) override {
    return !Lost(Call(Verbs::kLooks, __func__, path)) && target.FolderExists(path);
  }
  bool SameFile(const std::string& a, const std::string& b) override {
    return !Lost(Call(Verbs::kLooks, __func__, a)) && target.SameFile(a, b);
  }
  bool IsReadOnlyFile(const std::string& path) override {
    return !Lost(Call(Verbs::kLooks, __func__, path)) && target.IsReadOnlyFile(path);
  }
  std::vector<std::string> NamesStartingWith(const std::string& folder,
                                             std::string_view prefix) override {
    if (Lost(Call(Verbs::kLooks, __func__, folder))) return {};
    return target.NamesStartingWith(folder, prefix);
  }
  // A file that cannot be opened gives the fallbacks, as GetPrivateProfileStringA gives them.
  void ReadProfile(const std::string& path, std::string_view section,
                   std::span<ProfileQuery> queries) override {
    if (Blocks(Call(Verbs::kProfiles, __func__, path)) || held.contains(path)) {
      for (ProfileQuery& query : queries) query.value = std::string(query.fallback);
      return;
    }
    target.ReadProfile(path, section, queries);
  }

  platform::FileFault WriteNewFile(const std::string& path, std::string_view contents) override {
    if (const platform::FileFault fault = WriteFault(__func__, path, contents.size()); !fault.ok())
      return fault;
    const platform::FileFault written = target.WriteNewFile(path, contents);
    if (written.ok()) Take(path, contents.size());
    return written;
  }
  platform::FileFault AppendToFile(const std::string& path, std::string_view text) override {
    if (const platform::FileFault fault = WriteFault(__func__, path, text.size()); !fault.ok())
      return fault;
    const platform::FileFault appended = target.AppendToFile(path, text);
    if (appended.ok()) Take(path, text.size());
    return appended;
  }
  platform::FileFault EmptyFile(const std::string& path) override {
    if (const platform::FileFault fault = WriteFault(__func__, path, 0); !fault.ok()) return fault;
    return target.EmptyFile(path);
  }
  bool RollOverIfLarger(const std::string& path, const std::string& to, uint64_t limit) override {
    return !Call(Verbs::kWrites, __func__, path) && !held.contains(path) && !held.contains(to) &&
           target.RollOverIfLarger(path, to, limit);
  }
  platform::FileFault RenameReplacing(const std::string& from, const std::string& to) override {
    if (const platform::FileFault fault = RenameFault(__func__, from, to); !fault.ok())
      return fault;
    return target.RenameReplacing(from, to);
  }
  platform::FileFault RenameIfFree(const std::string& from, const std::string& to) override {
    if (const platform::FileFault fault = RenameFault(__func__, from, to); !fault.ok())
      return fault;
    return target.RenameIfFree(from, to);
  }
  // A full disk removes as ever; nothing standing there is nothing to remove.
  platform::RemoveFault RemoveFile(const std::string& path, const std::string& scratch) override {
    const std::optional<Fault> fault = Call(Verbs::kRemovals, __func__, path);
    if (fault == Fault::kHeld || held.contains(path)) return platform::RemoveFault::kInUse;
    if (fault == Fault::kDenied) return platform::RemoveFault::kDenied;
    if (fault == Fault::kFailed) return platform::RemoveFault::kOther;
    return target.RemoveFile(path, scratch);
  }
  platform::LockResult TakeLock(const std::string& path, std::unique_ptr<HeldLock>& lock) override {
    const std::optional<Fault> fault = Call(Verbs::kLocks, __func__, path);
    if (locked.contains(path)) return platform::LockResult::kInUse;
    if (fault == Fault::kHeld || held.contains(path)) return platform::LockResult::kHeld;
    if (fault == Fault::kDenied) return platform::LockResult::kDenied;
    if (fault) return platform::LockResult::kCannotMake;
    return target.TakeLock(path, lock);
  }

  void SleepFor(int milliseconds) override { slept_ms += milliseconds; }
  bool ProcessIsRunning(uint32_t id) override {
    return running ? running->contains(id) : target.ProcessIsRunning(id);
  }

 private:
  static bool In(Verbs group, Verbs verb) { return group == Verbs::kAny || group == verb; }
  // Counts a call of `verb` and gives the fault it meets, if any.
  std::optional<Fault> Call(Verbs verb, std::string_view name, const std::string& path) {
    if (on_call) on_call(name, path);
    if (!In(countdown.verbs, verb) || countdown.at == 0) return std::nullopt;
    ++calls;
    if (calls != countdown.at && !(countdown.from_then_on && calls > countdown.at))
      return std::nullopt;
    if (countdown.fault == Fault::kOutOfMemory) throw std::bad_alloc();
    return countdown.fault;
  }
  // A look or a stamp finds nothing where a file is missing or the look fails.
  static bool Lost(std::optional<Fault> fault) {
    return fault == Fault::kMissing || fault == Fault::kFailed;
  }
  // The write verbs' answer to `fault`.
  static platform::FileFault FileFaultOf(Fault fault) {
    switch (fault) {
      case Fault::kHeld:
        return {platform::FileFault::kHeld, 0};
      case Fault::kMissing:
        return {platform::FileFault::kFolderMissing, 0};
      case Fault::kFull:
        return {platform::FileFault::kFull, 0};
      case Fault::kDenied:
        return {platform::FileFault::kDenied, 0};
      default:
        return {platform::FileFault::kOther, 0};
    }
  }
  // Why a write of `bytes` to `path` fails here, if it does: the countdown,
  // a held file, or the disk's room.
  platform::FileFault WriteFault(std::string_view verb, const std::string& path, uint64_t bytes) {
    if (const std::optional<Fault> fault = Call(Verbs::kWrites, verb, path))
      return FileFaultOf(*fault);
    if (held.contains(path)) return {platform::FileFault::kHeld, 0};
    if (!Fits(path, bytes)) return {platform::FileFault::kFull, 0};
    return {};
  }
  platform::FileFault RenameFault(std::string_view verb, const std::string& from,
                                  const std::string& to) {
    if (const std::optional<Fault> fault = Call(Verbs::kRenames, verb, from))
      return FileFaultOf(*fault);
    if (held.contains(from) || held.contains(to)) return {platform::FileFault::kHeld, 0};
    return {};
  }
  // A read meets every fault but a full disk.
  static bool Blocks(std::optional<Fault> fault) { return fault && *fault != Fault::kFull; }
  static bool Matches(const std::vector<std::string>& ends, const std::string& path) {
    for (const std::string& end : ends)
      if (path.ends_with(end)) return true;
    return false;
  }
  // True when a read of `path` is to fail; throws where memory is to run out.
  bool ReadFails(std::optional<Fault> fault, const std::string& path) {
    if (Matches(out_of_memory, path)) throw std::bad_alloc();
    return Blocks(fault) || held.contains(path) || Matches(unreadable, path);
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
