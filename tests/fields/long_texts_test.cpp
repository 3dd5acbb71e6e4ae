// A downloaded page can hold a product name or a credit line of many
// megabytes. Ordering the authors, placing them in their fields and cutting
// the bracketed groups off a name take about linear time, and they must give
// byte for byte what the plain ways give (sorted insertion and the taken text
// searched afresh for every name, from tests/support/plain_walks.h; the name
// copied for every group, below), compared on texts built at random from a
// fixed seed. The long cases then show that a credit of a hundred thousand
// authors and a name of a million groups are done rather than hang.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "fields/author_credit.h"
#include "fields/title_volume.h"
#include "record/book_record.h"
#include "record/dictionaries.h"
#include "strings/strings.h"
#include "tests/support/bytes.h"
#include "tests/support/plain_walks.h"

namespace kanadeya {
namespace {

// The long cases are smaller under the sanitizers, which slow them tenfold.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kLongCount = 100'000;
#else
constexpr size_t kLongCount = 1'000'000;
#endif

// Authors in one credit: enough that a walk in square time would not end,
// few enough that the test stays short (a million took seconds).
constexpr size_t kManyAuthors = 100'000;

std::string Pick(std::mt19937& engine, const std::vector<std::string_view>& pieces, uint32_t most) {
  std::string text;
  const uint32_t count = engine() % (most + 1);
  for (uint32_t i = 0; i < count; ++i) text += pieces[engine() % pieces.size()];
  return text;
}

// --- Author list order -------------------------------------------------------

TEST(AuthorList, SameAsSortedInsertion) {
  // Letters of both cases (equal entries that differ), katakana and their
  // half-width forms, digits.
  const std::vector<std::string_view> pieces = {"1", "0",      "9",     "a",      "A", "b",
                                                "B", SJ("ア"), SJ("ｱ"), SJ("あ"), " ", "-"};
  std::mt19937 engine(7);
  for (int round = 0; round < 2000; ++round) {
    AuthorList list;
    std::vector<std::string> added;
    const uint32_t count = engine() % 12;
    for (uint32_t i = 0; i < count; ++i) {
      added.push_back(Pick(engine, pieces, 4));
      list.Add(added.back());
      // Reading in between orders what came so far; later entries join them.
      if (engine() % 4 == 0) {
        ASSERT_EQ(test::PlainAuthorOrder(added), list.Entries());
      }
    }
    ASSERT_EQ(test::PlainAuthorOrder(added), list.Entries());
    ASSERT_EQ(added.empty(), list.Empty());
  }
}

// --- Author slots --------------------------------------------------------------

std::vector<std::string> AuthorFields(const BookRecord& record) {
  return {record.Author,         record.AuthorReading, record.Author2,
          record.Author2Reading, record.OtherAuthors,  record.AuthorExtra};
}

TEST(AssignAuthorSlots, SameAsSearchingTheTakenTextAgain) {
  // Few distinct pieces, so that names often occur inside others: stray lead
  // bytes, "ポ" whose second byte is "|", a lead byte before CR, line breaks
  // that a prefix or a title can bring, brackets that cut a reading.
  const std::vector<std::string_view> pieces = {"a",      "b",      "ab",     "|",      "\x81",
                                                SJ("ポ"), "\x83",   "\r",     "\n",     "\r\n",
                                                " ",      SJ("［"), SJ("］"), SJ("あ"), "A"};
  const std::vector<std::string_view> codes = {"0", "1", "4", "9"};
  const std::vector<std::string_view> prefixes = {"", "P:", "\x81", "\r\n", "b"};
  // "|ab|x|y|z|", "|ポ|ab||w|", "|A|ポ|r|"
  const std::string_view authors = SJ("|ab|x|y|z|\r\n|ポ|ab||w|\r\n|A|ポ|r|\r\n");
  std::mt19937 engine(11);
  Dictionaries dictionaries;
  BookRecord record;
  for (int round = 0; round < 20000; ++round) {
    if (round % 2 == 0)
      dictionaries.authors.Assign(authors);
    else
      FreeAuthorDictionary(dictionaries);
    AuthorList list;
    const uint32_t count = engine() % 10;
    for (uint32_t i = 0; i < count; ++i)
      list.Add(std::string(codes[engine() % codes.size()]) + Pick(engine, pieces, 4));
    const std::vector<std::string> start = {engine() % 2 ? Pick(engine, pieces, 4) : "",
                                            engine() % 4 == 0 ? Pick(engine, pieces, 3) : "",
                                            engine() % 4 == 0 ? Pick(engine, pieces, 3) : ""};
    const bool first = engine() % 2, second = engine() % 4 != 0, others = engine() % 4 != 0;
    const std::string_view prefix = prefixes[engine() % prefixes.size()];

    const auto set_up = [&start, &record] {
      record = BookRecord{};
      record.Author = start[0];
      record.Author2 = start[1];
      record.OtherAuthors = start[2];
    };
    set_up();
    test::PlainAssignAuthorSlots(list.Entries(), dictionaries.authors, record, first, second,
                                 others, prefix);
    const std::vector<std::string> expected = AuthorFields(record);
    set_up();
    AssignAuthorSlots(list, dictionaries.authors, record, first, second, others, prefix);
    const std::vector<std::string> actual = AuthorFields(record);
    for (size_t f = 0; f < expected.size(); ++f) {
      ASSERT_BYTES_EQ(expected[f], actual[f])
          << "field " << f << ", round " << round << ", entries:\n"
          << [&list] {
               std::string all;
               for (const std::string& e : list.Entries()) all += test::Hex(e) + "\n";
               return all;
             }();
    }
  }
}

TEST(AssignAuthorSlots, HundredThousandAuthors) {
  // n0　n1　n2 ... ／: the role mark at the end makes "　" part authors, none
  // with a role word. The title stays in Author, the first name in order goes
  // to Author2, every other name once to OtherAuthors (no name occurs inside
  // one that comes before it in order).
  std::string credit;
  for (size_t i = 0; i < kManyAuthors; ++i) {
    if (i > 0) credit += SJ("　");
    credit += "n" + std::to_string(i);
  }
  credit += SJ("／");
  Dictionaries dictionaries;
  AuthorList list;
  EXPECT_EQ(static_cast<int>(kManyAuthors),
            ParseAuthorCredit(list, credit, SJ("／"), SJ("　"), ""));
  ASSERT_EQ(kManyAuthors, list.Entries().size());
  BookRecord record;
  record.Author = "T";
  AssignAuthorSlots(list, dictionaries.authors, record, true, true, true, "");
  EXPECT_EQ("n0", record.Author2);
  const std::string_view others = record.OtherAuthors;
  EXPECT_EQ(kManyAuthors - 2, static_cast<size_t>(std::count(others.begin(), others.end(), '\n')));
  EXPECT_TRUE(others.starts_with("n1\r\nn10\r\n")) << others.substr(0, 40);
}

TEST(AssignAuthorSlots, MillionTimesTheSameAuthorAndTheirParts) {
  // One long name, then all of its prefixes: each prefix occurs in the long
  // name and is left out.
  AuthorList list;
  std::string name(kLongCount, 'x');
  list.Add("0" + name);
  for (size_t length = 1; length < 2000; ++length) list.Add("1" + name.substr(0, length));
  Dictionaries dictionaries;
  BookRecord record;
  AssignAuthorSlots(list, dictionaries.authors, record, true, true, true, "");
  EXPECT_EQ(name, record.Author);
  EXPECT_EQ("", record.Author2);
  EXPECT_EQ("", record.OtherAuthors);
}

// --- Trailing groups of a product name ---------------------------------------------

// The trailing-group step as first written, copying the name for every
// group, for names that the normalisation leaves as they are. Sets `volume`
// when a group gives one; `t` and `r` as the step leaves them.
void ReferenceTrailingGroups(std::string& t, std::string& r, std::string& volume) {
  const auto length = [](std::string_view text) { return static_cast<int64_t>(text.size()); };
  const auto without_volume_words = [](std::string_view g) {
    return ReplaceAll(ReplaceAll(ReplaceAll(g, SJ("第"), ""), SJ("巻"), ""), SJ("集"), "");
  };
  while (LastByte(t) == ")") {
    auto b = static_cast<int64_t>(LastDelimiter("(", t)) + 1;
    std::string g = Copy(t, b, length(t) - b);
    if (Contains(g, ")")) {
      b = static_cast<int64_t>(LastDelimiter("(", CopyView(t, 1, b - 2))) + 1;
      g = Copy(t, b, length(t) - b);
    }
    const std::string c = without_volume_words(g);
    t = TrimRight(CopyView(t, 1, b - 2));
    if (IsVolumeNumber(c) && volume.empty()) {
      volume = c;
    } else {
      r = g + " " + r;
    }
  }
}

TEST(SplitTitleVolume, TrailingGroupsSameAsCopyingTheName) {
  // No byte 0x81 or 0x82 and no blank at either end: the normalisation
  // changes nothing. "第", "巻", "集", "上", a stray lead byte that takes a
  // bracket as its second byte, "ポ".
  const std::vector<std::string_view> pieces = {
      "(", "(",      ")",      ")",      ")",      "a",    "1",      "2",
      " ", SJ("第"), SJ("巻"), SJ("集"), SJ("上"), "\x83", SJ("ポ"), "X"};
  std::mt19937 engine(5);
  int compared = 0;
  for (int round = 0; round < 20000; ++round) {
    const std::string name = Pick(engine, pieces, 14);
    if (name != Trim(name)) continue;
    const bool volume_known = engine() % 3 == 0;
    std::string t = name, r, volume = volume_known ? "9" : "";
    ReferenceTrailingGroups(t, r, volume);
    // Without a volume the name goes on to forms the reference does not cover.
    if (volume.empty()) continue;
    BookRecord record;
    if (volume_known) record.Volume = "9";
    const std::string remainder = SplitTitleVolume(name, record);
    SCOPED_TRACE(test::Hex(name));
    ASSERT_BYTES_EQ(t, record.Title);
    ASSERT_BYTES_EQ(volume, record.Volume);
    ASSERT_BYTES_EQ(Trim(r), remainder);
    ++compared;
  }
  EXPECT_GT(compared, 5000);
}

TEST(SplitTitleVolume, MillionGroups) {
  struct LongName {
    std::string name;
    std::string_view title, volume;
    size_t remainder_size;
  };
  const std::string notes = [] {
    std::string text = "T";
    for (size_t i = 0; i < kLongCount; ++i) text += "(ab)";
    return text;
  }();
  const std::string empty_groups = [] {
    std::string text = "T(2)";
    for (size_t i = 0; i < kLongCount; ++i) text += "()";
    return text;
  }();
  const LongName rows[] = {
      // Every group a note; the notes joined by blanks.
      {notes, "T", "", 3 * kLongCount - 1},
      // Empty groups are consumed without a trace; "(2)" is the volume.
      {empty_groups, "T", "2", 0},
  };
  for (const LongName& row : rows) {
    BookRecord record;
    const std::string remainder = SplitTitleVolume(row.name, record);
    EXPECT_EQ(row.title, record.Title);
    EXPECT_EQ(row.volume, record.Volume);
    EXPECT_EQ(row.remainder_size, remainder.size());
  }
}

}  // namespace
}  // namespace kanadeya
