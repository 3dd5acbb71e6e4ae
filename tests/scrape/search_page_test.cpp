#include "scrape/search_page.h"

#include <gtest/gtest.h>

#include <string>

namespace kanadeya {
namespace {

TEST(FindDetailId, TakesTheTextUpToTheQuote) {
  EXPECT_EQ(FindDetailId("a\r\n  <td><a href=\"/detail/view.php?id=A1&b=2\">"), "A1&b=2");
  EXPECT_EQ(FindDetailId("a\r\n<td><a href=\"/detail/view.php?id=\">"), "");
  EXPECT_EQ(FindDetailId(""), "");
}

TEST(CountDetailIds, CountsTheDistinctIdsOfEveryLinkBelowTheFirstLine) {
  const std::string link = "<td><a href=\"/detail/view.php?id=";
  const struct {
    std::string page;
    size_t ids;
  } rows[] = {
      {"", 0},
      {link + "K1\">", 0},            // the first line alone
      {"a\r\n" + link + "K1\">", 1},  // the one the scan takes
      {"a\r\n" + link + "K1\">" + link + "K2\">\r\n" + link + "K3\">", 3},
      {"a\r\n" + link + "K1\">\r\n" + link + "K1\">\r\n", 1},  // the same book twice
      {"a\r\n" + link + "K1\">" + link + "K2", 1},             // no quote: no id
      {"a\r\n" + link + "\">", 1},                             // an empty id is one
  };
  for (const auto& row : rows) EXPECT_EQ(CountDetailIds(row.page), row.ids) << row.page;
}

}  // namespace
}  // namespace kanadeya
