// The lookup log: what each run did, code by code, appended to the file that
// kanadeya.ini names, in Shift_JIS with CR LF. Fields are separated by tabs;
// a control byte inside a field is written as \xNN. Every line after a
// run's first begins with the run's tag (its start time and the host's
// process number), so that the lines of two hosts sharing one log can be
// told apart:
//
//   2026-12-07 14:05:03 <TAB> kanadeya 1.1.3 <TAB> 実行 14:05:03/4120 <TAB> サイト http://... <TAB>
//   コード 3件 14:05:03/4120 <TAB> 1 <TAB> 9784888100113 <TAB> 9784888100113 <TAB> 見つかりました
//   <TAB> ピアノ名曲集 14:05:03/4120 <TAB> 2 <TAB> 12345 <TAB>  <TAB> 無効なコード：...
//   14:05:03/4120 <TAB> 終了 <TAB> コード 2件 <TAB> 見つかった本 1件 <TAB> 書き出した本 1件 <TAB>
//   C:\...\books.csv
//
// Each line reaches the file as soon as it is known (one append for each
// code), so a run that is killed leaves every finished code in the log.
// The log writes only logs: an existing file is appended to only when it
// begins with a run's first line; a log past 1 MB is renamed to its name
// with ".old" added before a run appends, unless it is read-only. A log
// that cannot be written is given up without a word: the run goes on as it
// would without one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kanadeya {

// How the lookup of one code ended.
enum class CodeOutcome {
  kFound,
  kInvalidCode,          // the host's check gave no search key
  kSearchNotDownloaded,  // the site did not answer the search
  kNotOnSite,            // the search page links to no book
  kDetailNotDownloaded,  // the site did not answer for the book's page
  kDetailNotReadable,    // the book's page came but could not be read
  kPageFileInTheWay,     // "Temp.html" could not be cleared for a download
  kNoConnection,         // the connection test failed: the run ends
};

// How a run ended, for its last line.
struct RunSummary {
  size_t codes = 0;    // codes looked up
  size_t found = 0;    // books found
  size_t written = 0;  // lines in the import file
  std::string output_path;
  enum class End { kWritten, kNoConnection, kOutputNotWritten } end = End::kWritten;
  size_t failed_at = 0;            // kNoConnection: the code whose test failed
  bool old_output_stands = false;  // the earlier import file could not be cleared
};

// True when `head`, a file's first bytes, begin as a run's first line does:
// "YYYY-MM-DD HH:MM:SS<TAB>kanadeya ".
bool IsLogHeader(std::string_view head);

class LookupLog {
 public:
  // No log: every call does nothing.
  LookupLog() = default;
  // Writes the last line saying that the run failed when Start was called
  // but not Finish or Refused. Never throws.
  ~LookupLog();
  LookupLog(const LookupLog&) = delete;
  LookupLog& operator=(const LookupLog&) = delete;

  // Takes up the log at `path` (checked with CheckLogPath) for a run: false
  // when the file exists and is not a log of this plug-in's, and then it is
  // left untouched and the run keeps no log. A read-only log, or one past
  // 1 MB that cannot be renamed, is given up without a word (true).
  bool Open(const std::string& path);

  bool enabled() const { return !path_.empty(); }

  // The run's first line. `date_time` is "YYYY-MM-DD HH:MM:SS", local time.
  void Start(std::string_view date_time, unsigned process_id, std::string_view site_base_url,
             size_t code_count);
  // The run looks nothing up: `reason` says why. It is the last line.
  void Refused(std::string_view reason);
  // The code at `position` (from 1). `detail` is the title for kFound, the
  // address asked for when the site did not answer, and the file and why
  // for kPageFileInTheWay. `pages_changed`
  // adds a note that the book's page held none of the known markers.
  void Code(size_t position, std::string_view code, std::string_view key, CodeOutcome outcome,
            std::string_view detail, bool pages_changed);
  // A stop requested before the code at `position`.
  void Stopped(size_t position);
  // The last line.
  void Finish(const RunSummary& summary);

 private:
  void Field(std::string_view text);
  void TaggedLine();
  void EndLine();

  std::string path_;
  std::string tag_;
  std::string line_;          // the text of the append being made
  bool needs_break_ = false;  // the file does not end in CR LF
  bool started_ = false;
  bool finished_ = false;
};

}  // namespace kanadeya
