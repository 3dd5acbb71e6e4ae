// The date and time of the system's clock in the user's time zone.
#pragma once

#include <string>

namespace kanadeya::platform {

// The local date and time now, as "2026-12-07 14:05:03".
std::string LocalDateTime();

}  // namespace kanadeya::platform
