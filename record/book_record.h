// The book record: the facts found for one book, as 66 Shift_JIS text fields
// indexed 0 to 65, each empty in a new record. A field is reachable by name
// (record.Title) and by index (record[kTitle] or record[1]); the list of
// fields is record/fields.inc. The output line's columns carry the fields in
// the order the host's importer reads them (FieldOfColumn).
//
// record/ holds the record, the output line made of it, the 18- and 26-byte
// code forms and the host's reference dictionaries; it stands on strings/,
// platform/ and markup/, and the parsers of fields/ fill it.
#pragma once

#include <string>
#include <string_view>

namespace kanadeya {

enum FieldIndex : int {
#define KANADEYA_FIELD(index, name) k##name = index,
#include "record/fields.inc"
#undef KANADEYA_FIELD
};

inline constexpr int kFieldCount = 0
#define KANADEYA_FIELD(index, name) +1
#include "record/fields.inc"
#undef KANADEYA_FIELD
    ;

struct BookRecord {
#define KANADEYA_FIELD(index, name) std::string name;
#include "record/fields.inc"
#undef KANADEYA_FIELD

  // REQUIRES: 0 <= index < kFieldCount.
  std::string& operator[](int index);
  const std::string& operator[](int index) const;

  bool operator==(const BookRecord&) const = default;
};

// The field names in index order ("Code", "Title", "Reserved2", ...).
// REQUIRES: 0 <= index < kFieldCount.
std::string_view FieldName(int index);

// The columns of an output line: column c (1-based) carries field c-1 for c
// up to 19, c-2 for 21 to 40 and c-3 for 42 to 68; columns 20 and 41 are
// always empty (-1), as is any column past 68.
//   FieldOfColumn(22) == kPrice
inline constexpr int kOutputColumnCount = kFieldCount + 2;
constexpr int FieldOfColumn(int column) {
  if (column < 1 || column == 20 || column == 41 || column > kOutputColumnCount) return -1;
  if (column < 20) return column - 1;
  if (column < 41) return column - 2;
  return column - 3;
}

}  // namespace kanadeya
