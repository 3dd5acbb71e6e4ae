#include "plugin/system_env.h"

#include "platform/file_stamp.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "platform/message.h"
#include "platform/wait_window.h"
#include "plugin/system_texts.h"

namespace kanadeya {

HostBinding SystemEnv::BindHost(HostApi& host) { return BindHostApi(host); }

void SystemEnv::ReleaseHost(HostApi& host) { ReleaseHostApi(host); }

void SystemEnv::ShowError(std::string_view text, std::string_view caption) {
  platform::ShowErrorMessage(text, caption);
}

void SystemEnv::ShowErrorWithPath(const std::string& path, std::string_view text,
                                  std::string_view caption) {
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

platform::NewFileWrite SystemEnv::WriteNewFile(const std::string& path, std::string_view contents) {
  return platform::WriteNewFileDurably(path, contents);
}

bool SystemEnv::RenameReplacing(const std::string& from, const std::string& to) {
  return platform::RenameFileReplacing(from, to);
}

void SystemEnv::DeleteFileAt(const std::string& path) { platform::DeleteFileAt(path); }

platform::RemoveFault SystemEnv::RemoveFile(const std::string& path) {
  return platform::RemoveFile(path);
}

bool SystemEnv::RemoveEntry(const std::string& path, const std::string& scratch) {
  return platform::RemoveEntry(path, scratch);
}

bool SystemEnv::EmptyFile(const std::string& path) { return platform::EmptyFile(path); }

bool SystemEnv::AppendToFile(const std::string& path, std::string_view text) {
  return platform::AppendToFile(path, text);
}

bool SystemEnv::RollOverIfLarger(const std::string& path, const std::string& to, uint64_t limit) {
  return platform::RollOverIfLarger(path, to, limit);
}

std::string SystemEnv::LocalDateTime() { return platform::LocalDateTime(); }

int64_t SystemEnv::FileTimeNow() { return platform::CurrentFileTime(); }

}  // namespace kanadeya
