// The platform's Japanese text mappings, over code page 932 byte strings and
// UTF-16 wide texts.
//
// On Win32 each function is the system call it names, under the user's
// locale. On POSIX each is a portable equivalent that agrees with what those
// calls were measured to do under a Japanese locale (code page 932).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kanadeya::platform {

inline constexpr uint32_t kMapHalfWidth = 0x00400000;  // LCMAP_HALFWIDTH
inline constexpr uint32_t kMapFullWidth = 0x00800000;  // LCMAP_FULLWIDTH

// LCMapStringA(GetUserDefaultLCID(), LCMAP_HALFWIDTH) over the whole text,
// with no limit on its length. The result ends at the first zero byte of the
// text. It can be longer than the text: "ヾ" (2 bytes) gives 3 bytes.
std::string AnsiHalfWidth(std::string_view text);

// CharUpperBuffA: "a"-"z" become "A"-"Z" (Win32 may change more).
std::string AnsiUpperCase(std::string_view text);

// MultiByteToWideChar / WideCharToMultiByte with code page 932.
std::u16string AnsiToWide(std::string_view text);
std::string WideToAnsi(std::u16string_view text);
// WideToAnsi when every character has a code page 932 form of its own and
// reads back as itself: nullopt when one would be replaced by a look-alike
// (best fit, as "é" by "e") or by the default character (on Win32
// WC_NO_BEST_FIT_CHARS and the used-default flag, then the way back; on
// POSIX the way back).
std::optional<std::string> WideToAnsiExactly(std::u16string_view text);

// LCMapStringW(LOCALE_USER_DEFAULT, flags) over the whole wide text.
std::u16string MapWideText(std::u16string_view text, uint32_t flags);

// CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, b): negative, zero
// or positive. Texts that differ only in the case of letters compare equal.
int CompareAnsiIgnoreCase(std::string_view a, std::string_view b);

// UTF-16 written as UTF-8, for terminals and logs. Code page 932 has no
// character beyond U+FFFF; a lone surrogate is written as three bytes.
//   WideToUtf8(u"\u3042") == "\xe3\x81\x82"
std::string WideToUtf8(std::u16string_view text);

// UTF-8 read as UTF-16; nullopt when the text is not valid UTF-8 or holds a
// character beyond U+FFFF (which code page 932 lacks anyway).
std::optional<std::u16string> Utf8ToWide(std::string_view utf8);

}  // namespace kanadeya::platform
