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
  ClearBookRecord();
  const std::string remainder = SplitTitleVolume(row.name);
  SCOPED_TRACE(test::Utf8(row.name));
  EXPECT_BYTES_EQ(row.title, BookRecord.Title);
  EXPECT_BYTES_EQ(row.volume, BookRecord.Volume);
  EXPECT_BYTES_EQ(row.remainder, remainder);
}

TEST(SplitTitleVolume, Examples) {
  static const SplitRow rows[] = {
      // {"ピアノ名曲集 第3巻", "ピアノ名曲集", "3", ""}
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 \x91\xe6" "3\x8a\xaa", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57", "3", ""},
      // {"ピアノ名曲集（２）", "ピアノ名曲集", "2", ""}: full-width brackets and digit
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57\x81\x69\x82\x51\x81\x6a", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57", "2", ""},
      // {"ピアノ名曲集 (上)", "ピアノ名曲集", "上", ""}
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 (\x8f\xe3)", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57", "\x8f\xe3", ""},
      // {"ピアノ名曲集 下巻", "ピアノ名曲集", "下", ""}
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 \x89\xba\x8a\xaa", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57", "\x89\xba", ""},
      // {"ギター教本 3", "ギター教本", "3", ""}
      {"\x83\x4d\x83\x5e\x81\x5b\x8b\xb3\x96\x7b 3", "\x83\x4d\x83\x5e\x81\x5b\x8b\xb3\x96\x7b", "3", ""},
      // {"合唱曲集 第二十三集", "合唱曲集", "二十三", ""}
      {"\x8d\x87\x8f\xa5\x8b\xc8\x8f\x57 \x91\xe6\x93\xf1\x8f\x5c\x8e\x4f\x8f\x57", "\x8d\x87\x8f\xa5\x8b\xc8\x8f\x57", "\x93\xf1\x8f\x5c\x8e\x4f", ""},
      // {"ピアノ名曲集 IV", "ピアノ名曲集", "IV", ""}
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 IV", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57", "IV", ""},
      // {"合唱曲集〈混声〉", "合唱曲集", "", "混声"}
      {"\x8d\x87\x8f\xa5\x8b\xc8\x8f\x57\x81\x71\x8d\xac\x90\xba\x81\x72", "\x8d\x87\x8f\xa5\x8b\xc8\x8f\x57", "", "\x8d\xac\x90\xba"},
      // {"合唱曲集 第1集〈混声〉", "合唱曲集", "1", "混声"}
      {"\x8d\x87\x8f\xa5\x8b\xc8\x8f\x57 \x91\xe6" "1\x8f\x57\x81\x71\x8d\xac\x90\xba\x81\x72", "\x8d\x87\x8f\xa5\x8b\xc8\x8f\x57", "1", "\x8d\xac\x90\xba"},
      // {"ピアノ名曲集 (やさしい編曲) (2)", "ピアノ名曲集", "2", "やさしい編曲"}
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 (\x82\xe2\x82\xb3\x82\xb5\x82\xa2\x95\xd2\x8b\xc8) (2)", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57", "2", "\x82\xe2\x82\xb3\x82\xb5\x82\xa2\x95\xd2\x8b\xc8"},
      // {"ピアノ (3) (4)", "ピアノ", "4", "3"}: the last volume-like group wins
      {"\x83\x73\x83\x41\x83\x6d (3) (4)", "\x83\x73\x83\x41\x83\x6d", "4", "3"},
      // {"ピアノ名曲集 (2) 改訂版", "ピアノ名曲集", "2", "改訂版"}
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 (2) \x89\xfc\x92\xf9\x94\xc5", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57", "2", "\x89\xfc\x92\xf9\x94\xc5"},
      // {"ピアノ名曲集 （ＣＤ付）", "ピアノ名曲集", "", "CD付"}
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 \x81\x69\x82\x62\x82\x63\x95\x74\x81\x6a", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57", "", "CD\x95\x74"},
      // {"ピアノ名曲集 2 (CD付)", "ピアノ名曲集", "2", "CD付"}
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 2 (CD\x95\x74)", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57", "2", "CD\x95\x74"},
      // {"ギター曲集 (改訂版(2))", "ギター曲集", "", "改訂版(2)"}: nested group taken whole
      {"\x83\x4d\x83\x5e\x81\x5b\x8b\xc8\x8f\x57 (\x89\xfc\x92\xf9\x94\xc5(2))", "\x83\x4d\x83\x5e\x81\x5b\x8b\xc8\x8f\x57", "", "\x89\xfc\x92\xf9\x94\xc5(2)"},
      // {"ピアノ名曲集12巻", "ピアノ名曲集", "12", ""}
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57" "12\x8a\xaa", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57", "12", ""},
      // {"ピアノ名曲集巻", "ピアノ名曲集巻", "", ""}: suffix put back
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57\x8a\xaa", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57\x8a\xaa", "", ""},
      // {"ピアノ名曲集 初級編2", "ピアノ名曲集 初級編", "2", ""}: "編" stays in the title
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 \x8f\x89\x8b\x89\x95\xd2" "2", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 \x8f\x89\x8b\x89\x95\xd2", "2", ""},
      // {"ピアノ名曲集 後編", "ピアノ名曲集 後編", "", ""}: nothing after "編"
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 \x8c\xe3\x95\xd2", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 \x8c\xe3\x95\xd2", "", ""},
      // {"ギター教本 vol 12", "ギター教本 vol", "12", ""}: the last word comes first
      {"\x83\x4d\x83\x5e\x81\x5b\x8b\xb3\x96\x7b vol 12", "\x83\x4d\x83\x5e\x81\x5b\x8b\xb3\x96\x7b vol", "12", ""},
      // {"ピアノ名曲集！ 第２巻", "ピアノ名曲集!", "2", ""}
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57\x81\x49 \x91\xe6\x82\x51\x8a\xaa", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57!", "2", ""},
      // {"ピアノ名曲集 A", "ピアノ名曲集", "A", ""}: any one-byte word
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 A", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57", "A", ""},
      // {"ピアノ名曲集 1A", "ピアノ名曲集 1A", "", ""}
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 1A", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 1A", "", ""},
      // {"ピアノ名曲集第3巻", "ピアノ名曲集", "3", ""}
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57\x91\xe6" "3\x8a\xaa", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57", "3", ""},
      // {"ピアノ名曲集下巻", "ピアノ名曲集下巻", "", ""}: no blank before "下"
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57\x89\xba\x8a\xaa", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57\x89\xba\x8a\xaa", "", ""},
      // {"ピアノ名曲集2", "ピアノ名曲集2", "", ""}: digits count only before a suffix
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57" "2", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57" "2", "", ""},
      // {"ピアノ名曲集(第3巻)", "ピアノ名曲集", "3", ""}
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57(\x91\xe6" "3\x8a\xaa)", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57", "3", ""},
      // {"ピアノ名曲集（上巻）", "ピアノ名曲集", "上", ""}
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57\x81\x69\x8f\xe3\x8a\xaa\x81\x6a", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57", "\x8f\xe3", ""},
  };
  for (const auto& row : rows) ExpectSplits(row);
}

TEST(SplitTitleVolume, OddShapes) {
  static const SplitRow rows[] = {
      {"", "", "", ""},
      {"(2)", "", "2", ""},
      {"abc)", "", "", "abc"},  // a closing bracket alone
      // {"ピアノ名曲集 ()", "ピアノ名曲集", "", ""}: an empty group leaves no trace
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 ()", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57", "", ""},
      // {"ピアノ名曲集 (巻)", "ピアノ名曲集", "", ""}
      {"\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57 (\x8a\xaa)", "\x83\x73\x83\x41\x83\x6d\x96\xbc\x8b\xc8\x8f\x57", "", ""},
      // {"(上)(下)", "", "下", "上"}
      {"(\x8f\xe3)(\x89\xba)", "", "\x89\xba", "\x8f\xe3"},
      // {"ピアノ〈2〉", "ピアノ", "", "2"}: an angle-bracket note is never a volume
      {"\x83\x73\x83\x41\x83\x6d\x81\x71" "2\x81\x72", "\x83\x73\x83\x41\x83\x6d", "", "2"},
      // {"ピアノ〈A〉(3)", "ピアノ〈A〉", "3", ""}: a note only at the very end
      {"\x83\x73\x83\x41\x83\x6d\x81\x71" "A\x81\x72(3)", "\x83\x73\x83\x41\x83\x6d\x81\x71" "A\x81\x72", "3", ""},
      // {"巻", "巻", "", ""}
      {"\x8a\xaa", "\x8a\xaa", "", ""},
      // {"ピアノ 十十", "ピアノ", "十十", ""}: kanji numerals are not validated
      {"\x83\x73\x83\x41\x83\x6d \x8f\x5c\x8f\x5c", "\x83\x73\x83\x41\x83\x6d", "\x8f\x5c\x8f\x5c", ""},
      // {"ピアノ XVX", "ピアノ", "XVX", ""}
      {"\x83\x73\x83\x41\x83\x6d XVX", "\x83\x73\x83\x41\x83\x6d", "XVX", ""},
      // {"abc 巻", "abc", "", ""}: an empty last word is a volume: consumed, none set
      {"abc \x8a\xaa", "abc", "", ""},
      {"a()b", "a", "", "b"},  // an empty inner group likewise
      {"a)b(c", "", "a", "b(c"},  // brackets the wrong way round
      {"  x  ", "x", "", ""},
  };
  for (const auto& row : rows) ExpectSplits(row);
}

// The Latin markers are found in the upper-case full-width copy of the name,
// and the title is cut from that copy.
TEST(SplitTitleVolume, LatinMarker) {
  static const SplitRow rows[] = {
      // {"ギター教本 Vol.3", "ギター教本　", "3", ""}: the blank comes back full-width
      {"\x83\x4d\x83\x5e\x81\x5b\x8b\xb3\x96\x7b Vol.3", "\x83\x4d\x83\x5e\x81\x5b\x8b\xb3\x96\x7b\x81\x40", "3", ""},
      // {"ギター教本Vol.3", "ギター教本", "3", ""}
      {"\x83\x4d\x83\x5e\x81\x5b\x8b\xb3\x96\x7bVol.3", "\x83\x4d\x83\x5e\x81\x5b\x8b\xb3\x96\x7b", "3", ""},
      // {"ギター教本No.5(CD付)", "ギター教本", "5", "CD付"}
      {"\x83\x4d\x83\x5e\x81\x5b\x8b\xb3\x96\x7bNo.5(CD\x95\x74)", "\x83\x4d\x83\x5e\x81\x5b\x8b\xb3\x96\x7b", "5", "CD\x95\x74"},
      // {"PIANO No.3", "PIANO　", "3", ""}: the last marker, not the "NO" in PIANO
      {"PIANO No.3", "PIANO\x81\x40", "3", ""},
      // {"Piano no.2", "PIANO　", "2", ""}: the title is upper-cased
      {"Piano no.2", "PIANO\x81\x40", "2", ""},
      // {"ギター教本 Vol.III", "ギター教本 Vol.III", "", ""}: only digits follow a marker
      {"\x83\x4d\x83\x5e\x81\x5b\x8b\xb3\x96\x7b Vol.III", "\x83\x4d\x83\x5e\x81\x5b\x8b\xb3\x96\x7b Vol.III", "", ""},
  };
  for (const auto& row : rows) ExpectSplits(row);
}

// Double-byte markers count only where they stand as characters.
TEST(SplitTitleVolume, MarkersStandAsCharacters) {
  static const SplitRow rows[] = {
      // {"ピアノ 炎ｪ", "ピアノ 炎ｪ", "", ""}: 炎ｪ ends with the bytes of 巻
      {"\x83\x73\x83\x41\x83\x6d \x89\x8a\xaa", "\x83\x73\x83\x41\x83\x6d \x89\x8a\xaa", "", ""},
      // {"ピアノヱ襦", "ピアノヱ襦", "", ""}: ヱ襦 holds the bytes of 第
      {"\x83\x73\x83\x41\x83\x6d\x83\x91\xe6\x40", "\x83\x73\x83\x41\x83\x6d\x83\x91\xe6\x40", "", ""},
      // {"ピアノ〈メr", "ピアノ〈メr", "", ""}: メr ends with the bytes of 〉
      {"\x83\x73\x83\x41\x83\x6d\x81\x71\x83\x81r", "\x83\x73\x83\x41\x83\x6d\x81\x71\x83\x81r", "", ""},
  };
  for (const auto& row : rows) ExpectSplits(row);
}

TEST(SplitTitleVolume, VolumeAlreadyKnown) {
  ClearBookRecord();
  BookRecord.Volume = "9";
  // "2 CD付", "ピアノ (2) (CD付)"
  EXPECT_BYTES_EQ("2 CD\x95\x74", SplitTitleVolume("\x83\x73\x83\x41\x83\x6d (2) (CD\x95\x74)"));
  // "ピアノ"
  EXPECT_BYTES_EQ("\x83\x73\x83\x41\x83\x6d", BookRecord.Title);
  EXPECT_BYTES_EQ("9", BookRecord.Volume);

  // No other form is tried.
  // "ピアノ 第3巻"
  EXPECT_BYTES_EQ("", SplitTitleVolume("\x83\x73\x83\x41\x83\x6d \x91\xe6" "3\x8a\xaa"));
  // "ピアノ 第3巻"
  EXPECT_BYTES_EQ("\x83\x73\x83\x41\x83\x6d \x91\xe6" "3\x8a\xaa", BookRecord.Title);
  EXPECT_BYTES_EQ("9", BookRecord.Volume);
}

TEST(IsVolumeNumber, Forms) {
  struct Row {
    std::string_view candidate;
    bool expected;
  };
  static const Row rows[] = {
      {"", true},  // empty
      {"A", true},  // any one byte
      {"12", true},
      // {"上", true}
      {"\x8f\xe3", true},
      // {"上下", false}
      {"\x8f\xe3\x89\xba", false},
      // {"二十三", true}
      {"\x93\xf1\x8f\x5c\x8e\x4f", true},
      // {"壱拾", true}
      {"\x88\xeb\x8f\x45", true},
      // {"二X", true}: the last byte of an odd length is not examined
      {"\x93\xf1X", true},
      // {"第3", false}
      {"\x91\xe6" "3", false},
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
