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
bool NotifyMessageObserver(std::string_view text) {
  if (!Observer()) return false;
  Observer()(text);
  return true;
}
}  // namespace detail

}  // namespace kanadeya::platform
