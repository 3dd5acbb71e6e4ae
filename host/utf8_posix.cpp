#include "host/utf8.h"
#include "platform/text_mapping.h"

namespace hakobune {

std::string DisplayPath(std::string_view path) { return std::string(path); }

std::string ArgumentToAnsi(std::string_view argument) {
  const auto wide = kanadeya::platform::Utf8ToWide(argument);
  return wide ? kanadeya::platform::WideToAnsi(*wide) : std::string(argument);
}

}  // namespace hakobune
