// A downloaded page as one text of lines, and where its markers stand.
//
// The detail-page parser keeps a page as a single text in which every line
// is followed by CR LF and no other CR or LF occurs. Rather than testing each
// line for each marker, it finds each marker's occurrences in the whole text
// once; since a marker holds no line break, every occurrence lies inside one
// line, and a line holds the marker exactly when an occurrence starts in it.
//
//   JoinLines("a\nb\r\nc") == "a\r\nb\r\nc\r\n"
//   LinesHolding("x\r\nab\r\nab ab\r\n", "ab") == {3, 7}
#pragma once

#include <cassert>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kanadeya {

// The text split into lines as SplitLines (strings/strings.h) splits it (at CR
// LF, a lone CR or a lone LF; the first zero byte ends the text; a break at
// the end adds no line) and joined again with every line followed by CR LF.
std::string JoinLines(std::string_view text);

// Whether JoinLines would give the text unchanged: it holds no zero byte,
// every CR in it is followed by LF and every LF preceded by CR, and it is
// empty or ends with LF. Looks through the text without copying it.
bool IsJoined(std::string_view text);

// A downloaded page's bytes in EUC-JP as a page text of Shift_JIS lines:
// JoinLines(EucToShiftJis(JoinLines(euc))) (scrape/euc_jp.h), so that a pair
// whose first byte ends a line takes the CR as its second byte and the line
// still ends with CR LF. In one walk where the processor has SSE2
// (EucLinesToShiftJisSse2), else by the joins and the conversion in turn.
// Written into `page`, whose capacity is used again where it is large enough.
void PageTextFromEuc(std::string_view euc, std::string& page);

// The byte offsets at which the lines holding `marker` start, in increasing
// order, each once. Plain byte search: a match may start at the second byte
// of a double-byte character, as Contains (strings/strings.h) finds it.
// `page` is a text of lines each followed by CR LF, with no other CR or LF,
// as PageTextFromEuc makes it. REQUIRES: `marker` is not empty and holds no
// CR or LF.
std::vector<size_t> LinesHolding(std::string_view page, std::string_view marker);

// LinesHolding for each of `markers`, in one pass over the page that stops
// where the markers' common first byte stands (a "<" for the markers of a
// page) and compares the markers there.
// REQUIRES: as for LinesHolding, for each marker; all markers begin with the
// same byte.
std::vector<std::vector<size_t>> LinesHoldingEach(std::string_view page,
                                                  const std::vector<std::string_view>& markers);

// Decodes the page's four character references in place, as four passes
// of ReplaceAll (strings/strings.h) in turn would: "&amp;" to "&", then
// "&quot;" to the full-width closing quotation mark, "&lt;" to "<" and "&gt;"
// to ">", each counted only where it starts a character. So "&amp;lt;" ends
// as "<" and "&amp;amp;" as "&amp;". One pass over the page's "&": a decoded
// reference is shorter than its text, so the writes stay behind the reads.
//   DecodeReferences("a&amp;quot;&lt;") gives "a\x81\x68<"
void DecodeReferences(std::string& page);

// Walks the lines holding one marker along with a walk of the page's lines.
//   MarkedLines products(LinesHolding(page, marker));
//   for (each line, in page order) if (products.Holds(line_start)) ...
class MarkedLines {
 public:
  // `starts`: as LinesHolding gives them.
  explicit MarkedLines(std::vector<size_t> starts) : starts_(std::move(starts)) {}

  // True when the line that starts at `line_start` holds the marker.
  // REQUIRES: calls come with increasing line starts.
  bool Holds(size_t line_start) {
    assert(line_start >= last_asked_);
    last_asked_ = line_start;
    while (next_ < starts_.size() && starts_[next_] < line_start) ++next_;
    return next_ < starts_.size() && starts_[next_] == line_start;
  }

 private:
  std::vector<size_t> starts_;
  size_t next_ = 0;
  size_t last_asked_ = 0;
};

}  // namespace kanadeya
