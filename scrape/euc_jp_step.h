// The one step of the EUC-JP walk that every walk of the conversion falls
// back on where its wider steps do not apply (scrape/euc_jp.cpp,
// scrape/euc_jp_sse2.cpp).
#pragma once

#include <cstddef>
#include <string_view>

namespace kanadeya::euc_jp {

struct Stepped {
  size_t read, written;
};

// One step of the walk at byte `i` of `euc`, its one or two bytes written at
// `out`: a byte 0x80 or below, or 0xFF, is copied; 0x8E gives the byte after
// it; any other byte starts a pair (0x00 standing in for a missing second
// byte).
Stepped Step(std::string_view euc, size_t i, char* out);

}  // namespace kanadeya::euc_jp
