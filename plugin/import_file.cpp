#include "plugin/import_file.h"

#include <string_view>

#include "platform/file_faults.h"
#include "platform/file_reader.h"
#include "platform/paths.h"
#include "plugin/run_env.h"

namespace kanadeya {

namespace {

// What follows the import file's name in the name of a file being written.
constexpr std::string_view kWritingMark = ".kanadeya-writing";
constexpr std::string_view kWritingEnd = ".tmp";
// A file being written older than this is a leftover whoever wrote it.
constexpr int64_t kLeftoverAge = int64_t{3600} * 1'000'000;
// How many numbers a run tries for a name of its own.
constexpr unsigned kNamesTried = 1000;

std::string WritingName(const std::string& path, uint32_t process_id, unsigned number) {
  return path + std::string(kWritingMark) + "-" + std::to_string(process_id) + "-" +
         std::to_string(number) + std::string(kWritingEnd);
}

// Makes a new file of the run's own beside `path` holding `contents`; its
// name, or empty when none could be made, and then why in `fault`.
std::string NewWritingFile(RunEnv& env, const std::string& path, uint32_t process_id,
                           std::string_view contents, platform::FileFault& fault) {
  for (unsigned number = 1; number <= kNamesTried; ++number) {
    const std::string name = WritingName(path, process_id, number);
    fault = env.WriteNewFile(name, contents);
    if (fault.ok()) return name;
    if (fault.kind != platform::FileFault::kExists) return {};
  }
  return {};
}

// A free name of the run's own beside `path`, for removing what stands at
// a path even when it is a link.
std::string ScratchName(RunEnv& env, const std::string& path, uint32_t process_id) {
  for (unsigned number = 1; number <= kNamesTried; ++number) {
    const std::string name = WritingName(path, process_id, number);
    if (env.RemoveFile(name, {}) == platform::RemoveFault::kNone) return name;
  }
  return WritingName(path, process_id, 0);
}

// The value of a number of one to ten digits; false for anything else.
bool NumberValue(std::string_view text, uint64_t& value) {
  if (text.empty() || text.size() > 10) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return true;
}

// For `rest`, what follows "NAME.kanadeya-writing" in a file's name: true
// when it is one of ours, with its writer's process number (0 for the fixed
// name of earlier releases, ".tmp" alone).
bool WriterOf(std::string_view rest, uint32_t& writer) {
  if (rest.size() < kWritingEnd.size() ||
      rest.substr(rest.size() - kWritingEnd.size()) != kWritingEnd)
    return false;
  rest.remove_suffix(kWritingEnd.size());
  writer = 0;
  if (rest.empty()) return true;
  if (rest[0] != '-') return false;
  rest.remove_prefix(1);
  const size_t dash = rest.find('-');
  uint64_t value = 0, number = 0;
  if (dash == std::string_view::npos || !NumberValue(rest.substr(0, dash), value) ||
      !NumberValue(rest.substr(dash + 1), number) || value == 0 || value > 0xFFFFFFFF)
    return false;
  writer = static_cast<uint32_t>(value);
  return true;
}

// Removes the files that runs killed while writing `path` left. A file of
// this process's is a leftover (this process runs one lookup at a time); so
// is one whose writer is gone, or one older than an hour.
void RemoveLeftovers(RunEnv& env, const std::string& path, uint32_t process_id) {
  const int64_t now = env.FileTimeNow();
  const std::string folder = platform::FolderOf(path);
  const std::string prefix = platform::NameOf(path) + std::string(kWritingMark);
  for (const std::string& name : env.NamesStartingWith(folder, prefix)) {
    uint32_t writer = 0;
    if (!WriterOf(std::string_view(name).substr(prefix.size()), writer)) continue;
    const std::string leftover = folder + name;
    platform::FileStamp stamp;
    const bool old = env.ReadFileStamp(leftover, stamp) && now - stamp.modified > kLeftoverAge;
    const bool abandoned = writer != 0 && (writer == process_id || !env.ProcessIsRunning(writer));
    if (old || abandoned) env.RemoveFile(leftover, ScratchName(env, path, process_id));
  }
}

}  // namespace

bool ClearImportFile(RunEnv& env, const std::string& path, uint32_t process_id) {
  if (path.empty()) return true;
  RemoveLeftovers(env, path, process_id);
  if (RemoveOwnFile(env, path, process_id) || env.EmptyFile(path).ok()) return true;
  // A folder, say, holds no lines to import.
  uint64_t size = 0;
  return !env.FileSize(path, size) || size == 0;
}

WholeWrite WriteFileWhole(RunEnv& env, const std::string& path, std::string_view contents,
                          uint32_t process_id) {
  WholeWrite write;
  if (path.empty()) return write;
  // The longest name of the run's own, checked before anything is made.
  if (LongestWritingName(path, process_id).size() > platform::MaxPathBytes()) {
    write.result = WholeWrite::kPathTooLong;
    return write;
  }
  RemoveLeftovers(env, path, process_id);
  const std::string writing = NewWritingFile(env, path, process_id, contents, write.fault);
  if (writing.empty()) return write;
  // A rename refused while another program holds either file is tried again.
  if (TryWhileHeld(env, [&] { return (write.fault = env.RenameReplacing(writing, path)).ok(); })) {
    write.result = WholeWrite::kPlaced;
    return write;
  }
  write.result = WholeWrite::kNotPlaced;
  write.finished = writing;
  return write;
}

std::string LongestWritingName(const std::string& path, uint32_t process_id) {
  return WritingName(path, process_id, kNamesTried);
}

bool ReplaceFileWhole(RunEnv& env, const std::string& path, std::string_view contents,
                      uint32_t process_id) {
  const WholeWrite write = WriteFileWhole(env, path, contents, process_id);
  if (write.result == WholeWrite::kNotPlaced) env.RemoveFile(write.finished, {});
  return write.result == WholeWrite::kPlaced;
}

bool RemoveOwnFile(RunEnv& env, const std::string& path, uint32_t process_id) {
  // A file deleted while another program still has it open stands until
  // that program closes it, and no one can open it meanwhile: it is gone.
  const platform::RemoveFault fault = env.RemoveFile(path, ScratchName(env, path, process_id));
  return fault == platform::RemoveFault::kNone || fault == platform::RemoveFault::kStillThere;
}

}  // namespace kanadeya
