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
      {"-", "-"},                // empty text
      {"616263", "616263"},      // ASCII is copied
      {"000d0a7f", "000d0a7f"},  // control bytes and a zero byte are copied
      {"80", "80"},              // 0x80 is copied
      {"a4a2", "82a0"},          // あ: even row
      {"a5a2", "8341"},          // ア: odd row, cell up to 0x5F
      {"a5e0", "8380"},          // ム: odd row, cell above 0x5F
      {"dea1", "9f9f"},          // row 0x5E, the last below 0x5F
      {"dfa1", "e040"},          // row 0x5F takes the upper lead bytes
      {"8eb1", "b1"},            // half-width ｱ: the 0x8E prefix is dropped
      {"8eb18edf", "b1df"},      // two half-width katakana
      {"8e", "00"},              // 0x8E as the last byte: the missing byte is 0x00
      {"8ea4a2", "a4817e"},      // 0x8E copies a lead byte; the pair after it is cut short
      {"8fa1a1", "7840811f"},    // 0x8F starts an ordinary pair: row 0x0F, modulo 256
      {"ffa1", "ff811f"},        // 0xFF is copied alone; the pair after it is cut short
      {"fefe", "effc"},          // the last cell of the last row
      {"61a4", "61827e"},        // a pair at the last byte takes 0x00
      {"a461", "82df"},          // a pair takes an ASCII byte as its second byte
      {"a40d0a", "828b0a"},      // a pair can take a CR; the LF stays
      {"a4a2614142a4a4", "82a061414282a2"},  // mixed text
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.euc);
    EXPECT_BYTES_EQ(Unhex(c.shift_jis), EucToShiftJis(Unhex(c.euc)));
  }
}

}  // namespace
}  // namespace kanadeya
