#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/process.h"

namespace kanadeya::platform {

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

bool ProcessIsRunning(uint32_t id) {
  if (id == 0 || id > 0x7FFFFFFF) return false;
  return ::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
}

}  // namespace kanadeya::platform
