#include "plugin/log_path_policy.h"

#include <string_view>

#include "platform/paths.h"
#include "plugin/system_texts.h"

namespace kanadeya {

namespace {

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  text = text.substr(text.size() - suffix.size());
  for (size_t i = 0; i < suffix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

// The message of a fault, as its list gives it.
std::string_view LogPathFaultText(LogPathFault fault) {
  switch (fault) {
    case LogPathFault::kNone:
      return {};
#define KANADEYA_FAULT(name, sjis, utf8) \
  case LogPathFault::k##name:            \
    return {sjis, sizeof(sjis) - 1};
#include "plugin/log_path_faults.inc"
#undef KANADEYA_FAULT
  }
  return {};
}

}  // namespace

LogPathFault CheckLogPath(RunEnv& env, const std::string& path,
                          const std::vector<std::string>& kept_files) {
  for (char c : path)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return LogPathFault::kCharacter;
  if (path.size() > platform::MaxPathBytes()) return LogPathFault::kTooLong;
  const std::string name = platform::NameOf(path);
  if ((!EndsWithIgnoringCase(name, ".log") && !EndsWithIgnoringCase(name, ".txt")) ||
      name.size() <= 4)
    return LogPathFault::kName;
  for (const std::string& kept : kept_files)
    if (!kept.empty() && env.SameFile(path, kept)) return LogPathFault::kOtherFile;
  if (!env.FolderExists(platform::FolderOf(path))) return LogPathFault::kFolderMissing;
  return LogPathFault::kNone;
}

std::string LogPathFaultMessage(LogPathFault fault, const std::string& path) {
  std::string message(LogPathFaultText(fault));
  if (fault == LogPathFault::kFolderMissing)
    message += platform::FolderOf(path) + std::string(kLogFolderMissingEnd);
  return message;
}

}  // namespace kanadeya
