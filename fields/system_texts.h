// The system texts of the parsers in fields/, which fill the book record from
// the values of a detail page: title and volume (title_volume.h), author
// credits and slots (author_credit.h), first-edition dates (edition_date.h).
// They stand on the record and the layers below it; the detail page calls them.
#pragma once

#include "strings/system_text.h"

namespace kanadeya {
#include "fields/system_texts.inc"
}  // namespace kanadeya
