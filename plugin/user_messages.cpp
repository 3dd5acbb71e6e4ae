#include "plugin/user_messages.h"

#include <utility>

#include "platform/message.h"

namespace kanadeya {

namespace {

// The observer lives with the loaded plug-in, like the stop request: tests
// set it around the runs they watch.
std::function<void(std::string_view)>& Observer() {
  static std::function<void(std::string_view)> observer;
  return observer;
}

bool Observed(std::string_view text) {
  if (!Observer()) return false;
  Observer()(text);
  return true;
}

}  // namespace

void ShowUserError(std::string_view text, std::string_view caption) {
  if (!Observed(text)) platform::ShowErrorMessage(text, caption);
}

void ShowUserErrorWithPath(const std::string& path, std::string_view text,
                           std::string_view caption) {
  if (!Observed(path + std::string(text))) platform::ShowErrorMessageWithPath(path, text, caption);
}

void ShowUserMessage(std::string_view text) {
  if (!Observed(text)) platform::ShowMessage(text);
}

void SetMessageObserver(std::function<void(std::string_view)> observer) {
  Observer() = std::move(observer);
}

}  // namespace kanadeya
