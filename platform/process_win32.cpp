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

bool TestFaultRequested(std::string_view fault) {
  char value[64];
  const DWORD n = ::GetEnvironmentVariableA("KANADEYA_TEST_FAULT", value, sizeof value);
  return n > 0 && n < sizeof value && fault == std::string_view(value, n);
}

void EndProcessAtOnce() {
  ::TerminateProcess(::GetCurrentProcess(), 137);
  ::ExitProcess(137);
}

}  // namespace kanadeya::platform
