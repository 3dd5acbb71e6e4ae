// What the user is told at the end of a run that did not find every book:
// how each code ended, in the user's words, and where the list of the codes
// to try again is; and, when the connection was lost, what was kept.
//
//   8件中 5件 見つかりました。見つかりません 1件、取得できません 1件、無効なコード 1件。
//   もう一度調べるコードの一覧：C:\...\kanadeya-retry.txt
//   （ハコブネの検索画面に貼り付けて、もう一度検索できます）
//   くわしくはログをご覧ください：C:\...\kanadeya.log
#pragma once

#include <cstddef>
#include <string>

#include "plugin/lookup_log.h"

namespace kanadeya {

// How the codes of a run ended.
struct RunTally {
  size_t given = 0;  // codes in the list
  size_t found = 0;
  size_t not_on_site = 0;  // the search found no book
  size_t not_fetched = 0;  // a page did not come back, or its file was in the way
  size_t unreadable = 0;   // the book's page held nothing to read
  size_t invalid = 0;      // the host's check refused the code
  size_t not_reached = 0;  // never looked up: a stop, or the connection was lost

  void Add(CodeOutcome outcome);
  // Every code gave a book.
  bool AllFound() const { return found == given; }
};

// Where the list of codes to try again went, for the report.
struct RetryList {
  std::string path;  // empty: no list (every code gave a book)
  bool written = false;
};

// The report: the counts, the list of codes to try again, and the log.
// `log_path` is empty when the run keeps no log.
std::string ReportText(const RunTally& tally, const RetryList& list, const std::string& log_path);

// The message of a run that ended because the connection test of code
// `failed_at` failed for `url`, with `written` books written.
std::string LostConnectionText(const std::string& url, size_t written, size_t failed_at);

}  // namespace kanadeya
