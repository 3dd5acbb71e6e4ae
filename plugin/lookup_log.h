// The lookup log: what each run did, code by code, appended to the file that
// kanadeya.ini names, in Shift_JIS with CR LF. Fields are separated by tabs;
// a control byte inside a field is written as \xNN.
//
//   2026-12-07 14:05:03 <TAB> kanadeya 1.1.3 <TAB> サイト http://... <TAB> コード 3件
//   1 <TAB> 9784888100113 <TAB> 9784888100113 <TAB> 書き出しました <TAB> ピアノ名曲集
//   2 <TAB> 12345 <TAB>  <TAB> ハコブネのコード検査で検索キーが得られませんでした
//   終了 <TAB> 検索 2件 <TAB> 書き出し 1件 <TAB> C:\...\books.csv
//
// The lines are gathered in memory and appended in large pieces, the first
// time after a log that has grown past 1 MB was renamed to its name with
// ".old" added. A log that cannot be written is given up without a word: the
// run goes on as it would without one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kanadeya {

// How the lookup of one code ended.
enum class CodeOutcome {
  kLineWritten,
  kNoSearchKey,
  kSearchNotDownloaded,
  kNoDetailLink,
  kDetailNotDownloaded,
  kDetailNotReadable,
  kNoConnection,  // the connection test failed: the run ends
};

class LookupLog {
 public:
  // `path` empty: no log, and every call does nothing.
  explicit LookupLog(std::string path);
  // Writes what is still gathered, with a last line saying that the run
  // failed when Finish was not called. Never throws.
  ~LookupLog();
  LookupLog(const LookupLog&) = delete;
  LookupLog& operator=(const LookupLog&) = delete;

  bool enabled() const { return !path_.empty(); }

  void Start(std::string_view site_base_url, size_t code_count);
  // `position` counts from 1; `title` is read only for kLineWritten.
  void Code(size_t position, std::string_view code, std::string_view key, CodeOutcome outcome,
            std::string_view title);
  // For a written book whose detail page held none of the known markers.
  void PagesMayHaveChanged(size_t position);
  // A stop requested before the code at `position`.
  void Stopped(size_t position);
  // The last line. `output_path` empty: no import file was written;
  // `output_written` false: writing it failed.
  void Finish(size_t searched, size_t written, std::string_view output_path, bool output_written);

 private:
  void Field(std::string_view text);
  void EndLine();
  void Flush();

  std::string path_;
  std::string pending_;
  bool started_ = false;  // the file has been prepared (rolled over)
  bool finished_ = false;
};

}  // namespace kanadeya
