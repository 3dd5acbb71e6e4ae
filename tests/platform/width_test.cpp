// The width mappings and upper-casing against the measured tables: every
// UTF-16 code unit, every character of code page 932, and the sequences.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "markup/markup.h"
#include "platform/text_mapping.h"
#include "tests/platform/helpers.h"
#include "tests/support/bytes.h"
#include "tests/support/reference_tables.h"

namespace kanadeya::platform {
namespace {

using test::HexWide;
using test::UnhexWide;

// Every character of code page 932 mapped by `map`: the table's result for
// a listed character, the character itself for any other.
void ExpectEveryCharacterAsMeasured(const std::string& file,
                                    const std::function<std::string(std::string_view)>& map) {
  const auto table = test::LoadMappingTable(file);
  ASSERT_GT(table.size(), 500u);
  test::ForEachCp932Character(test::IsCp932Character, [&](const std::string& c) {
    const auto listed = table.find(c);
    EXPECT_BYTES_EQ(listed == table.end() ? c : listed->second, map(c));
  });
}

void ExpectEveryUnitAsMeasured(const std::string& file, uint32_t flags) {
  std::map<char16_t, std::string> table;
  for (const auto& row : test::LoadRows(file))
    if (row.size() >= 2) table[UnhexWide(row[0])[0]] = row[1];
  ASSERT_GT(table.size(), 200u);
  for (uint32_t unit = 1; unit <= 0xFFFF; ++unit) {
    if (unit >= 0xD800 && unit <= 0xDFFF) continue;
    const std::u16string source(1, static_cast<char16_t>(unit));
    const auto listed = table.find(static_cast<char16_t>(unit));
    const std::string expected = listed == table.end() ? HexWide(source) : listed->second;
    EXPECT_EQ(expected, HexWide(MapWideText(source, flags))) << "U+" << HexWide(source);
  }
}

TEST(MapWideText, HalfWidthOfEveryCodeUnit) {
  ExpectEveryUnitAsMeasured("utf16-halfwidth.tsv", kMapHalfWidth);
}

TEST(MapWideText, FullWidthOfEveryCodeUnit) {
  ExpectEveryUnitAsMeasured("utf16-fullwidth.tsv", kMapFullWidth);
}

TEST(MapWideText, FullWidthComposesHalfWidthVoicedLetters) {
  static const struct {
    std::u16string_view source, expected;
  } rows[] = {
      {u"ｶﾞ", u"ガ"},
      {u"ﾊﾟﾋﾟ", u"パピ"},
      {u"ｳﾞｧ", u"ヴァ"},
      {u"ﾜﾞｦﾞ", u"\u30F7\u30FA"},    // ヷ ヺ
      {u"ヰﾞヱﾞ", u"\u30F8\u30F9"},  // ヸ ヹ: no half-width base
      {u"ヽﾞ", u"ヾ"},
      {u"ｶﾟ", u"カ\u309A"},         // ｶ has no semi-voiced form
      {u"ｱﾞ", u"ア\u3099"},         // nor ｱ a voiced one
      {u"カﾞ", u"カ\u3099"},        // a full-width base does not compose
      {u"ｶ\u3099", u"カ\u3099"},    // nor does a combining mark
      {u"ｶﾞﾞ", u"ガ\u3099"},        // a second mark stays alone
      {u"ﾞ゛", u"\u3099\u3099"},    // lone marks become combining marks
      {u"a b\\", u"ａ\u3000ｂ\\"},  // the backslash stays
  };
  for (const auto& row : rows)
    EXPECT_EQ(HexWide(row.expected), HexWide(MapWideText(row.source, kMapFullWidth)))
        << HexWide(row.source);
}

TEST(MapWideText, HalfWidthSplitsVoicedLetters) {
  static const struct {
    std::u16string_view source, expected;
  } rows[] = {
      {u"ガパヴ", u"ｶﾞﾊﾟｳﾞ"},
      {u"ヾヸ", u"ヽﾞヰﾞ"},    // no half-width base: the base stays full-width
      {u"がゞ", u"がゞ"},      // hiragana stay
      {u"＼￥", u"＼\u00A5"},  // ＼ stays
  };
  for (const auto& row : rows)
    EXPECT_EQ(HexWide(row.expected), HexWide(MapWideText(row.source, kMapHalfWidth)))
        << HexWide(row.source);
}

TEST(AnsiHalfWidth, EveryCharacterAsMeasured) {
  ExpectEveryCharacterAsMeasured("cp932-halfwidth.tsv", AnsiHalfWidth);
}

TEST(AnsiHalfWidth, SequencesAsMeasured) {
  // Columns: kind, source, result, per-character concatenation. The
  // overflow rows show the old 256-byte buffer's cut; the whole text is
  // mapped now, which gives the concatenation.
  int rows = 0;
  for (const auto& row : test::LoadRows("cp932-halfwidth-sequences.tsv")) {
    ASSERT_GE(row.size(), 4u);
    const bool overflow = row[0].rfind("overflow", 0) == 0;
    EXPECT_BYTES_EQ(test::Unhex(overflow ? row[3] : row[2]), AnsiHalfWidth(test::Unhex(row[1])))
        << row[0];
    ++rows;
  }
  EXPECT_GT(rows, 500);
}

TEST(AnsiHalfWidth, WholeTextUpToItsFirstZeroByte) {
  static const struct {
    std::string_view source, expected;
  } rows[] = {
      {"", ""},
      {std::string_view("\x83\x4b\0\x83\x4b", 5), "\xb6\xde"},  // ガ, cut at the zero byte
      {"\x81\x53", "\x81\x52\xde"},                             // ヾ grows to 3 bytes
      {"\x81\x8f\x81\x5f", "\\\x81\x5f"},                       // ￥ becomes 0x5C, ＼ stays
      {"\x81\x9b\x81\xa8", "??"},  // ○ and → have no half-width code
  };
  for (const auto& row : rows) EXPECT_BYTES_EQ(row.expected, AnsiHalfWidth(row.source));
  // 300 × ヾ: far beyond the old 256-byte buffer, mapped whole.
  std::string longText, longExpected;
  for (int i = 0; i < 300; ++i) {
    longText += "\x81\x53";
    longExpected += "\x81\x52\xde";
  }
  EXPECT_BYTES_EQ(longExpected, AnsiHalfWidth(longText));
}

TEST(AnsiUpperCase, EveryCharacterAsMeasured) {
  // The measured upper-casing also turns duplicate codes into the code
  // page's canonical ones (those rows are in the table); the result is
  // compared after that round trip.
  ExpectEveryCharacterAsMeasured("cp932-charupper.tsv", [](std::string_view c) {
    return WideToAnsi(AnsiToWide(AnsiUpperCase(c)));
  });
}

TEST(AnsiUpperCase, NeverTouchesSecondBytes) {
  static const struct {
    std::string_view source, expected;
  } rows[] = {
      {"abc xyz", "ABC XYZ"},
      {"\x83\x61\x83\x7a", "\x83\x61\x83\x7a"},  // ヂホ: second bytes 'a' and 'z'
      {"\x82\x81z", "\x82\x60Z"},                // ａz
  };
  for (const auto& row : rows) EXPECT_BYTES_EQ(row.expected, AnsiUpperCase(row.source));
}

TEST(UpperFullWidth, EveryCharacterAsMeasured) {
  ExpectEveryCharacterAsMeasured("cp932-upperfullwidth.tsv", UpperFullWidth);
}

TEST(UpperFullWidth, SequencesAsMeasured) {
  int rows = 0;
  for (const auto& row : test::LoadRows("cp932-upperfullwidth-sequences.tsv")) {
    ASSERT_GE(row.size(), 3u);
    EXPECT_BYTES_EQ(test::Unhex(row[2]), UpperFullWidth(test::Unhex(row[1]))) << row[0];
    ++rows;
  }
  EXPECT_GT(rows, 150);
}

}  // namespace
}  // namespace kanadeya::platform
