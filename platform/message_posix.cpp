#include <cstdio>
#include <string>

#include "platform/message.h"
#include "platform/text_mapping.h"

namespace kanadeya::platform {

namespace {

void WriteToStandardError(std::string_view text, std::string_view raw_prefix = {}) {
  std::string utf8 = std::string(raw_prefix) + WideToUtf8(AnsiToWide(text)) + "\n";
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void ShowErrorMessage(std::string_view text, std::string_view) { WriteToStandardError(text); }

void ShowErrorMessageWithPath(const std::string& path, std::string_view text, std::string_view) {
  WriteToStandardError(text, path);
}

void ShowMessage(std::string_view text) { WriteToStandardError(text); }

void ShowInformationMessage(std::string_view text, std::string_view) { WriteToStandardError(text); }

}  // namespace kanadeya::platform
