#include "scrape/euc_jp.h"

#include <gtest/gtest.h>

#include "tests/support/bytes.h"

namespace kanadeya {
namespace {

using test::Unhex;

struct ConversionCase {
  const char* euc;        // hex
  const char* shift_jis;  // hex
};

TEST(EucToShiftJis, WalksTheBytes) {
  static const ConversionCase cases[] = {
      {"-", "-"},                      // empty text
      {"616263", "616263"},            // ASCII is copied
      {"000d0a7f", "000d0a7f"},        // control bytes and a zero byte are copied
      {"80", "80"},                    // 0x80 is copied
      {"ff41", "ff41"},                // 0xFF is copied
      {"a4a2", "82a0"},                // あ: even row
      {"a5a2", "8341"},                // ア: odd row, cell up to 0x5F
      {"a5e0", "8380"},                // ム: odd row, cell above 0x5F
      {"dea1", "9f9f"},                // row 0x5E, the last below 0x5F
      {"dfa1", "e040"},                // row 0x5F takes the upper lead bytes
      {"8eb1", "b1"},                  // half-width ｱ: the 0x8E prefix is dropped
      {"8eb18edf", "b1df"},            // two half-width katakana
      {"8e", "00"},                    // 0x8E as the last byte: the missing byte is 0x00
      {"8ea4a2", "a4817e"},            // 0x8E copies a lead byte; the pair after it is cut short
      {"8fa1a1", "7840811f"},          // 0x8F starts an ordinary pair
      {"61a4", "61827e"},              // a pair at the last byte takes 0x00
      {"a461", "82df"},                // a pair takes an ASCII byte as its second byte
      {"a40d0a", "828b0a"},            // a pair can take a CR; the LF stays
      {"a4a2614142a4a4", "82a061414282a2"},  // mixed text
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.euc);
    EXPECT_BYTES_EQ(Unhex(c.shift_jis), EucToShiftJis(Unhex(c.euc)));
  }
}

TEST(JisToShiftJis, ByteArithmeticModulo256) {
  struct Case {
    unsigned char row, cell, first, second;
  };
  static const Case cases[] = {
      {0x21, 0x21, 0x81, 0x40},  // first character of JIS X 0208 (the ideographic space)
      {0x7E, 0x7E, 0xEF, 0xFC},  // last cell of the last row
      {0x00, 0x00, 0x70, 0x7E},  // outside the character set: the same arithmetic
      {0x7F, 0x7F, 0xF0, 0x9F},  // largest 7-bit values: odd row, high cell
      {0x0F, 0x21, 0x78, 0x40},  // what a 0x8F pair turns into
  };
  for (const auto& c : cases) {
    const auto pair = JisToShiftJis(c.row, c.cell);
    EXPECT_EQ(c.first, pair[0]) << std::hex << int(c.row) << " " << int(c.cell);
    EXPECT_EQ(c.second, pair[1]) << std::hex << int(c.row) << " " << int(c.cell);
  }
}

}  // namespace
}  // namespace kanadeya
