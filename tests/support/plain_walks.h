// Plain transcriptions of rules that the library carries out in faster ways,
// written with no care for speed. The unit tests and the fuzz targets both
// compare the library against them, so they stand here once.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "record/book_record.h"
#include "record/dictionaries.h"

namespace kanadeya::test {

// The lines of `text` as SplitLines splits them, each followed by CR LF.
std::string PlainJoinLines(std::string_view text);

// The page's character references decoded by four passes of ReplaceAll in
// turn: "&amp;", "&quot;", "&lt;", "&gt;".
std::string PlainDecodeReferences(std::string_view page);

// The value behind the first occurrence of `key` in `text`, up to the first
// `end` after it or the end of the text; false when the key does not occur.
bool PlainFind(std::string_view text, std::string_view key, std::string_view end,
               std::string& value);

// The starts of the lines of `page` (lines each followed by CR LF) that hold
// `marker`.
std::vector<size_t> PlainLinesHolding(std::string_view page, std::string_view marker);

// The author list as sorted insertion builds it from `added`, an entry equal
// to one present (by the list's comparison) left out.
std::vector<std::string> PlainAuthorOrder(const std::vector<std::string>& added);

// The authors of `entries` placed into BookRecord one by one: the name
// without its role code, a reading in "［...］" cut off it, the dictionary's
// name, reading (when it has one) and extra on a hit; a name that is empty or
// occurs in the taken text (Author, Author2, OtherAuthors joined by CR LF,
// made again for every entry) is left out. OtherAuthors ends trimmed.
void PlainAssignAuthorSlots(const std::vector<std::string>& entries, Dictionary& authors,
                            BookRecord& book, bool use_first, bool use_second, bool use_others,
                            std::string_view others_prefix);

}  // namespace kanadeya::test
