#include "fields/author_credit.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "record/book_record.h"
#include "record/dictionaries.h"
#include "tests/support/bytes.h"

namespace kanadeya {
namespace {

const std::string_view kRoleMark = SJ("／");
const std::string_view kAuthorBreak = SJ("　");

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
      {SJ("著者／あいう　監修／かきく"), 2, {SJ("1あいう"), SJ("4かきく [監修]")}},
      // without "／" the credit is one author
      {SJ("あいう　かきく"), 1, {SJ("0あいう かきく")}},
      {SJ("あいう 著"), 1, {SJ("1あいう")}},
      {SJ("著 あいう"), 1, {SJ("1あいう")}},
      // "編著" before "著" at the end
      {SJ("あいう編著"), 1, {SJ("9あいう[編著]")}},
      {SJ("編・著／あいう"), 1, {SJ("9あいう[編・著]")}},
      // the empty brackets go too
      {SJ("あいう（監修）"), 1, {SJ("4あいう [監修]")}},
      {SJ("あいう(著)"), 1, {SJ("1あいう")}},
      {SJ("著者／あいう　他"), 1, {SJ("1あいう")}},
      {SJ("著者／あいう　ほか"), 1, {SJ("1あいう")}},
      {SJ("監修／かきく［きくけ］"), 1, {SJ("4かきく［きくけ］ [監修]")}},
      // the reading keeps its bracket
      {SJ("あいう 編［えお］"), 1, {SJ("9あいう［えお］ [編]")}},
      {SJ("作［えお］あいう"), 1, {SJ("2［えお］あいう")}},
      {SJ("編集／あいう"), 1, {SJ("9あいう [編集]")}},
      {SJ("あいう 編"), 1, {SJ("9あいう [編]")}},
      // tortoise-shell brackets become blanks
      {SJ("〔編〕あいう"), 1, {SJ("9あいう [編]")}},
      {SJ("訳／あいう"), 1, {SJ("5あいう [訳]")}},
      {SJ("イラスト／あいう"), 1, {SJ("2あいう")}},
      // before "作画" and "イラスト"
      {SJ("イラスト/作画：あいう"), 1, {SJ("2あいう")}},
      {SJ("原作者／あいう"), 1, {SJ("2あいう")}},
      {SJ("キャラクター原案／あいう"), 1, {SJ("3あいう [キャラクター原案]")}},
      {SJ("監修他／あいう"), 1, {SJ("4あいう [監修他]")}},
      {SJ("責任編集／あいう"), 1, {SJ("9あいう [責任編集]")}},
      {SJ("構成・編集／あいう"), 1, {SJ("9あいう [構成・編集]")}},
      {SJ("その他／あいう"), 1, {SJ("9あいうその他")}},
      // a dot left at either end goes
      {SJ("著者／・あいう・"), 1, {SJ("1あいう")}},
      // メE ends with the bytes of ・
      {SJ("あいうメE"), 1, {SJ("0あいうメE")}},
      // the yen sign becomes a backslash
      {SJ("あ￥い"), 1, {SJ("0あ\\い")}},
      // an unclosed tag
      {SJ("著者／あいう　監修／かきく<x"), 2, {SJ("1あいう"), SJ("4かきく [監修]")}},
      // duplicates are counted, kept once
      {SJ("著／あいう　著／あいう"), 2, {SJ("1あいう")}},
      {"", 0, {}},
      {SJ("他"), 0, {}},
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
  EXPECT_EQ(
      ParseAuthorCredit(list, SJ("著者／あいう、かきく、他"), kRoleMark, kAuthorBreak, SJ("、")),
      2);
  ExpectEntries({SJ("1あいう"), SJ("1かきく")}, list);
}

TEST(AuthorList, OrderedByRoleCodeThenNameIgnoringCase) {
  AuthorList list;
  for (const char* entry : {"1b", "9a", "0z", "1B", "1a"}) list.Add(entry);
  ExpectEntries({"0z", "1a", "1b", "9a"}, list);
}

class AssignAuthorSlotsTest : public ::testing::Test {
 protected:
  void Assign(const AuthorList& list, bool first, bool second, bool others,
              std::string_view prefix) {
    AssignAuthorSlots(list, dictionaries.authors, record, first, second, others, prefix);
  }

  AuthorList Parse(std::string_view credit) {
    AuthorList list;
    ParseAuthorCredit(list, credit, kRoleMark, kAuthorBreak, "");
    return list;
  }

  Dictionaries dictionaries;
  BookRecord record;
};

TEST_F(AssignAuthorSlotsTest, TitleInFirstSlot) {
  record.Author = SJ("ピアノ曲集");
  Assign(Parse(SJ("著者／あいう　監修／かきく　訳／さしす")), true, true, true, "");
  EXPECT_BYTES_EQ(SJ("ピアノ曲集"), record.Author);
  EXPECT_BYTES_EQ("", record.AuthorReading);
  EXPECT_BYTES_EQ(SJ("あいう"), record.Author2);
  EXPECT_BYTES_EQ("", record.Author2Reading);
  EXPECT_BYTES_EQ(SJ("かきく [監修]\r\nさしす [訳]"), record.OtherAuthors);
}

TEST_F(AssignAuthorSlotsTest, BracketReading) {
  Assign(Parse(SJ("監修／かきく［きくけ］")), true, true, true, "");
  // "かきく": the suffix behind the bracket is lost
  EXPECT_BYTES_EQ(SJ("かきく"), record.Author);
  EXPECT_BYTES_EQ(SJ("きくけ"), record.AuthorReading);
  EXPECT_BYTES_EQ("", record.AuthorExtra);
}

TEST_F(AssignAuthorSlotsTest, NamesAlreadyShownAreLeftOut) {
  record.Author = SJ("あいうの歌");
  AuthorList list;
  for (std::string_view entry : {SJ("0かきく"), SJ("1あいう"), SJ("2かき"), SJ("3さしす")})
    list.Add(std::string(entry));
  Assign(list, true, true, true, "");
  // "かきく": role code 0 comes first
  EXPECT_BYTES_EQ(SJ("かきく"), record.Author2);
  // "さしす": あいう is in the title, かき in かきく
  EXPECT_BYTES_EQ(SJ("さしす"), record.OtherAuthors);
}

TEST_F(AssignAuthorSlotsTest, FlagsAndPrefix) {
  Assign(Parse(SJ("著者／あいう　監修／かきく")), false, false, true, "P:");
  EXPECT_BYTES_EQ("", record.Author);
  EXPECT_BYTES_EQ(SJ("P:あいう\r\nP:かきく [監修]"), record.OtherAuthors);

  record = BookRecord{};
  Assign(Parse(SJ("著者／あいう　監修／かきく")), true, false, false, "");
  EXPECT_BYTES_EQ(SJ("あいう"), record.Author);
  EXPECT_BYTES_EQ("", record.Author2);
  EXPECT_BYTES_EQ("", record.OtherAuthors);
}

TEST_F(AssignAuthorSlotsTest, EmptyListOnlyTrimsOthers) {
  record.OtherAuthors = "\r\nx \r\n";
  Assign(AuthorList(), true, true, true, "");
  EXPECT_BYTES_EQ("x", record.OtherAuthors);
  EXPECT_BYTES_EQ("", record.Author);
}

// A reading in brackets with no name in front has nobody to belong to.
TEST_F(AssignAuthorSlotsTest, EmptyNameIsLeftOut) {
  record.Author = "T";
  Assign(Parse(SJ("［えお］")), true, true, true, "");
  EXPECT_BYTES_EQ("", record.Author2);
  EXPECT_BYTES_EQ("", record.Author2Reading);
  EXPECT_BYTES_EQ("", record.OtherAuthors);
}

TEST_F(AssignAuthorSlotsTest, DictionaryNamesReadingsAndThirdValue) {
  dictionaries.authors.Assign(SJ("|あいう|亜伊宇|アイウ|x|\r\n|かきく[監修]|書区|カキク|y|\r\n"));
  Assign(Parse(SJ("著者／あいう　監修／かきく　訳／さしす［せそ］")), true, true, true, "");
  EXPECT_BYTES_EQ(SJ("亜伊宇"), record.Author);
  EXPECT_BYTES_EQ(SJ("アイウ"), record.AuthorReading);
  EXPECT_BYTES_EQ("x", record.AuthorExtra);
  // "書区": looked up with its role suffix
  EXPECT_BYTES_EQ(SJ("書区"), record.Author2);
  EXPECT_BYTES_EQ(SJ("カキク"), record.Author2Reading);
  // "さしす": the bracket cuts the suffix
  EXPECT_BYTES_EQ(SJ("さしす"), record.OtherAuthors);
}

TEST_F(AssignAuthorSlotsTest, BracketReadingWhenNotInDictionary) {
  dictionaries.authors.Assign(SJ("|あいう|亜伊宇|アイウ|x|\r\n"));
  Assign(Parse(SJ("著者／あいう　訳／さしす［せそ］")), true, true, true, "");
  EXPECT_BYTES_EQ(SJ("亜伊宇"), record.Author);
  EXPECT_BYTES_EQ(SJ("さしす"), record.Author2);
  EXPECT_BYTES_EQ(SJ("せそ"), record.Author2Reading);
}

}  // namespace
}  // namespace kanadeya
