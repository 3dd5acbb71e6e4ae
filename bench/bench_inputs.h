// Inputs of the benchmarks, generated from a seed: the same seed and size give
// the same bytes on every machine. Japanese text is drawn from JIS X 0208
// (hiragana, katakana and the first-level kanji, all defined in EUC-JP and
// code page 932) and from the system's own texts (markers, role words, date
// marks), so that the parsers meet the forms they are made for.
//
// Results are Shift_JIS unless a name says EUC-JP. Every generator caches
// what it made, so a benchmark that runs several times builds its input once;
// the references returned stay valid until the program ends.
//
//   const std::string& page = bench::DetailPageEuc(50'000, 1);
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kanadeya::bench {

// HTML in EUC-JP of about `bytes` bytes (never less), about 40 % of them
// outside ASCII: tags and attributes in ASCII, text in runs of kanji and
// kana, now and then half-width katakana.
const std::string& EucJpHtml(size_t bytes, uint32_t seed);

// A detail page in EUC-JP of about `bytes` bytes (never less) with all ten
// markers once and a contents block whose number of items grows with the
// size (20 items at 40 KB), padded with rows of recommended books.
const std::string& DetailPageEuc(size_t bytes, uint32_t seed);

// The Shift_JIS text in EUC-JP: double-byte characters by the inverse of the
// arithmetic mapping, half-width katakana behind 0x8E, other bytes as they
// are. EucToShiftJis(ShiftJisToEuc(t)) == t for text of those characters.
std::string ShiftJisToEuc(std::string_view sjis);

// One line of about `bytes` bytes in which `pattern` occurs about once every
// eight characters, between kanji, kana and ASCII.
const std::string& TextWithPattern(size_t bytes, std::string_view pattern, uint32_t seed);

// One line of about `bytes` bytes of markup: short tags around short texts,
// an HTML comment now and then.
const std::string& MarkupLine(size_t bytes, uint32_t seed);

// `count` product names, author credits and first-edition dates in the forms
// the catalogue uses (volumes in many styles, roles and readings, dates in
// kanji, dots, slashes and digits), all different.
const std::vector<std::string>& ProductNames(size_t count, uint32_t seed);
const std::vector<std::string>& AuthorCredits(size_t count, uint32_t seed);
const std::vector<std::string>& EditionDates(size_t count, uint32_t seed);

// The host's three dictionaries, in the line forms the lookups rely on, and
// what to look up in them: names of which three in four are in the author
// dictionary, codes of which four in five have a publisher, (publisher,
// genre) pairs of which four in five have a label.
struct Dictionaries {
  std::string authors;     // "AuthDB.dat", CR LF lines
  std::string publishers;  // "PubDB.dat"
  std::string labels;      // "LabelsDB.dat"
  std::vector<std::string> names;
  std::vector<std::string> codes;
  std::vector<std::pair<std::string, std::string>> publisher_genres;
};
const Dictionaries& DictionaryFiles(size_t author_lines, size_t publisher_lines, size_t label_lines,
                                    uint32_t seed);

// A folder for the files of one benchmark program, with a trailing
// separator; removed with what it holds when the program ends.
const std::string& ScratchFolder();

// Writes `contents` to ScratchFolder() + `name` and gives the file a last
// write time an hour ago, as a host's file that is not being edited has.
std::string WriteSettledFile(std::string_view name, std::string_view contents);

}  // namespace kanadeya::bench
