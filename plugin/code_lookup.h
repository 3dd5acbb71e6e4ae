// One code's lookup: the host's check gives its search key, the host
// downloads the search page and the first book's detail page into
// "Temp.html", the page is parsed into a record, and the record is completed
// from the host's dictionaries and "Setting.ini" into one output line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "plugin/code_outcome.h"
#include "plugin/run_journal.h"

namespace kanadeya {

class LookupRun;

// What the lookup of one code gave.
struct CodeLookup {
  CodeOutcome outcome = CodeOutcome::kFound;
  std::string line;   // the output line, for kFound
  std::string title;  // the book's title and volume, for kFound
  std::string key;    // the search key the host's check returned
  std::string url;    // the address asked for last
  // What went wrong, for the log: the page's file and why, for
  // kPageFileInTheWay and kPageFileUnreadable; the address and the size, for
  // kPageTooLarge; what failed, for kLookupFailed.
  std::string fault;
  size_t markers_found = 0;   // known markers on the detail page
  bool product_name = false;  // the detail page's product name was read
  bool connected = false;     // the connection test passed
  size_t candidates = 0;      // the books the search page listed
  // Where the detail page came from; for kFound it stays in the run's
  // page buffer (PluginState::page_work.bytes) until the next code.
  PageSource source = PageSource::kSite;
  std::string page_url;  // the detail page's address

  // What the log line names besides the outcome: the title of a book, what
  // went wrong, or else the address asked for; none where the outcome
  // names nothing.
  std::optional<std::string_view> LoggedDetail() const;
};

// Looks up one code line on the run's site. The code list's line is not
// kept: the search key that takes its place is only ever used for this
// code's search. Anything thrown meanwhile, running out of memory included,
// ends this code alone (kLookupFailed).
CodeLookup LookupCode(LookupRun& run, std::string_view code_line);

// Builds the book that an earlier run found for `code` from the page its
// journal holds, at the address it was found at (the earlier run's site)
// and with this run's dictionaries and settings.
CodeLookup RebuildBook(LookupRun& run, const EarlierRun& earlier, const JournalCode& code);

}  // namespace kanadeya
