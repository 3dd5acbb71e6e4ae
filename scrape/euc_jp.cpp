#include "scrape/euc_jp.h"

#include <cassert>

#include "scrape/euc_jp_step.h"

namespace kanadeya {

namespace {

constexpr std::array<unsigned char, 2> PairBytes(unsigned char row, unsigned char cell) {
  const unsigned first = ((row + 1u) >> 1) + (row < 0x5F ? 0x70u : 0xB0u);
  const unsigned second = (row % 2 == 0) ? cell + 0x7Eu : cell + (cell <= 0x5F ? 0x1Fu : 0x20u);
  return {static_cast<unsigned char>(first), static_cast<unsigned char>(second)};
}

using euc_jp::Step;
using euc_jp::Stepped;

}  // namespace

std::array<unsigned char, 2> JisToShiftJis(unsigned char row, unsigned char cell) {
  assert(row < 0x80 && cell < 0x80);
  return PairBytes(row, cell);
}

std::string EucToShiftJis(std::string_view euc) {
  return EucToShiftJisSse2Available() ? EucToShiftJisSse2(euc) : EucToShiftJisReference(euc);
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
