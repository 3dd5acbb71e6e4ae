// The catalogue site served from a folder, for lookups without a network.
//
// Whatever the scheme and host of a URL, only its path and query count: the
// search "/search/keyword.php?keyword=" + KEY is the file
// DIR/search/KEY.html and the detail page "/detail/view.php?id=" + ID is the
// file DIR/detail/ID.html. In KEY and ID every byte outside [0-9A-Za-z_.-]
// is written as "%" and two upper-case hex digits, so that no key can name
// a file outside those two folders. Any other URL has no file.
//
//   SiteFilePath("site/", "http://catalog.example/search/keyword.php?keyword=a/b")
//       == "site/search/a%2Fb.html"
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hakobune {

// The file of `url` in the site folder `site_dir`, or nullopt when the URL
// is neither a search nor a detail URL. `site_dir` may or may not end with a
// path separator.
std::optional<std::string> SiteFilePath(std::string_view site_dir, std::string_view url);

// `key` with every byte outside [0-9A-Za-z_.-] written as %XX (upper-case).
//   EscapeKey("a b%") == "a%20b%25"
std::string EscapeKey(std::string_view key);

}  // namespace hakobune
