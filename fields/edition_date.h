// First-edition dates.
//
// The detail page gives the first-edition date as free text: "2005年3月10日",
// "2005.03.10", "2005/3", "20050310", "050310" and similar forms.
// ParseEditionDate reads it into record.EditionYear (normally four
// digits), EditionMonth and EditionDay (two digits each).
//
//   ParseEditionDate("98.4.1", record);
//   // EditionYear == "1998", EditionMonth == "04", EditionDay == "01"
//
// Rules, in short:
// - Full-width digits count as digits. The separators are "年" "月" "日" when
//   the text holds "年", else "." when it holds ".", else "/"; with "." and
//   "/" the day runs to the end of the text.
// - A year of fewer than 4 bytes is a two-digit year: below 60 it is in the
//   2000s, from 60 on in the 1900s ("59" -> "2059", "60" -> "1960"). A year
//   of 4 or more bytes stays as written; one that is not a whole decimal
//   integer (optional sign), or is negative, is dropped.
// - Month and day are prefixed with "00" and cut to their last two bytes
//   ("3" -> "03", "123" -> "23").
// - Without separators, 8 digits are YYYYMMDD, 6 digits starting "19" or "20"
//   YYYYMM, other 6 digits YYMMDD; nothing else is a date.
// - EditionYear is always written, possibly empty. EditionMonth and
//   EditionDay are written only with two digits other than "00"; otherwise
//   they keep their values.
// A digit string of any length is an integer: nothing is converted to a
// machine number except a year of at most three bytes.
#pragma once

#include <string_view>

#include "record/book_record.h"

namespace kanadeya {

// Writes EditionYear, may write EditionMonth / EditionDay.
void ParseEditionDate(std::string_view text, BookRecord& record);

}  // namespace kanadeya
