// The message observer shared by both platforms' message implementations.
#pragma once

#include <string_view>

namespace kanadeya::platform::detail {

// Passes the text to the observer set with SetMessageObserver; false when
// none is set, and then the message goes to the user.
bool NotifyMessageObserver(std::string_view text);

}  // namespace kanadeya::platform::detail
