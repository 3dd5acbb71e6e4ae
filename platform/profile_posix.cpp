// Placeholder until the private-profile reader lands: always the fallback.
#include "platform/profile.h"

namespace kanadeya::platform {

std::string ReadProfileString(const std::string&, std::string_view, std::string_view,
                              std::string_view fallback) {
  return std::string(fallback);
}

}  // namespace kanadeya::platform
