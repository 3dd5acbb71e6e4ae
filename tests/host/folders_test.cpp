#include "host/folders.h"

#include <gtest/gtest.h>

#include <string_view>

#include "host/utf8.h"
#include "platform/text_mapping.h"

namespace hakobune {
namespace {

TEST(WithTrailingSeparator, AppendsOnlyWhenMissing) {
  const std::string s(Separator());
  EXPECT_EQ("data" + s, WithTrailingSeparator("data"));
  EXPECT_EQ("data/", WithTrailingSeparator("data/"));
  EXPECT_EQ("", WithTrailingSeparator(""));
}

#if defined(_WIN32)
TEST(WithTrailingSeparator, CodePage932Paths) {
  static const struct {
    std::string_view path, expected;
  } rows[] = {
      {"C:\\data\\", "C:\\data\\"},
      {"C:\\data", "C:\\data\\"},
      {"C:\\\x95\x5c", "C:\\\x95\x5c\\"},  // 表 ends in 0x5C but is no separator
      {"C:\\\x95\x5c\\", "C:\\\x95\x5c\\"},
      {"C:\\\x83\x5c\x95\x5c", "C:\\\x83\x5c\x95\x5c\\"},  // ソ表
      {"C:\\a\x95", "C:\\a\x95\\"},                        // a lead byte at the very end
  };
  for (const auto& row : rows) EXPECT_EQ(row.expected, WithTrailingSeparator(row.path));
}
#else
TEST(WithTrailingSeparator, PosixPathsAreBytes) {
  // UTF-8 "表" and a byte 0x5C at the end: only "/" separates.
  EXPECT_EQ("/d/\xe8\xa1\xa8/", WithTrailingSeparator("/d/\xe8\xa1\xa8"));
  EXPECT_EQ("/d/a\\/", WithTrailingSeparator("/d/a\\"));
}
#endif

TEST(Utf8ToWide, ValidAndInvalid) {
  EXPECT_EQ(u"a\u3042\u00e9", kanadeya::platform::Utf8ToWide("a\xe3\x81\x82\xc3\xa9"));
  EXPECT_EQ(u"", kanadeya::platform::Utf8ToWide(""));
  static const std::string_view invalid[] = {
      "\x82\xa0",          // Shift_JIS あ
      "\xe3\x81",          // cut short
      "\xc0\xaf",          // overlong
      "\xe0\x80\xaf",      // overlong
      "\xed\xa0\x80",      // a surrogate
      "\xf0\x9f\x8e\xb5",  // beyond U+FFFF
  };
  for (auto text : invalid) EXPECT_FALSE(kanadeya::platform::Utf8ToWide(text).has_value());
}

}  // namespace
}  // namespace hakobune
