// Finding every offset of one byte in a text, for a byte that stands every few
// bytes (a page's "<", a dictionary's "|"): too often for a memchr call each.
// Thirty-two bytes are tested at a time, sixteen at once, where the compiler
// may use SSE2 (always on x86-64); else eight at a time, as one number.
//
//   ForEachByte("a|b||", '|', visit)           visits 1, 3, 4
//   ForEachByteBefore("<a<b<", '<', "b", visit)  visits 2, 4 (the last byte too)
#pragma once

#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kanadeya {

namespace byte_scan {

// The offsets, among the eight bytes of `word` (first byte lowest), at which
// byte `c` stands, as the top bit of each such byte: exactly, no carry
// crosses a byte.
inline uint64_t Matches(uint64_t word, unsigned char c) {
  constexpr uint64_t kEachByte = 0x0101010101010101u;
  constexpr uint64_t kLowBits = 0x7F7F7F7F7F7F7F7Fu;
  const uint64_t x = word ^ (kEachByte * c);  // a zero byte where `c` stands
  return ~(((x & kLowBits) + kLowBits) | x) & ~kLowBits;
}

// Whether the byte at `at + 1` is one of `next`, or `at` is the last byte.
inline bool NextIsOneOf(std::string_view text, size_t at, std::string_view next) {
  return at + 1 >= text.size() || next.find(text[at + 1]) != std::string_view::npos;
}

// The offsets of `c`, and with `next` not empty only those that the text ends
// at or that one of its bytes follows.
// REQUIRES: next.size() <= 4.
template <typename Visit>
void Scan(std::string_view text, char c, std::string_view next, Visit& visit) {
  assert(next.size() <= 4);
  const size_t n = text.size();
  const char* p = text.data();
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i first = _mm_set1_epi8(c);
  // The bytes of `next`, the first repeated where it holds fewer than four.
  __m128i seconds[4] = {};
  for (size_t k = 0; k < 4 && !next.empty(); ++k)
    seconds[k] = _mm_set1_epi8(next[k < next.size() ? k : 0]);
  // The offsets among the sixteen bytes at `at`, as bits.
  auto sixteen = [&](size_t at) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
    __m128i found = _mm_cmpeq_epi8(x, first);
    // The bytes after are tested whatever the sixteen hold: where `next` is
    // given, `c` stands in too many of them for a branch on it to be
    // foreseen.
    if (!next.empty()) {
      const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at + 1));
      const __m128i any =
          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(y, seconds[0]), _mm_cmpeq_epi8(y, seconds[1])),
                       _mm_or_si128(_mm_cmpeq_epi8(y, seconds[2]), _mm_cmpeq_epi8(y, seconds[3])));
      found = _mm_and_si128(found, any);
    }
    return static_cast<uint32_t>(_mm_movemask_epi8(found));
  };
  // Thirty-two bytes a step, and the byte after them loaded too, so the last
  // thirty-two bytes of the text are left to the byte-by-byte loop below.
  for (; i + 33 <= n; i += 32) {
    for (uint32_t bits = sixteen(i) | (sixteen(i + 16) << 16); bits != 0; bits &= bits - 1)
      visit(i + static_cast<size_t>(std::countr_zero(bits)));
  }
#else
  if constexpr (std::endian::native == std::endian::little) {
    for (; i + 8 <= n; i += 8) {
      uint64_t word;
      std::memcpy(&word, p + i, 8);
      for (uint64_t bits = Matches(word, static_cast<unsigned char>(c)); bits != 0;
           bits &= bits - 1) {
        const size_t at = i + static_cast<size_t>(std::countr_zero(bits)) / 8;
        if (next.empty() || NextIsOneOf(text, at, next)) visit(at);
      }
    }
  }
#endif
  for (size_t at = text.find(c, i); at != std::string_view::npos; at = text.find(c, at + 1))
    if (next.empty() || NextIsOneOf(text, at, next)) visit(at);
}

}  // namespace byte_scan

// Calls visit(at) for every offset `at` of byte `c` in `text`, in order.
template <typename Visit>
void ForEachByte(std::string_view text, char c, Visit visit) {
  byte_scan::Scan(text, c, {}, visit);
}

// Calls visit(at) for every offset `at` of byte `c` in `text` that the text
// ends at or that one of the bytes of `next` follows, in order. Up to four
// bytes in `next` are tested sixteen offsets at a time; more, each offset of
// `c` on its own.
template <typename Visit>
void ForEachByteBefore(std::string_view text, char c, std::string_view next, Visit visit) {
  if (next.empty())
    return ForEachByte(text, c, [&](size_t at) {
      if (at + 1 >= text.size()) visit(at);
    });
  if (next.size() <= 4) return byte_scan::Scan(text, c, next, visit);
  ForEachByte(text, c, [&](size_t at) {
    if (byte_scan::NextIsOneOf(text, at, next)) visit(at);
  });
}

}  // namespace kanadeya
