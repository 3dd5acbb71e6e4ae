#include "strings/name_watch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/bytes.h"

namespace kanadeya {
namespace {

TEST(NameWatch, NamesFoundWhereTheyStartACharacter) {
  struct Row {
    std::vector<std::string> appended;
    std::vector<bool> occurs;  // for kNames
  };
  // "|" is the second byte of "ポ" (0x83 0x7C): it does not occur there.
  const std::vector<std::string> kNames = {"ab", "b", "|", SJ("ポ"), "", "abc"};
  const Row rows[] = {
      {{}, {false, false, false, false, false, false}},
      {{"xab"}, {true, true, false, false, false, false}},
      {{"a", "b", "c"}, {true, true, false, false, false, true}},  // across appends
      {{SJ("ポ")}, {false, false, false, true, false, false}},
      {{SJ("ポ|")}, {false, false, true, true, false, false}},
      {{"\x83", "\x7C"}, {false, false, false, true, false, false}},
      {{"\x81"}, {false, false, false, false, false, false}},
  };
  for (const auto& row : rows) {
    NameWatch watch(kNames);
    for (const std::string& more : row.appended) watch.Append(more);
    for (size_t i = 0; i < kNames.size(); ++i)
      EXPECT_EQ(row.occurs[i], watch.Occurs(i)) << test::Hex(kNames[i]);
  }
  // A name that is another followed by a zero byte.
  NameWatch zero({"b", std::string("b\0", 2)});
  zero.Append(std::string("b\0", 2));
  EXPECT_TRUE(zero.Occurs(1));
}

TEST(NameWatch, RestartForgetsTheText) {
  NameWatch watch({"ab"});
  watch.Append("ab");
  ASSERT_TRUE(watch.Occurs(0));
  watch.Restart();
  EXPECT_FALSE(watch.Occurs(0));
  watch.Append("a");
  EXPECT_FALSE(watch.Occurs(0));
  watch.Append("b");
  EXPECT_TRUE(watch.Occurs(0));
}

}  // namespace
}  // namespace kanadeya
