#include <windows.h>

#include "platform/local_time.h"

namespace kanadeya::platform {

namespace {
void AppendDigits(std::string& text, unsigned value, int digits) {
  char buffer[8];
  for (int i = digits - 1; i >= 0; --i, value /= 10)
    buffer[i] = static_cast<char>('0' + value % 10);
  text.append(buffer, static_cast<size_t>(digits));
}
}  // namespace

std::string LocalDateTime() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  std::string text;
  AppendDigits(text, now.wYear, 4);
  text += '-';
  AppendDigits(text, now.wMonth, 2);
  text += '-';
  AppendDigits(text, now.wDay, 2);
  text += ' ';
  AppendDigits(text, now.wHour, 2);
  text += ':';
  AppendDigits(text, now.wMinute, 2);
  text += ':';
  AppendDigits(text, now.wSecond, 2);
  return text;
}

}  // namespace kanadeya::platform
