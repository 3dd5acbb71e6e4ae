#include "fields/author_credit.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "record/book_record.h"
#include "record/dictionaries.h"
#include "tests/support/bytes.h"
#include "tests/support/temp_dir.h"

namespace kanadeya {
namespace {

// "／"
constexpr std::string_view kRoleMark = "\x81\x5e";
// "　"
constexpr std::string_view kAuthorBreak = "\x81\x40";

struct CreditRow {
  std::string_view credit;
  int offered;
  std::vector<std::string_view> entries;
};

void ExpectEntries(const std::vector<std::string_view>& expected, const AuthorList& list) {
  ASSERT_EQ(list.Entries().size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_BYTES_EQ(expected[i], list.Entries()[i]);
}

TEST(ParseAuthorCredit, RolesAndNames) {
  // The entries of each credit are listed in their sorted order.
  static const CreditRow rows[] = {
      // {"著者／あいう　監修／かきく", 2, {"1あいう", "4かきく [監修]"}}
      {"\x92\x98\x8e\xd2\x81\x5e\x82\xa0\x82\xa2\x82\xa4\x81\x40\x8a\xc4\x8f\x43\x81\x5e\x82\xa9\x82\xab\x82\xad", 2, {"1\x82\xa0\x82\xa2\x82\xa4", "4\x82\xa9\x82\xab\x82\xad [\x8a\xc4\x8f\x43]"}},
      // {"あいう　かきく", 1, {"0あいう かきく"}}: without "／" the credit is one author
      {"\x82\xa0\x82\xa2\x82\xa4\x81\x40\x82\xa9\x82\xab\x82\xad", 1, {"0\x82\xa0\x82\xa2\x82\xa4 \x82\xa9\x82\xab\x82\xad"}},
      // {"あいう 著", 1, {"1あいう"}}
      {"\x82\xa0\x82\xa2\x82\xa4 \x92\x98", 1, {"1\x82\xa0\x82\xa2\x82\xa4"}},
      // {"著 あいう", 1, {"1あいう"}}
      {"\x92\x98 \x82\xa0\x82\xa2\x82\xa4", 1, {"1\x82\xa0\x82\xa2\x82\xa4"}},
      // {"あいう編著", 1, {"9あいう[編著]"}}: "編著" before "著" at the end
      {"\x82\xa0\x82\xa2\x82\xa4\x95\xd2\x92\x98", 1, {"9\x82\xa0\x82\xa2\x82\xa4[\x95\xd2\x92\x98]"}},
      // {"編・著／あいう", 1, {"9あいう[編・著]"}}
      {"\x95\xd2\x81\x45\x92\x98\x81\x5e\x82\xa0\x82\xa2\x82\xa4", 1, {"9\x82\xa0\x82\xa2\x82\xa4[\x95\xd2\x81\x45\x92\x98]"}},
      // {"あいう（監修）", 1, {"4あいう [監修]"}}: the empty brackets go too
      {"\x82\xa0\x82\xa2\x82\xa4\x81\x69\x8a\xc4\x8f\x43\x81\x6a", 1, {"4\x82\xa0\x82\xa2\x82\xa4 [\x8a\xc4\x8f\x43]"}},
      // {"あいう(著)", 1, {"1あいう"}}
      {"\x82\xa0\x82\xa2\x82\xa4(\x92\x98)", 1, {"1\x82\xa0\x82\xa2\x82\xa4"}},
      // {"著者／あいう　他", 1, {"1あいう"}}
      {"\x92\x98\x8e\xd2\x81\x5e\x82\xa0\x82\xa2\x82\xa4\x81\x40\x91\xbc", 1, {"1\x82\xa0\x82\xa2\x82\xa4"}},
      // {"著者／あいう　ほか", 1, {"1あいう"}}
      {"\x92\x98\x8e\xd2\x81\x5e\x82\xa0\x82\xa2\x82\xa4\x81\x40\x82\xd9\x82\xa9", 1, {"1\x82\xa0\x82\xa2\x82\xa4"}},
      // {"監修／かきく［きくけ］", 1, {"4かきく［きくけ］ [監修]"}}
      {"\x8a\xc4\x8f\x43\x81\x5e\x82\xa9\x82\xab\x82\xad\x81\x6d\x82\xab\x82\xad\x82\xaf\x81\x6e", 1, {"4\x82\xa9\x82\xab\x82\xad\x81\x6d\x82\xab\x82\xad\x82\xaf\x81\x6e [\x8a\xc4\x8f\x43]"}},
      // {"あいう 編［えお］", 1, {"9あいう［えお］ [編]"}}: the reading keeps its bracket
      {"\x82\xa0\x82\xa2\x82\xa4 \x95\xd2\x81\x6d\x82\xa6\x82\xa8\x81\x6e", 1, {"9\x82\xa0\x82\xa2\x82\xa4\x81\x6d\x82\xa6\x82\xa8\x81\x6e [\x95\xd2]"}},
      // {"作［えお］あいう", 1, {"2［えお］あいう"}}
      {"\x8d\xec\x81\x6d\x82\xa6\x82\xa8\x81\x6e\x82\xa0\x82\xa2\x82\xa4", 1, {"2\x81\x6d\x82\xa6\x82\xa8\x81\x6e\x82\xa0\x82\xa2\x82\xa4"}},
      // {"編集／あいう", 1, {"9あいう [編集]"}}
      {"\x95\xd2\x8f\x57\x81\x5e\x82\xa0\x82\xa2\x82\xa4", 1, {"9\x82\xa0\x82\xa2\x82\xa4 [\x95\xd2\x8f\x57]"}},
      // {"あいう 編", 1, {"9あいう [編]"}}
      {"\x82\xa0\x82\xa2\x82\xa4 \x95\xd2", 1, {"9\x82\xa0\x82\xa2\x82\xa4 [\x95\xd2]"}},
      // {"〔編〕あいう", 1, {"9あいう [編]"}}: tortoise-shell brackets become blanks
      {"\x81\x6b\x95\xd2\x81\x6c\x82\xa0\x82\xa2\x82\xa4", 1, {"9\x82\xa0\x82\xa2\x82\xa4 [\x95\xd2]"}},
      // {"訳／あいう", 1, {"5あいう [訳]"}}
      {"\x96\xf3\x81\x5e\x82\xa0\x82\xa2\x82\xa4", 1, {"5\x82\xa0\x82\xa2\x82\xa4 [\x96\xf3]"}},
      // {"イラスト／あいう", 1, {"2あいう"}}
      {"\x83\x43\x83\x89\x83\x58\x83\x67\x81\x5e\x82\xa0\x82\xa2\x82\xa4", 1, {"2\x82\xa0\x82\xa2\x82\xa4"}},
      // {"イラスト/作画：あいう", 1, {"2あいう"}}: before "作画" and "イラスト"
      {"\x83\x43\x83\x89\x83\x58\x83\x67/\x8d\xec\x89\xe6\x81\x46\x82\xa0\x82\xa2\x82\xa4", 1, {"2\x82\xa0\x82\xa2\x82\xa4"}},
      // {"原作者／あいう", 1, {"2あいう"}}
      {"\x8c\xb4\x8d\xec\x8e\xd2\x81\x5e\x82\xa0\x82\xa2\x82\xa4", 1, {"2\x82\xa0\x82\xa2\x82\xa4"}},
      // {"キャラクター原案／あいう", 1, {"3あいう [キャラクター原案]"}}
      {"\x83\x4c\x83\x83\x83\x89\x83\x4e\x83\x5e\x81\x5b\x8c\xb4\x88\xc4\x81\x5e\x82\xa0\x82\xa2\x82\xa4", 1, {"3\x82\xa0\x82\xa2\x82\xa4 [\x83\x4c\x83\x83\x83\x89\x83\x4e\x83\x5e\x81\x5b\x8c\xb4\x88\xc4]"}},
      // {"監修他／あいう", 1, {"4あいう [監修他]"}}
      {"\x8a\xc4\x8f\x43\x91\xbc\x81\x5e\x82\xa0\x82\xa2\x82\xa4", 1, {"4\x82\xa0\x82\xa2\x82\xa4 [\x8a\xc4\x8f\x43\x91\xbc]"}},
      // {"責任編集／あいう", 1, {"9あいう [責任編集]"}}
      {"\x90\xd3\x94\x43\x95\xd2\x8f\x57\x81\x5e\x82\xa0\x82\xa2\x82\xa4", 1, {"9\x82\xa0\x82\xa2\x82\xa4 [\x90\xd3\x94\x43\x95\xd2\x8f\x57]"}},
      // {"構成・編集／あいう", 1, {"9あいう [構成・編集]"}}
      {"\x8d\x5c\x90\xac\x81\x45\x95\xd2\x8f\x57\x81\x5e\x82\xa0\x82\xa2\x82\xa4", 1, {"9\x82\xa0\x82\xa2\x82\xa4 [\x8d\x5c\x90\xac\x81\x45\x95\xd2\x8f\x57]"}},
      // {"その他／あいう", 1, {"9あいうその他"}}
      {"\x82\xbb\x82\xcc\x91\xbc\x81\x5e\x82\xa0\x82\xa2\x82\xa4", 1, {"9\x82\xa0\x82\xa2\x82\xa4\x82\xbb\x82\xcc\x91\xbc"}},
      // {"著者／・あいう・", 1, {"1あいう"}}: a dot left at either end goes
      {"\x92\x98\x8e\xd2\x81\x5e\x81\x45\x82\xa0\x82\xa2\x82\xa4\x81\x45", 1, {"1\x82\xa0\x82\xa2\x82\xa4"}},
      // {"あいうメE", 1, {"0あいうメE"}}: メE ends with the bytes of ・
      {"\x82\xa0\x82\xa2\x82\xa4\x83\x81" "E", 1, {"0\x82\xa0\x82\xa2\x82\xa4\x83\x81" "E"}},
      // {"あ￥い", 1, {"0あ\\い"}}: the yen sign becomes a backslash
      {"\x82\xa0\x81\x8f\x82\xa2", 1, {"0\x82\xa0\\\x82\xa2"}},
      // {"著者／あいう　監修／かきく<x", 2, {"1あいう", "4かきく [監修]"}}: an unclosed tag
      {"\x92\x98\x8e\xd2\x81\x5e\x82\xa0\x82\xa2\x82\xa4\x81\x40\x8a\xc4\x8f\x43\x81\x5e\x82\xa9\x82\xab\x82\xad<x", 2, {"1\x82\xa0\x82\xa2\x82\xa4", "4\x82\xa9\x82\xab\x82\xad [\x8a\xc4\x8f\x43]"}},
      // {"著／あいう　著／あいう", 2, {"1あいう"}}: duplicates are counted, kept once
      {"\x92\x98\x81\x5e\x82\xa0\x82\xa2\x82\xa4\x81\x40\x92\x98\x81\x5e\x82\xa0\x82\xa2\x82\xa4", 2, {"1\x82\xa0\x82\xa2\x82\xa4"}},
      {"", 0, {}},
      // {"他", 0, {}}
      {"\x91\xbc", 0, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(test::Utf8(row.credit));
    AuthorList list;
    EXPECT_EQ(ParseAuthorCredit(list, row.credit, kRoleMark, kAuthorBreak, ""), row.offered);
    ExpectEntries(row.entries, list);
  }
}

TEST(ParseAuthorCredit, SubSeparatorCutsEachAuthor) {
  AuthorList list;
  // "著者／あいう、かきく、他", "、"
  EXPECT_EQ(ParseAuthorCredit(list, "\x92\x98\x8e\xd2\x81\x5e\x82\xa0\x82\xa2\x82\xa4\x81\x41\x82\xa9\x82\xab\x82\xad\x81\x41\x91\xbc", kRoleMark, kAuthorBreak, "\x81\x41"), 2);
  // "1あいう", "1かきく"
  ExpectEntries({"1\x82\xa0\x82\xa2\x82\xa4", "1\x82\xa9\x82\xab\x82\xad"}, list);
}

TEST(AuthorList, OrderedByRoleCodeThenNameIgnoringCase) {
  AuthorList list;
  for (const char* entry : {"1b", "9a", "0z", "1B", "1a"}) list.Add(entry);
  ExpectEntries({"0z", "1a", "1b", "9a"}, list);
}

class AssignAuthorSlotsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FreeAuthorDictionary();
    ClearBookRecord();
  }
  void TearDown() override { FreeAuthorDictionary(); }

  AuthorList Parse(std::string_view credit) {
    AuthorList list;
    ParseAuthorCredit(list, credit, kRoleMark, kAuthorBreak, "");
    return list;
  }
};

TEST_F(AssignAuthorSlotsTest, TitleInFirstSlot) {
  // "ピアノ曲集"
  BookRecord.Author = "\x83\x73\x83\x41\x83\x6d\x8b\xc8\x8f\x57";
  // "著者／あいう　監修／かきく　訳／さしす"
  EXPECT_TRUE(AssignAuthorSlots(Parse("\x92\x98\x8e\xd2\x81\x5e\x82\xa0\x82\xa2\x82\xa4\x81\x40\x8a\xc4\x8f\x43\x81\x5e\x82\xa9\x82\xab\x82\xad\x81\x40\x96\xf3\x81\x5e\x82\xb3\x82\xb5\x82\xb7"), true, true, true, ""));
  // "ピアノ曲集"
  EXPECT_BYTES_EQ("\x83\x73\x83\x41\x83\x6d\x8b\xc8\x8f\x57", BookRecord.Author);
  EXPECT_BYTES_EQ("", BookRecord.AuthorReading);
  // "あいう"
  EXPECT_BYTES_EQ("\x82\xa0\x82\xa2\x82\xa4", BookRecord.Author2);
  EXPECT_BYTES_EQ("", BookRecord.Author2Reading);
  // "かきく [監修]\r\nさしす [訳]"
  EXPECT_BYTES_EQ("\x82\xa9\x82\xab\x82\xad [\x8a\xc4\x8f\x43]\x0d\x0a\x82\xb3\x82\xb5\x82\xb7 [\x96\xf3]", BookRecord.OtherAuthors);
}

TEST_F(AssignAuthorSlotsTest, BracketReading) {
  // "監修／かきく［きくけ］"
  EXPECT_TRUE(AssignAuthorSlots(Parse("\x8a\xc4\x8f\x43\x81\x5e\x82\xa9\x82\xab\x82\xad\x81\x6d\x82\xab\x82\xad\x82\xaf\x81\x6e"), true, true, true, ""));
  // "かきく": the suffix behind the bracket is lost
  EXPECT_BYTES_EQ("\x82\xa9\x82\xab\x82\xad", BookRecord.Author);
  // "きくけ"
  EXPECT_BYTES_EQ("\x82\xab\x82\xad\x82\xaf", BookRecord.AuthorReading);
  EXPECT_BYTES_EQ("", BookRecord.AuthorExtra);
}

TEST_F(AssignAuthorSlotsTest, NamesAlreadyShownAreLeftOut) {
  // "あいうの歌"
  BookRecord.Author = "\x82\xa0\x82\xa2\x82\xa4\x82\xcc\x89\xcc";
  AuthorList list;
  // "0かきく", "1あいう", "2かき", "3さしす"
  for (std::string_view entry : {"0\x82\xa9\x82\xab\x82\xad", "1\x82\xa0\x82\xa2\x82\xa4", "2\x82\xa9\x82\xab", "3\x82\xb3\x82\xb5\x82\xb7"}) list.Add(std::string(entry));
  AssignAuthorSlots(list, true, true, true, "");
  // "かきく": role code 0 comes first
  EXPECT_BYTES_EQ("\x82\xa9\x82\xab\x82\xad", BookRecord.Author2);
  // "さしす": あいう is in the title, かき in かきく
  EXPECT_BYTES_EQ("\x82\xb3\x82\xb5\x82\xb7", BookRecord.OtherAuthors);
}

TEST_F(AssignAuthorSlotsTest, FlagsAndPrefix) {
  // "著者／あいう　監修／かきく"
  AssignAuthorSlots(Parse("\x92\x98\x8e\xd2\x81\x5e\x82\xa0\x82\xa2\x82\xa4\x81\x40\x8a\xc4\x8f\x43\x81\x5e\x82\xa9\x82\xab\x82\xad"), false, false, true, "P:");
  EXPECT_BYTES_EQ("", BookRecord.Author);
  // "P:あいう\r\nP:かきく [監修]"
  EXPECT_BYTES_EQ("P:\x82\xa0\x82\xa2\x82\xa4\x0d\x0aP:\x82\xa9\x82\xab\x82\xad [\x8a\xc4\x8f\x43]", BookRecord.OtherAuthors);

  ClearBookRecord();
  // "著者／あいう　監修／かきく"
  AssignAuthorSlots(Parse("\x92\x98\x8e\xd2\x81\x5e\x82\xa0\x82\xa2\x82\xa4\x81\x40\x8a\xc4\x8f\x43\x81\x5e\x82\xa9\x82\xab\x82\xad"), true, false, false, "");
  // "あいう"
  EXPECT_BYTES_EQ("\x82\xa0\x82\xa2\x82\xa4", BookRecord.Author);
  EXPECT_BYTES_EQ("", BookRecord.Author2);
  EXPECT_BYTES_EQ("", BookRecord.OtherAuthors);
}

TEST_F(AssignAuthorSlotsTest, EmptyListOnlyTrimsOthers) {
  BookRecord.OtherAuthors = "\r\nx \r\n";
  EXPECT_TRUE(AssignAuthorSlots(AuthorList(), true, true, true, ""));
  EXPECT_BYTES_EQ("x", BookRecord.OtherAuthors);
  EXPECT_BYTES_EQ("", BookRecord.Author);
}

// A reading in brackets with no name in front has nobody to belong to.
TEST_F(AssignAuthorSlotsTest, EmptyNameIsLeftOut) {
  BookRecord.Author = "T";
  // "［えお］"
  AssignAuthorSlots(Parse("\x81\x6d\x82\xa6\x82\xa8\x81\x6e"), true, true, true, "");
  EXPECT_BYTES_EQ("", BookRecord.Author2);
  EXPECT_BYTES_EQ("", BookRecord.Author2Reading);
  EXPECT_BYTES_EQ("", BookRecord.OtherAuthors);
}

TEST_F(AssignAuthorSlotsTest, DictionaryNamesReadingsAndThirdValue) {
  test::TempDir dir;
  // "|あいう|亜伊宇|アイウ|x|\r\n|かきく[監修]|書区|カキク|y|\r\n"
  dir.Write("AuthDB.dat", "|\x82\xa0\x82\xa2\x82\xa4|\x88\x9f\x88\xc9\x89\x46|\x83\x41\x83\x43\x83\x45|x|\x0d\x0a|\x82\xa9\x82\xab\x82\xad[\x8a\xc4\x8f\x43]|\x8f\x91\x8b\xe6|\x83\x4a\x83\x4c\x83\x4e|y|\x0d\x0a");
  ASSERT_TRUE(LoadAuthorDictionary(dir.path()));
  // "著者／あいう　監修／かきく　訳／さしす［せそ］"
  AssignAuthorSlots(Parse("\x92\x98\x8e\xd2\x81\x5e\x82\xa0\x82\xa2\x82\xa4\x81\x40\x8a\xc4\x8f\x43\x81\x5e\x82\xa9\x82\xab\x82\xad\x81\x40\x96\xf3\x81\x5e\x82\xb3\x82\xb5\x82\xb7\x81\x6d\x82\xb9\x82\xbb\x81\x6e"), true, true, true, "");
  // "亜伊宇"
  EXPECT_BYTES_EQ("\x88\x9f\x88\xc9\x89\x46", BookRecord.Author);
  // "アイウ"
  EXPECT_BYTES_EQ("\x83\x41\x83\x43\x83\x45", BookRecord.AuthorReading);
  EXPECT_BYTES_EQ("x", BookRecord.AuthorExtra);
  // "書区": looked up with its role suffix
  EXPECT_BYTES_EQ("\x8f\x91\x8b\xe6", BookRecord.Author2);
  // "カキク"
  EXPECT_BYTES_EQ("\x83\x4a\x83\x4c\x83\x4e", BookRecord.Author2Reading);
  // "さしす": the bracket cuts the suffix
  EXPECT_BYTES_EQ("\x82\xb3\x82\xb5\x82\xb7", BookRecord.OtherAuthors);
}

TEST_F(AssignAuthorSlotsTest, BracketReadingWhenNotInDictionary) {
  test::TempDir dir;
  // "|あいう|亜伊宇|アイウ|x|\r\n"
  dir.Write("AuthDB.dat", "|\x82\xa0\x82\xa2\x82\xa4|\x88\x9f\x88\xc9\x89\x46|\x83\x41\x83\x43\x83\x45|x|\x0d\x0a");
  ASSERT_TRUE(LoadAuthorDictionary(dir.path()));
  // "著者／あいう　訳／さしす［せそ］"
  AssignAuthorSlots(Parse("\x92\x98\x8e\xd2\x81\x5e\x82\xa0\x82\xa2\x82\xa4\x81\x40\x96\xf3\x81\x5e\x82\xb3\x82\xb5\x82\xb7\x81\x6d\x82\xb9\x82\xbb\x81\x6e"), true, true, true, "");
  // "亜伊宇"
  EXPECT_BYTES_EQ("\x88\x9f\x88\xc9\x89\x46", BookRecord.Author);
  // "さしす"
  EXPECT_BYTES_EQ("\x82\xb3\x82\xb5\x82\xb7", BookRecord.Author2);
  // "せそ"
  EXPECT_BYTES_EQ("\x82\xb9\x82\xbb", BookRecord.Author2Reading);
}

}  // namespace
}  // namespace kanadeya
