// The lookup run: one call of DownlaodFunc. For each code line it asks the
// host for the search key, has the host download the search page and the
// first detail page into "Temp.html", parses that page into BookRecord,
// completes the record from the host's "Setting.ini" and collects one output
// line. At the end (or on a stop request) the lines are written to the output
// file, each followed by CR LF.
#pragma once

#include <string>
#include <string_view>

namespace kanadeya {

// The catalogue site's scheme and host, no trailing slash (a build setting):
// the site of every run unless kanadeya.ini names another.
inline constexpr std::string_view SiteBaseUrl = KANADEYA_SITE_BASE_URL;

// The data directory of the latest run, stored unchanged (it ends with a
// path separator; file names are formed by plain concatenation).
extern std::string DataDirectory;

// One run. `codes` may be null. Failures that the run handles (no codes, no
// host, a bad site address in kanadeya.ini, no connection) are shown to the
// user; any other failure is thrown
// after the run's clean-up, and the export reports it.
void RunLookup(const char* data_dir, const char* output_file, const char* codes);

// The detail id of a search-result page: the text after the first
// "<td><a href=\"/detail/view.php?id=" on the first line (from the second
// line on) that holds it, up to the next double quote. Empty when no line
// holds the marker or no quote follows it on that line.
std::string FindDetailId(std::string_view page);

}  // namespace kanadeya
