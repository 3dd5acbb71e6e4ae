// The system's own texts (markers, messages, file names) are code page 932
// bytes in the program. Each is defined once, in a module's
// "system_texts.inc", with its bytes beside its readable UTF-8 form:
//
//   KANADEYA_TEXT(kAgeRatingAllAges, "\x91\x53\x94\x4e\x97\xee", "全年齢")
//
// A test converts every UTF-8 form to code page 932 and compares it with the
// bytes, so a mistyped byte cannot hide. tools/sjis-literal.py prints the
// bytes of a text.
#pragma once

#include <string_view>

#define KANADEYA_TEXT(name, sjis, utf8) \
  inline constexpr std::string_view name{sjis, sizeof(sjis) - 1};
