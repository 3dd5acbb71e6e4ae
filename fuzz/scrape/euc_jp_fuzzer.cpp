// The EUC-JP conversion over any bytes. It must never read past its input,
// must write at most one byte more than it reads (so never more than twice
// its input), and the fast conversion (sixteen bytes at a time with SSE2
// where the processor has it) must agree with the
// library's plain walk (EucToShiftJisReference) and with the walk below, which
// is the conversion's rule written out once more without any care for speed.
// The sixteen-byte walk of a page's lines must give what the plain walk gives
// between two joins of the lines.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "scrape/euc_jp.h"
#include "tests/support/plain_walks.h"

namespace {

// JIS X 0208 row and cell to Shift_JIS, the arithmetic spelt out.
std::array<unsigned char, 2> PlainPair(unsigned row, unsigned cell) {
  const unsigned first = ((row + 1) / 2) + (row < 0x5F ? 0x70 : 0xB0);
  unsigned second;
  if (row % 2 == 0)
    second = cell + 0x7E;
  else if (cell <= 0x5F)
    second = cell + 0x1F;
  else
    second = cell + 0x20;
  return {static_cast<unsigned char>(first % 256), static_cast<unsigned char>(second % 256)};
}

// The conversion's rule, one step at a time.
std::string PlainEucToShiftJis(std::string_view euc) {
  std::string out;
  size_t i = 0;
  while (i < euc.size()) {
    const unsigned b = static_cast<unsigned char>(euc[i]);
    if (b <= 0x80 || b == 0xFF) {
      out.push_back(euc[i]);
      i += 1;
      continue;
    }
    const unsigned next = i + 1 < euc.size() ? static_cast<unsigned char>(euc[i + 1]) : 0u;
    if (b == 0x8E) {
      out.push_back(static_cast<char>(next));
    } else {
      const auto pair = PlainPair(b & 0x7F, next & 0x7F);
      out.push_back(static_cast<char>(pair[0]));
      out.push_back(static_cast<char>(pair[1]));
    }
    i += 2;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kanadeya::fuzz::Check;
  const std::string_view euc(reinterpret_cast<const char*>(data), size);

  const std::string sjis = kanadeya::EucToShiftJis(euc);
  Check(sjis.size() <= 2 * euc.size(), "the conversion wrote more than twice its input", euc);
  Check(sjis.size() <= euc.size() + 1, "the conversion wrote more than one byte beyond its input",
        euc);
  Check(sjis == kanadeya::EucToShiftJisReference(euc),
        "the conversion differs from EucToShiftJisReference", euc);
  Check(sjis == PlainEucToShiftJis(euc), "the conversion differs from the plain walk", euc);
  Check(kanadeya::EucToShiftJisSse2(euc) == sjis, "the SSE2 walk differs from the conversion", euc);
  std::string lines;
  if (kanadeya::EucLinesToShiftJisSse2(euc, lines))
    Check(lines == kanadeya::test::PlainJoinLines(
                       kanadeya::EucToShiftJisReference(kanadeya::test::PlainJoinLines(euc))),
          "the SSE2 walk of lines differs from the conversion between two joins", euc);

  // The pair arithmetic on its own, with the first two bytes as row and cell.
  if (size >= 2) {
    const unsigned row = data[0] & 0x7Fu;
    const unsigned cell = data[1] & 0x7Fu;
    const auto pair =
        kanadeya::JisToShiftJis(static_cast<unsigned char>(row), static_cast<unsigned char>(cell));
    Check(pair == PlainPair(row, cell), "JisToShiftJis differs from the plain arithmetic",
          euc.substr(0, 2));
  }
  return 0;
}
