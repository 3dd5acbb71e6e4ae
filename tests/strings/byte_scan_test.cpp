#include "strings/byte_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/bytes.h"

namespace kanadeya {
namespace {

// Both scans against a byte-by-byte walk, on texts of every length around
// the sixteen- and eight-byte steps, the byte looked for at every offset, and
// with one to five bytes that must follow (five: each place on its own).
TEST(ForEachByteBefore, AsTheByteByByteWalk) {
  std::mt19937 random(7);
  for (std::string_view next : {"", "a", "ab", "abc", "abcd", "abcde"}) {
    for (size_t length = 0; length < 70; ++length) {
      for (int round = 0; round < 8; ++round) {
        std::string text(length, 'x');
        for (char& c : text) c = "<<abcdex\xbc"[random() % 9];
        std::vector<size_t> every, before, expected_every, expected_before;
        ForEachByte(text, '<', [&](size_t at) { every.push_back(at); });
        ForEachByteBefore(text, '<', next, [&](size_t at) { before.push_back(at); });
        for (size_t at = 0; at < text.size(); ++at) {
          if (text[at] != '<') continue;
          expected_every.push_back(at);
          if (at + 1 == text.size() || (!next.empty() && next.find(text[at + 1]) != next.npos))
            expected_before.push_back(at);
        }
        EXPECT_EQ(every, expected_every) << test::Hex(text);
        EXPECT_EQ(before, expected_before) << test::Hex(text) << " next " << next;
      }
    }
  }
}

}  // namespace
}  // namespace kanadeya
