// The lookup run: one call of DownlaodFunc. For each code line it asks the
// host for the search key, has the host download the search page and the
// first detail page into "Temp.html", parses that page into the run's record,
// completes the record from the host's "Setting.ini" and collects one output
// line. At the end (or on a stop request) the lines are written to the output
// file, each followed by CR LF.
#pragma once

#include <string>
#include <string_view>

#include "plugin/plugin_state.h"
#include "plugin/run_env.h"

namespace kanadeya {

// The catalogue site's scheme and host, no trailing slash (a build setting):
// the site of every run unless kanadeya.ini names another.
inline constexpr std::string_view SiteBaseUrl = KANADEYA_SITE_BASE_URL;

// One run, with the state of the loaded plug-in, in `env`. `codes` may be
// null. Failures that the run handles (no codes, no host, a bad
// kanadeya.ini, no connection, an import file that cannot be written) are
// shown to the user here, and only here; any other failure is thrown after
// the run's clean-up, and the export reports it.
void RunLookup(PluginState& state, RunEnv& env, const char* data_dir, const char* output_file,
               const char* codes);

// RunLookup as the export runs it: a failure that escapes the run is shown
// to the user ("the run failed" and what failed), and nothing escapes.
void RunLookupShowingFailures(PluginState& state, RunEnv& env, const char* data_dir,
                              const char* output_file, const char* codes) noexcept;

}  // namespace kanadeya
