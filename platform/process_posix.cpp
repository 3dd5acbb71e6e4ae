#include <unistd.h>

#include <cstdlib>

#include "platform/process.h"

namespace kanadeya::platform {

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

bool TestFaultRequested(std::string_view fault) {
  const char* value = std::getenv("KANADEYA_TEST_FAULT");
  return value != nullptr && fault == value;
}

void EndProcessAtOnce() { ::_exit(137); }

}  // namespace kanadeya::platform
