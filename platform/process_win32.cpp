#include <windows.h>

#include "platform/process.h"

namespace kanadeya::platform {

uint32_t CurrentProcessId() { return ::GetCurrentProcessId(); }

bool ProcessIsRunning(uint32_t id) {
  if (id == 0) return false;
  const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, id);
  if (process == nullptr) return ::GetLastError() == ERROR_ACCESS_DENIED;
  const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  ::CloseHandle(process);
  return running;
}

}  // namespace kanadeya::platform
