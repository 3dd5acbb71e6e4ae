// A run's whole view of the system: the files it reads and writes, the
// clock, where it is (the plug-in's file, the host program's folder, this
// process and others), the user (messages, the wait window and its stop
// button) and the host's functions. Below the exports, plugin/ reaches the
// system only through the RunEnv it is handed; the logic's floors are handed
// its FileReader part. The exports make the system's (plugin/system_env.h)
// for each run; tests make their own, usually by deriving from it or by
// forwarding to it and changing what they watch or break. Nothing below the
// exports makes one or reaches a shared one.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_faults.h"
#include "platform/file_reader.h"
#include "plugin/host_api.h"

namespace kanadeya {

// One key of an INI file's section asked for: `value` receives its value,
// or `fallback` where the file, the section or the key is missing.
struct ProfileQuery {
  std::string_view key;
  std::string_view fallback;
  std::string value;
};

// A lock the context took for the run: held until it is destroyed, and
// gone with the process however it ends.
class HeldLock {
 public:
  virtual ~HeldLock() = default;
  // Writes `text` into the lock's file past the byte locked, where another
  // process reads it while the lock is held; it goes with the lock. False
  // when it could not be written whole.
  virtual bool Record(std::string_view text) = 0;
};

// The messages a run shows: how each looks.
enum class MessageKind {
  kPlain,        // a plain message with an OK button
  kHostError,    // an error of the host's conventions, under the system's own caption
  kPluginError,  // an error of the plug-in's own, under the plug-in's name
  kReport,       // news that is no failure, under the plug-in's name
};

class RunEnv : public virtual platform::FileReader {
 public:
  virtual ~RunEnv() = default;

  // --- Files: what stands where (besides the reads of FileReader) ---------

  // True when `path` names an existing folder.
  virtual bool FolderExists(const std::string& path) = 0;
  // True when `a` and `b` name one file: the same full path, or, when both
  // exist, one file reached by two names.
  virtual bool SameFile(const std::string& a, const std::string& b) = 0;
  // True when the file at `path` exists and may not be written.
  virtual bool IsReadOnlyFile(const std::string& path) = 0;
  // The names in `folder` (with a trailing separator) that begin with
  // `prefix`, folders left out, in no particular order.
  virtual std::vector<std::string> NamesStartingWith(const std::string& folder,
                                                     std::string_view prefix) = 0;
  // The keys of `section` of the INI file at `path`, each read as
  // GetPrivateProfileStringA reads it (the host's "Setting.ini" is read so).
  virtual void ReadProfile(const std::string& path, std::string_view section,
                           std::span<ProfileQuery> queries) = 0;

  // --- Files: writing and removing -----------------------------------------

  // Each write says why it failed (platform::FileFault), as the system said.

  // Makes a new file at `path` holding `contents`, on the disk before it
  // returns; never opens what stands there (kExists). On any other fault
  // nothing of it is left.
  virtual platform::FileFault WriteNewFile(const std::string& path, std::string_view contents) = 0;
  // Appends in one write that other processes appending cannot split,
  // creating the file.
  virtual platform::FileFault AppendToFile(const std::string& path, std::string_view text) = 0;
  // Empties the existing regular file at `path`.
  virtual platform::FileFault EmptyFile(const std::string& path) = 0;
  // Renames `from` to `to`, replacing a file of that name.
  virtual platform::FileFault RenameReplacing(const std::string& from, const std::string& to) = 0;
  // Renames `from` to `to` only where nothing stands there (kExists).
  virtual platform::FileFault RenameIfFree(const std::string& from, const std::string& to) = 0;
  // Renames the file at `path` to `to` under a lock when it is larger than
  // `limit` bytes; true when it was renamed.
  virtual bool RollOverIfLarger(const std::string& path, const std::string& to, uint64_t limit) = 0;
  // Removes the file at `path`; why something still stands there, kNone
  // also when nothing stood there. With `scratch` (a free name in the same
  // folder; empty for a file the run made itself) what stands there goes
  // even when it is a link, the link itself
  // and never what it points to, on every platform (Wine deletes a link's
  // target in its place unless a file is renamed over the link first).
  virtual platform::RemoveFault RemoveFile(const std::string& path, const std::string& scratch) = 0;
  // Takes the exclusive lock on the file at `path`, without waiting: kInUse
  // while another process holds it; the other results say why the file
  // cannot be used. `lock` holds it on kLocked.
  virtual platform::LockResult TakeLock(const std::string& path,
                                        std::unique_ptr<HeldLock>& lock) = 0;

  // --- Time (the file clock is FileReader's FileTimeNow) -------------------

  // The local date and time for the log ("2026-12-07 14:05:03").
  virtual std::string LocalDateTime() = 0;
  virtual void SleepFor(int milliseconds) = 0;

  // --- Places ----------------------------------------------------------------

  // The plug-in's own file.
  virtual std::string PluginPath() = 0;
  // The host program's folder, with a trailing separator.
  virtual std::string HostProgramFolder() = 0;
  // This process's number, and whether another's still runs (or may: one
  // that may not be looked at counts as running).
  virtual uint32_t ProcessId() = 0;
  virtual bool ProcessIsRunning(uint32_t id) = 0;

  // --- The user ---------------------------------------------------------------

  // A modal message: `path` (shown as the file system gives it; may be
  // empty) followed by `text`.
  virtual void ShowMessage(MessageKind kind, const std::string& path, std::string_view text) = 0;

  // The run's wait window, made in place of the previous run's and shown
  // when `show`. Its stop button sets `stop_requested`, which must outlive
  // the window (the plug-in's state holds it).
  virtual void CreateWaitWindow(bool show, bool& stop_requested) = 0;
  // Before code `current` of `count`: the window's counter and bar, then
  // the pending window messages (the only moment the stop button can act).
  // A `current` of 0 (before a line that is no code, at the end) runs the
  // messages alone.
  virtual void ReportProgress(int current, int count) = 0;
  // Hides the window at the end of a run.
  virtual void HideWaitWindow() = 0;

  // --- The host ---------------------------------------------------------------

  // Binds the host's 16 functions into `host`, in the order of
  // kHostFunctionNames, up to the first one missing; the binding holds the
  // host program until it is destroyed.
  virtual HostBinding BindHost(HostApi& host) = 0;
};

// How often, and how long apart, a file that another program holds for a
// moment (a virus scanner or an indexer holds a new file) is tried again.
inline constexpr int kHeldAttempts = 10;
inline constexpr int kHeldPauseMilliseconds = 100;

// Makes `attempt` until it succeeds, kHeldAttempts times at most, pausing
// through `env` between them: about a second in all. True when one did.
template <typename Attempt>
bool TryWhileHeld(RunEnv& env, Attempt attempt) {
  for (int made = 1;; ++made) {
    if (attempt()) return true;
    if (made == kHeldAttempts) return false;
    env.SleepFor(kHeldPauseMilliseconds);
  }
}

}  // namespace kanadeya
