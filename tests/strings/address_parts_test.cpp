// The address splitter that the plug-in's BaseUrl check and the host's web
// addresses stand on: parts only, nothing judged.
#include "strings/address_parts.h"

#include <gtest/gtest.h>

#include <string_view>

namespace kanadeya {
namespace {

TEST(SplitAddress, SchemeAuthorityHostPortAndRest) {
  static const struct {
    std::string_view text, scheme, authority, host;
    bool bracketed, closed;
    std::string_view stray;
    bool has_port;
    std::string_view port, rest;
  } rows[] = {
      {"http://h.example/a?b#c", "http", "h.example", "h.example", false, false, "", false, "",
       "/a?b#c"},
      {"HTTPS://h:8443", "HTTPS", "h:8443", "h", false, false, "", true, "8443", ""},
      {"http://h:?q", "http", "h:", "h", false, false, "", true, "", "?q"},
      {"http://h:80:81/p", "http", "h:80:81", "h", false, false, "", true, "80:81", "/p"},
      {"http://u:p@h#f", "http", "u:p@h", "u", false, false, "", true, "p@h", "#f"},
      {"http://:80", "http", ":80", "", false, false, "", true, "80", ""},
      {"http://", "http", "", "", false, false, "", false, "", ""},
      {"ftp:///x", "ftp", "", "", false, false, "", false, "", "/x"},
      {"http://[::1]:8000/x", "http", "[::1]:8000", "::1", true, true, "", true, "8000", "/x"},
      {"http://[::1]", "http", "[::1]", "::1", true, true, "", false, "", ""},
      {"http://[::1]:", "http", "[::1]:", "::1", true, true, "", true, "", ""},
      {"http://[::1]x:1", "http", "[::1]x:1", "::1", true, true, "x:1", false, "", ""},
      {"http://[::1/x", "http", "[::1", "::1", true, false, "", false, "", "/x"},
      {" x://a://b", " x", "a:", "a", false, false, "", true, "", "//b"},  // the first "://"
  };
  for (const auto& row : rows) {
    const auto parts = SplitAddress(row.text);
    ASSERT_TRUE(parts) << row.text;
    EXPECT_EQ(row.scheme, parts->scheme) << row.text;
    EXPECT_EQ(row.authority, parts->authority) << row.text;
    EXPECT_EQ(row.host, parts->host) << row.text;
    EXPECT_EQ(row.bracketed, parts->bracketed) << row.text;
    EXPECT_EQ(row.closed, parts->closed) << row.text;
    EXPECT_EQ(row.stray, parts->stray) << row.text;
    EXPECT_EQ(row.has_port, parts->has_port) << row.text;
    EXPECT_EQ(row.port, parts->port) << row.text;
    EXPECT_EQ(row.rest, parts->rest) << row.text;
  }
}

TEST(SplitAddress, PartsAreViewsIntoTheText) {
  const std::string_view text = "http://h:81/p";
  const auto parts = SplitAddress(text);
  ASSERT_TRUE(parts);
  EXPECT_EQ(7, parts->authority.data() - text.data());
  EXPECT_EQ(9, parts->port.data() - text.data());
  EXPECT_EQ(11, parts->rest.data() - text.data());
  const std::string_view bare = "http://h";
  EXPECT_EQ(bare.size(), static_cast<size_t>(SplitAddress(bare)->rest.data() - bare.data()));
}

TEST(SplitAddress, NothingWithoutTheSeparator) {
  EXPECT_FALSE(SplitAddress("http:/h"));
  EXPECT_FALSE(SplitAddress("catalog.example"));
  EXPECT_FALSE(SplitAddress(""));
}

TEST(PortNumber, OneToFiveDigitsFromOneTo65535) {
  EXPECT_EQ(80, PortNumber("80"));
  EXPECT_EQ(65535, PortNumber("65535"));
  EXPECT_EQ(8080, PortNumber("08080"));
  EXPECT_EQ(1, PortNumber("00001"));
  EXPECT_FALSE(PortNumber(""));
  EXPECT_FALSE(PortNumber("0"));
  EXPECT_FALSE(PortNumber("65536"));
  EXPECT_FALSE(PortNumber("000080"));  // six digits
  EXPECT_FALSE(PortNumber("8o"));
  EXPECT_FALSE(PortNumber("+80"));
  EXPECT_FALSE(PortNumber("80:81"));
}

}  // namespace
}  // namespace kanadeya
