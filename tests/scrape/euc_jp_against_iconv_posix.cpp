// The conversion against glibc's iconv (EUC-JP to CP932) over every JIS X
// 0208 code point, rows and cells 0x21-0x7E. Where iconv leaves a code point
// undefined, the arithmetic mapping has nothing to agree with.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "scrape/euc_jp.h"
#include "tests/support/bytes.h"

namespace kanadeya {
namespace {

TEST(EucToShiftJis, AgreesWithIconvOverJisX0208) {
  const iconv_t cd = iconv_open("CP932", "EUC-JP");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1)) << "iconv has no EUC-JP to CP932";
  int compared = 0;
  for (int row = 0x21; row <= 0x7E; ++row) {
    for (int cell = 0x21; cell <= 0x7E; ++cell) {
      char in[2] = {static_cast<char>(row | 0x80), static_cast<char>(cell | 0x80)};
      char out[8];
      char* in_ptr = in;
      char* out_ptr = out;
      size_t in_left = sizeof in;
      size_t out_left = sizeof out;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1))
        continue;  // not defined by iconv
      const std::string expected(out, static_cast<size_t>(out_ptr - out));
      const std::string euc(in, sizeof in);
      EXPECT_BYTES_EQ(expected, EucToShiftJis(euc)) << "EUC " << test::Hex(euc);
      ++compared;
    }
  }
  iconv_close(cd);
  // JIS X 0208 defines 6879 characters; iconv knows at least those.
  EXPECT_GE(compared, 6879);
}

}  // namespace
}  // namespace kanadeya
