// The detail-page parser: reads the catalogue site's detail page of one book
// (EUC-JP HTML downloaded by the host) into a book record.
//
// The page is converted to Shift_JIS, four character references are decoded
// over the whole page ("&amp;", then "&quot;" as "”", "&lt;", "&gt;"), and
// its lines are walked. A line holding one of ten fixed markers gives a
// value, on the line itself or on the next line, which is cleaned and stored:
// product name (title, volume, and a copy of the title as author), cover
// image, publisher, size, author credits, genre, first-edition date, price,
// short memo and the contents list. The last five lines are never tested for
// markers. At the end the credited authors fill the author fields, the memo is
// tidied and the private profile applied.
//
// A page that holds, among other lines,
//   <div id="SyosaiItem">出版社：</div>
//   <div>楽譜出版</div>
// gives record.Publisher == "楽譜出版".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/file_reader.h"
#include "record/book_record.h"
#include "record/dictionaries.h"

namespace kanadeya {

// What a parse asks whether a stop was requested: before the page's first
// line, and again before each further line that the walk examines (the lines
// holding a marker; the others do nothing). A run answers with its stop flag
// (DetailPageWork's flag form); a test may answer from what the parse has
// done so far, to stop it in the middle of a page.
class StopSignal {
 public:
  virtual bool Requested() const = 0;

 protected:
  ~StopSignal() = default;
};

// What a parse works with besides the page and the record: where it asks
// for a stop, and the page's buffers, whose capacity is kept from one page
// to the next (a run reads page after page of much the same size) unless it
// outgrew 1 MB.
class DetailPageWork {
 public:
  // Asks the flag, read in place each time.
  explicit DetailPageWork(const bool& stop) : stop_flag_(&stop) {}
  // Asks the signal, which outlives this object.
  explicit DetailPageWork(const StopSignal& stop) : stop_signal_(&stop) {}

  bool StopRequested() const {
    return stop_signal_ != nullptr ? stop_signal_->Requested() : *stop_flag_;
  }

  std::string bytes, text;

 private:
  const bool* stop_flag_ = nullptr;
  const StopSignal* stop_signal_ = nullptr;
};

// Parses a detail page (the bytes the host downloaded) into `record`, opening
// no file; `private_marker_exists` tells whether the private profile's marker
// file stands beside the page (ApplyPrivateProfile). `site_base_url` (scheme
// and host, no trailing slash) is put in front of the cover image path, and
// the credited authors are looked up in `author_dictionary`. True when at
// least one line was examined: false when the page has fewer than 6 lines,
// or when a stop was requested before the first line; the record is then
// left as it was. A page that does not fit in memory throws std::bad_alloc,
// so that running short of memory is never taken for a page without a book. A stop requested during
// the walk ends it before the next line it would examine, and the page still
// counts. With `markers_found`, it receives how many of the ten markers
// stood on a line that was examined (0 tells of a page that no longer looks
// like a detail page); with `product_name_found`, whether the product name's
// marker was among them (a page without it holds no book). The page's text
// is made in work.text: `page_bytes` may be work.bytes, not work.text.
bool ParseDetailPageBytes(std::string_view page_bytes, bool private_marker_exists,
                          std::string_view site_base_url, Dictionary& author_dictionary,
                          DetailPageWork& work, BookRecord& record, size_t* markers_found = nullptr,
                          bool* product_name_found = nullptr);

// ParseDetailPageBytes over the page file at `page_path` (read through
// `files` into work.bytes), whose private-profile marker file is the page path followed
// by ".kagami_private". False also when the file is missing or cannot be
// read.
bool ParseDetailPage(platform::FileReader& files, const std::string& page_path,
                     std::string_view site_base_url, Dictionary& author_dictionary,
                     DetailPageWork& work, BookRecord& record, size_t* markers_found = nullptr,
                     bool* product_name_found = nullptr);

// When the private profile's marker file exists (`marker_exists`): in
// record.Size every "文庫" becomes "A6" and then every "コミック" is removed;
// AgeRating becomes `age_rating`, Reserved18 becomes `reserved18` and PageUrl
// is emptied. Without the file nothing changes. Only the file's existence
// counts, not its content.
void ApplyPrivateProfile(bool marker_exists, std::string_view age_rating,
                         std::string_view reserved18, BookRecord& record);

}  // namespace kanadeya
