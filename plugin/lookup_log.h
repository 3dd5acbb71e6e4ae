// The lookup log: what each run did, code by code, appended to the file that
// kanadeya.ini's [Log] File names once CheckLogPath (plugin/log_path_policy.h)
// let it. What its lines hold, how hosts share it and when it is rolled over
// or given up are README's, "kanadeya.ini, the lookup log, the report and the
// codes to try again". A log that cannot be written never fails the run:
// every call here goes on as if it had been written.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/code_outcome.h"
#include "plugin/run_env.h"
#include "record/code_forms.h"

namespace kanadeya {

// What the log says of one code.
struct CodeReport {
  size_t position = 0;  // among the codes, from 1
  std::string_view code;
  std::string_view key;  // the search key the host's check gave
  CodeOutcome outcome = CodeOutcome::kFound;
  // What the line names besides its outcome (CodeLookup::LoggedDetail):
  // none for an outcome that names nothing.
  std::optional<std::string_view> detail;
  CodeSlip slip;                       // what the code may have got wrong
  size_t candidates = 0;               // the books its search page listed, when more than one
  size_t same_book_as = 0;             // an earlier code's position with the same search key
  bool page_from_this_run = false;     // built from a page this run held already
  bool page_from_earlier_run = false;  // built from a page an earlier run left
};

// A file of the host's that stood but could not be read during a run, what
// the books lack for it, and the books found while it was not read that it
// changed.
struct UnreadableFile {
  std::string path, lacks;
  std::string_view books_called;        // how the report calls those books
  std::vector<std::string_view> books;  // the first few codes of those books, in the list's order
  size_t book_count = 0;                // all of them
};

// How a run ended, for its last line.
struct RunSummary {
  RunTally tally;
  size_t written = 0;  // lines in the import file
  std::string output_path;
  bool output_written = true;
  // The file that keeps the books the import file could not take; empty:
  // none was needed. `kept_books_written` false: not even it was written.
  std::string kept_books;
  bool kept_books_written = false;
  size_t lost_from = 0;            // the code whose connection test failed; 0: none
  bool old_output_stands = false;  // the earlier import file could not be cleared
  std::string retry_list;          // the codes to try again; empty: none
  bool retry_list_written = false;
};

// True when `head`, a file's first bytes, begin as a run's first line does:
// "YYYY-MM-DD HH:MM:SS<TAB>kanadeya ".
bool IsLogHeader(std::string_view head);

class LookupLog {
 public:
  // No log until Open: every call does nothing. The log is written through
  // `env`, which must outlive it.
  explicit LookupLog(RunEnv& env) : env_(env) {}
  // Writes the last line saying that the run failed when Start was called
  // but not Finish or Refused. Never throws.
  ~LookupLog();
  LookupLog(const LookupLog&) = delete;
  LookupLog& operator=(const LookupLog&) = delete;

  // Takes up the log at `path` (checked with CheckLogPath) for a run: false
  // when the file exists and does not begin as a log (IsLogHeader), and
  // then it is left untouched and the run keeps no log; true otherwise, also
  // when the log is given up without a word (README).
  bool Open(const std::string& path);

  bool enabled() const { return !path_.empty(); }
  // The log was taken up, but a line could not be written: it was given up.
  bool given_up() const { return given_up_; }

  // The run's first line. `date_time` is "YYYY-MM-DD HH:MM:SS", local time.
  void Start(std::string_view date_time, unsigned process_id, std::string_view site_base_url,
             size_t code_count);
  // The run looks nothing up: `reason` says why. It is the last line.
  void Refused(std::string_view reason);
  // A code's line, and its notes, appended at once.
  void Code(const CodeReport& report);
  // A stop requested before the code at `position`.
  void Stopped(size_t position);
  // A stop requested during the last code, when every code was looked up.
  void StoppedAfterTheLast();
  // The run ended by a failure before the code at `position`: `what` failed.
  void EndedByError(size_t position, std::string_view what);
  // A line of its own about the run (a file it could not read, say).
  void Note(std::string_view text);
  // The last line.
  void Finish(const RunSummary& summary);

 private:
  void Field(std::string_view text);
  void CutField(std::string_view text);
  void TaggedLine();
  void EndLine();

  RunEnv& env_;
  std::string path_;
  std::string tag_;
  std::string line_;          // the text of the append being made
  bool needs_break_ = false;  // the file does not end in CR LF
  bool started_ = false;
  bool finished_ = false;
  bool given_up_ = false;
};

}  // namespace kanadeya
