// The wide steps of EucToShiftJis against the plain walk of
// EucToShiftJisReference (sixteen bytes at a time with SSE2 where the
// processor has it), and the sixteen-byte walk
// of a page's lines: texts built to put every kind of byte at every offset
// of a step, at the end of the text and across step boundaries.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "scrape/euc_jp.h"
#include "tests/support/bytes.h"
#include "tests/support/plain_walks.h"

namespace kanadeya {
namespace {

using test::Unhex;

// And the walk that takes the text as lines, against the plain walk between
// two joins of the lines.
void ExpectSameAsReference(const std::string& euc) {
  const std::string reference = EucToShiftJisReference(euc);
  ASSERT_BYTES_EQ(reference, EucToShiftJis(euc)) << "EUC " << test::Hex(euc);
  ASSERT_BYTES_EQ(reference, EucToShiftJisSse2(euc)) << "SSE2, EUC " << test::Hex(euc);
  std::string lines;
  if (EucLinesToShiftJisSse2(euc, lines)) {
    ASSERT_BYTES_EQ(test::PlainJoinLines(EucToShiftJisReference(test::PlainJoinLines(euc))), lines)
        << "SSE2 lines, EUC " << test::Hex(euc);
  }
}

// Every x86-64 processor has SSE2; other processor families take the
// reference walk (on 32-bit x86 it depends on the processor).
TEST(EucToShiftJis, Sse2WalkWhereEveryProcessorHasIt) {
#if defined(__x86_64__)
  EXPECT_TRUE(EucToShiftJisSse2Available());
#elif !defined(__i386__)
  EXPECT_FALSE(EucToShiftJisSse2Available());
#endif
}

TEST(EucToShiftJis, AgreesWithTheWalkOnChosenTexts) {
  static const char* const cases[] = {
      "-",                                       // empty
      "6162636465666768",                        // eight ASCII bytes: one whole step
      "616263646566676869",                      // and one more byte
      "a4a2a4a4a4a6a4a8",                        // four pairs: one whole step
      "a4a2a4a4a4a6a4a8a4",                      // and a pair cut short at the end
      "61a4a2a4a4a4a6a4a8",                      // the pairs start at an odd offset
      "a4a2a4a4a4a661626364",                    // three pairs, then ASCII inside the step
      "a4a2a4a4a461a4a6a4a8",                    // a pair whose second byte is ASCII
      "a1a1fefea1fefea1a1a1",                    // the ends of the pair range
      "a0a1a1a1a1a1a1a1a1a1",                    // 0xA0 is not in the range: walked alone
      "ffa1a1a1a1a1a1a1a1a1",                    // 0xFF is copied alone, shifting the pairs
      "a1ffa1a1a1a1a1a1a1a1",                    // 0xFF as a pair's second byte
      "8eb18eb28eb38eb48eb5",                    // half-width katakana
      "8fa1a1a1a1a1a1a1a1a1",                    // 0x8F starts an ordinary pair
      "80808080808080808080",                    // 0x80 is copied
      "6162636465666768698e",                    // 0x8E as the last byte
      "6162636465666768698f",                    // 0x8F as the last byte
      "61626364656667a4a2a4",                    // a pair over the end of a step
      "dfa1dea1dfa1dea1e0a1",                    // rows on both sides of 0x5F
      "a5dfa5e0a4dfa4e0a5a1",                    // cells on both sides of 0x5F, odd and even rows
      "0d0aa40d0aa4a2a4a2a4a2a4a2",              // a pair taking a CR
      "8eb18eb28eb3a4a2a4a2a4a2",                // three half-width katakana, then pairs
      "8eb18eb28eb3618eb4",                      // three half-width katakana, then ASCII
      "a18eb18eb28eb38eb4a1a1",                  // half-width katakana after a pair's first byte
      "a4a2a4a4a4a6a4a8a4aaa4aba4ada4af61",      // eight pairs: one whole sixteen-byte step
      "61a4a2a4a4a4a6a4a8a4aaa4aba4ada4afa4b1",  // pairs over the end of a sixteen-byte step
      "8eb18eb28eb38eb48eb58eb68eb78eb88eb9",    // half-width katakana over a step's end
      "6162636465666768696a6b6c6d6e6fa4a2a4",    // a pair over the end of a sixteen-byte step
      "6162636465666768696a6b6c6d6e6fa40d0a",    // ... whose second byte is ASCII
      "610a620d630d0a640a0d65a40aa40d0aa4",      // every kind of break, pairs cut by them
      "8e0a8e0d0a8e",                            // half-width prefixes before breaks and at the end
      "0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a0a",  // empty lines
      "61626364656667680061620a",  // a zero byte ends the lines
  };
  for (const char* hex : cases) {
    SCOPED_TRACE(hex);
    ExpectSameAsReference(Unhex(hex));
  }
}

// Every byte value, and every pair of byte values, placed at each offset
// of a sixteen-byte step (and its halves) among pairs and among ASCII.
TEST(EucToShiftJis, AgreesWithTheWalkOnEveryByteAtEveryOffset) {
  for (int first = 0; first < 256; ++first) {
    for (int second = 0; second < 256; second += (first >= 0x80 ? 1 : 17)) {
      for (size_t offset = 0; offset < 17; ++offset) {
        for (const char* fill : {"\xa4\xa2", "ab"}) {
          std::string euc;
          while (euc.size() < offset) euc += fill;
          euc.resize(offset);
          euc += static_cast<char>(first);
          euc += static_cast<char>(second);
          while (euc.size() < 40) euc += fill;
          ExpectSameAsReference(euc);
          ExpectSameAsReference(euc.substr(0, offset + 1));  // the byte at the end
        }
      }
    }
  }
}

// Random texts of every length up to 64 bytes, and longer ones, drawn from
// byte classes that meet each other often: ASCII, pair bytes, 0x8E, 0x8F,
// 0x80, 0xA0, 0xFF and any byte.
TEST(EucToShiftJis, AgreesWithTheWalkOnRandomTexts) {
  std::mt19937 random(12345);
  static const unsigned char kSpecial[] = {0x80, 0x8E, 0x8F, 0xA0, 0xA1,
                                           0xFE, 0xFF, 0x00, 0x0D, 0x0A};
  for (int round = 0; round < 20000; ++round) {
    const size_t length = round < 10000 ? static_cast<size_t>(round % 65) : random() % 600;
    std::string euc;
    for (size_t i = 0; i < length; ++i) {
      const unsigned kind = random() % 8;
      unsigned char b;
      if (kind < 3)
        b = static_cast<unsigned char>(0x20 + random() % 0x5F);
      else if (kind < 6)
        b = static_cast<unsigned char>(0xA1 + random() % 0x5E);
      else if (kind == 6)
        b = kSpecial[random() % std::size(kSpecial)];
      else
        b = static_cast<unsigned char>(random());
      euc += static_cast<char>(b);
    }
    ExpectSameAsReference(euc);
    if (HasFatalFailure()) return;
  }
}

// Texts made of whole characters of every kind, as pages hold them, with
// now and then a byte out of place.
TEST(EucToShiftJis, AgreesWithTheWalkOnRandomCharacters) {
  static const char* const kPieces[] = {
      "a",        "<p>",          "\xa4\xa2", "\xb0\xa1", "\xdf\xfe", "\xa5\xe0", "\x8e\xb1",
      "\x8e\xdf", "\x8f\xa1\xa1", "\r\n",     "\x80",     "\xa1",     "\x8e"};
  std::mt19937 random(54321);
  for (int round = 0; round < 20000; ++round) {
    std::string euc;
    const size_t pieces = random() % 40;
    for (size_t i = 0; i < pieces; ++i) {
      // Mostly one kind of character in runs, as text has them.
      const size_t kind = random() % std::size(kPieces);
      for (size_t run = 1 + random() % 6; run > 0; --run) euc += kPieces[kind];
    }
    ExpectSameAsReference(euc);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace kanadeya
