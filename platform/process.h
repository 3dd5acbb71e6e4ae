// The running process: its number, and the fault that tests can ask a run to
// play through the environment.
#pragma once

#include <cstdint>
#include <string_view>

namespace kanadeya::platform {

// The process's identifier, as the system's task list shows it.
uint32_t CurrentProcessId();

// True when a process with this identifier runs (or may run: one that this
// process may not look at counts as running).
bool ProcessIsRunning(uint32_t id);

// True when the environment variable KANADEYA_TEST_FAULT holds `fault`.
// Tests use it to play what cannot be caused from outside at the right
// moment (a program killed halfway through writing a file); no user sets it.
bool TestFaultRequested(std::string_view fault);

// Ends the process at once, as a kill does: no clean-up, no flushing.
[[noreturn]] void EndProcessAtOnce();

}  // namespace kanadeya::platform
