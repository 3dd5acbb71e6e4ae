// Markup and text helpers: cutting a value out between two markers, making
// full-width letters and digits ASCII, stripping the tags of one HTML line,
// picking a field out of a "|"-separated line, and the upper-case full-width
// copy of a text. All are pure functions over Shift_JIS byte strings.
//
// markup/ stands on strings/ and on the platform's width mapping; the record,
// the parsers and the detail page use it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kanadeya {

// The text after the first `start` marker (byte search) up to the first
// `end` marker after it; the whole rest when `end` is empty or absent; the
// empty text when `start` is empty or absent.
//   ExtractBetween("]a[b]", "[", "]") == "b"
std::string ExtractBetween(std::string_view text, std::string_view start, std::string_view end);

// Full-width digits and Latin letters become ASCII ("Ａ１ａ" -> "A1a"): a lead
// byte 0x82 with a second byte t in 0x4F-0x79 becomes t - 0x1F, in 0x81-0x9A
// t - 0x20. Every other character is copied; a lead byte at the very end is
// copied alone.
std::string NarrowAlnum(std::string_view text);

// One line of HTML without its tags. Comments come through whole with their
// delimiters; "&lt;", "&gt;" and "&nbsp;" are decoded after the tags are
// gone, so a decoded "<" is never taken for a tag.
//   StripMarkup("<td><b>abc</b></td>") == "abc"
//   StripMarkup("a>b<c>d") == "bd"
std::string StripMarkup(std::string_view line);

// The n-th (1-based) field of `text` split at the one-byte `delimiter`
// (character search); empty when there is no such field or n < 1.
//   NthField("A|B|C", '|', 2) == "B"
std::string NthField(std::string_view text, char delimiter, int64_t n);

// The wide text mapped by the platform's LCMapStringW with `flags`.
std::u16string MapWidth(std::u16string_view text, uint32_t flags);

// MapWidth with LCMAP_FULLWIDTH: "!"-"~" become U+FF01-U+FF5E, the space
// U+3000, half-width katakana full-width katakana.
std::u16string ToFullWidth(std::u16string_view text);

// The half-width form of the text under the Japanese locale (full-width
// letters, digits, signs and spaces become ASCII, katakana half-width
// katakana), through the platform's width mapping. The whole text is
// mapped, whatever its length.
std::string ToHalfWidth(std::string_view value);

// The text upper-cased (ANSI upper-casing) and made full-width, back in code
// page 932: UpperFullWidth("Vol.3 a") == "ＶＯＬ．３　Ａ".
std::string UpperFullWidth(std::string_view text);

}  // namespace kanadeya
