// The message observer, the same on both platforms.
#include <utility>

#include "platform/message.h"
#include "platform/message_common.h"

namespace kanadeya::platform {

namespace {
std::function<void(std::string_view)>& Observer() {
  static std::function<void(std::string_view)> observer;
  return observer;
}
}  // namespace

void SetMessageObserver(std::function<void(std::string_view)> observer) {
  Observer() = std::move(observer);
}

namespace detail {
void NotifyMessageObserver(std::string_view text) {
  if (Observer()) Observer()(text);
}
}  // namespace detail

}  // namespace kanadeya::platform
