// The CRC-32C (Castagnoli) of a byte string: chosen over CRC-32 for its
// better detection of the errors storage makes. On x86 processors with
// SSE4.2 (every one since 2008) it is the processor's own instruction, eight
// or four bytes a step; elsewhere a walk of eight tables, eight bytes a
// step. Both give the same value.
//
//   Crc32c("123456789") == 0xE3069283
//   Crc32c("6789", Crc32c("12345")) == Crc32c("123456789")
#pragma once

#include <cstdint>
#include <string_view>

namespace kanadeya {

// The CRC-32C of `bytes`, continued from `crc` (the CRC of the bytes before).
uint32_t Crc32c(std::string_view bytes, uint32_t crc = 0);
// The same by the tables alone, whatever the processor.
uint32_t Crc32cByTables(std::string_view bytes, uint32_t crc = 0);

}  // namespace kanadeya
