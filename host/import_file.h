// Reading the import file that the plug-in writes back into lines and
// columns, as the catalogue application's importer reads it.
//
// Lines end in CR LF. Items are separated by commas. An item that begins with
// a double quote runs to the next lone double quote: inside it a doubled
// quote stands for one quote, and commas, control bytes and CR LF belong to
// the item. After the closing quote comes a comma, the CR LF of the line or
// the end of the file; anything else is an error. An item that does not begin
// with a quote is taken as it stands up to the next comma or CR LF. The
// reading is byte-wise: in Shift_JIS text the quote, the comma, CR and LF
// never occur as the second byte of a character.
//
//   "a,\"b,\"\"c\"\"\",\r\n" reads as one line of the columns a / b,"c" / (empty)
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "record/book_record.h"

namespace hakobune {

struct ImportLine {
  size_t number = 0;  // 1-based
  std::vector<std::string> columns;
  bool ends_with_crlf = true;  // false only for a last line without CR LF
};

struct ImportFile {
  std::vector<ImportLine> lines;  // the lines read before any error
  size_t error_line = 0;          // 0 when the whole file was read
  std::string error;              // what is wrong with line `error_line`
};

// Reads `contents` line by line up to the end or the first line that does
// not parse. An empty file has no lines; a final CR LF adds no empty line.
ImportFile ReadImportFile(std::string_view contents);

// The columns of an import line are those of the plug-in's output line
// (kanadeya::FieldOfColumn, record/book_record.h).
inline constexpr size_t kImportColumnCount = kanadeya::kOutputColumnCount;

}  // namespace hakobune
