#include "strings/crc32c.h"

#include <array>
#include <cstddef>
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <nmmintrin.h>
#define KANADEYA_CRC32C_INSTRUCTION 1
#endif

namespace kanadeya {

namespace {

// Eight tables of the reflected CRC-32C polynomial: table k gives the
// remainder of a byte followed by k zero bytes, so that eight bytes are
// taken in one step.
using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcTables MakeCrcTables() {
  CrcTables tables{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t crc = n;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0x82F63B78u & (0u - (crc & 1u)));
    tables[0][n] = crc;
  }
  for (uint32_t n = 0; n < 256; ++n)
    for (size_t k = 1; k < 8; ++k)
      tables[k][n] = (tables[k - 1][n] >> 8) ^ tables[0][tables[k - 1][n] & 0xFF];
  return tables;
}

constexpr CrcTables kCrcTables = MakeCrcTables();

uint32_t Byte(std::string_view bytes, size_t i) { return static_cast<unsigned char>(bytes[i]); }

uint32_t Little32(std::string_view bytes, size_t at) {
  return Byte(bytes, at) | Byte(bytes, at + 1) << 8 | Byte(bytes, at + 2) << 16 |
         Byte(bytes, at + 3) << 24;
}

#ifdef KANADEYA_CRC32C_INSTRUCTION
// The processor's CRC-32C instruction, for a processor that has it.
__attribute__((target("sse4.2"))) uint32_t Crc32cByInstruction(std::string_view bytes,
                                                               uint32_t crc) {
  crc = ~crc;
  const char* p = bytes.data();
  size_t n = bytes.size();
#if defined(__x86_64__)
  uint64_t wide = crc;
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    wide = _mm_crc32_u64(wide, word);
  }
  crc = static_cast<uint32_t>(wide);
#endif
  for (; n >= 4; p += 4, n -= 4) {
    uint32_t word;
    std::memcpy(&word, p, 4);
    crc = _mm_crc32_u32(crc, word);
  }
  for (; n > 0; ++p, --n) crc = _mm_crc32_u8(crc, static_cast<unsigned char>(*p));
  return ~crc;
}

bool HasCrc32cInstruction() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse4.2") != 0;
  }();
  return has;
}
#endif

}  // namespace

uint32_t Crc32c(std::string_view bytes, uint32_t crc) {
#ifdef KANADEYA_CRC32C_INSTRUCTION
  if (HasCrc32cInstruction()) return Crc32cByInstruction(bytes, crc);
#endif
  return Crc32cByTables(bytes, crc);
}

uint32_t Crc32cByTables(std::string_view bytes, uint32_t crc) {
  const CrcTables& t = kCrcTables;
  crc = ~crc;
  size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    const uint32_t low = crc ^ Little32(bytes, i);
    const uint32_t high = Little32(bytes, i + 4);
    crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
          t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^
          t[0][high >> 24];
  }
  for (; i < bytes.size(); ++i) crc = (crc >> 8) ^ t[0][(crc ^ Byte(bytes, i)) & 0xFF];
  return ~crc;
}

}  // namespace kanadeya
