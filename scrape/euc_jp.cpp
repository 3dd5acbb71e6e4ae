#include "scrape/euc_jp.h"

namespace kanadeya {

std::array<unsigned char, 2> JisToShiftJis(unsigned char row, unsigned char cell) {
  const unsigned first = ((row + 1u) >> 1) + (row < 0x5F ? 0x70u : 0xB0u);
  const unsigned second = (row % 2 == 0) ? cell + 0x7Eu : cell + (cell <= 0x5F ? 0x1Fu : 0x20u);
  return {static_cast<unsigned char>(first), static_cast<unsigned char>(second)};
}

std::string EucToShiftJis(std::string_view euc) {
  const size_t n = euc.size();
  // One allocation: every step writes at most as many bytes as it reads,
  // except a pair that starts at the last byte, which writes one more.
  std::string out(n + 1, '\0');
  size_t w = 0;
  size_t i = 0;
  while (i < n) {
    const auto b = static_cast<unsigned char>(euc[i]);
    if (b <= 0x80 || b == 0xFF) {
      out[w++] = static_cast<char>(b);
      i += 1;
      continue;
    }
    const unsigned char next = i + 1 < n ? static_cast<unsigned char>(euc[i + 1]) : 0x00;
    if (b == 0x8E) {
      out[w++] = static_cast<char>(next);
    } else {
      const auto pair = JisToShiftJis(b & 0x7F, next & 0x7F);
      out[w++] = static_cast<char>(pair[0]);
      out[w++] = static_cast<char>(pair[1]);
    }
    i += 2;
  }
  out.resize(w);
  return out;
}

}  // namespace kanadeya
