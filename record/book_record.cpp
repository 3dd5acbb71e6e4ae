#include "record/book_record.h"

#include <array>
#include <cassert>

namespace kanadeya {

namespace {

using FieldPointer = std::string BookRecord::*;

constexpr std::array<FieldPointer, kFieldCount> kFields = {
#define KANADEYA_FIELD(index, name) &BookRecord::name,
#include "record/fields.inc"
#undef KANADEYA_FIELD
};

constexpr std::array<std::string_view, kFieldCount> kFieldNames = {
#define KANADEYA_FIELD(index, name) #name,
#include "record/fields.inc"
#undef KANADEYA_FIELD
};

// The list's indexes run from 0 without a gap, so that an index is an offset
// in the tables above.
constexpr bool IndexesInOrder() {
  int expected = 0;
#define KANADEYA_FIELD(index, name) \
  if (index != expected++) return false;
#include "record/fields.inc"
#undef KANADEYA_FIELD
  return true;
}
static_assert(IndexesInOrder());

}  // namespace

std::string& BookRecord::operator[](int index) {
  assert(index >= 0 && index < kFieldCount);
  return this->*kFields[static_cast<size_t>(index)];
}

const std::string& BookRecord::operator[](int index) const {
  assert(index >= 0 && index < kFieldCount);
  return this->*kFields[static_cast<size_t>(index)];
}

std::string_view FieldName(int index) {
  assert(index >= 0 && index < kFieldCount);
  return kFieldNames[static_cast<size_t>(index)];
}

}  // namespace kanadeya
