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
