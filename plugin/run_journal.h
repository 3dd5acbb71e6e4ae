// A run's journal in the data folder ("kanadeya-journal-20261208-140503-
// 1234.dat", for the run's start and process): the run's code list, then
// each code's outcome as the code ends, with the detail page of each book
// (plugin/journal_records.h frames them). A run keeps it only while it
// holds the data folder's lock, and removes it once every book it found is
// in the import file or a kept file and its list of codes to try again is
// written. So a run that is killed, or cannot deliver its books, leaves them
// to the next run, and a page the site gave is never asked for twice: a
// repeated search key is built from the page already held, read back from
// the journal (pages are not kept in memory).
//
// The next run takes over the journals it finds: a code of its own list
// whose search key has a detail page there (from the same site, less than
// a day old) is built from that page; after its loop, the earlier run's
// other books go to a kept file named for that run, and its codes that gave
// no book into this run's list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "plugin/code_outcome.h"
#include "plugin/lookup_log.h"
#include "plugin/run_env.h"

namespace kanadeya {

// Where a code's page came from.
enum class PageSource {
  kSite,        // downloaded
  kThisRun,     // a page this run already held
  kEarlierRun,  // a page of an earlier run's journal
};

// What the site gave for a search key, held for the rest of the run.
struct HeldPage {
  bool book = false;  // false: the search page listed no book
  uint64_t candidates = 0;
  // The journal holding the book's detail page, the record holding it
  // there, and the page's size (the record's last bytes).
  const std::string* journal = nullptr;
  uint64_t offset = 0, size = 0, page_size = 0;
  std::string page_url;
  std::string_view base_url;  // the site the page came from
  PageSource source = PageSource::kThisRun;
};

// One code of an earlier run's journal.
struct JournalCode {
  std::string code, key;
  bool book = false;
  uint64_t candidates = 0;
  std::string page_url;
  // The record holding its book's page in the journal, and the page's size.
  uint64_t offset = 0, size = 0, page_size = 0;
};

// A run that did not end, as its journal tells it.
struct EarlierRun {
  std::string path;     // its journal
  std::string started;  // "2026-12-07 14:05:03"
  uint64_t process_id = 0;
  int64_t began = 0;  // microseconds since 1970, on the file clock
  std::string base_url;
  std::string codes;                 // its code list
  std::vector<JournalCode> reached;  // its codes that ended, in order
  bool delivered = false;            // its books are in a file already
};

// What a run is, as the first record of its journal.
struct JournalStart {
  std::string started;  // "2026-12-07 14:05:03"
  uint32_t process_id = 0;
  int64_t began = 0;
  std::string base_url;
  std::string_view codes;
};

// "20261207-140503" of "2026-12-07 14:05:03": a run's start in file names.
std::string RunStamp(std::string_view started);
// The name of a journal, and the longest one a run may take.
std::string JournalName(std::string_view stamp, uint32_t process_id, unsigned n = 1);
std::string LongestJournalName(uint32_t process_id);

// What reading a journal gave.
enum class JournalRead {
  kRead,        // its run, and its whole records
  kNoRun,       // no whole record of a run: nothing to take over
  kUnreadable,  // it cannot be read now, or was written by another version
};

// Reads the journal at `path`: its run and whole records, none after the
// first that is not whole.
JournalRead ReadJournal(platform::FileReader& files, const std::string& path, EarlierRun& run);

class RunJournal {
 public:
  // Takes over the journals of earlier runs in `folder` (whose pages, from
  // the same site and less than a day old, are held for this run), then
  // begins this run's own. `log_note` receives what the log says.
  // `log` says what was taken over, and why the run keeps no journal.
  void Begin(RunEnv& env, LookupLog& log, const std::string& folder, const JournalStart& start);

  // The journal's file; empty when the run keeps none.
  const std::string& path() const { return path_; }
  bool writing() const { return writing_; }
  std::vector<EarlierRun>& earlier() { return earlier_; }

  // What the site gave for `key` earlier in this run or an earlier one.
  const HeldPage* Held(const std::string& key) const;
  // Reads the detail page that `held` names into `bytes`: false unless its
  // record is whole.
  static bool ReadPage(platform::FileReader& files, const std::string& journal, uint64_t offset,
                       uint64_t size, uint64_t page_size, std::string& bytes);

  // Notes how a code ended, in one record: for a book from the site or an
  // earlier run, its detail page `page` too. False when the journal could
  // not take it: it then ends, and the run goes on without it.
  bool Add(RunEnv& env, std::string_view code, std::string_view key, CodeOutcome outcome,
           uint64_t candidates, PageSource source, std::string_view page_url,
           std::string_view page);
  // True when `key` gave a book in this run.
  bool FoundInThisRun(const std::string& key) const { return found_.contains(key); }

  // Notes in the journal at `path` that its run's books are all in files.
  static bool MarkDelivered(RunEnv& env, const std::string& path);

 private:
  void HoldEarlierPages(const EarlierRun& run, int64_t now);
  std::vector<EarlierRun> earlier_;
  std::unordered_map<std::string, HeldPage> held_;
  std::unordered_set<std::string> found_;
  std::string path_;
  std::string base_url_;
  uint64_t size_ = 0;  // bytes written to the journal
  bool writing_ = false;
};

// A day, in the microseconds of the file clock: pages older than that are
// asked for again.
inline constexpr int64_t kHeldPageLifetime = int64_t{24} * 60 * 60 * 1'000'000;

}  // namespace kanadeya
