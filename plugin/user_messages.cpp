#include "plugin/user_messages.h"

#include <utility>

#include "platform/message.h"
#include "plugin/plugin_state.h"
#include "plugin/system_texts.h"

namespace kanadeya {

namespace {

bool Observed(std::string_view text) {
  const auto& observer = LoadedPlugin().message_observer;
  if (!observer) return false;
  observer(text);
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

void ShowUserReport(std::string_view text) {
  if (!Observed(text)) platform::ShowInformationMessage(text, kDisplayName);
}

void SetMessageObserver(std::function<void(std::string_view)> observer) {
  LoadedPlugin().message_observer = std::move(observer);
}

}  // namespace kanadeya
