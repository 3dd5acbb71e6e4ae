// The parsers take whatever a downloaded page holds. These tests feed them
// texts built at random (from a fixed seed) out of their own markers, stray
// lead bytes and arbitrary bytes; they must neither crash nor read outside
// their input (the sanitize preset checks the latter), and what they store
// keeps its documented shape.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

#include "fields/author_credit.h"
#include "fields/edition_date.h"
#include "fields/title_volume.h"
#include "record/book_record.h"
#include "record/dictionaries.h"
#include "tests/support/bytes.h"

namespace kanadeya {
namespace {

const std::string_view kPieces[] = {
    "(",      ")",        " ",      "1",      "23",     "A",      "IV",     "VOL",
    "NO",     ".",        "/",      "<",      ">",      "-",      "+",
    "\x81",  // a lead byte on its own
    SJ("　"), SJ("／"),   SJ("（"), SJ("）"), SJ("［"), SJ("］"), SJ("〈"), SJ("〉"),
    SJ("￥"), SJ("・"),   SJ("巻"), SJ("集"), SJ("第"), SJ("編"), SJ("年"), SJ("月"),
    SJ("日"), SJ("監修"), SJ("１"),
};

class RandomTexts {
 public:
  explicit RandomTexts(uint32_t seed) : engine_(seed) {}
  std::string Next() {
    std::string text;
    const uint32_t pieces = engine_() % 24;
    for (uint32_t i = 0; i < pieces; ++i) {
      if (engine_() % 5 == 0) {
        text += static_cast<char>(engine_() % 256);
      } else {
        text += kPieces[engine_() % std::size(kPieces)];
      }
    }
    return text;
  }

 private:
  std::mt19937 engine_;
};

constexpr int kRounds = 4000;

bool IsTwoDigits(std::string_view text) {
  return text.size() == 2 && text[0] >= '0' && text[0] <= '9' && text[1] >= '0' && text[1] <= '9';
}

TEST(AnyBytes, SplitTitleVolume) {
  RandomTexts texts(1);
  for (int i = 0; i < kRounds; ++i) {
    const std::string name = texts.Next();
    BookRecord record;
    const std::string remainder = SplitTitleVolume(name, record);
    ASSERT_LE(record.Volume.size(), name.size()) << test::Hex(name);
  }
}

TEST(AnyBytes, ParseEditionDate) {
  RandomTexts texts(2);
  for (int i = 0; i < kRounds; ++i) {
    const std::string text = texts.Next();
    BookRecord record;
    ParseEditionDate(text, record);
    ASSERT_TRUE(record.EditionMonth.empty() || IsTwoDigits(record.EditionMonth)) << test::Hex(text);
    ASSERT_TRUE(record.EditionDay.empty() || IsTwoDigits(record.EditionDay)) << test::Hex(text);
  }
}

TEST(AnyBytes, AuthorCredits) {
  Dictionaries dictionaries;
  RandomTexts texts(3);
  for (int i = 0; i < kRounds; ++i) {
    const std::string credit = texts.Next();
    const std::string sub_separator = i % 4 == 0 ? texts.Next() : std::string();
    AuthorList list;
    const int offered = ParseAuthorCredit(list, credit, SJ("／"), SJ("　"), sub_separator);
    ASSERT_GE(offered, static_cast<int>(list.Entries().size())) << test::Hex(credit);
    BookRecord record;
    AssignAuthorSlots(list, dictionaries.authors, record, i % 2 == 0, true, true, "");
  }
}

}  // namespace
}  // namespace kanadeya
