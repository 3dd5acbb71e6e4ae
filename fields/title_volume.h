// Splitting a product name into title, volume and remainder.
//
// The catalogue gives each book one product name in which the title is
// followed, in many styles, by a volume ("第3巻", "(2)", "上巻", "Vol.3",
// "二十三集", "IV") and by notes in brackets ("(CD付)", "〈混声〉").
// SplitTitleVolume stores the title in record.Title, the volume in its
// written form (digits, kanji or Roman numerals, "上", "中", "下"; never
// converted to a number) in record.Volume, and returns what belongs to
// neither. Double-byte markers count only where they stand as characters,
// never across the bytes of two neighbouring characters.
//
//   SplitTitleVolume("ピアノ名曲集 (2) 改訂版", record) == "改訂版"
//   // record.Title == "ピアノ名曲集", record.Volume == "2"
//
// All texts are Shift_JIS byte strings; views need only live for the
// duration of the call.
#pragma once

#include <string>
#include <string_view>

#include "record/book_record.h"

namespace kanadeya {

// True when every byte of `text` is "0"-"9"; true for the empty text.
bool IsAllDigits(std::string_view text);

// True when the byte pairs at positions 1-2, 3-4, ... of `text` are each one
// of the fifteen numerals "一二三四五六七八九十百壱弐参拾", in any order and
// count; the last byte of a text of odd length is not examined, so the empty
// text and every one-byte text pass. IsKanjiNumeral("二十三") == true.
bool IsKanjiNumeral(std::string_view text);

// True when every byte of `text` is one of "IVXivx"; true for the empty text.
bool IsRomanNumeral(std::string_view text);

// True when `candidate` is a volume designation: all digits, exactly "上",
// "中" or "下", a kanji numeral or a Roman numeral (the tests above). The
// empty candidate and every one-byte candidate are volume designations.
bool IsVolumeNumber(std::string_view candidate);

// The run of "0"-"9" at the end of `text`, or the whole of `text` when it
// does not end in a digit. TrailingDigits("NO.12") == "12".
std::string TrailingDigits(std::string_view text);

// Splits a product name: writes record.Title, may write record.Volume,
// returns the remainder (trimmed). A Volume already set on entry is kept, and
// then every trailing bracketed group goes to the remainder.
std::string SplitTitleVolume(std::string_view name, BookRecord& record);

}  // namespace kanadeya
