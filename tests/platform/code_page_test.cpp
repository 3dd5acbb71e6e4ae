// Code page 932 ⇄ UTF-16 against the measured round trip, over every
// character of the code page.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/text_mapping.h"
#include "tests/platform/helpers.h"
#include "tests/support/bytes.h"
#include "tests/support/reference_tables.h"

namespace kanadeya::platform {
namespace {

using test::HexWide;

TEST(AnsiToWide, EveryCharacterRoundTripsAsMeasured) {
  const auto table = test::LoadMappingTable("cp932-roundtrip.tsv");
  std::map<std::string, std::string> units;
  for (const auto& row : test::LoadRows("cp932-roundtrip.tsv"))
    if (row.size() >= 3) units[test::Unhex(row[0])] = row[2];
  int characters = 0;
  test::ForEachCp932Character(test::IsCp932Character, [&](const std::string& c) {
    ++characters;
    const std::u16string wide = AnsiToWide(c);
    ASSERT_EQ(wide.size(), 1u) << test::Hex(c);
    const auto listed = table.find(c);
    EXPECT_BYTES_EQ(listed == table.end() ? c : listed->second, WideToAnsi(wide));
    if (const auto unit = units.find(c); unit != units.end()) {
      EXPECT_EQ(unit->second, HexWide(wide)) << test::Hex(c);
    }
  });
  // 191 single bytes and 9,604 double-byte codes, 1,880 of them user-defined.
  EXPECT_EQ(characters, 9795);
}

TEST(AnsiToWide, KnownCharacters) {
  static const struct {
    std::string_view ansi;
    std::u16string_view wide;
  } rows[] = {
      {"a\\~", u"a\\~"},              // ASCII as it is, 0x5C included
      {"\xb1\xdf", u"\uFF71\uFF9F"},  // ｱﾟ
      {"\x8d\x77\x93\xfc", u"購入"},
      {"\x81\x5f\x81\x60", u"\uFF3C\uFF5E"},              // ＼～
      {"\x87\x90", u"\u2252"},                            // ≒, NEC row 13
      {"\xed\x40\xfa\x5c", u"纊纊"},                      // NEC-selected IBM and IBM codes
      {"\xf0\x40\xf9\xfc", u"\uE000\uE757"},              // user-defined, first and last
      {"\x80\xa0\xfd\xff", u"\u0080\uF8F0\uF8F1\uF8F3"},  // no characters, but convertible
      {std::string_view("a\0b", 3), std::u16string_view(u"a\0b", 3)},
  };
  for (const auto& row : rows) EXPECT_EQ(HexWide(row.wide), HexWide(AnsiToWide(row.ansi)));
}

TEST(AnsiToWide, BytesThatAreNoCharacterBecomeTheDefault) {
  static const struct {
    std::string_view ansi;
    std::u16string_view wide;
  } rows[] = {
      {"a\x83", u"a・"},    // a lead byte at the end
      {"\x85\x40", u"・"},  // a code that is not assigned
#ifdef _WIN32
      // Win32 takes the byte after a stray lead byte with it.
      {"\x81 z", u"・z"},
      {"\x81\x7f", u"・"},
#else
      // The byte after a stray lead byte is kept.
      {"\x81 z", u"・ z"},
      {"\x81\x7f", u"・\x7f"},
      {"\x81\"\r\n", u"・\"\r\n"},
#endif
  };
  for (const auto& row : rows)
    EXPECT_EQ(HexWide(row.wide), HexWide(AnsiToWide(row.ansi))) << test::Hex(row.ansi);
}

TEST(WideToAnsi, CanonicalCodesBestFitsAndTheDefault) {
  static const struct {
    std::u16string_view wide;
    std::string_view ansi;
  } rows[] = {
      {u"\u2252", "\x81\xe0"},                // ≒: the JIS code, not NEC row 13
      {u"\u2170\uFF02", "\xfa\x40\xfa\x57"},  // ⅰ ＂: IBM codes, not NEC-selected IBM
      {u"\uFFE2", "\x81\xca"},                // ￢
      {u"\u00A5\u00A6", "\\|"},               // ¥ ¦ best fits
      {u"é\u00AB", "e\x81\xe1"},              // é « best fits
      {u"\u3094", "\x83\x94"},                // ゔ best fit ヴ
      {u"\u3099\u20AC", "??"},                // no code, no best fit
      {u"\U0001F600", "??"},                  // a surrogate pair: two code units
      {u"\uE757", "\xf9\xfc"},
      // µ · ¸ ¹ best fits
      {u"\u00B5\u00B7\u00B8\u00B9", "\x83\xca\x81\x45\x81\x43\x31"},
      {std::u16string_view(u"a\0b", 3), std::string_view("a\0b", 3)},
  };
  for (const auto& row : rows) EXPECT_BYTES_EQ(row.ansi, WideToAnsi(row.wide));
}

TEST(TestSupport, SjisAndUtf8UseTheCodePage) {
  EXPECT_BYTES_EQ("\x8d\x77\x93\xfc", test::Sjis("購入"));
  EXPECT_BYTES_EQ("\x83\x5c\x95\x5c\x83\x7c", test::Sjis("ソ表ポ"));
  EXPECT_EQ("ソ表ポ", test::Utf8("\x83\x5c\x95\x5c\x83\x7c"));
}

}  // namespace
}  // namespace kanadeya::platform
