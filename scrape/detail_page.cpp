#include "scrape/detail_page.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "fields/author_credit.h"
#include "fields/edition_date.h"
#include "fields/system_texts.h"
#include "fields/title_volume.h"
#include "markup/markup.h"
#include "record/book_record.h"
#include "scrape/page_lines.h"
#include "scrape/system_texts.h"
#include "strings/strings.h"

namespace kanadeya {

namespace {

// Lines never tested for markers at the end of a page.
constexpr size_t kUntestedTailLines = 5;

// A page buffer whose capacity outgrew this is given back after the page,
// so that one large page does not stay in memory.
constexpr size_t kKeptCapacity = size_t{1} << 20;

// The markers the page is searched for, by name; the walk tests the first
// kWalkedMarkers of them, the contents blocks use the rest.
namespace marker {
enum : size_t {
  kProductName,
  kImage,
  kPublisher,
  kSize,
  kAuthor,
  kGenre,
  kEditionDate,
  kPrice,
  kMemo,
  kContentsStart,
  kContentsEnd,
  kContentsItem,
  kContentsItemEnd,
  kCount
};
}  // namespace marker
constexpr size_t kWalkedMarkers = marker::kContentsStart + 1;

// A page buffer that gives back the capacity that outgrew kKeptCapacity
// when the parse ends, however it ends.
struct KeptCapacity {
  std::string& buffer;
  ~KeptCapacity() {
    if (buffer.capacity() > kKeptCapacity) std::string().swap(buffer);
  }
};

bool ReadPageFile(platform::FileReader& files, const std::string& path, std::string& bytes);
void PageText(std::string_view bytes, std::string& page);
size_t TestedEnd(std::string_view page);
std::string_view LineAt(std::string_view page, size_t start);
std::string CleanLine(std::string_view line, bool remove_spaces);
std::string CleanPrice(std::string_view line);

// The contents blocks of one page. A block runs from the line after a start
// marker to the next line holding the end marker, or to the last line of the
// page when none comes. In it, an item line and the line after it (whatever
// that holds, an end marker too) give CR LF, the item's text and the next
// line's text, and a line holding the item-end marker (the item's second line
// or another) gives a further CR LF. Other lines give nothing.
//
// Start markers inside a block open blocks of their own that gather the same
// lines again, so a page can make the memo grow with the square of its size.
// Only the lines that hold a block marker are visited (found by a sorted index
// built once), and the text of a block is known before it is gathered (sizes
// summed from the end of the page once), so a block that would make the memo
// more than twice the page is left out whole and the work stays linear.
class ContentsBlocks {
 public:
  // The starts of the lines holding the end marker, the item marker and the
  // item-end marker (LinesHolding).
  // `page` outlives this object. REQUIRES: `page` is a page text of whole
  // lines each followed by CR LF, holding no other CR.
  ContentsBlocks(std::string_view page, const std::vector<size_t>& ends,
                 const std::vector<size_t>& items, const std::vector<size_t>& item_ends);

  // Appends to `memo` the block whose first line starts at `block_start`.
  void AppendBlock(size_t block_start, std::string& memo) const;

 private:
  // What a step gives: for an item, CR LF, the item's text, its second
  // line's text and, when that line holds the item-end marker, CR LF; for a
  // line holding only the item-end marker, CR LF; for an end, nothing.
  struct Step {
    size_t first = kNoText, second = kNoText;  // texts_ indices
    bool item_end_after = false;
    bool last = false;  // the block ends here
    size_t next_start = 0;
    size_t size = 0;  // of what the step gives
  };
  static constexpr size_t kNoText = SIZE_MAX;

  Step TakeStep(size_t start);
  size_t TextOf(size_t line_start);
  void AppendStep(const Step& step, std::string& memo) const;
  size_t FirstMarkedFrom(size_t start) const;
  size_t SizeFrom(size_t start) const;

  std::string_view page_;
  // The lines holding each block marker, asked in page order while the
  // steps are taken.
  MarkedLines ends_, items_, item_ends_;
  std::vector<size_t> marked_;  // starts of the lines holding a block marker
  std::vector<Step> steps_;     // the step at each marked line
  std::vector<size_t> sizes_;   // text of the block walk from each marked line
  // The text each contents line gives, made once: an item's second line is
  // mostly the next step's item line.
  std::vector<std::string> texts_;
  size_t last_text_start_ = std::string_view::npos;
};

}  // namespace

bool ParseDetailPage(platform::FileReader& files, const std::string& page_path,
                     std::string_view site_base_url, Dictionary& author_dictionary,
                     DetailPageWork& work, BookRecord& record, size_t* markers_found,
                     bool* product_name_found) {
  const KeptCapacity trimmed{work.bytes};
  if (markers_found != nullptr) *markers_found = 0;
  if (product_name_found != nullptr) *product_name_found = false;
  // The read fails for a missing page as for an unreadable one.
  if (!ReadPageFile(files, page_path, work.bytes)) return false;
  const bool private_marker_exists =
      files.FileExists(page_path + std::string(kPrivateProfileSuffix));
  return ParseDetailPageBytes(work.bytes, private_marker_exists, site_base_url, author_dictionary,
                              work, record, markers_found, product_name_found);
}

bool ParseDetailPageBytes(std::string_view page_bytes, bool private_marker_exists,
                          std::string_view site_base_url, Dictionary& author_dictionary,
                          DetailPageWork& work, BookRecord& record, size_t* markers_found,
                          bool* product_name_found) {
  AuthorList authors;
  const KeptCapacity trimmed{work.text};
  std::string& page = work.text;
  if (markers_found != nullptr) *markers_found = 0;
  if (product_name_found != nullptr) *product_name_found = false;
  PageText(page_bytes, page);

  // The page text holds its lines each followed by CR LF, and no other CR
  // or LF byte; a line is walked by offsets rather than kept in a list, so
  // that a page of millions of short lines costs no more than its text.
  std::optional<ContentsBlocks> contents;
  const size_t tested_end = TestedEnd(page);
  // The lines holding each marker, found in one pass over the whole page
  // (every marker begins with "<").
  std::vector<std::vector<size_t>> marked = LinesHoldingEach(
      page, {kMarkerProductName, kMarkerImage, kMarkerPublisher, kMarkerSize, kMarkerAuthor,
             kMarkerGenre, kMarkerEditionDate, kMarkerPrice, kMarkerMemo, kMarkerContentsStart,
             kMarkerContentsEnd, kMarkerContentsItem, kMarkerContentsItemEnd});
  static_assert(marker::kCount == 13);
  // The first line of each of the walked markers, to count those met.
  std::array<size_t, kWalkedMarkers> first_marked;
  for (size_t k = 0; k < first_marked.size(); ++k)
    first_marked[k] = marked[k].empty() ? page.size() : marked[k].front();
  // The lines the walk examines: the first line, before which a stop is
  // asked whatever it holds, and the tested lines holding one of the ten
  // markers, since the others do nothing.
  std::vector<size_t> stops;
  if (tested_end > 0) stops.push_back(0);
  for (size_t k = 0; k < first_marked.size(); ++k)
    for (size_t at : marked[k])
      if (at < tested_end) stops.push_back(at);
  std::sort(stops.begin(), stops.end());
  stops.erase(std::unique(stops.begin(), stops.end()), stops.end());
  MarkedLines product_names(std::move(marked[marker::kProductName])),
      images(std::move(marked[marker::kImage])), publishers(std::move(marked[marker::kPublisher])),
      sizes(std::move(marked[marker::kSize])), author_rows(std::move(marked[marker::kAuthor])),
      genres(std::move(marked[marker::kGenre])),
      edition_dates(std::move(marked[marker::kEditionDate])),
      prices(std::move(marked[marker::kPrice])), memos(std::move(marked[marker::kMemo])),
      contents_starts(std::move(marked[marker::kContentsStart]));
  bool found = false;
  size_t start = 0;  // the line about to be examined; at the end, the first one not examined
  for (size_t next_stop = 0;; ++next_stop) {
    start = next_stop < stops.size() ? stops[next_stop] : tested_end;
    if (start >= tested_end || work.StopRequested()) break;
    found = true;
    const std::string_view line = LineAt(page, start);
    const size_t next_start = start + line.size() + 2;
    // The next line exists: at least five lines follow a tested line.
    const std::string_view next = LineAt(page, next_start);

    if (product_names.Holds(start)) {
      SplitTitleVolume(StripMarkup(CleanLine(next, true)), record);
      record.Author = record.Title;
    }
    if (images.Holds(start)) {
      record.ImageUrl = std::string(site_base_url) +
                        ExtractBetween(CleanLine(line, false), kMarkerImage, kImageEnd);
    }
    if (publishers.Holds(start)) record.Publisher = StripMarkup(CleanLine(next, true));
    if (sizes.Holds(start)) record.Size = StripMarkup(CleanLine(next, true));
    if (author_rows.Holds(start)) {
      const std::string credit =
          ExtractBetween(CleanLine(line, false), kAuthorKeyStart, kAuthorKeyEnd);
      ParseAuthorCredit(authors, credit, kAuthorRoleMark, kFullWidthSpace, "");
    }
    if (genres.Holds(start)) record.Label = StripMarkup(CleanLine(next, true));
    if (edition_dates.Holds(start)) ParseEditionDate(StripMarkup(CleanLine(next, true)), record);
    if (prices.Holds(start)) record.Price = CleanPrice(next);
    if (memos.Holds(start)) record.Memo += StripMarkup(CleanLine(next, true));
    if (contents_starts.Holds(start)) {
      if (!contents)
        contents.emplace(page, marked[marker::kContentsEnd], marked[marker::kContentsItem],
                         marked[marker::kContentsItemEnd]);
      contents->AppendBlock(next_start, record.Memo);
    }
  }
  if (!found) return false;
  if (markers_found != nullptr)
    *markers_found = static_cast<size_t>(std::count_if(first_marked.begin(), first_marked.end(),
                                                       [&](size_t at) { return at < start; }));
  if (product_name_found != nullptr)
    *product_name_found = first_marked[marker::kProductName] < start;

  AssignAuthorSlots(authors, author_dictionary, record, true, true, true, "");
  record.Memo = Trim(ReplaceAll(record.Memo, kFullWidthSpace, " "));
  ApplyPrivateProfile(private_marker_exists, kPrivateAgeRating, "", record);
  return true;
}

void ApplyPrivateProfile(bool marker_exists, std::string_view age_rating,
                         std::string_view reserved18, BookRecord& record) {
  if (!marker_exists) return;
  record.Size = ReplaceAll(record.Size, kSizeBunko, kSizeA6);
  record.Size = ReplaceAll(record.Size, kSizeComic, "");
  record.AgeRating = std::string(age_rating);
  record.Reserved18 = std::string(reserved18);
  record.PageUrl.clear();
}

namespace {

// The bytes of the page file. False when the file cannot be read; a page
// that does not fit in memory throws std::bad_alloc, which is the caller's
// to tell apart from a page it cannot use.
bool ReadPageFile(platform::FileReader& files, const std::string& path, std::string& bytes) {
  return files.ReadWholeFile(path, bytes);
}

// The page as Shift_JIS lines, each followed by CR LF, with the four
// character references decoded. Throws std::bad_alloc when it does not fit
// in memory.
void PageText(std::string_view bytes, std::string& page) {
  PageTextFromEuc(bytes, page);
  DecodeReferences(page);
}

// The start of the first line of the untested tail: a line is tested when it
// starts before it. 0 when the page has no more lines than the tail. Found
// from the end, so that the page's lines are not counted first.
size_t TestedEnd(std::string_view page) {
  size_t end = page.size();  // a LF ends the page
  for (size_t k = 0; k <= kUntestedTailLines; ++k) {
    if (end == 0) return 0;
    const size_t lf = page.rfind('\n', end - 1);
    if (lf == std::string_view::npos) return 0;
    end = lf;
  }
  return end + 1;
}

// The line that starts at byte offset `start`, without its CR LF.
// REQUIRES: `start` is the start of a line of `page`.
std::string_view LineAt(std::string_view page, size_t start) {
  assert(start <= page.size() && (start == 0 || page[start - 1] == '\n'));
  const size_t end = page.find('\r', start);
  return page.substr(start, end - start);
}

// Tabs removed, then CR LF pairs; with `remove_spaces` also spaces and then
// full-width spaces.
std::string CleanLine(std::string_view line, bool remove_spaces) {
  std::string text(line);
  ReplaceAllIn(text, "\t", "");
  ReplaceAllIn(text, "\r\n", "");
  if (remove_spaces) {
    ReplaceAllIn(text, " ", "");
    ReplaceAllIn(text, kFullWidthSpace, "");
  }
  return text;
}

// The bare price of a value line such as "：1,980円（税込）".
std::string CleanPrice(std::string_view line) {
  std::string text(line);
  ReplaceAllIn(text, "\t", "");
  ReplaceAllIn(text, "\r\n", "");
  ReplaceAllIn(text, ",", "");
  text = StripMarkup(text);
  for (std::string_view noise :
       {std::string_view(" "), kFullWidthSpace, kPriceColon, kPriceYen, kPriceTaxIncluded})
    ReplaceAllIn(text, noise, "");
  return text;
}

// The text a contents line gives to the memo: tabs and CR LF pairs removed,
// each "<br>" made a CR LF, the tags stripped.
std::string ContentsText(std::string_view line) {
  if (!Contains(line, "\t") && !Contains(line, "\r\n")) {  // most lines: no copy to clean
    if (!Contains(line, kLineBreakTag)) return StripMarkup(line);
    return StripMarkup(ReplaceAll(line, kLineBreakTag, "\r\n"));
  }
  std::string text(line);
  ReplaceAllIn(text, "\t", "");
  ReplaceAllIn(text, "\r\n", "");
  ReplaceAllIn(text, kLineBreakTag, "\r\n");
  return StripMarkup(text);
}

ContentsBlocks::ContentsBlocks(std::string_view page, const std::vector<size_t>& ends,
                               const std::vector<size_t>& items,
                               const std::vector<size_t>& item_ends)
    : page_(page), ends_(ends), items_(items), item_ends_(item_ends) {
  assert(page.empty() || page.back() == '\n');
  for (const auto* starts : {&ends, &items, &item_ends})
    marked_.insert(marked_.end(), starts->begin(), starts->end());
  std::sort(marked_.begin(), marked_.end());
  marked_.erase(std::unique(marked_.begin(), marked_.end()), marked_.end());
  // Each step is taken once. A walk from a marked line goes on from a later
  // one: sum from the end.
  steps_.reserve(marked_.size());
  for (size_t start : marked_) steps_.push_back(TakeStep(start));
  sizes_.assign(marked_.size(), 0);
  for (size_t m = marked_.size(); m-- > 0;) {
    const Step& step = steps_[m];
    sizes_[m] = step.size + (step.last ? 0 : SizeFrom(step.next_start));
  }
}

void ContentsBlocks::AppendBlock(size_t block_start, std::string& memo) const {
  const size_t size = SizeFrom(block_start);
  const size_t limit = 2 * page_.size();
  if (size == 0 || size > limit || memo.size() > limit - size) return;
  for (size_t m = FirstMarkedFrom(block_start); m < marked_.size();) {
    const Step& step = steps_[m];
    AppendStep(step, memo);
    if (step.last) break;
    m = FirstMarkedFrom(step.next_start);
  }
}

void ContentsBlocks::AppendStep(const Step& step, std::string& memo) const {
  if (step.size == 0) return;
  memo += "\r\n";
  if (step.first != kNoText) memo += texts_[step.first];
  if (step.second != kNoText) memo += texts_[step.second];
  if (step.item_end_after) memo += "\r\n";
}

// One step of a block at a line that holds a block marker.
ContentsBlocks::Step ContentsBlocks::TakeStep(size_t start) {
  Step step;
  const std::string_view line = LineAt(page_, start);
  if (ends_.Holds(start)) {
    step.last = true;
    return step;
  }
  size_t next_start = start + line.size() + 2;
  step.size = 2;  // CR LF
  if (items_.Holds(start)) {
    step.first = TextOf(start);
    step.size += texts_[step.first].size();
    if (next_start >= page_.size()) {  // the item line is the last line
      step.last = true;
      return step;
    }
    step.second = TextOf(next_start);
    step.size += texts_[step.second].size();
    if (item_ends_.Holds(next_start)) {
      step.item_end_after = true;
      step.size += 2;
    }
    next_start += LineAt(page_, next_start).size() + 2;
  }
  // else the line holds the item-end marker: CR LF alone
  step.next_start = next_start;
  return step;
}

// The index in texts_ of the text of the line at `line_start`. The lines are
// asked in page order, each at most twice in a row.
size_t ContentsBlocks::TextOf(size_t line_start) {
  if (line_start != last_text_start_) {
    texts_.push_back(ContentsText(LineAt(page_, line_start)));
    last_text_start_ = line_start;
  }
  return texts_.size() - 1;
}

// Index of the first marked line at or after byte offset `start`.
size_t ContentsBlocks::FirstMarkedFrom(size_t start) const {
  return static_cast<size_t>(std::lower_bound(marked_.begin(), marked_.end(), start) -
                             marked_.begin());
}

size_t ContentsBlocks::SizeFrom(size_t start) const {
  const size_t m = FirstMarkedFrom(start);
  return m < marked_.size() ? sizes_[m] : 0;
}

}  // namespace

}  // namespace kanadeya
