#include <cstdio>
#include <string>

#include "platform/message.h"
#include "platform/message_common.h"
#include "platform/text_mapping.h"

namespace kanadeya::platform {

namespace {

void AppendUtf8(std::string& out, char16_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void WriteToStandardError(std::string_view text, std::string_view raw_prefix = {}) {
  std::string utf8(raw_prefix);
  for (char16_t c : AnsiToWide(text)) AppendUtf8(utf8, c);
  utf8 += '\n';
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void ShowErrorMessage(std::string_view text) {
  detail::NotifyMessageObserver(text);
  WriteToStandardError(text);
}

void ShowErrorMessageWithPath(const std::string& path, std::string_view text) {
  detail::NotifyMessageObserver(path + std::string(text));
  WriteToStandardError(text, path);
}

void ShowMessage(std::string_view text) {
  detail::NotifyMessageObserver(text);
  WriteToStandardError(text);
}

}  // namespace kanadeya::platform
