#include <windows.h>

#include "platform/process.h"

namespace kanadeya::platform {

uint32_t CurrentProcessId() { return ::GetCurrentProcessId(); }

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
