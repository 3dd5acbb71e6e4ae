// The message observer shared by both platforms' message implementations.
#pragma once

#include <string_view>

namespace kanadeya::platform::detail {

// Passes the text to the observer set with SetMessageObserver, if any.
void NotifyMessageObserver(std::string_view text);

}  // namespace kanadeya::platform::detail
