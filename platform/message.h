// Modal messages to the user. On Win32 a message box (and the same text
// through OutputDebugStringA); on POSIX the text goes to standard error,
// converted to UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace kanadeya::platform {

// MessageBoxA(no owner, text, caption, MB_ICONERROR). An empty caption is
// the system's own ("Error"); the plug-in names itself in the caption of the
// messages that are its own, not the host's conventions. On POSIX the
// caption is not shown.
void ShowErrorMessage(std::string_view text, std::string_view caption = {});

// The error message `path` + `text`. On POSIX the path's bytes are written as
// the file system gave them; only `text` is converted from code page 932.
void ShowErrorMessageWithPath(const std::string& path, std::string_view text,
                              std::string_view caption = {});

// A plain modal message with an OK button.
void ShowMessage(std::string_view text);

// MessageBoxA(no owner, text, caption, MB_ICONINFORMATION): news that is no
// failure of the run.
void ShowInformationMessage(std::string_view text, std::string_view caption);

}  // namespace kanadeya::platform
