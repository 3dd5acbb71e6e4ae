// The messages that the plug-in shows the user: shown by the lookup driver
// and the exports alone, through the platform's message boxes
// (platform/message.h). While an observer is set, every message goes to it
// instead: no message box opens (none waits for a click on a test's
// display) and nothing goes to standard error. Tests and in-process hosts
// see messages this way.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kanadeya {

// An error message; `caption` empty gives the system's own.
void ShowUserError(std::string_view text, std::string_view caption = {});

// The error message `path` + `text`.
void ShowUserErrorWithPath(const std::string& path, std::string_view text,
                           std::string_view caption = {});

// A plain message with an OK button.
void ShowUserMessage(std::string_view text);

// A message of news, not of a failure, with the plug-in's caption.
void ShowUserReport(std::string_view text);

// Sets the observer; an empty function removes it.
void SetMessageObserver(std::function<void(std::string_view)> observer);

}  // namespace kanadeya
