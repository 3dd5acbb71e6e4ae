#include "plugin/system_env.h"

#include <chrono>
#include <thread>

#include "platform/file_stamp.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "platform/message.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/wait_window.h"
#include "plugin/system_texts.h"

namespace kanadeya {

bool SystemEnv::FileExists(const std::string& path) { return platform::FileExists(path); }

bool SystemEnv::ReadWholeFile(const std::string& path, std::string& contents) {
  return platform::ReadWholeFile(path, contents);
}

platform::SmallFileRead SystemEnv::ReadSmallFile(const std::string& path, size_t limit,
                                                 std::string& contents) {
  return platform::ReadSmallFile(path, limit, contents);
}

bool SystemEnv::ReadFilePart(const std::string& path, uint64_t offset, size_t count,
                             std::string& part) {
  return platform::ReadFilePart(path, offset, count, part);
}

bool SystemEnv::FileSize(const std::string& path, uint64_t& size) {
  return platform::FileSize(path, size);
}

bool SystemEnv::ReadFileStamp(const std::string& path, platform::FileStamp& stamp) {
  return platform::ReadFileStamp(path, stamp);
}

int64_t SystemEnv::FileTimeNow() { return platform::CurrentFileTime(); }

bool SystemEnv::FolderExists(const std::string& path) { return platform::FolderExists(path); }

bool SystemEnv::SameFile(const std::string& a, const std::string& b) {
  return platform::SameFile(a, b);
}

bool SystemEnv::IsReadOnlyFile(const std::string& path) { return platform::IsReadOnlyFile(path); }

std::vector<std::string> SystemEnv::NamesStartingWith(const std::string& folder,
                                                      std::string_view prefix) {
  return platform::NamesStartingWith(folder, prefix);
}

void SystemEnv::ReadProfile(const std::string& path, std::string_view section,
                            std::span<ProfileQuery> queries) {
  const platform::ProfileReader profile(path);
  for (ProfileQuery& query : queries)
    query.value = profile.Read(section, query.key, query.fallback);
}

platform::NewFileWrite SystemEnv::WriteNewFile(const std::string& path, std::string_view contents) {
  return platform::WriteNewFileDurably(path, contents);
}

bool SystemEnv::AppendToFile(const std::string& path, std::string_view text) {
  return platform::AppendToFile(path, text);
}

bool SystemEnv::EmptyFile(const std::string& path) { return platform::EmptyFile(path); }

bool SystemEnv::RenameReplacing(const std::string& from, const std::string& to) {
  return platform::RenameFileReplacing(from, to);
}

bool SystemEnv::RollOverIfLarger(const std::string& path, const std::string& to, uint64_t limit) {
  return platform::RollOverIfLarger(path, to, limit);
}

platform::RemoveFault SystemEnv::RemoveFile(const std::string& path) {
  return platform::RemoveFile(path);
}

bool SystemEnv::RemoveEntry(const std::string& path, const std::string& scratch) {
  return platform::RemoveEntry(path, scratch);
}

platform::LockResult SystemEnv::TakeLock(const std::string& path, platform::FileLock& lock) {
  return lock.Take(path);
}

std::string SystemEnv::LocalDateTime() { return platform::LocalDateTime(); }

void SystemEnv::SleepFor(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::string SystemEnv::PluginPath() { return platform::ModulePath(); }

std::string SystemEnv::PluginFolder() { return platform::ModuleDirectory(); }

std::string SystemEnv::HostProgramFolder() { return platform::ExecutableDirectory(); }

uint32_t SystemEnv::ProcessId() { return platform::CurrentProcessId(); }

bool SystemEnv::ProcessIsRunning(uint32_t id) { return platform::ProcessIsRunning(id); }

void SystemEnv::ShowError(const std::string& path, std::string_view text,
                          std::string_view caption) {
  if (path.empty())
    platform::ShowErrorMessage(text, caption);
  else
    platform::ShowErrorMessageWithPath(path, text, caption);
}

void SystemEnv::ShowMessage(std::string_view text) { platform::ShowMessage(text); }

void SystemEnv::ShowReport(std::string_view text) {
  platform::ShowInformationMessage(text, kDisplayName);
}

void SystemEnv::CreateWaitWindow(bool show, bool& stop_requested) {
  window_shown_ = platform::CreateWaitForm(stop_requested) && show;
  if (window_shown_) platform::ShowWaitForm();
}

void SystemEnv::ShowProgress(int current, int count) {
  if (window_shown_) platform::SetWaitFormProgress(current, count);
}

void SystemEnv::ReportProgress(int current, int count) {
  ShowProgress(current, count);
  platform::ProcessPendingMessages();
}

void SystemEnv::ProcessWindowMessages() { platform::ProcessPendingMessages(); }

void SystemEnv::HideWaitWindow() {
  if (window_shown_) platform::HideWaitForm();
  window_shown_ = false;
}

HostBinding SystemEnv::BindHost(HostApi& host) { return BindHostApi(host, HostProgramFolder()); }

void SystemEnv::ReleaseHost(HostApi& host) { ReleaseHostApi(host); }

}  // namespace kanadeya
