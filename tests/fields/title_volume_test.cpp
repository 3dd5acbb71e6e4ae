#include "fields/title_volume.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "record/book_record.h"
#include "tests/support/bytes.h"

namespace kanadeya {
namespace {

struct SplitRow {
  std::string_view name, title, volume, remainder;
};

void ExpectSplits(const SplitRow& row) {
  BookRecord record;
  const std::string remainder = SplitTitleVolume(row.name, record);
  SCOPED_TRACE(test::Utf8(row.name));
  EXPECT_BYTES_EQ(row.title, record.Title);
  EXPECT_BYTES_EQ(row.volume, record.Volume);
  EXPECT_BYTES_EQ(row.remainder, remainder);
}

TEST(SplitTitleVolume, Examples) {
  static const SplitRow rows[] = {
      {SJ("ピアノ名曲集 第3巻"), SJ("ピアノ名曲集"), "3", ""},
      // full-width brackets and digit
      {SJ("ピアノ名曲集（２）"), SJ("ピアノ名曲集"), "2", ""},
      {SJ("ピアノ名曲集 (上)"), SJ("ピアノ名曲集"), SJ("上"), ""},
      {SJ("ピアノ名曲集 下巻"), SJ("ピアノ名曲集"), SJ("下"), ""},
      {SJ("ギター教本 3"), SJ("ギター教本"), "3", ""},
      {SJ("合唱曲集 第二十三集"), SJ("合唱曲集"), SJ("二十三"), ""},
      {SJ("ピアノ名曲集 IV"), SJ("ピアノ名曲集"), "IV", ""},
      {SJ("合唱曲集〈混声〉"), SJ("合唱曲集"), "", SJ("混声")},
      {SJ("合唱曲集 第1集〈混声〉"), SJ("合唱曲集"), "1", SJ("混声")},
      {SJ("ピアノ名曲集 (やさしい編曲) (2)"), SJ("ピアノ名曲集"), "2", SJ("やさしい編曲")},
      // the last volume-like group wins
      {SJ("ピアノ (3) (4)"), SJ("ピアノ"), "4", "3"},
      {SJ("ピアノ名曲集 (2) 改訂版"), SJ("ピアノ名曲集"), "2", SJ("改訂版")},
      {SJ("ピアノ名曲集 （ＣＤ付）"), SJ("ピアノ名曲集"), "", SJ("CD付")},
      {SJ("ピアノ名曲集 2 (CD付)"), SJ("ピアノ名曲集"), "2", SJ("CD付")},
      // nested group taken whole
      {SJ("ギター曲集 (改訂版(2))"), SJ("ギター曲集"), "", SJ("改訂版(2)")},
      {SJ("ピアノ名曲集12巻"), SJ("ピアノ名曲集"), "12", ""},
      // suffix put back
      {SJ("ピアノ名曲集巻"), SJ("ピアノ名曲集巻"), "", ""},
      // "編" stays in the title
      {SJ("ピアノ名曲集 初級編2"), SJ("ピアノ名曲集 初級編"), "2", ""},
      // nothing after "編"
      {SJ("ピアノ名曲集 後編"), SJ("ピアノ名曲集 後編"), "", ""},
      // the last word comes first
      {SJ("ギター教本 vol 12"), SJ("ギター教本 vol"), "12", ""},
      {SJ("ピアノ名曲集！ 第２巻"), SJ("ピアノ名曲集!"), "2", ""},
      // any one-byte word
      {SJ("ピアノ名曲集 A"), SJ("ピアノ名曲集"), "A", ""},
      {SJ("ピアノ名曲集 1A"), SJ("ピアノ名曲集 1A"), "", ""},
      {SJ("ピアノ名曲集第3巻"), SJ("ピアノ名曲集"), "3", ""},
      // no blank before "下"
      {SJ("ピアノ名曲集下巻"), SJ("ピアノ名曲集下巻"), "", ""},
      // digits count only before a suffix
      {SJ("ピアノ名曲集2"), SJ("ピアノ名曲集2"), "", ""},
      {SJ("ピアノ名曲集(第3巻)"), SJ("ピアノ名曲集"), "3", ""},
      {SJ("ピアノ名曲集（上巻）"), SJ("ピアノ名曲集"), SJ("上"), ""},
  };
  for (const auto& row : rows) ExpectSplits(row);
}

TEST(SplitTitleVolume, OddShapes) {
  static const SplitRow rows[] = {
      {"", "", "", ""},
      {"(2)", "", "2", ""},
      {SJ("12巻"), "", "12", ""},
      {"abc)", "", "", "abc"},  // a closing bracket alone
      // an empty group leaves no trace
      {SJ("ピアノ名曲集 ()"), SJ("ピアノ名曲集"), "", ""},
      {SJ("ピアノ名曲集 (巻)"), SJ("ピアノ名曲集"), "", ""},
      {SJ("(上)(下)"), "", SJ("下"), SJ("上")},
      // an angle-bracket note is never a volume
      {SJ("ピアノ〈2〉"), SJ("ピアノ"), "", "2"},
      // a note only at the very end
      {SJ("ピアノ〈A〉(3)"), SJ("ピアノ〈A〉"), "3", ""},
      {SJ("巻"), SJ("巻"), "", ""},
      // kanji numerals are not validated
      {SJ("ピアノ 十十"), SJ("ピアノ"), SJ("十十"), ""},
      {SJ("ピアノ XVX"), SJ("ピアノ"), "XVX", ""},
      // an empty last word is a volume: consumed, none set
      {SJ("abc 巻"), "abc", "", ""},
      {"a()b", "a", "", "b"},     // an empty inner group likewise
      {"a)b(c", "", "a", "b(c"},  // brackets the wrong way round
      {"  x  ", "x", "", ""},
  };
  for (const auto& row : rows) ExpectSplits(row);
}

// The Latin markers are found in the upper-case full-width copy of the name,
// and the title is cut from that copy.
TEST(SplitTitleVolume, LatinMarker) {
  static const SplitRow rows[] = {
      // the blank comes back full-width
      {SJ("ギター教本 Vol.3"), SJ("ギター教本　"), "3", ""},
      {SJ("ギター教本Vol.3"), SJ("ギター教本"), "3", ""},
      {SJ("ギター教本No.5(CD付)"), SJ("ギター教本"), "5", SJ("CD付")},
      // the last marker, not the "NO" in PIANO
      {"PIANO No.3", SJ("PIANO　"), "3", ""},
      // the title is upper-cased
      {"Piano no.2", SJ("PIANO　"), "2", ""},
      // only digits follow a marker
      {SJ("ギター教本 Vol.III"), SJ("ギター教本 Vol.III"), "", ""},
  };
  for (const auto& row : rows) ExpectSplits(row);
}

// Double-byte markers count only where they stand as characters.
TEST(SplitTitleVolume, MarkersStandAsCharacters) {
  static const SplitRow rows[] = {
      // 炎ｪ ends with the bytes of 巻
      {SJ("ピアノ 炎ｪ"), SJ("ピアノ 炎ｪ"), "", ""},
      // ヱ襦 holds the bytes of 第
      {SJ("ピアノヱ襦"), SJ("ピアノヱ襦"), "", ""},
      // メr ends with the bytes of 〉
      {SJ("ピアノ〈メr"), SJ("ピアノ〈メr"), "", ""},
  };
  for (const auto& row : rows) ExpectSplits(row);
}

TEST(SplitTitleVolume, VolumeAlreadyKnown) {
  BookRecord record;
  record.Volume = "9";
  EXPECT_BYTES_EQ(SJ("2 CD付"), SplitTitleVolume(SJ("ピアノ (2) (CD付)"), record));
  EXPECT_BYTES_EQ(SJ("ピアノ"), record.Title);
  EXPECT_BYTES_EQ("9", record.Volume);

  // No other form is tried.
  EXPECT_BYTES_EQ("", SplitTitleVolume(SJ("ピアノ 第3巻"), record));
  EXPECT_BYTES_EQ(SJ("ピアノ 第3巻"), record.Title);
  EXPECT_BYTES_EQ("9", record.Volume);
}

TEST(IsVolumeNumber, Forms) {
  struct Row {
    std::string_view candidate;
    bool expected;
  };
  static const Row rows[] = {
      {"", true},   // empty
      {"A", true},  // any one byte
      {"12", true},
      {SJ("上"), true},
      {SJ("上下"), false},
      {SJ("二十三"), true},
      {SJ("壱拾"), true},
      // the last byte of an odd length is not examined
      {SJ("二X"), true},
      {SJ("第3"), false},
      {"iv", true},
      {"XVX", true},
      {"1A", false},
      {"IVa", false},
  };
  for (const auto& row : rows)
    EXPECT_EQ(IsVolumeNumber(row.candidate), row.expected) << test::Utf8(row.candidate);
}

TEST(TrailingDigits, DigitsOrTheWholeText) {
  struct Row {
    std::string_view text, expected;
  };
  static const Row rows[] = {
      {"NO.12", "12"}, {"123", "123"}, {"abc", "abc"}, {"1a", "1a"}, {"", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(TrailingDigits(row.text), row.expected) << row.text;
}

}  // namespace
}  // namespace kanadeya
