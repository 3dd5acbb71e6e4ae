// The catalogue site's pages arrive in EUC-JP; everything else in the system
// is Shift_JIS (code page 932). This is the system's own conversion between
// the two: a byte walk with the arithmetic mapping of JIS X 0208.
//
// Any bytes are accepted; malformed EUC-JP is converted by the same walk and
// never read beyond its end.
//
//   EucToShiftJis("\xa4\xa2" "a" "\x8e\xb1") == "\x82\xa0" "a" "\xb1"   // あaｱ
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kanadeya {

// The two Shift_JIS bytes of the JIS X 0208 character at `row`, `cell`, by
// the standard arithmetic in byte arithmetic modulo 256: the first byte is
// ((row + 1) >> 1) + 0x70 for a row below 0x5F, else + 0xB0; the second is
// cell + 0x7E for an even row, and for an odd row cell + 0x1F up to cell 0x5F,
// else cell + 0x20.
//   JisToShiftJis(0x24, 0x22) == {0x82, 0xA0}   // あ
// REQUIRES: row and cell are 7-bit values (0x00-0x7F).
std::array<unsigned char, 2> JisToShiftJis(unsigned char row, unsigned char cell);

// The text converted from EUC-JP, walking from the first byte: a byte 0x80
// or below, or 0xFF, is copied; 0x8E (the prefix of half-width katakana) is
// dropped and the byte after it copied; any other byte starts a pair whose
// two bytes, top bits cleared, go through JisToShiftJis. The three-byte
// prefix 0x8F gets no treatment of its own: it starts a pair like any other.
// A two-byte step that starts at the last byte takes 0x00 as its missing
// byte, so a final 0x8E gives a zero byte. The result is never more than one
// byte longer than the text.
//
// Runs of ASCII and runs of double-byte characters are converted sixteen
// bytes at a time with SSE2 where the processor has it (always on x86-64; on
// 32-bit x86 the processor is asked once), else one step at a time; the
// result is always that of EucToShiftJisReference.
std::string EucToShiftJis(std::string_view euc);

// Whether EucToShiftJisSse2 runs its sixteen-byte walk on this processor.
bool EucToShiftJisSse2Available();
// The sixteen-byte walk; where it is not available, the reference walk.
std::string EucToShiftJisSse2(std::string_view euc);

// The text taken as lines, converted: what JoinLines(EucToShiftJis(
// JoinLines(euc))) gives (scrape/page_lines.h), in one walk. The text ends
// at its first zero byte; each line break (CR LF, a lone CR, a lone LF) and
// the end of a last line without one give CR LF, and a pair whose first
// byte stands before a break takes 0x0D as its second byte. False, and
// nothing done, where the sixteen-byte walk is not available. The capacity that
// `lines` has is used again where it is large enough.
bool EucLinesToShiftJisSse2(std::string_view euc, std::string& lines);

// The same conversion one step at a time (the reference walk): the reference
// that the fast walk is tested and fuzzed against.
std::string EucToShiftJisReference(std::string_view euc);

}  // namespace kanadeya
