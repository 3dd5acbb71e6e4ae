// Files that another program holds for a moment (a virus scanner or an
// indexer holds a new file): the host's files a run reads, and the page the
// host downloaded, are tried again for about a second before the run goes
// on without them and says so.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "plugin/lookup_log.h"
#include "plugin/run_env.h"
#include "plugin/run_report.h"
#include "plugin/system_texts.h"

namespace kanadeya {

// The host's files that stood but could not be read during a run (the
// dictionaries, "Setting.ini"), each with what the books lack for it and the
// books it changed.
class UnreadableFiles {
 public:
  // Reads a file of the host's through `load`, which tells whether it
  // could. One that stands but cannot be read is tried again for about a
  // second, once a run; then it is noted in `log` and the run goes on
  // without it. Later reads of a noted file are tried once. True when the
  // file was read this time; the report calls the books that went without
  // it `books_called`.
  template <typename Load>
  bool ReadOrNote(RunEnv& env, LookupLog& log, const std::string& path, std::string_view lacks,
                  std::string_view books_called, Load load) {
    if (Find(path) != nullptr) return load();
    if (TryWhileHeld(env, load)) return true;
    files_.push_back({path, std::string(lacks), books_called, {}, 0});
    log.Note(std::string(kLogFileUnreadable) + path + std::string(lacks));
    return false;
  }

  // The book of `code` went without the noted file at `path`.
  void AddBook(const std::string& path, std::string_view code) {
    UnreadableFile* file = Find(path);
    if (file == nullptr) return;
    if (file->books.size() < kInvalidCodesNamed) file->books.push_back(code);
    ++file->book_count;
  }

  const std::vector<UnreadableFile>& files() const { return files_; }
  bool empty() const { return files_.empty(); }

 private:
  UnreadableFile* Find(const std::string& path) {
    for (UnreadableFile& file : files_)
      if (file.path == path) return &file;
    return nullptr;
  }

  std::vector<UnreadableFile> files_;
};

// What a page whose read failed turned out to be.
enum class PageAgain {
  kRead,    // read when tried again
  kGone,    // nothing stands there: the page did not come
  kHeld,    // a file stands that cannot be read, also after about a second
  kNoPage,  // a file stands and can be read, but it gives no page
};

// After `read` of the page at `path` failed: tries it again for about a
// second while a file stands there that cannot be read, and then says why
// in `why`. It probes between reads to tell a held file from one that
// holds no page; a file that can be read once more is read once more, since
// the program that held it may have let it go since the read that failed.
template <typename Read>
PageAgain ReadPageAgain(RunEnv& env, const std::string& path, Read read, platform::FileFault& why) {
  std::string probe;
  for (int attempt = 1; env.FileExists(path); ++attempt) {
    why = env.ReadFilePart(path, 0, 1, probe);
    if (why.ok()) return read() ? PageAgain::kRead : PageAgain::kNoPage;
    if (attempt == kHeldAttempts) return PageAgain::kHeld;
    env.SleepFor(kHeldPauseMilliseconds);
    if (read()) return PageAgain::kRead;
  }
  return PageAgain::kGone;
}

}  // namespace kanadeya
