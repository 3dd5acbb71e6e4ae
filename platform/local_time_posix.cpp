#include <cstdio>
#include <ctime>

#include "platform/local_time.h"

namespace kanadeya::platform {

std::string LocalDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  char text[32] = {};
  if (::localtime_r(&now, &local) == nullptr ||
      std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0)
    return std::string();
  return text;
}

}  // namespace kanadeya::platform
