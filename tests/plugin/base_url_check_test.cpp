// The [Site] BaseUrl rules of kanadeya.ini, case by case: every fault, where it points and what
// its message says. Reading the file and the messages are seen end to end (tests/e2e).
#include "plugin/base_url_check.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <string_view>

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
      {"http://h//", BaseUrlFault::kTrailingSlashes, ""},
      {"http://h/a//", BaseUrlFault::kTrailingSlashes, ""},
      {"http://[::1]:8000", BaseUrlFault::kNone, "http://[::1]:8000"},
      {"http://[2001:db8::7]/", BaseUrlFault::kNone, "http://[2001:db8::7]"},
      {"http://[::ffff:192.0.2.1]", BaseUrlFault::kNone, "http://[::ffff:192.0.2.1]"},
      {"http://h.example:65535/a%2Fb/~x_y-z.", BaseUrlFault::kNone,
       "http://h.example:65535/a%2Fb/~x_y-z."},
      {"http://a:b@h", BaseUrlFault::kUserInfo, ""},
      {"http://h@", BaseUrlFault::kUserInfo, ""},
      {"http://h?x=1", BaseUrlFault::kQuery, ""},
      {"http://h/p?", BaseUrlFault::kQuery, ""},
      {"http://h#top", BaseUrlFault::kFragment, ""},
      {"http://h:abc", BaseUrlFault::kPort, ""},
      {"http://h:", BaseUrlFault::kPort, ""},
      {"http://h:0", BaseUrlFault::kPort, ""},
      {"http://h:65536", BaseUrlFault::kPort, ""},
      {"http://[::1]x", BaseUrlFault::kHost, ""},
      {"http://[::1", BaseUrlFault::kHost, ""},
      {"http://[1:2:3:4:5:6:7:8:9]", BaseUrlFault::kHost, ""},
      {"http://[1::2::3]", BaseUrlFault::kHost, ""},
      {"http://[1::12345]", BaseUrlFault::kHost, ""},
      {"http://h_x", BaseUrlFault::kHost, ""},
      {"http://-h", BaseUrlFault::kHost, ""},
      {"http://a..b", BaseUrlFault::kHost, ""},
      {"http://256.0.0.1", BaseUrlFault::kHost, ""},
      {"http://1.2.3", BaseUrlFault::kHost, ""},
      {"http://h/a%2", BaseUrlFault::kPath, ""},
      {"http://h/a%zz", BaseUrlFault::kPath, ""},
      {"http://h/a;b", BaseUrlFault::kPath, ""},
      {"http://h\\x", BaseUrlFault::kCharacter, ""},
      {"http://h/a,b", BaseUrlFault::kCharacter, ""},
      {"http://127.0.0.1:8000/mirror", BaseUrlFault::kNone, "http://127.0.0.1:8000/mirror"},
      {"http://h/" + std::string(191, 'a'), BaseUrlFault::kNone,
       "http://h/" + std::string(191, 'a')},
      {"http://h/" + std::string(192, 'a'), BaseUrlFault::kTooLong, ""},
      {"ftp://h", BaseUrlFault::kScheme, ""},
      {"HTTP://h", BaseUrlFault::kScheme, ""},
      {"catalog.example", BaseUrlFault::kScheme, ""},
      {" http://h", BaseUrlFault::kScheme, ""},
      {"http://", BaseUrlFault::kNoHost, ""},
      {"https://", BaseUrlFault::kNoHost, ""},
      {"http:///x", BaseUrlFault::kNoHost, ""},
      {"http://:80", BaseUrlFault::kNoHost, ""},
      {"http://?q", BaseUrlFault::kQuery, ""},
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

TEST(BaseUrlFaultMessage, QuotesTheValueAndPointsAtTheFirstWrongCharacter) {
  // Characters are counted, a double-byte one as one; a control byte shows
  // as a mark; the scheme's example comes only for a scheme fault.
  struct Row {
    std::string value;
    std::string begins;  // the message's first line, up to the reason
  };
  const Row rows[] = {
      {SJ("http://127.0.0.1：8000"), SJ("「http://127.0.0.1：8000」の 17 文字目「：」：使えない")},
      {SJ("http://ピア/x y"), SJ("「http://ピア/x y」の 8 文字目「ピ」：使えない")},
      {"http://h:8x", SJ("「http://h:8x」の 11 文字目「x」：ポート番号")},
      {"http://h:99999", SJ("「http://h:99999」の 10 文字目「9」：ポート番号")},
      {"http://a:b@h", SJ("「http://a:b@h」の 11 文字目「@」：ユーザー名")},
      {"http://h/p?q", SJ("「http://h/p?q」の 11 文字目「?」：「?」")},
      {"http://h_x", SJ("「http://h_x」の 9 文字目「_」：ホスト名が")},
      {"http://h/a;b", SJ("「http://h/a;b」の 11 文字目「;」：パスに")},
      {"http://h/a//", SJ("「http://h/a//」の 11 文字目「/」：最後に")},
      {"http://a\x01", SJ("「http://a□」の 9 文字目「□」：使えない")},
      {"HTTP://h", SJ("「HTTP://h」：http:// または")},
      {"http://", SJ("「http://」：ホスト名が")},
      {"http://h/" + std::string(300, 'a'),
       SJ("「http://h/") + std::string(71, 'a') + SJ("…」：200 バイト")},
  };
  const std::string example = SJ("例：BaseUrl=");
  for (const auto& row : rows) {
    std::string url;
    size_t at = 0;
    const BaseUrlFault fault = CheckBaseUrl(row.value, url, &at);
    const std::string message = BaseUrlFaultMessage(fault, row.value, at);
    const std::string begins = SJ("の [Site] BaseUrl") + row.begins;
    EXPECT_BYTES_EQ(begins, message.substr(0, begins.size()));
    EXPECT_EQ(fault == BaseUrlFault::kScheme, message.find(example) != std::string::npos)
        << row.value;
  }
}

TEST(BaseUrlFaultMessage, EveryFaultOfTheListGivesItsReason) {
  struct Row {
    BaseUrlFault fault;
    std::string_view reason;
  };
  const Row rows[] = {
      {BaseUrlFault::kScheme, SJ("：http:// または https:// で始まっていません。")},
      {BaseUrlFault::kTooLong, SJ("：200 バイトを超えています。")},
      {BaseUrlFault::kCharacter,
       SJ("：使えない文字です（空白、引用符、バックスラッシュ、コンマ、制御文字、"
          "全角の文字は使えません）。")},
      {BaseUrlFault::kUserInfo, SJ("：ユーザー名やパスワード（「@」から前）は書けません。")},
      {BaseUrlFault::kQuery, SJ("：「?」から後（クエリ）は書けません。")},
      {BaseUrlFault::kFragment, SJ("：「#」から後は書けません。")},
      {BaseUrlFault::kNoHost, SJ("：ホスト名がありません。")},
      {BaseUrlFault::kHost,
       SJ("：ホスト名が正しくありません（英数字と「-」「.」の名前、IPv4 アドレス、"
          "または [ ] で囲んだ IPv6 アドレスが書けます）。")},
      {BaseUrlFault::kPort, SJ("：ポート番号が 1 から 65535 までの数ではありません。")},
      {BaseUrlFault::kPath,
       SJ("：パスに使えない文字です（半角英数字と「-」「.」「_」「~」「/」「%XX」が使えます）。")},
      {BaseUrlFault::kTrailingSlashes,
       SJ("：最後に「/」が続いています（最後の「/」はひとつまでです）。")},
  };
  EXPECT_EQ(static_cast<size_t>(BaseUrlFault::kTrailingSlashes), std::size(rows));
  for (const auto& row : rows) {
    const std::string message = BaseUrlFaultMessage(row.fault, "http://h", 7);
    EXPECT_NE(std::string::npos, message.find(row.reason)) << static_cast<int>(row.fault);
  }
  EXPECT_EQ("", BaseUrlFaultMessage(BaseUrlFault::kNone, "http://h", 0));
}

}  // namespace
}  // namespace kanadeya
