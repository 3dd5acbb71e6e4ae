// The host's code check: what it answers when the plug-in asks for the search
// key of a book code (ISBNChkFunc).
//
// A code is accepted when it is an ISBN-13 (prefix 978 or 979, check digit
// right) or an ISBN-10 (check digit right, "x" or "X" for ten), after ASCII
// spaces, tabs and hyphens are taken out; the key is then its digits, with an
// upper-case X. A 26-byte code from a bar-code reader whose first 13 bytes
// are an ISBN-13 gives those 13 digits. Anything else gives the empty text.
//
//   CheckBookCode("4-7651-0012-x") == "476510012X"
#pragma once

#include <string>
#include <string_view>

namespace hakobune {

// The search key for `code`, or the empty text when the code is not accepted.
std::string CheckBookCode(std::string_view code);

// True when `digits` is 13 ASCII digits beginning with 978 or 979 whose
// check digit is right (weights 1, 3, 1, 3, ...; the sum is a multiple of 10).
bool IsIsbn13(std::string_view digits);

// True when `code` is 9 ASCII digits followed by a digit, "x" or "X", and
// the weighted sum (weights 10 down to 1, X counting 10) is a multiple of 11.
bool IsIsbn10(std::string_view code);

}  // namespace hakobune
