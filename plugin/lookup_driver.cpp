#include "plugin/lookup_driver.h"

#include <exception>
#include <string>

#include "plugin/lookup_run.h"
#include "plugin/system_texts.h"

namespace kanadeya {

void RunLookup(PluginState& state, RunEnv& env, const char* data_dir, const char* output_file,
               const char* codes) {
  LookupRun run(state, env, data_dir, output_file, codes);
  if (!run.Begin()) return;
  RunOutcomes outcomes = run.LookUpEveryCode();
  const Delivery delivery = run.Deliver(outcomes);
  run.Tell(outcomes, delivery);
}

void RunLookupShowingFailures(PluginState& state, RunEnv& env, const char* data_dir,
                              const char* output_file, const char* codes) noexcept {
  // The run has already cleaned up when a failure arrives here; no output
  // file was written. Tell the user what failed.
  try {
    RunLookup(state, env, data_dir, output_file, codes);
  } catch (const std::exception& failure) {
    try {
      env.ShowMessage(MessageKind::kHostError, {},
                      std::string(kRunFailedMessage) + "\r\n" + failure.what());
    } catch (...) {
    }
  } catch (...) {
    try {
      env.ShowMessage(MessageKind::kHostError, {}, kRunFailedMessage);
    } catch (...) {
    }
  }
}

}  // namespace kanadeya
