// Which paths kanadeya.ini's [Log] File may name. The rules are README's,
// "kanadeya.ini, the lookup log, the report and the codes to try again".
#pragma once

#include <string>
#include <vector>

#include "plugin/run_env.h"

namespace kanadeya {

// What is wrong with a [Log] File path: kNone, then one enumerator for each
// fault of plugin/log_path_faults.inc.
enum class LogPathFault {
  kNone,
#define KANADEYA_FAULT(name, sjis, utf8) k##name,
#include "plugin/log_path_faults.inc"
#undef KANADEYA_FAULT
};

// Checks a full log path; `kept_files` are the files that a log may never be
// (compared with the run's SameFile; empty ones are skipped). The folder's
// existence is asked of `env`.
LogPathFault CheckLogPath(RunEnv& env, const std::string& path,
                          const std::vector<std::string>& kept_files);

// The message for a fault in the log path `path` (what follows
// kanadeya.ini's path; empty for kNone).
std::string LogPathFaultMessage(LogPathFault fault, const std::string& path);

}  // namespace kanadeya
