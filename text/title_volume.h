// Splitting a product name into title and volume.
//
// A product name from the catalogue holds the title, often a volume number
// ("Vol.3", "第2巻", "(上)") and sometimes a trailing remark. SplitTitleVolume
// writes the title and the volume into the global BookRecord and returns what
// is left. All texts are Shift_JIS byte strings; views need only live for the
// duration of the call.
#pragma once

#include <string>
#include <string_view>

namespace kanadeya {

// True when `text` is non-empty and every byte is an ASCII digit 0-9.
bool IsAllDigits(std::string_view text);

// True when `text` is non-empty and consists only of the double-byte kanji
// numerals.
bool IsKanjiNumeral(std::string_view text);

// True when `text` is non-empty and consists only of Roman-numeral letters.
bool IsRomanNumeral(std::string_view text);

// True when `candidate` reads as a volume number.
bool IsVolumeNumber(std::string_view candidate);

// The run of ASCII digits at the end of `text` (empty when it ends otherwise).
std::string TrailingDigits(std::string_view text);

// Splits a product name: writes BookRecord.Title, may write BookRecord.Volume,
// returns the remainder (trimmed).
std::string SplitTitleVolume(std::string_view name);

}  // namespace kanadeya
