#include "host/site_folder.h"

#include <gtest/gtest.h>

#include <string_view>

#include "host/folders.h"

namespace hakobune {
namespace {

TEST(EscapeKey, OnlyPlainBytesStay) {
  static const struct {
    std::string_view key, escaped;
  } rows[] = {
      {"9784888100113", "9784888100113"},
      {"Az_.-09", "Az_.-09"},
      {"Zz", "Zz"},
      {"..", ".."},  // harmless without a separator
      {"../x", "..%2Fx"},
      {"a\\b", "a%5Cb"},
      {"%41", "%2541"},  // "%" itself is escaped: no double meaning
      {"a b?c#d", "a%20b%3Fc%23d"},
      {"\x95\x5c", "%95%5C"},  // 表: both bytes, upper-case hex
      {std::string_view("\0\xff", 2), "%00%FF"},
      {"", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(row.escaped, EscapeKey(row.key)) << row.key;
}

TEST(SiteFilePath, SearchAndDetail) {
  const std::string s(Separator());
  static const struct {
    std::string_view url, file;  // file relative to the site folder; "" for none
  } rows[] = {
      {"http://catalog.example/search/keyword.php?keyword=9784888100113",
       "search|9784888100113.html"},
      {"http://catalog.example/detail/view.php?id=K1001", "detail|K1001.html"},
      // Scheme and host do not count.
      {"https://other.example:8080/detail/view.php?id=K1001", "detail|K1001.html"},
      {"/detail/view.php?id=K1001", "detail|K1001.html"},
      // The key runs to the end of the URL, escaped.
      {"http://h/search/keyword.php?keyword=a/../b", "search|a%2F..%2Fb.html"},
      {"http://h/search/keyword.php?keyword=", "search|.html"},
      {"http://h/detail/view.php?id=x&y=1#z", "detail|x%26y%3D1%23z.html"},
      // Anything else has no file.
      {"http://h/detail/view.php?ID=K1001", ""},
      {"http://h/search/other.php?keyword=1", ""},
      {"http://h", ""},
      {"http://h/", ""},
      {"", ""},
      {"search/keyword.php?keyword=1", ""},
  };
  for (const auto& row : rows) {
    const auto file = SiteFilePath("site", row.url);
    if (row.file.empty()) {
      EXPECT_FALSE(file.has_value()) << row.url;
      continue;
    }
    std::string expected = "site" + s + std::string(row.file);
    expected.replace(expected.find('|'), 1, s);
    EXPECT_EQ(expected, file.value_or("(none)")) << row.url;
  }
}

TEST(SiteFilePath, SeparatorAfterFolderOnlyWhenMissing) {
  const std::string s(Separator());
  const std::string url = "http://h/detail/view.php?id=1";
  EXPECT_EQ("site" + s + "detail" + s + "1.html", SiteFilePath("site" + s, url));
  EXPECT_EQ("site" + s + "detail" + s + "1.html", SiteFilePath("site", url));
}

}  // namespace
}  // namespace hakobune
