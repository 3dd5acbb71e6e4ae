// What a run reaches outside its own data: the host's functions, the user
// (messages, the wait window and its stop button), the files it writes and
// the clock. A run is
// handed one; the exports make the system's (plugin/system_env.h) for the
// real host, and tests and in-process hosts make their own, usually by
// deriving from the system's and replacing what they watch. Nothing below
// the exports makes one or reaches a shared one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "plugin/host_api.h"

namespace kanadeya {

class RunEnv {
 public:
  virtual ~RunEnv() = default;

  // Binds the host's 16 functions into `host`, in the order of
  // kHostFunctionNames, up to the first one missing; ReleaseHost lets go of
  // what BindHost took.
  virtual HostBinding BindHost(HostApi& host) = 0;
  virtual void ReleaseHost(HostApi& host) = 0;

  // Messages to the user. An empty `caption` gives the system's own.
  virtual void ShowError(std::string_view text, std::string_view caption) = 0;
  // The error message `path` + `text`, the path shown whole.
  virtual void ShowErrorWithPath(const std::string& path, std::string_view text,
                                 std::string_view caption) = 0;
  // A plain message with an OK button.
  virtual void ShowMessage(std::string_view text) = 0;
  // A message of news, not of a failure, with the plug-in's caption.
  virtual void ShowReport(std::string_view text) = 0;

  // The run's wait window, made in place of the previous run's and shown
  // when `show`. Its stop button sets `stop_requested`, which must outlive
  // the window (the plug-in's state holds it).
  virtual void CreateWaitWindow(bool show, bool& stop_requested) = 0;
  // Before code `current` of `count`: the window's counter and bar, then
  // the pending window messages (the only moment the stop button can act).
  virtual void ReportProgress(int current, int count) = 0;
  // The pending window messages alone (before a line that is no code).
  virtual void ProcessWindowMessages() = 0;
  // Hides the window at the end of a run.
  virtual void HideWaitWindow() = 0;

  // The files the run writes (the import file, the list of codes to try
  // again, the log) and the page file it clears before each download; each
  // does what its namesake in platform/files.h does.
  virtual platform::NewFileWrite WriteNewFile(const std::string& path,
                                              std::string_view contents) = 0;
  virtual bool RenameReplacing(const std::string& from, const std::string& to) = 0;
  virtual void DeleteFileAt(const std::string& path) = 0;
  virtual platform::RemoveFault RemoveFile(const std::string& path) = 0;
  virtual bool RemoveEntry(const std::string& path, const std::string& scratch) = 0;
  virtual bool EmptyFile(const std::string& path) = 0;
  virtual bool AppendToFile(const std::string& path, std::string_view text) = 0;
  virtual bool RollOverIfLarger(const std::string& path, const std::string& to, uint64_t limit) = 0;

  // The clock: the local date and time for the log ("2026-12-07 14:05:03"),
  // and the file time now, to compare with files' stamps.
  virtual std::string LocalDateTime() = 0;
  virtual int64_t FileTimeNow() = 0;
};

}  // namespace kanadeya
