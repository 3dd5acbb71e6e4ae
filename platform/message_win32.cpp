#include <windows.h>

#include <string>

#include "platform/message.h"

namespace kanadeya::platform {

namespace {
void Show(std::string_view text, UINT flags, std::string_view caption = {}) {
  const std::string copy(text);
  const std::string title(caption);
  // Also to the debugger (Wine prints it with WINEDEBUG=+debugstr), so that a
  // run without a display still shows what the user would have seen.
  ::OutputDebugStringA(copy.c_str());
  ::MessageBoxA(nullptr, copy.c_str(), title.empty() ? nullptr : title.c_str(), flags);
}
}  // namespace

void ShowErrorMessage(std::string_view text, std::string_view caption) {
  Show(text, MB_OK | MB_ICONERROR, caption);
}

void ShowErrorMessageWithPath(const std::string& path, std::string_view text,
                              std::string_view caption) {
  Show(path + std::string(text), MB_OK | MB_ICONERROR, caption);
}

void ShowMessage(std::string_view text) { Show(text, MB_OK); }

void ShowInformationMessage(std::string_view text, std::string_view caption) {
  Show(text, MB_OK | MB_ICONINFORMATION, caption);
}

}  // namespace kanadeya::platform
