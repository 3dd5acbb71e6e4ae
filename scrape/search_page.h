// The search-result page: where it links to the first book's detail page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kanadeya {

// The detail id of a search-result page (Shift_JIS or ASCII bytes as
// downloaded): the text after the first "<td><a href=\"/detail/view.php?id="
// on the first line (from the second line on) that holds it, up to the next
// double quote. Empty when no line holds the marker or no quote follows it
// on that line.
//   FindDetailId("<html>\r\n<td><a href=\"/detail/view.php?id=K1\">") == "K1"
std::string FindDetailId(std::string_view page);

// How many books the search-result page lists: the distinct detail ids of
// every link (each marker as above, up to the next double quote on its
// line) on every line from the second to the last.
//   CountDetailIds("<html>\r\n<td><a href=\"/detail/view.php?id=K1\">"
//                  "<td><a href=\"/detail/view.php?id=K2\">") == 2
size_t CountDetailIds(std::string_view page);

}  // namespace kanadeya
