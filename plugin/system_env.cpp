#include "plugin/system_env.h"

#include <chrono>
#include <thread>

#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "platform/message.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/wait_window.h"
#include "plugin/system_texts.h"

namespace kanadeya {

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

platform::FileFault SystemEnv::WriteNewFile(const std::string& path, std::string_view contents) {
  return platform::WriteNewFileDurably(path, contents);
}

platform::FileFault SystemEnv::AppendToFile(const std::string& path, std::string_view text) {
  return platform::AppendToFile(path, text);
}

platform::FileFault SystemEnv::EmptyFile(const std::string& path) {
  return platform::EmptyFile(path);
}

platform::FileFault SystemEnv::RenameReplacing(const std::string& from, const std::string& to) {
  return platform::RenameFileReplacing(from, to);
}

platform::FileFault SystemEnv::RenameIfFree(const std::string& from, const std::string& to) {
  return platform::RenameFileIfFree(from, to);
}

bool SystemEnv::RollOverIfLarger(const std::string& path, const std::string& to, uint64_t limit) {
  return platform::RollOverIfLarger(path, to, limit);
}

platform::RemoveFault SystemEnv::RemoveFile(const std::string& path, const std::string& scratch) {
  return scratch.empty() ? platform::RemoveFile(path) : platform::RemoveEntry(path, scratch);
}

namespace {

struct SystemLock : HeldLock {
  bool Record(std::string_view text) override { return lock.Record(text); }
  platform::FileLock lock;
};

}  // namespace

platform::LockResult SystemEnv::TakeLock(const std::string& path, std::unique_ptr<HeldLock>& lock) {
  auto held = std::make_unique<SystemLock>();
  const platform::LockResult result = held->lock.Take(path);
  if (result == platform::LockResult::kLocked) lock = std::move(held);
  return result;
}

std::string SystemEnv::LocalDateTime() { return platform::LocalDateTime(); }

void SystemEnv::SleepFor(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::string SystemEnv::PluginPath() { return platform::ModulePath(); }

std::string SystemEnv::HostProgramFolder() { return platform::ExecutableDirectory(); }

uint32_t SystemEnv::ProcessId() { return platform::CurrentProcessId(); }

bool SystemEnv::ProcessIsRunning(uint32_t id) { return platform::ProcessIsRunning(id); }

void SystemEnv::ShowMessage(MessageKind kind, const std::string& path, std::string_view text) {
  switch (kind) {
    case MessageKind::kPlain:
      platform::ShowMessage(path + std::string(text));
      return;
    case MessageKind::kReport:
      platform::ShowInformationMessage(path + std::string(text), kDisplayName);
      return;
    case MessageKind::kHostError:
    case MessageKind::kPluginError:
      const std::string_view caption = kind == MessageKind::kPluginError ? kDisplayName : "";
      if (path.empty())
        platform::ShowErrorMessage(text, caption);
      else
        platform::ShowErrorMessageWithPath(path, text, caption);
      return;
  }
}

void SystemEnv::CreateWaitWindow(bool show, bool& stop_requested) {
  window_shown_ = platform::CreateWaitForm(stop_requested) && show;
  if (window_shown_) platform::ShowWaitForm();
}

void SystemEnv::ShowProgress(int current, int count) {
  if (window_shown_) platform::SetWaitFormProgress(current, count);
}

void SystemEnv::ReportProgress(int current, int count) {
  if (current != 0) ShowProgress(current, count);
  platform::ProcessPendingMessages();
}

void SystemEnv::HideWaitWindow() {
  if (window_shown_) platform::HideWaitForm();
  window_shown_ = false;
}

HostBinding SystemEnv::BindHost(HostApi& host) { return BindHostApi(host, HostProgramFolder()); }

}  // namespace kanadeya
