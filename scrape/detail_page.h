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
#include <functional>
#include <string>
#include <string_view>

#include "record/book_record.h"
#include "record/dictionaries.h"

namespace kanadeya {

// What a parse works with besides the page and the record: the stop request
// it reads before each line, a hook that watches the walk, and the page's
// buffers, whose capacity is kept from one page to the next (a run reads
// page after page of much the same size) unless it outgrew 1 MB.
struct DetailPageWork {
  explicit DetailPageWork(const bool& stop) : stop_requested(&stop) {}
  const bool* stop_requested;
  // When set, called with the number (from 0) of every line the walk is
  // about to examine, just before its stop test. Empty in the product; a
  // test sets it to request a stop in the middle of a page.
  std::function<void(size_t line)> line_hook;
  std::string bytes, text;
};

// Parses the page file at `page_path` into `record`; `site_base_url` (scheme
// and host, no trailing slash) is put in front of the cover image path, and
// the credited authors are looked up in `author_dictionary`. True when at
// least one line was examined: false when the file is missing or cannot be
// read, when it has fewer than 6 lines, or when a stop was requested before
// the first line. A stop requested during the walk ends it at the next line
// and the page still counts. The private-profile marker file is the page
// path followed by ".kagami_private". With `markers_found`, it receives how
// many of the ten markers stood on a line that was examined (0 tells of a
// page that no longer looks like a detail page).
bool ParseDetailPage(const std::string& page_path, std::string_view site_base_url,
                     Dictionary& author_dictionary, DetailPageWork& work, BookRecord& record,
                     size_t* markers_found = nullptr);

// When a file exists at `marker_path`: in record.Size every "文庫" becomes
// "A6" and then every "コミック" is removed; AgeRating becomes `age_rating`,
// Reserved18 becomes `reserved18` and PageUrl is emptied. Without the file
// nothing changes. Only the file's existence counts, not its content.
void ApplyPrivateProfile(const std::string& marker_path, std::string_view age_rating,
                         std::string_view reserved18, BookRecord& record);

}  // namespace kanadeya
