// The detail-page parser: reads the catalogue site's detail page of one book
// (EUC-JP HTML downloaded by the host) into the global BookRecord.
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
// gives BookRecord.Publisher == "楽譜出版".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kanadeya {

// Parses the page file at `page_path` into BookRecord; `site_base_url` (scheme
// and host, no trailing slash) is put in front of the cover image path. True
// when at least one line was examined: false when the file is missing or
// cannot be read, when it has fewer than 6 lines, or when a stop was requested
// before the first line. A stop requested during the walk ends it at the next
// line and the page still counts. The private-profile marker file is the page
// path followed by ".kagami_private". With `markers_found`, it receives how
// many of the ten markers stood on a line that was examined (0 tells of a
// page that no longer looks like a detail page).
bool ParseDetailPage(const std::string& page_path, std::string_view site_base_url,
                     size_t* markers_found = nullptr);

// When set, called with the number (from 0) of every line the walk is about
// to examine, just before its stop test. Null in the product; a test sets it
// to request a stop in the middle of a page.
extern void (*DetailPageLineHook)(size_t line);

// When a file exists at `marker_path`: in Size every "文庫" becomes "A6" and
// then every "コミック" is removed; AgeRating becomes `age_rating`,
// Reserved18 becomes `reserved18` and PageUrl is emptied. Without the file
// nothing changes. Only the file's existence counts, not its content.
bool ApplyPrivateProfile(const std::string& marker_path, std::string_view age_rating,
                         std::string_view reserved18);  // true

}  // namespace kanadeya
