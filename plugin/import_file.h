// The import file that a run writes for the host: whole or not at all, and
// never another program's file.
//
// The lines go first to a file of the run's own beside the import file,
// "NAME.kanadeya-writing-PID-N.tmp" (PID the host's process number, N the
// first number free), made new and exclusively and put on the disk, then
// renamed over NAME in one step. A second host writing the same import file
// at the same time leaves one host's whole file, never a mix; a link that
// stands at either name is replaced, never followed. The files are written
// through the run's RunEnv, whose clock ages the leftovers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/run_env.h"

namespace kanadeya {

// The lines, each followed by CR LF, as the host's files hold them.
template <typename Lines>
std::string WithLineEnds(const Lines& lines) {
  size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

// Before a run: removes what runs that were killed while writing left
// beside the import file (files of the pattern above whose writer is gone
// or that are older than an hour; never a live host's), then the earlier
// run's import file, which is emptied where it cannot be removed. False
// when that file could be neither: the host would import its lines.
bool ClearImportFile(RunEnv& env, const std::string& path, uint32_t process_id);

// Writes `contents` to `path` whole or not at all, in the same way: what
// stood there is replaced (a link itself, never its target), and of two
// hosts doing this at once one leaves its whole file. Leftovers of killed
// runs beside `path` go first. False when it could not be written; what
// stood at `path` then stands as it was.
bool ReplaceFileWhole(RunEnv& env, const std::string& path, std::string_view contents,
                      uint32_t process_id);

// Removes what stands at `path`, a link itself and never its target; true
// when nothing stands there any more.
bool RemoveOwnFile(RunEnv& env, const std::string& path, uint32_t process_id);

// Writes each line followed by CR LF to the import file at `path`, whole or
// not at all; true when it is in place. On failure nothing of this run's is
// left, and what stood at `path` stands as it was.
bool WriteImportFile(RunEnv& env, const std::string& path, const std::vector<std::string>& lines,
                     uint32_t process_id);

}  // namespace kanadeya
