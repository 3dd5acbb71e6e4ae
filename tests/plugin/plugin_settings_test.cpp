// The [Site] BaseUrl rules of kanadeya.ini, case by case. Reading the file
// and the messages are seen end to end (tests/e2e).
#include "plugin/plugin_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/bytes.h"

namespace kanadeya {
namespace {

TEST(CheckBaseUrl, AcceptsAndRejects) {
  struct Row {
    std::string value;
    BaseUrlFault fault;
    std::string url;  // with kNone
  };
  const Row rows[] = {
      {"http://catalog.example", BaseUrlFault::kNone, "http://catalog.example"},
      {"https://catalog.example/", BaseUrlFault::kNone, "https://catalog.example"},
      {"http://h//", BaseUrlFault::kNone, "http://h/"},  // only one "/" goes
      {"http://127.0.0.1:8000/mirror", BaseUrlFault::kNone, "http://127.0.0.1:8000/mirror"},
      {"http://h/" + std::string(191, 'a'), BaseUrlFault::kNone, "http://h/" + std::string(191, 'a')},
      {"http://h/" + std::string(192, 'a'), BaseUrlFault::kTooLong, ""},
      {"ftp://h", BaseUrlFault::kScheme, ""},
      {"HTTP://h", BaseUrlFault::kScheme, ""},
      {"catalog.example", BaseUrlFault::kScheme, ""},
      {" http://h", BaseUrlFault::kScheme, ""},
      {"http://", BaseUrlFault::kNoHost, ""},
      {"https://", BaseUrlFault::kNoHost, ""},
      {"http:///x", BaseUrlFault::kNoHost, ""},
      {"http://:80", BaseUrlFault::kNoHost, ""},
      {"http://?q", BaseUrlFault::kNoHost, ""},
      {"http://a b", BaseUrlFault::kCharacter, ""},
      {"http://a\tb", BaseUrlFault::kCharacter, ""},
      {"http://a\x01", BaseUrlFault::kCharacter, ""},
      {"http://a\x7f", BaseUrlFault::kCharacter, ""},
      {"http://a\"b", BaseUrlFault::kCharacter, ""},
      {"http://a'b", BaseUrlFault::kCharacter, ""},
      {SJ("http://ピア"), BaseUrlFault::kCharacter, ""},
  };
  for (const auto& row : rows) {
    std::string url = "untouched";
    EXPECT_EQ(row.fault, CheckBaseUrl(row.value, url)) << row.value;
    EXPECT_EQ(row.fault == BaseUrlFault::kNone ? row.url : "untouched", url) << row.value;
  }
}

}  // namespace
}  // namespace kanadeya
