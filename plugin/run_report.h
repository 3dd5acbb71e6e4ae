// What the user is told at the end of a run that did not find every book:
// how each code ended, in the user's words, and where the list of the codes
// to try again is; and, when the connection was lost, what was kept.
//
//   8件中5件が見つかりました（見つからなかった本 1件、ページを取得できなかったもの 1件、無効なコード 1件）。
//   もう一度調べるコードの一覧：C:\...\kanadeya-retry.txt
//   ハコブネの検索画面に貼り付けると、もう一度検索できます。
//   くわしくはログをご覧ください：C:\...\kanadeya.log
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/import_file.h"
#include "plugin/lookup_log.h"

namespace kanadeya {

// Where the list of codes to try again went, for the report.
struct RetryList {
  std::string path;  // empty: no list (every code gave a book)
  bool written = false;
  bool old_list_stands = false;  // not written, and an earlier run's list could not be cleared
};

// A code that the host's check refused, and what it may have got wrong.
struct InvalidCode {
  std::string_view code;
  CodeSlip slip;
};

// A code whose search page listed several books, the first of which it
// took.
struct SeveralCandidates {
  std::string_view code;
  size_t books = 0;
};

// What the report says besides the counts.
struct ReportNotes {
  RetryList list;
  std::string log_path;  // empty: the run keeps no log
  bool log_given_up = false;
  std::vector<InvalidCode> invalid;        // the first few, in the list's order
  std::vector<SeveralCandidates> several;  // the first few, in the list's order
  size_t several_count = 0;                // all of them
  std::vector<UnreadableFile> unreadable;
};

// The report: the counts (and whether the books found reached the import
// file), the invalid codes with their hints, the files that could not be
// read with the books they changed, the list of codes to try again, and the
// log.
std::string ReportText(const RunSummary& summary, const ReportNotes& notes);

// How many invalid codes the report names; it counts the rest.
inline constexpr size_t kInvalidCodesNamed = 3;

// The message of a run that ended because the connection test of code
// `failed_at` failed for `url`, with `written` books written. When the site
// had answered earlier in the run (`answered_before`), it stopped answering;
// otherwise its address may be wrong.
std::string LostConnectionText(const std::string& url, size_t written, size_t failed_at,
                               bool answered_before);

// The message of a run that ended by a failure before the code at `from`:
// `what` failed (may be empty).
std::string RunEndedByErrorText(std::string_view what, size_t from);

// The note that ends the last message of a run that leaves the earlier
// import file at `output_path` as it was (it could be neither removed nor
// emptied): the host would import that run's books as this one's.
std::string OldImportFileNote(const std::string& output_path);

// Why a write failed, in the user's words ("ディスクがいっぱいです"), and
// why a read failed.
std::string FileFaultText(const platform::FileFault& fault);
std::string ReadFaultText(const platform::FileFault& fault);

// The message of a run whose import file was not written (`write`): how
// many books did not reach it and where they are kept (`summary`; why not,
// `kept_fault`), whether their codes are in the list (`listed`), why the
// import file could not be written, and `old_output_note`.
std::string OutputNotWrittenText(const std::string& output_path, const WholeWrite& write,
                                 const RunSummary& summary, const platform::FileFault& kept_fault,
                                 bool listed, const std::string& old_output_note);

// What became of an earlier run's books and codes, which this run took
// over from its journal.
struct EarlierDelivery {
  std::string started;  // when that run began
  std::string journal;  // its journal
  size_t books = 0;     // its books that this run gave no book for
  std::string kept;     // the file that keeps them
  platform::FileFault kept_fault;
  size_t codes_listed = 0;  // its codes put in this run's list
};

// What this run took over from earlier runs that did not end: `built` of
// its books were built from their pages, the rest kept in files
// (`earlier`); and, with `journal_stays`, that its own books stay in that
// journal for the next run. Empty when there is nothing to say; only the
// files are said without `report`.
std::string TakenOverText(size_t built, const std::vector<EarlierDelivery>& earlier,
                          const std::string& journal_stays, bool report);

// The closing message: what failed, the report, a note; one paragraph each.
struct ClosingParagraphs {
  std::string text;
  void Add(const std::string& paragraph) {
    if (!text.empty()) text += "\r\n\r\n";
    text += paragraph;
  }
};

}  // namespace kanadeya
