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

#include "platform/file_faults.h"
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
// when that file could be neither: the host would import its lines. (The
// list of codes to try again, written the same way, is cleared so too.)
bool ClearImportFile(RunEnv& env, const std::string& path, uint32_t process_id);

// How writing a file whole went.
struct WholeWrite {
  enum Result {
    kPlaced,       // the file stands at its path
    kNotPlaced,    // written whole beside it, but it could not be put in place
    kNotWritten,   // not even that (a full disk, a folder that cannot be written)
    kPathTooLong,  // the name written beside it would pass the platform's longest path
  } result = kNotWritten;
  // For kNotPlaced: the finished file beside the path, left for the caller
  // to keep elsewhere or remove.
  std::string finished;
  // For kNotPlaced and kNotWritten: why, as the system said.
  platform::FileFault fault;
};

// Writes `contents` to `path` whole or not at all, in the same way: what
// stood there is replaced (a link itself, never its target), and of two
// hosts doing this at once one leaves its whole file. Leftovers of killed
// runs beside `path` go first. A rename refused (another program holding
// either file for a moment) is tried again for about a second. Unless
// kPlaced, what stood at `path` stands as it was, and nothing of this run's
// is left beside it but the finished file of kNotPlaced.
WholeWrite WriteFileWhole(RunEnv& env, const std::string& path, std::string_view contents,
                          uint32_t process_id);

// The longest name of a file that WriteFileWhole may make beside `path`.
std::string LongestWritingName(const std::string& path, uint32_t process_id);

// WriteFileWhole, the finished file of a write not placed removed: true
// when the file is in place.
bool ReplaceFileWhole(RunEnv& env, const std::string& path, std::string_view contents,
                      uint32_t process_id);

// Removes what stands at `path`, a link itself and never its target; true
// when nothing stands there any more.
bool RemoveOwnFile(RunEnv& env, const std::string& path, uint32_t process_id);

}  // namespace kanadeya
