// One run of the lookup as its phases, over what belongs to the whole run:
//
//   LookupRun run(state, env, data_dir, output_file, codes);
//   if (!run.Begin()) return;                    // lock, host, settings, log
//   RunOutcomes outcomes = run.LookUpEveryCode();  // each code, in order
//   const Delivery delivery = run.Deliver(outcomes);  // import file, kept books, list
//   run.Tell(outcomes, delivery);                // the log's end, one message
//
// Begin is lookup_run.cpp's with Tell, LookUpEveryCode run_loop.cpp's,
// Deliver run_delivery.cpp's; one code's steps are code_lookup.cpp's, the
// message's words run_report.cpp's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/code_outcome.h"
#include "plugin/held_files.h"
#include "plugin/host_api.h"
#include "plugin/import_file.h"
#include "plugin/lookup_log.h"
#include "plugin/plugin_settings.h"
#include "plugin/plugin_state.h"
#include "plugin/run_env.h"
#include "plugin/run_journal.h"
#include "plugin/run_report.h"

namespace kanadeya {

class LineReader;
struct CodeLookup;

// A code of the list as the run left it, in the list's order (pointing into
// the host's text), and whether it gave a book.
struct ListedCode {
  std::string_view code;
  bool book = false;
};

// What looking up every code gave.
struct RunOutcomes {
  RunTally tally;
  std::vector<ListedCode> codes;           // every code but blank lines
  std::vector<std::string> lines;          // the books' output lines, in order
  std::vector<InvalidCode> invalid;        // the first few the host's check refused
  std::vector<SeveralCandidates> several;  // the first few whose search listed several books
  size_t several_count = 0;                // all of those
  size_t taken_over = 0;                   // books built from pages an earlier run left
  size_t lost_from = 0;                    // the code whose connection test failed; 0: none
  std::string lost_url;                    // the address of that test
  bool site_answered = false;              // a connection test passed before the one that failed
  std::optional<std::string> failure;      // what ended the run by failing
};

// What delivering the books did.
struct Delivery {
  WholeWrite write;
  size_t written = 0;  // lines in the import file
  bool output_written = false;
  std::string kept_books;          // the file that keeps the books the import file could not take
  platform::FileFault kept_fault;  // why they could not be kept there
  std::string old_output_note;     // the earlier import file still stands: said at the end
  RetryList list;
  std::vector<EarlierDelivery> earlier;  // the earlier runs taken over
  std::string journal_stays;             // this run's journal, left for the next run
};

// A line of the code list with nothing but spaces and tabs: the host's
// check is still asked about it, as for every line, but it is no code.
bool IsBlankLine(std::string_view line);
// The codes of the host's list: its lines but those of nothing but spaces
// and tabs.
size_t CountCodes(std::string_view codes);

// The name of the file that keeps the books of a run that began at `stamp`
// ("20261207-140503") in process `process_id`.
std::string KeptBooksName(std::string_view stamp, uint32_t process_id);
// The longest name a file that keeps a run's books may take.
std::string LongestKeptBooksName(uint32_t process_id);

class LookupRun {
 public:
  // `codes` may be null; each of the host's texts lives through the call.
  LookupRun(PluginState& state, RunEnv& env, const char* data_dir, const char* output_file,
            const char* codes);
  // Lets go of the dictionaries that are read again in each run.
  ~LookupRun();
  LookupRun(const LookupRun&) = delete;
  LookupRun& operator=(const LookupRun&) = delete;

  // Clears the earlier import file, takes the data folder's lock, binds the
  // host, reads kanadeya.ini and opens the log. False when the run cannot
  // go on: it has then said why, and only that.
  bool Begin();
  // Looks up each code in the list's order, until the end, a stop, a lost
  // connection or a failure, with the wait window shown.
  RunOutcomes LookUpEveryCode();
  // Puts the books in the import file, or keeps them elsewhere, and writes
  // the list of codes to try again.
  Delivery Deliver(RunOutcomes& outcomes);
  // The log's last line, then one message; the lock is let go with the run.
  void Tell(const RunOutcomes& outcomes, const Delivery& delivery);

  // What belongs to the whole run, for its phases and one code's steps.
  PluginState& state;
  RunEnv& env;
  const std::string output_path;  // the import file
  const std::string data_dir;     // ends with a path separator
  const std::string_view codes;
  const uint32_t process_id;
  std::string host_settings_path;    // the host's "Setting.ini", in the host program's folder
  std::string plugin_settings_path;  // kanadeya.ini, in the plug-in's folder
  size_t code_count = 0;             // CountCodes of the list
  std::string started;               // the local date and time the run began
  std::unique_ptr<HeldLock> lock;
  platform::LockResult lock_result = platform::LockResult::kInUse;
  HostApi host;
  HostBinding binding;
  PluginSettings settings;
  LookupLog log;
  UnreadableFiles unreadable;
  RunJournal journal;
  // The earlier import file was removed or emptied: the host cannot import
  // it as this run's.
  bool old_output_cleared = false;

 private:
  // Looks up the codes that `reader` gives until the last: true when the run
  // ended before it, with the code it ended at in `pending_code`.
  bool LookUpInOrder(LineReader& reader, RunOutcomes& outcomes, std::string_view& pending_code);
  // Takes over the journals of earlier runs and begins this run's, while
  // the run holds the data folder's lock.
  void BeginJournal();
  // Notes how a code ended in the journal.
  void Journal(std::string_view code_line, const CodeLookup& result);
  // The longest data folder path that leaves room for the run's names.
  size_t DataFolderRoom() const;
  std::string LockPath() const;
  void RefuseInUse();
  std::string LockNote() const;
  // Shows `text` as the one message of a run that cannot go on.
  void Refuse(MessageKind kind, const std::string& path, std::string text);
  void OpenLog(bool show_refusal);
  std::vector<std::string> FilesNeverWritten();
  RetryList WriteRetryList(const std::vector<std::string_view>& retry);
  // Keeps the books of the earlier runs taken over that this run gave no
  // book for, each run's in a file named for it, and lists their codes.
  void DeliverEarlierRuns(const RunOutcomes& outcomes, Delivery& delivery,
                          std::vector<std::string_view>& retry);
  // Removes the journals whose books are all delivered once the list is
  // written; notes in the others that their books are delivered.
  void EndJournals(Delivery& delivery, bool own_books_delivered);
  // Clears the earlier import file once more; the note that ends the last
  // message while it still stands.
  std::string OldOutputNote();
};

}  // namespace kanadeya
