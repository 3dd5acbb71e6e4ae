#include "bench/bench_inputs.h"

#include <malloc.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <tuple>

#include "fields/system_texts.h"
#include "record/dictionaries.h"
#include "scrape/euc_jp.h"
#include "scrape/system_texts.h"

namespace kanadeya::bench {

namespace {

// Buffers of megabytes are taken from the heap and kept there when freed,
// so that a benchmark that makes the same large text again and again
// measures its own work rather than the kernel handing out fresh pages.
const bool kKeepLargeBuffers = [] {
  mallopt(M_MMAP_THRESHOLD, 512 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  return true;
}();

// A small deterministic source of choices: the same seed gives the same
// sequence everywhere (mt19937's output is fixed by the standard, and only
// its raw output is used).
class Chooser {
 public:
  explicit Chooser(uint32_t seed) : engine_(seed) {}
  // A number from 0 to n - 1. REQUIRES: n > 0.
  size_t Below(size_t n) { return static_cast<size_t>(engine_() % n); }
  size_t Between(size_t low, size_t high) { return low + Below(high - low + 1); }
  bool OneIn(size_t n) { return Below(n) == 0; }

  std::string Kanji(size_t count);
  std::string Hiragana(size_t count);
  std::string Katakana(size_t count);
  std::string HalfWidthKatakana(size_t count);
  std::string Digits(size_t count);

 private:
  std::string JisCharacters(size_t count, unsigned char row_low, unsigned char row_high,
                            unsigned char cell_high);
  std::mt19937 engine_;
};

template <typename T, typename Make>
const T& Cached(std::map<std::tuple<size_t, uint32_t, std::string>, std::unique_ptr<T>>& cache,
                size_t size, uint32_t seed, std::string_view extra, Make make);

std::string EucJpHtmlText(size_t bytes, uint32_t seed);
std::string DetailPageText(size_t bytes, uint32_t seed);
std::string FullWidthDigits(std::string_view digits);
std::string RecommendationRow(Chooser& choose, size_t number);
Dictionaries MakeDictionaries(size_t author_lines, size_t publisher_lines, size_t label_lines,
                              uint32_t seed);

}  // namespace

const std::string& EucJpHtml(size_t bytes, uint32_t seed) {
  static std::map<std::tuple<size_t, uint32_t, std::string>, std::unique_ptr<std::string>> cache;
  return Cached(cache, bytes, seed, "", [&] { return EucJpHtmlText(bytes, seed); });
}

const std::string& DetailPageEuc(size_t bytes, uint32_t seed) {
  static std::map<std::tuple<size_t, uint32_t, std::string>, std::unique_ptr<std::string>> cache;
  return Cached(cache, bytes, seed, "", [&] { return ShiftJisToEuc(DetailPageText(bytes, seed)); });
}

std::string ShiftJisToEuc(std::string_view sjis) {
  std::string euc;
  euc.reserve(sjis.size() + sjis.size() / 4);
  for (size_t i = 0; i < sjis.size(); ++i) {
    const auto b = static_cast<unsigned char>(sjis[i]);
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    if (lead && i + 1 < sjis.size()) {
      const auto t = static_cast<unsigned char>(sjis[++i]);
      unsigned row = (b - (b < 0xA0 ? 0x70u : 0xB0u)) * 2 - 1;
      unsigned cell;
      if (t >= 0x9F) {
        row += 1;
        cell = t - 0x7Eu;
      } else {
        cell = t - (t > 0x7F ? 0x20u : 0x1Fu);
      }
      euc += static_cast<char>(row | 0x80);
      euc += static_cast<char>(cell | 0x80);
    } else if (b >= 0xA1 && b <= 0xDF) {
      euc += '\x8e';
      euc += static_cast<char>(b);
    } else {
      euc += static_cast<char>(b);
    }
  }
  return euc;
}

const std::string& TextWithPattern(size_t bytes, std::string_view pattern, uint32_t seed) {
  static std::map<std::tuple<size_t, uint32_t, std::string>, std::unique_ptr<std::string>> cache;
  return Cached(cache, bytes, seed, pattern, [&] {
    Chooser choose(seed);
    std::string text;
    text.reserve(bytes + 64);
    while (text.size() < bytes) {
      for (size_t k = 0, n = choose.Between(4, 12); k < n; ++k) {
        switch (choose.Below(3)) {
          case 0:
            text += choose.Kanji(1);
            break;
          case 1:
            text += choose.Hiragana(1);
            break;
          default:
            text += static_cast<char>('a' + choose.Below(26));
            break;
        }
      }
      text += pattern;
    }
    return text;
  });
}

const std::string& MarkupLine(size_t bytes, uint32_t seed) {
  static std::map<std::tuple<size_t, uint32_t, std::string>, std::unique_ptr<std::string>> cache;
  return Cached(cache, bytes, seed, "", [&] {
    static const char* const kTags[] = {"b", "i", "span", "a", "td", "div"};
    Chooser choose(seed);
    std::string line;
    line.reserve(bytes + 64);
    while (line.size() < bytes) {
      const std::string tag = kTags[choose.Below(std::size(kTags))];
      if (choose.OneIn(8)) line += "<!-- " + choose.Hiragana(3) + " -->";
      line += "<" + tag + (choose.OneIn(2) ? " class=\"c" + choose.Digits(2) + "\">" : ">");
      line += choose.OneIn(2) ? choose.Kanji(choose.Between(1, 6)) : "x&nbsp;&lt;y&gt;";
      line += "</" + tag + ">";
    }
    return line;
  });
}

const std::vector<std::string>& ProductNames(size_t count, uint32_t seed) {
  static std::map<std::tuple<size_t, uint32_t, std::string>,
                  std::unique_ptr<std::vector<std::string>>>
      cache;
  return Cached(cache, count, seed, "", [&] {
    Chooser choose(seed);
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i) {
      const std::string title = choose.Kanji(choose.Between(2, 6)) + choose.Katakana(3);
      const std::string number = std::to_string(choose.Between(1, 40));
      const std::string numeral(kKanjiNumerals.substr(2 * choose.Below(9), 2));
      switch (i % 10) {
        case 0:
          names.push_back(title + std::string(kFullWidthSpace) + std::string(kOrdinalMark) +
                          FullWidthDigits(number) + std::string(kVolumeSuffix));
          break;
        case 1:
          names.push_back(title + " Vol." + number);
          break;
        case 2:
          names.push_back(title + " (" + number + ")");
          break;
        case 3:
          names.push_back(title + std::string(kOpenAngleBracket) + choose.Kanji(2) +
                          std::string(kCloseAngleBracket));
          break;
        case 4:
          names.push_back(title + " No." + number + "(CD" + choose.Kanji(1) + ")");
          break;
        case 5:
          names.push_back(title + std::string(kFullWidthOpenParen) + std::string(kVolumeFirst) +
                          std::string(kFullWidthCloseParen));
          break;
        case 6:
          names.push_back(title + std::string(kOrdinalMark) + numeral +
                          std::string(kCollectionSuffix));
          break;
        case 7:
          names.push_back(title + " IV");
          break;
        case 8:
          names.push_back(title + " " + choose.Kanji(2) + std::string(kPartMark) + number);
          break;
        default:
          names.push_back(title);
          break;
      }
    }
    return names;
  });
}

const std::vector<std::string>& AuthorCredits(size_t count, uint32_t seed) {
  static std::map<std::tuple<size_t, uint32_t, std::string>,
                  std::unique_ptr<std::vector<std::string>>>
      cache;
  return Cached(cache, count, seed, "", [&] {
    static const std::string_view kRoles[] = {
        kRoleAuthor,     kRoleSupervision, kRoleEditedAndWritten, kRoleTranslationShort,
        kRoleCommentary, kRoleEditing,     kRoleOriginal,         kRoleIllustration};
    Chooser choose(seed);
    std::vector<std::string> credits;
    for (size_t i = 0; i < count; ++i) {
      if (i % 7 == 6) {  // a single name without roles
        credits.push_back(choose.Kanji(2) + " " + choose.Kanji(2));
        continue;
      }
      std::string credit;
      for (size_t k = 0, n = choose.Between(1, 3); k < n; ++k) {
        if (k > 0) credit += kFullWidthSpace;
        credit += kRoles[choose.Below(std::size(kRoles))];
        credit += kFullWidthSlash;
        credit += choose.Kanji(2) + choose.Kanji(choose.Between(1, 2));
        if (choose.OneIn(2))
          credit += std::string(kReadingOpen) + choose.Hiragana(6) + std::string(kReadingClose);
      }
      if (i % 11 == 5) credit += std::string(kFullWidthSpace) + std::string(kOthersKanji);
      credits.push_back(credit);
    }
    return credits;
  });
}

const std::vector<std::string>& EditionDates(size_t count, uint32_t seed) {
  static std::map<std::tuple<size_t, uint32_t, std::string>,
                  std::unique_ptr<std::vector<std::string>>>
      cache;
  return Cached(cache, count, seed, "", [&] {
    Chooser choose(seed);
    std::vector<std::string> dates;
    for (size_t i = 0; i < count; ++i) {
      const std::string y = std::to_string(choose.Between(1960, 2030));
      const std::string m = std::to_string(choose.Between(1, 12));
      const std::string d = std::to_string(choose.Between(1, 28));
      const std::string mm = (m.size() < 2 ? "0" : "") + m;
      const std::string dd = (d.size() < 2 ? "0" : "") + d;
      switch (i % 7) {
        case 0:
          dates.push_back(y + std::string(kYearMark) + m + std::string(kMonthMark) + d +
                          std::string(kDayMark));
          break;
        case 1:
          dates.push_back(y + "." + mm + "." + dd);
          break;
        case 2:
          dates.push_back(y + mm + dd);
          break;
        case 3:
          dates.push_back(y + "/" + m);
          break;
        case 4:
          dates.push_back(y.substr(2) + std::string(kYearMark) + m + std::string(kMonthMark));
          break;
        case 5:
          dates.push_back(y.substr(2) + mm + dd);
          break;
        default:
          dates.push_back(FullWidthDigits(y) + std::string(kYearMark) + FullWidthDigits(m) +
                          std::string(kMonthMark));
          break;
      }
    }
    return dates;
  });
}

const Dictionaries& DictionaryFiles(size_t author_lines, size_t publisher_lines, size_t label_lines,
                                    uint32_t seed) {
  static std::map<std::tuple<size_t, uint32_t, std::string>, std::unique_ptr<Dictionaries>> cache;
  const std::string sizes = std::to_string(publisher_lines) + "/" + std::to_string(label_lines);
  return Cached(cache, author_lines, seed, sizes,
                [&] { return MakeDictionaries(author_lines, publisher_lines, label_lines, seed); });
}

const std::string& ScratchFolder() {
  struct Folder {
    std::filesystem::path path;
    Folder() {
      std::random_device random;
      path = std::filesystem::temp_directory_path() /
             ("kanadeya-bench-" + std::to_string(random()) + std::to_string(random()));
      std::filesystem::create_directories(path);
    }
    ~Folder() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  };
  static const Folder folder;
  static const std::string text = folder.path.string() + "/";
  return text;
}

std::string WriteSettledFile(std::string_view name, std::string_view contents) {
  const std::string path = ScratchFolder() + std::string(name);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  }
  std::filesystem::last_write_time(
      path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  return path;
}

namespace {

template <typename T, typename Make>
const T& Cached(std::map<std::tuple<size_t, uint32_t, std::string>, std::unique_ptr<T>>& cache,
                size_t size, uint32_t seed, std::string_view extra, Make make) {
  auto& slot = cache[{size, seed, std::string(extra)}];
  if (!slot) slot = std::make_unique<T>(make());
  return *slot;
}

std::string Chooser::JisCharacters(size_t count, unsigned char row_low, unsigned char row_high,
                                   unsigned char cell_high) {
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    const auto row = static_cast<unsigned char>(Between(row_low, row_high));
    const auto cell = static_cast<unsigned char>(Between(0x21, cell_high));
    const auto bytes = JisToShiftJis(row, cell);
    text += static_cast<char>(bytes[0]);
    text += static_cast<char>(bytes[1]);
  }
  return text;
}

// The first-level kanji rows 0x30-0x4E are defined in full.
std::string Chooser::Kanji(size_t count) { return JisCharacters(count, 0x30, 0x4E, 0x7E); }
std::string Chooser::Hiragana(size_t count) { return JisCharacters(count, 0x24, 0x24, 0x73); }
std::string Chooser::Katakana(size_t count) { return JisCharacters(count, 0x25, 0x25, 0x76); }

std::string Chooser::HalfWidthKatakana(size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += static_cast<char>(Between(0xA6, 0xDD));
  return text;
}

std::string Chooser::Digits(size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += static_cast<char>('0' + Below(10));
  return text;
}

std::string FullWidthDigits(std::string_view digits) {
  std::string text;
  for (char c : digits) {
    text += '\x82';
    text += static_cast<char>(0x4F + (c - '0'));  // ０ is 0x82 0x4F
  }
  return text;
}

// ASCII markup and runs of Japanese text in turn, a run whenever the share
// of bytes outside ASCII has fallen below 40 %.
std::string EucJpHtmlText(size_t bytes, uint32_t seed) {
  static const char* const kOpen[] = {"<div class=\"item\">",
                                      "<td align=\"left\">",
                                      "<a href=\"/detail/view.php?id=",
                                      "<span class=\"note\">",
                                      "<p>",
                                      "<li>"};
  Chooser choose(seed);
  std::string sjis;
  sjis.reserve(bytes + 256);
  size_t outside = 0;
  while (sjis.size() < bytes) {
    if (outside * 10 < sjis.size() * 4) {
      std::string run;
      switch (choose.Below(10)) {
        case 0:
        case 1:
        case 2:
        case 3:
          run = choose.Kanji(choose.Between(2, 12));
          break;
        case 4:
        case 5:
        case 6:
          run = choose.Hiragana(choose.Between(2, 12));
          break;
        case 7:
        case 8:
          run = choose.Katakana(choose.Between(2, 8));
          break;
        default:
          run = choose.HalfWidthKatakana(choose.Between(2, 8));
          break;
      }
      outside += run.size();
      sjis += run;
    } else {
      const char* open = kOpen[choose.Below(std::size(kOpen))];
      sjis += open;
      if (open[1] == 'a') sjis += choose.Digits(6) + "\">";
      if (choose.OneIn(3)) sjis += "</div>\n";
      if (choose.OneIn(5)) sjis += "&nbsp;" + choose.Digits(4) + " ";
    }
  }
  return ShiftJisToEuc(sjis);
}

std::string RecommendationRow(Chooser& choose, size_t number) {
  return "<li class=\"Osusume\"><a href=\"/detail/view.php?id=R" + std::to_string(100000 + number) +
         "\">" + choose.Kanji(choose.Between(3, 8)) + choose.Katakana(4) +
         "</a>&nbsp;<span class=\"Price\">" + std::to_string(choose.Between(1, 9)) + "," +
         choose.Digits(3) + std::string(kPriceYen) + "</span>&nbsp;<span class=\"Note\">" +
         choose.Hiragana(choose.Between(4, 12)) + "</span></li>\n";
}

// The layout of the catalogue's detail page: a label line followed by its
// value line, the author row, the contents block, rows of other books.
std::string DetailPageText(size_t bytes, uint32_t seed) {
  Chooser choose(seed);
  std::string page =
      "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
      "charset=EUC-JP\">\n<title>" +
      choose.Kanji(6) +
      "</title>\n</head>\n<body>\n"
      "<div id=\"Navi\">\n";
  size_t row = 0;
  for (; row < 20; ++row) page += RecommendationRow(choose, row);
  page += "</div>\n";
  auto value = [&page](std::string_view marker, const std::string& text) {
    page += marker;
    page += "\n\t<div id=\"SyosaiValue\">" + text + "</div>\n";
  };
  const std::string name = choose.Kanji(4) + choose.Katakana(3) + std::string(kFullWidthSpace) +
                           std::string(kOrdinalMark) + FullWidthDigits("2") +
                           std::string(kVolumeSuffix);
  page += std::string(kMarkerImage) + "/images/cover/B" + choose.Digits(6) + ".jpg" +
          std::string(kImageEnd) + "\"" + name + "\"></div>\n";
  value(kMarkerProductName, name);
  value(kMarkerPublisher, choose.Hiragana(4) + choose.Kanji(4));
  value(std::string(kMarkerSize) + std::string(kFullWidthColon) + "</div>", choose.Kanji(3));
  page += "<table class=\"Author\"><tr>" + std::string(kMarkerAuthor) +
          "<td><a href=\"/search/author.php?" + std::string(kAuthorKeyStart) +
          AuthorCredits(1, seed)[0] + "\">" + choose.Kanji(3) + "</a></td></tr></table>\n";
  value(kMarkerGenre, choose.Katakana(3) + std::string(kNameDot) + choose.Katakana(2));
  value(kMarkerEditionDate, EditionDates(1, seed)[0]);
  value(kMarkerPrice, std::string(kPriceColon) + "2,420" + std::string(kPriceYen) +
                          std::string(kPriceTaxIncluded));
  value(kMarkerMemo,
        choose.Kanji(10) + "&quot;" + choose.Hiragana(5) + "&quot;&amp;" + choose.Kanji(8));
  page += std::string(kMarkerContentsStart) + "\n";
  const size_t items = std::max<size_t>(20, bytes / 2000);
  for (size_t item = 1; item <= items; ++item) {
    page += std::string(kMarkerContentsItem) + "No\">" + std::to_string(item) + ".</div>\n";
    page += std::string(kMarkerContentsItem) + "Name\">" + choose.Kanji(4) +
            std::string(kLineBreakTag) + choose.Kanji(2) + std::string(kFullWidthColon) +
            choose.Kanji(3) + "</div>" +
            (item % 4 == 0 ? std::string(kMarkerContentsItemEnd) : std::string()) + "\n";
  }
  page += std::string(kMarkerContentsEnd) + "\n<div id=\"Osusume\">\n";
  const std::string footer =
      "</div>\n<div id=\"Cart\"><a href=\"/cart/add.php\">cart</a></div>\n<hr>\n"
      "<div id=\"Foot\">\n<p>&nbsp;|&nbsp;</p>\n</div>\n</body>\n</html>\n";
  // Sizes are counted in EUC-JP, where half-width katakana take two bytes;
  // these rows have none, so Shift_JIS and EUC-JP sizes agree.
  while (page.size() + footer.size() < bytes) page += RecommendationRow(choose, row++);
  return page + footer;
}

Dictionaries MakeDictionaries(size_t author_lines, size_t publisher_lines, size_t label_lines,
                              uint32_t seed) {
  Chooser choose(seed);
  Dictionaries d;
  std::set<std::string> seen;
  std::vector<std::pair<std::string, std::string>> people;  // family, given
  while (people.size() < author_lines) {
    std::string family = choose.Kanji(2), given = choose.Kanji(choose.Between(1, 2));
    if (!seen.insert(family + given).second) continue;
    const std::string name = family + " " + given;
    d.authors += "|" + NormaliseDictionaryKey(name) + "|" + name + "|" + choose.Katakana(6) + "|" +
                 (choose.OneIn(4) ? choose.Kanji(3) : std::string()) + "|\r\n";
    people.emplace_back(family, given);
  }
  for (size_t i = 0; i < 4 * 1024; ++i) {
    if (i % 4 == 3) {
      d.names.push_back(choose.Hiragana(5));  // not in the dictionary
    } else {
      const auto& [family, given] = people[choose.Below(people.size())];
      d.names.push_back(i % 2 ? family + given : family + std::string(kNameDot) + given);
    }
  }

  // Prefix-free publisher codes of 4 to 6 digits, so that a code's own
  // publisher is the one found.
  std::set<std::string> prefixes, leading;
  std::vector<std::pair<std::string, std::string>> publishers;
  while (publishers.size() < publisher_lines) {
    const std::string prefix =
        std::to_string(choose.Between(1, 9)) + choose.Digits(choose.Between(3, 5));
    bool clash = leading.count(prefix) != 0;
    for (size_t n = 2; n <= prefix.size() && !clash; ++n)
      clash = prefixes.count(prefix.substr(0, n));
    if (clash) continue;
    prefixes.insert(prefix);
    for (size_t n = 2; n <= prefix.size(); ++n) leading.insert(prefix.substr(0, n));
    const std::string name =
        choose.Hiragana(3) + choose.Kanji(2) + std::to_string(publishers.size());
    d.publishers += "|" + prefix + "|" + name + "\r\n";
    publishers.emplace_back(prefix, name);
  }
  for (size_t i = 0; i < 4 * 1024; ++i) {
    const std::string prefix =
        i % 5 == 4 ? choose.Digits(5) : publishers[choose.Below(publishers.size())].first;
    std::string code = "9784" + prefix;
    code += choose.Digits(13 - code.size());
    d.codes.push_back(code);
  }

  std::vector<std::string> genres;
  for (size_t g = 0; g < 20; ++g)
    genres.push_back(choose.Katakana(3) + (g % 3 == 0 ? std::string(kNameDot) : std::string()) +
                     choose.Katakana(2));
  const size_t labelled =
      std::min(publishers.size(), (label_lines + genres.size() - 1) / genres.size());
  for (size_t line = 0; line < label_lines; ++line) {
    const std::string& publisher = publishers[(line / genres.size()) % publishers.size()].second;
    const std::string& genre = genres[line % genres.size()];
    d.labels +=
        "|" + publisher + "|" + NormaliseDictionaryKey(genre) + "|" + choose.Kanji(4) + "\r\n";
  }
  for (size_t i = 0; i < 4 * 1024; ++i) {
    const std::string& publisher =
        publishers[i % 5 == 4 ? choose.Below(publishers.size()) : choose.Below(labelled)].second;
    d.publisher_genres.emplace_back(publisher, genres[choose.Below(genres.size())]);
  }
  return d;
}

}  // namespace

}  // namespace kanadeya::bench
