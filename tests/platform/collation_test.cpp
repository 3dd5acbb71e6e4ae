// The author list's order: role code first, letter case ignored, equal only
// when texts differ in letter case, and a consistent order. Checked on the
// measured texts (collation.tsv) and on orders that hold on every platform.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/text_mapping.h"
#include "tests/support/bytes.h"
#include "tests/support/reference_tables.h"

namespace kanadeya::platform {
namespace {

struct MeasuredCollation {
  std::vector<std::string> texts;                       // in the measured order
  std::set<std::pair<std::string, std::string>> equal;  // both ways
};

MeasuredCollation LoadCollation() {
  MeasuredCollation measured;
  for (const auto& row : test::LoadRows("collation.tsv")) {
    if (row.size() >= 3 && row[0] == "sorted") measured.texts.push_back(test::Unhex(row[2]));
    if (row.size() >= 4 && row[0] == "equal") {
      const std::string a = test::Unhex(row[1]), b = test::Unhex(row[3]);
      measured.equal.insert({a, b});
      measured.equal.insert({b, a});
    }
  }
  return measured;
}

TEST(CompareAnsiIgnoreCase, RoleCodeFirstAndEqualOnlyInLetterCase) {
  const MeasuredCollation measured = LoadCollation();
  ASSERT_EQ(measured.texts.size(), 64u);
  ASSERT_EQ(measured.equal.size(), 10u);
  for (const std::string& a : measured.texts) {
    for (const std::string& b : measured.texts) {
      const int order = CompareAnsiIgnoreCase(a, b);
      EXPECT_EQ(order, -CompareAnsiIgnoreCase(b, a)) << test::Utf8(a) << " / " << test::Utf8(b);
      if (a[0] != b[0]) {
        EXPECT_EQ(order, a[0] < b[0] ? -1 : 1) << test::Utf8(a) << " / " << test::Utf8(b);
      } else {
        const bool equal = a == b || measured.equal.count({a, b}) > 0;
        EXPECT_EQ(equal, order == 0) << test::Utf8(a) << " / " << test::Utf8(b);
      }
    }
  }
}

TEST(CompareAnsiIgnoreCase, ConsistentOrder) {
  // Sorted with the comparison alone, every pair agrees with the order.
  std::vector<std::string> texts = LoadCollation().texts;
  for (size_t i = 1; i < texts.size(); ++i)
    for (size_t j = i; j > 0 && CompareAnsiIgnoreCase(texts[j - 1], texts[j]) > 0; --j)
      std::swap(texts[j - 1], texts[j]);
  for (size_t i = 0; i < texts.size(); ++i)
    for (size_t j = i + 1; j < texts.size(); ++j)
      EXPECT_LE(CompareAnsiIgnoreCase(texts[i], texts[j]), 0)
          << test::Utf8(texts[i]) << " / " << test::Utf8(texts[j]);
}

TEST(CompareAnsiIgnoreCase, Orders) {
  // Each row: how a compares with b, as measured; these hold on every
  // platform.
  static const struct {
    const char* a;
    const char* b;
    int order;
  } rows[] = {
      {"9あいう", "0あいう", 1},  // the role code decides first
      {"1abc", "1ａｂｃ", -1},    // width counts
      {"1ab", "1abc", -1},        // a prefix first
      {"1 abc", "1123", -1},      // signs before digits
      {"1123", "19", -1},         // digit by digit
      {"19", "1ab", -1},          // digits before letters
      {"1a\\bc", "1a￥bc", -1},
      {"1a￥bc", "1ab", -1},
      {"1ｶｷ", "1カキ", -1},  // half-width, katakana, hiragana
      {"1カキ", "1かき", -1},
      {"1ヤマダ", "1やまだ", -1},
      {"1かき", "1ガキ", -1},  // unvoiced before voiced
      {"1ガキ", "1カド", -1},
      {"1はは", "1ばば", -1},
      {"1カ・ド", "1カアド", -1},
      {"1阿部", "1伊藤", -1},  // kanji in JIS order, not in Unicode order
      {"1阿部", "1鈴木", -1},
      {"1ヂ", "1ア", 1},   // ヂ is 0x83 0x61: its 'a' is no letter
      {"1ﾊﾞ", "1ﾊﾟ", -1},  // half-width voiced before semi-voiced
      {"1я", "1Я", 0},     // the last small Cyrillic and Greek letters
      {"1ω", "1Ω", 0},
      {"1ё", "1Ё", 0},
      {"1ヽ", "10", 1},  // iteration marks after the digits (a repeat of "1" on Win32)
      {"1ゝ", "10", 1},
      {"1ゞ", "10", 1},
      {"1\x7f", "1 ", -1},  // DEL before the signs
      {"1！", "1\"", -1},   // ！ as "!"
      {"1Ω", "1Z", 1},      // Greek and Cyrillic after the Latin letters
      {"1Д", "1Z", 1},
  };
  for (const auto& row : rows) {
    const std::string a = test::Sjis(row.a), b = test::Sjis(row.b);
    EXPECT_EQ(row.order, CompareAnsiIgnoreCase(a, b)) << row.a << " / " << row.b;
    EXPECT_EQ(-row.order, CompareAnsiIgnoreCase(b, a)) << row.b << " / " << row.a;
  }
  // A lead byte at the end of the text: the byte after it is not read.
  EXPECT_EQ(0, CompareAnsiIgnoreCase(std::string_view("1\x82\xa0", 2), "1\x82"));
}

}  // namespace
}  // namespace kanadeya::platform
