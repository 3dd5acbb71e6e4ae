// The sixteen-byte walk of the EUC-JP conversion, with the processor's SSE2
// instructions: on x86-64 always, on 32-bit x86 when the processor says it
// has them. Elsewhere EucToShiftJisSse2 is the reference walk.
//
// Each step loads sixteen bytes. Which of them start a pair follows from the
// set of high bytes and from whether the sixteen before ended on a pair's
// first byte (the carry), by a table over eight bytes taken twice. Every
// byte then converts on its own: a pair's first byte by its row, its second
// byte by its cell and the parity of the byte before it, anything else is
// copied. The step counts as far as its bytes are ASCII and pairs of
// 0xA1-0xFE bytes; from the first byte of another kind the reference walk takes
// over for one step (or for a run of half-width katakana), and the
// sixteen-byte walk goes on after it.
//
// The same walk also takes a downloaded page as lines (EucLinesToShiftJisSse2):
// there CR and LF are bytes of another kind too, and the plain step at a
// line break writes CR LF.
//
// The functions that use SSE2 carry the target attribute rather than the
// whole file a compile flag, so that on 32-bit x86 nothing else in the
// program (inline library code included) comes to depend on SSE2; loads and
// stores are unaligned, and the entry realigns the stack, which 32-bit
// Windows keeps only 4-byte aligned.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>

#include "scrape/euc_jp.h"
#include "scrape/euc_jp_step.h"

#if defined(__x86_64__) || defined(__i386__)
#define KANADEYA_HAVE_SSE2_WALK 1
#include <emmintrin.h>
#if defined(__i386__)
#include <cpuid.h>
#define KANADEYA_SSE2 __attribute__((target("sse2")))
#define KANADEYA_SSE2_ENTRY __attribute__((target("sse2"), force_align_arg_pointer))
#else
#define KANADEYA_SSE2
#define KANADEYA_SSE2_ENTRY
#endif
#endif

namespace kanadeya {

#if defined(KANADEYA_HAVE_SSE2_WALK)

namespace {

// For each set of high bytes among eight (bit k for byte k) and each carry:
// the bytes that start a pair. In a run of high bytes the pairs start at the
// run's first byte, or at its second when the run opens the eight bytes and
// the carry says its first byte ends a pair. Bit 7 is the carry to the next
// eight bytes.
struct Tables {
  uint8_t firsts[2][256];
  uint64_t spread[256];  // bit k of the index spread over byte k: 0xFF or 0x00
};

constexpr Tables MakeTables() {
  Tables tables{};
  for (unsigned carry = 0; carry < 2; ++carry) {
    for (unsigned high = 0; high < 256; ++high) {
      bool second_byte = carry != 0;
      unsigned bits = 0;
      for (unsigned k = 0; k < 8; ++k) {
        if (second_byte) {
          second_byte = false;
        } else if (((high >> k) & 1) != 0) {
          bits |= 1u << k;
          second_byte = true;
        }
      }
      tables.firsts[carry][high] = static_cast<uint8_t>(bits);
    }
  }
  for (unsigned bits = 0; bits < 256; ++bits)
    for (unsigned k = 0; k < 8; ++k)
      if (((bits >> k) & 1) != 0) tables.spread[bits] |= uint64_t{0xFF} << (8 * k);
  return tables;
}

constexpr Tables kTables = MakeTables();

// Bit k of `bits` spread over byte k: 0xFF where set, 0x00 where not.
KANADEYA_SSE2 inline __m128i ByteMask(unsigned bits) {
  return _mm_unpacklo_epi64(
      _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&kTables.spread[bits & 0xFF])),
      _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&kTables.spread[(bits >> 8) & 0xFF])));
}

KANADEYA_SSE2 inline __m128i Select(__m128i mask, __m128i if_set, __m128i if_clear) {
  return _mm_or_si128(_mm_and_si128(mask, if_set), _mm_andnot_si128(mask, if_clear));
}

// The bytes that end a line of a page: CR and LF.
inline bool IsBreak(unsigned char b) { return b == '\r' || b == '\n'; }

// The conversion of `n` bytes at `in`, written into `result` from its start;
// returns how many were written.
//
// With kLines, the text is taken as lines: each line break (CR LF, a lone CR
// or a lone LF) and the end of a last line without one are written as CR LF,
// as if the text had been joined with CR LF line ends before the conversion
// and joined again after it. A pair whose first byte stands before a break
// takes the CR of that CR LF as its second byte (0x0D), and a half-width
// prefix gives that CR; either way the break still gives CR LF.
//
// Without kLines, `result` holds n + 1 bytes: every step writes at most as
// many bytes as it reads, except a pair that starts at the last byte, so a
// sixteen-byte store at the output position stays inside the buffer while
// sixteen bytes of input are left. With kLines a break writes up to two
// bytes more than it reads, and `result` grows when the bytes left could
// outrun it.
template <bool kLines>
KANADEYA_SSE2_ENTRY size_t Walk16(const char* in, size_t n, std::string& result) {
  const std::string_view euc(in, n);
  char* out = result.data();
  const __m128i one = _mm_set1_epi8(1);
  const __m128i pair_low = _mm_set1_epi8(static_cast<char>(0xA1));
  const __m128i pair_high = _mm_set1_epi8(static_cast<char>(0xFF));
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  size_t i = 0;
  size_t w = 0;
  // With kLines: the capacity for what is left, seen at each break. (The two
  // helpers are inlined, so that the walk's positions stay in registers.)
  auto make_room = [&]() __attribute__((always_inline)) {
    const size_t needed = w + (n - i) + 20;
    if (needed <= result.size()) return;
    result.resize(std::max(needed, 2 * result.size()));
    out = result.data();
  };
  // With kLines, one step at byte i where a break may stand or follow: a
  // break, or a pair's first byte or a half-width prefix before a break or at
  // the end of the text, gives CR LF; false for any other step.
  auto line_step = [&]() __attribute__((always_inline))->bool {
    const auto b = static_cast<unsigned char>(in[i]);
    size_t at = i;
    if (!IsBreak(b)) {
      if (b <= 0x80 || b == 0xFF) return false;  // copied
      if (i + 1 < n && !IsBreak(static_cast<unsigned char>(in[i + 1]))) return false;
      if (b != 0x8E) {
        const auto pair = JisToShiftJis(b & 0x7F, '\r');
        out[w++] = static_cast<char>(pair[0]);
        out[w++] = static_cast<char>(pair[1]);
      }
      at = i + 1;
    }
    // The break at `at`, if the text has not ended: CR LF is one, as are a
    // lone CR and a lone LF.
    if (at < n) at += (in[at] == '\r' && at + 1 < n && in[at + 1] == '\n') ? 2 : 1;
    out[w++] = '\r';
    out[w++] = '\n';
    i = at;
    make_room();
    return true;
  };
  if constexpr (kLines) make_room();
  unsigned carry = 0;                    // 1: the last byte before i starts a pair
  __m128i before = _mm_setzero_si128();  // the sixteen bytes before i, when carry
  while (i + 16 <= n) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(x));
    // High bytes outside 0xA1-0xFE: as signed bytes, 0x80-0xA0 lie below
    // 0xA1, and 0xFF is -1. With kLines, breaks too.
    unsigned non_pair = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmplt_epi8(x, pair_low), _mm_cmpeq_epi8(x, pair_high))));
    if constexpr (kLines) {
      const unsigned breaks = static_cast<unsigned>(
          _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, cr), _mm_cmpeq_epi8(x, lf))));
      // A page's markup comes in runs of ASCII longer than sixteen bytes,
      // copied as they are. (On text of shorter runs this branch costs more
      // than it saves, so the plain conversion goes without it.)
      if ((high | breaks | carry) == 0) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + w), x);
        i += 16;
        w += 16;
        continue;
      }
      non_pair |= breaks;
    }
    // The pairs' first bytes as if no pair were open, then, when one is, the
    // other half of the run of high bytes that opens the sixteen: so the
    // carry from the sixteen before holds up no table look-up.
    const unsigned firsts_low = kTables.firsts[0][high & 0xFF];
    const unsigned firsts_high = kTables.firsts[firsts_low >> 7][high >> 8];
    const unsigned opening_run = (high ^ (high + 1)) >> 1;
    const unsigned firsts = (firsts_low | (firsts_high << 8)) ^ (opening_run & (0u - carry));
    // Bytes of other kinds: a high byte outside 0xA1-0xFE, or an ASCII byte
    // where a pair wants its second byte.
    const unsigned ascii_seconds = ((firsts << 1) | carry) & ~high & 0xFFFF;
    const unsigned other = non_pair | ascii_seconds;

    // On the bytes as they are, top bit set (x = 0x80 + row, or + cell):
    // a pair's first byte is ((row + 1) >> 1) + 0x70, and 0x40 more from
    // row 0x5F (byte 0xDF) on: (x + 1) >> 1, + 0x30, + 0x40.
    const __m128i first =
        _mm_add_epi8(_mm_add_epi8(_mm_avg_epu8(x, _mm_setzero_si128()), _mm_set1_epi8(0x30)),
                     _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8(static_cast<char>(0xDE))),
                                   _mm_set1_epi8(0x40)));
    // A pair's second byte: after an even row cell + 0x7E (x - 2); after an
    // odd row cell + 0x1F, or + 0x20 above cell 0x5F (byte 0xDF): 0xA1 or
    // 0xA2 more. Whether the row is odd is the low bit of the byte before.
    const __m128i previous = _mm_or_si128(_mm_slli_si128(x, 1), _mm_srli_si128(before, 15));
    const __m128i odd_row = _mm_cmpeq_epi8(_mm_and_si128(previous, one), one);
    const __m128i odd_row_more =
        _mm_sub_epi8(_mm_set1_epi8(static_cast<char>(0xA1)),
                     _mm_cmpgt_epi8(x, _mm_set1_epi8(static_cast<char>(0xDF))));
    const __m128i second =
        _mm_add_epi8(_mm_add_epi8(x, _mm_set1_epi8(-2)), _mm_and_si128(odd_row, odd_row_more));
    // High bytes that do not start a pair end one; the rest is copied.
    const __m128i bytes =
        Select(ByteMask(firsts), first, Select(_mm_cmplt_epi8(x, _mm_setzero_si128()), second, x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + w), bytes);
    if (other == 0) {
      i += 16;
      w += 16;
      carry = (firsts >> 15) & 1;
      before = x;
      continue;
    }
    size_t good = static_cast<size_t>(std::countr_zero(other));
    // A pair whose second byte is of another kind is the reference walk's too.
    if (good != 0 && ((firsts >> (good - 1)) & 1) != 0) --good;
    i += good;
    w += good;
    // The reference walk from here, or from the pair that the last sixteen bytes
    // left open (its first byte, already written, is written again).
    if (good == 0 && carry != 0) {
      --i;
      --w;
    }
    carry = 0;
    if constexpr (kLines)
      if (line_step()) continue;
    if (static_cast<unsigned char>(in[i]) == 0x8E) {
      // A run of half-width katakana: one byte each (with kLines, up to a
      // prefix that a break follows).
      while (i + 1 < n && static_cast<unsigned char>(in[i]) == 0x8E &&
             !(kLines && IsBreak(static_cast<unsigned char>(in[i + 1])))) {
        out[w++] = in[i + 1];
        i += 2;
      }
      continue;
    }
    const euc_jp::Stepped step = euc_jp::Step(euc, i, out + w);
    i += step.read;
    w += step.written;
  }
  if (carry != 0) {
    --i;
    --w;
  }
  while (i < n) {
    if constexpr (kLines)
      if (line_step()) continue;
    const euc_jp::Stepped step = euc_jp::Step(euc, i, out + w);
    i += step.read;
    w += step.written;
  }
  // A last line without a break of its own ends with CR LF.
  if constexpr (kLines)
    if (w > 0 && out[w - 1] != '\n') {
      out[w++] = '\r';
      out[w++] = '\n';
    }
  return w;
}

bool ProcessorHasSse2() {
#if defined(__i386__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  return __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (edx & bit_SSE2) != 0;
#else
  return true;
#endif
}

}  // namespace

bool EucToShiftJisSse2Available() {
  static const bool available = ProcessorHasSse2();
  return available;
}

std::string EucToShiftJisSse2(std::string_view euc) {
  if (!EucToShiftJisSse2Available()) return EucToShiftJisReference(euc);
  std::string result(euc.size() + 1, '\0');
  result.resize(Walk16<false>(euc.data(), euc.size(), result));
  return result;
}

bool EucLinesToShiftJisSse2(std::string_view euc, std::string& lines) {
  if (!EucToShiftJisSse2Available()) return false;
  euc = euc.substr(0, euc.find('\0'));
  // The capacity is used again where it is large enough: every byte kept is
  // written by the walk.
  lines.resize(euc.size() + euc.size() / 16 + 32);
  lines.resize(Walk16<true>(euc.data(), euc.size(), lines));
  return true;
}

#else  // no SSE2 on this processor family

bool EucToShiftJisSse2Available() { return false; }

std::string EucToShiftJisSse2(std::string_view euc) { return EucToShiftJisReference(euc); }

bool EucLinesToShiftJisSse2(std::string_view, std::string&) { return false; }

#endif

}  // namespace kanadeya
