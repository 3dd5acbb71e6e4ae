// The running process and others: their numbers.
#pragma once

#include <cstdint>

namespace kanadeya::platform {

// The process's identifier, as the system's task list shows it.
uint32_t CurrentProcessId();

// True when a process with this identifier runs (or may run: one that this
// process may not look at counts as running).
bool ProcessIsRunning(uint32_t id);

}  // namespace kanadeya::platform
