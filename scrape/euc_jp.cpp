#include "scrape/euc_jp.h"

#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>

#include "scrape/euc_jp_step.h"

namespace kanadeya {

namespace {

// The fast walk reads eight bytes at a time as one number, the first byte
// lowest (it runs on little-endian machines only), and does the work of the
// reference walk on all eight at once where it can:
// - ASCII is copied;
// - double-byte characters of 0xA1-0xFE bytes, alone or among ASCII,
//   convert byte for byte: a pair's first byte by its row alone, its second
//   byte by its cell and the parity of the row. Which high bytes start a
//   pair follows from the run of high bytes they stand in and from whether
//   the previous eight bytes ended on a pair's first byte (the carry);
// - four half-width katakana (0x8E and a byte) give their four bytes.
// From the first byte of another kind (0x8E elsewhere, 0x8F and the other
// bytes 0x80-0xA0, 0xFF, a pair's ASCII second byte) the reference walk takes
// one step, and the fast walk goes on after it.
struct Word {
  uint64_t bytes;  // the converted bytes; the first `good` of them count
  size_t good;     // how many of the eight convert so: whole steps only
  bool carry;      // when all eight do: the last starts a pair
};

constexpr uint64_t kHighBits = 0x8080808080808080u;
constexpr uint64_t kLowBits = 0x7F7F7F7F7F7F7F7Fu;
constexpr uint64_t kEachByte = 0x0101010101010101u;
constexpr uint64_t kEachLane = 0x0001000100010001u;  // four 16-bit lanes
// Multiplying the top bits of the eight bytes by this gathers them, in byte
// order, into the top byte of the product; no two of its bits collide.
constexpr uint64_t kGatherTopBits = 0x0002040810204081u;

constexpr std::array<unsigned char, 2> PairBytes(unsigned char row, unsigned char cell);
uint64_t Load8(const char* p);
uint64_t PairByteBits(uint64_t x);
uint64_t ConvertPairs(uint64_t x);
uint64_t ConvertPairsAfterCarry(uint64_t x, uint64_t before);
bool FourHalfWidth(uint64_t x);
uint32_t PackHalfWidth(uint64_t x);
Word ConvertWord(uint64_t x, uint64_t pair_bytes, uint64_t before, bool carry);
using euc_jp::Step;
using euc_jp::Stepped;

}  // namespace

std::array<unsigned char, 2> JisToShiftJis(unsigned char row, unsigned char cell) {
  assert(row < 0x80 && cell < 0x80);
  return PairBytes(row, cell);
}

std::string EucToShiftJis(std::string_view euc) {
  return EucToShiftJisSse2Available() ? EucToShiftJisSse2(euc) : EucToShiftJisPortable(euc);
}

std::string EucToShiftJisPortable(std::string_view euc) {
  if constexpr (std::endian::native != std::endian::little) return EucToShiftJisReference(euc);
  const size_t n = euc.size();
  // One allocation: every step writes at most as many bytes as it reads,
  // except a pair that starts at the last byte, which writes one more. So
  // the output never runs ahead of the input, and an eight-byte store at
  // the output position stays inside the buffer while eight bytes of input
  // are left.
  std::string result(n + 1, '\0');
  char* out = result.data();
  const char* in = euc.data();
  size_t w = 0;
  size_t i = 0;
  bool carry = false;   // the last byte before i starts a pair
  uint64_t before = 0;  // the eight bytes before i, when carry
  while (i + 8 <= n) {
    const uint64_t x = Load8(in + i);
    if (!carry && (x & kHighBits) == 0) {
      std::memcpy(out + w, &x, 8);
      i += 8;
      w += 8;
      continue;
    }
    const uint64_t pair_bytes = PairByteBits(x);
    if (pair_bytes == kHighBits) {  // the carry stays: eight bytes are four pairs
      const uint64_t pairs = carry ? ConvertPairsAfterCarry(x, before) : ConvertPairs(x);
      std::memcpy(out + w, &pairs, 8);
      i += 8;
      w += 8;
      before = x;
      continue;
    }
    if (!carry && FourHalfWidth(x)) {
      const uint32_t katakana = PackHalfWidth(x);
      std::memcpy(out + w, &katakana, 4);
      i += 8;
      w += 4;
      continue;
    }
    const Word word = ConvertWord(x, pair_bytes, before, carry);
    std::memcpy(out + w, &word.bytes, 8);
    i += word.good;
    w += word.good;
    if (word.good == 8) {
      carry = word.carry;
      before = x;
      continue;
    }
    // One plain step from here, or from the pair that the last eight bytes
    // left open (its first byte, already written, is written again).
    if (word.good == 0 && carry) {
      --i;
      --w;
    }
    carry = false;
    const Stepped step = Step(euc, i, out + w);
    i += step.read;
    w += step.written;
  }
  if (carry) {
    --i;
    --w;
  }
  while (i < n) {
    const Stepped step = Step(euc, i, out + w);
    i += step.read;
    w += step.written;
  }
  result.resize(w);
  return result;
}

std::string EucToShiftJisReference(std::string_view euc) {
  std::string result(euc.size() + 1, '\0');
  size_t w = 0;
  for (size_t i = 0; i < euc.size();) {
    const Stepped step = Step(euc, i, result.data() + w);
    i += step.read;
    w += step.written;
  }
  result.resize(w);
  return result;
}

namespace {

constexpr std::array<unsigned char, 2> PairBytes(unsigned char row, unsigned char cell) {
  const unsigned first = ((row + 1u) >> 1) + (row < 0x5F ? 0x70u : 0xB0u);
  const unsigned second = (row % 2 == 0) ? cell + 0x7Eu : cell + (cell <= 0x5F ? 0x1Fu : 0x20u);
  return {static_cast<unsigned char>(first), static_cast<unsigned char>(second)};
}

// For each set of high bytes among eight (bit k for byte k) and each carry,
// the roles of the eight bytes in the walk, as byte masks: in a run of high
// bytes the pairs start at the run's first byte, or at its second when the
// run opens the eight bytes and the carry says its first byte ends a pair.
struct Layout {
  uint64_t firsts;         // bytes that start a pair
  uint64_t seconds;        // high bytes that end a pair
  uint64_t ascii_seconds;  // top bits of ASCII bytes that would end a pair
  bool carry;              // the last byte starts a pair
};
struct Layouts {
  Layout of[2][256];
};

constexpr Layouts MakeLayouts() {
  Layouts layouts{};
  for (unsigned carry = 0; carry < 2; ++carry) {
    for (unsigned high = 0; high < 256; ++high) {
      Layout& layout = layouts.of[carry][high];
      bool second_byte = carry != 0;
      for (unsigned k = 0; k < 8; ++k) {
        const bool is_high = ((high >> k) & 1) != 0;
        if (second_byte) {
          second_byte = false;
          if (is_high)
            layout.seconds |= uint64_t{0xFF} << (8 * k);
          else
            layout.ascii_seconds |= uint64_t{0x80} << (8 * k);
        } else if (is_high) {
          layout.firsts |= uint64_t{0xFF} << (8 * k);
          second_byte = true;
        }
      }
      layout.carry = second_byte;
    }
  }
  return layouts;
}

constexpr Layouts kLayouts = MakeLayouts();

uint64_t Load8(const char* p) {
  uint64_t x;
  std::memcpy(&x, p, sizeof x);
  return x;
}

// The top bit of each byte that is 0xA1-0xFE: top bit set, low seven bits
// 0x21-0x7E. The sums stay within each byte: 0x7F + 0x5F < 0x100.
uint64_t PairByteBits(uint64_t x) {
  const uint64_t low = x & kLowBits;
  return x & (low + 0x5F * kEachByte) & ~(low + kEachByte) & kHighBits;
}

// The first bytes of pairs, for every byte: ((row + 1) >> 1) + 0x70, and
// 0x40 more from row 0x5F on.
uint64_t FirstBytes(uint64_t low) {
  return (((low + kEachByte) >> 1) & kLowBits) + 0x70 * kEachByte +
         (((low + 0x21 * kEachByte) & kHighBits) >> 1);
}

// The second bytes of pairs, for every byte as a cell: after an even row
// cell + 0x7E, after an odd row cell + 0x1F, or + 0x20 above cell 0x5F.
// `odd_rows`: 0xFF for the bytes that follow an odd row.
uint64_t SecondBytes(uint64_t low, uint64_t odd_rows) {
  const uint64_t after_even = low + 0x7E * kEachByte;
  const uint64_t after_odd = low + 0x1F * kEachByte + (((low + 0x20 * kEachByte) & kHighBits) >> 7);
  return after_even ^ ((after_even ^ after_odd) & odd_rows);
}

// Four pairs, a pair's first byte at each even offset.
uint64_t ConvertPairs(uint64_t x) {
  const uint64_t low = x & kLowBits;
  const uint64_t odd_rows = ((x << 8) & (kEachLane << 8)) * 0xFF;
  const uint64_t seconds_at = 0xFF00FF00FF00FF00u;
  return (FirstBytes(low) & ~seconds_at) | (SecondBytes(low, odd_rows) & seconds_at);
}

// Eight pair bytes behind a pair's first byte (the last of `before`): the
// first is its second byte, pairs start at each odd offset.
uint64_t ConvertPairsAfterCarry(uint64_t x, uint64_t before) {
  const uint64_t low = x & kLowBits;
  const uint64_t odd_rows = (((x << 8) | (before >> 56)) & kEachLane) * 0xFF;
  const uint64_t seconds_at = 0x00FF00FF00FF00FFu;
  return (FirstBytes(low) & ~seconds_at) | (SecondBytes(low, odd_rows) & seconds_at);
}

// 0x8E at each even offset: four half-width katakana, whatever the bytes
// after the prefixes.
bool FourHalfWidth(uint64_t x) { return (x & 0x00FF00FF00FF00FFu) == 0x008E008E008E008Eu; }

// The bytes at the odd offsets, packed.
uint32_t PackHalfWidth(uint64_t x) {
  uint64_t t = (x >> 8) & 0x00FF00FF00FF00FFu;
  t = (t | (t >> 8)) & 0x0000FFFF0000FFFFu;
  return static_cast<uint32_t>(t | (t >> 16));
}

// Eight bytes of ASCII and pairs in any mix, as far as they go.
// `pair_bytes`: PairByteBits(x). `before`: the eight bytes before `x` (only
// the last counts, and only with `carry`).
Word ConvertWord(uint64_t x, uint64_t pair_bytes, uint64_t before, bool carry) {
  const uint64_t high = x & kHighBits;
  const Layout& layout = kLayouts.of[carry][(high * kGatherTopBits) >> 56];
  const uint64_t low = x ^ high;

  // Bytes of other kinds: a high byte outside 0xA1-0xFE, or an ASCII byte
  // where a pair wants its second byte.
  const uint64_t other = (high & ~pair_bytes) | layout.ascii_seconds;
  size_t good = 8;
  if (other != 0) {
    good = static_cast<size_t>(std::countr_zero(other)) / 8;
    // A pair whose second byte is of another kind is the reference walk's too.
    if (good != 0 && ((layout.firsts >> (8 * good - 8)) & 1) != 0) --good;
  }

  const uint64_t odd_rows = (((x << 8) | (before >> 56)) & kEachByte) * 0xFF;
  const uint64_t bytes = (low & ~(layout.firsts | layout.seconds)) |
                         (FirstBytes(low) & layout.firsts) |
                         (SecondBytes(low, odd_rows) & layout.seconds);
  return {bytes, good, layout.carry};
}

}  // namespace

namespace euc_jp {

Stepped Step(std::string_view euc, size_t i, char* out) {
  const auto b = static_cast<unsigned char>(euc[i]);
  if (b <= 0x80 || b == 0xFF) {
    out[0] = static_cast<char>(b);
    return {1, 1};
  }
  const unsigned char next = i + 1 < euc.size() ? static_cast<unsigned char>(euc[i + 1]) : 0x00;
  if (b == 0x8E) {
    out[0] = static_cast<char>(next);
    return {2, 1};
  }
  const auto pair = PairBytes(b & 0x7F, next & 0x7F);
  out[0] = static_cast<char>(pair[0]);
  out[1] = static_cast<char>(pair[1]);
  return {2, 2};
}

}  // namespace euc_jp

}  // namespace kanadeya
