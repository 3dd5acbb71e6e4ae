#include "scrape/search_page.h"

#include <gtest/gtest.h>

namespace kanadeya {
namespace {

TEST(FindDetailId, TakesTheTextUpToTheQuote) {
  EXPECT_EQ(FindDetailId("a\r\n  <td><a href=\"/detail/view.php?id=A1&b=2\">"), "A1&b=2");
  EXPECT_EQ(FindDetailId("a\r\n<td><a href=\"/detail/view.php?id=\">"), "");
  EXPECT_EQ(FindDetailId(""), "");
}

}  // namespace
}  // namespace kanadeya
