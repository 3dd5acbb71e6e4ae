#include "host/web_address.h"

#include <gtest/gtest.h>

#include <string_view>

namespace hakobune {
namespace {

TEST(SplitWebAddress, PartsAndDefaultPorts) {
  static const struct {
    std::string_view text, host;
    uint16_t port;
    std::string_view rest;
  } rows[] = {
      {"http://catalog.example/search/keyword.php?keyword=1", "catalog.example", 80,
       "/search/keyword.php?keyword=1"},
      {"https://catalog.example", "catalog.example", 443, ""},
      {"HTTP://127.0.0.1:8080?x", "127.0.0.1", 8080, "?x"},  // scheme in any case
      {"http://[::1]:8443/a", "::1", 8443, "/a"},
      {"https://[::1]/a", "::1", 443, "/a"},
      {"http://h:65535#f", "h", 65535, "#f"},
      // Leniently, more than one ":" outside brackets: an IPv6 address
      // without them, the port after the last ":".
      {"http://::1:8080/x", "::1", 8080, "/x"},
  };
  for (const auto& row : rows) {
    const auto address = SplitWebAddress(row.text);
    ASSERT_TRUE(address) << row.text;
    EXPECT_EQ(row.host, address->host) << row.text;
    EXPECT_EQ(row.port, address->port) << row.text;
    EXPECT_EQ(row.rest, address->rest) << row.text;
  }
}

TEST(SplitWebAddress, Rejects) {
  static const std::string_view rows[] = {
      "ftp://h/x",     // not http or https
      "https2://h/x",  // https and more
      "file:///etc/passwd",
      "http:/h",  // no "://"
      "http://",  // no host
      "http://:80/x",
      "http://h:/x",  // empty port
      "http://h:0",   // port out of range
      "http://h:65536",
      "http://h:8o",
      "http://[::1/x",  // unclosed bracket
      "http://[::1]x",
      "http://a b/",       // blank in the host
      "http://h\r\nX:1/",  // no header can be slipped in
      "http://\x95\x5c/",  // bytes beyond ASCII
  };
  for (std::string_view text : rows) EXPECT_FALSE(SplitWebAddress(text)) << text;
}

TEST(SiteBase, SchemeHostAndPath) {
  static const struct {
    std::string_view text, base;  // base "" : rejected
  } rows[] = {
      {"http://127.0.0.1:8080", "http://127.0.0.1:8080"},
      {"http://127.0.0.1:8080/", "http://127.0.0.1:8080"},
      {"https://mirror.example/catalog//", "https://mirror.example/catalog"},
      {"http://h/?q", ""},  // a query means nothing here
      {"http://h/#f", ""},
      {"http://h/a b", ""},  // the path is sent as it stands: no blanks
      {"http://", ""},
  };
  for (const auto& row : rows) {
    const auto base = SiteBase(row.text);
    EXPECT_EQ(row.base, base.value_or("")) << row.text;
  }
}

TEST(OnSite, ReplacesSchemeAndHostOnly) {
  static const struct {
    std::string_view site, url, expected;
  } rows[] = {
      {"http://127.0.0.1:8080", "http://catalog.example/detail/view.php?id=K1",
       "http://127.0.0.1:8080/detail/view.php?id=K1"},
      {"http://127.0.0.1:8080", "https://a.example:9/search/keyword.php?keyword=http://x/y",
       "http://127.0.0.1:8080/search/keyword.php?keyword=http://x/y"},
      {"https://m.example/cat", "http://catalog.example/x", "https://m.example/cat/x"},
      {"http://s", "http://catalog.example", "http://s"},
      {"http://s", "http://catalog.example?q", "http://s/?q"},
      {"http://s", "/detail/view.php?id=1", "http://s/detail/view.php?id=1"},  // no scheme
      {"http://s", "detail", "http://s/detail"},
  };
  for (const auto& row : rows) EXPECT_EQ(row.expected, OnSite(row.site, row.url)) << row.url;
}

TEST(EscapeForWire, OnlyWhatCannotStand) {
  static const struct {
    std::string_view url, wire;
  } rows[] = {
      {"http://a/s?k=9784888100113", "http://a/s?k=9784888100113"},
      {"http://a/s?k=a b", "http://a/s?k=a%20b"},
      {"http://a/s?k=%41&x=1", "http://a/s?k=%41&x=1"},  // "%", "&", "=" stay
      {"http://a/s?k=a#b", "http://a/s?k=a%23b"},        // no fragment cut off
      {"http://a/s?k=\r\nHost: b", "http://a/s?k=%0D%0AHost:%20b"},
      {"\x95\x5c\x7f", "%95%5C%7F"},  // 表 and DEL
      {"\"<>\\^`{|}", "%22%3C%3E%5C%5E%60%7B%7C%7D"},
      {"", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(row.wire, EscapeForWire(row.url)) << row.url;
}

TEST(SiteOf, SchemeAndAuthorityInLowerCase) {
  EXPECT_EQ("http://catalog.example", SiteOf("HTTP://Catalog.Example/x?y"));
  EXPECT_EQ("http://127.0.0.1:8080", SiteOf("http://127.0.0.1:8080"));
  EXPECT_NE(SiteOf("http://h:1/"), SiteOf("http://h:2/"));  // another port, another site
  EXPECT_EQ("", SiteOf("ftp://h/x"));
  EXPECT_EQ("", SiteOf("/detail/view.php?id=1"));
}

TEST(LooksLikeWebAddress, OnlyHttpAndHttps) {
  EXPECT_TRUE(LooksLikeWebAddress("http://"));
  EXPECT_TRUE(LooksLikeWebAddress("Https://h"));
  EXPECT_FALSE(LooksLikeWebAddress("http:/h"));
  EXPECT_FALSE(LooksLikeWebAddress("examples/site"));
  EXPECT_FALSE(LooksLikeWebAddress("ftp://h"));
}

}  // namespace
}  // namespace hakobune
