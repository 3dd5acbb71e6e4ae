// The output line: one book as the comma-separated line of 68 columns that
// the host's importer reads, the columns carrying the fields as
// FieldOfColumn (record/book_record.h) says.
#pragma once

#include <string>
#include <string_view>

#include "record/book_record.h"

namespace kanadeya {

// Every CR LF pair becomes "$$", every double quote "”" and every comma
// "，". Matching is byte-wise: a quote or comma that a malformed text holds
// as the second byte of a pair is replaced as well, so it can never break
// the line's columns.
//   EscapeCsvField("a,\"b\"\r\nc") == "a，”b”$$c"
std::string EscapeCsvField(std::string_view value);

// The output line of `record`, without a line end. Fields 2, 6 and 8 are
// written in their half-width forms (ToHalfWidth). An item holding a
// byte 0x01-0x20, a double quote or a comma is enclosed in double quotes
// (with inner quotes doubled); an item that ends inside a double-byte
// character loses that lone lead byte. A cleared record gives 67 commas.
std::string BuildOutputLine(const BookRecord& record);

}  // namespace kanadeya
