// First-edition dates.
//
// The detail page gives the first-edition date in many shapes ("2010年3月",
// "2010/03/05", "20100305"). ParseEditionDate writes BookRecord.EditionYear
// and, when present, EditionMonth and EditionDay.
#pragma once

#include <string_view>

namespace kanadeya {

// Writes EditionYear, may write EditionMonth / EditionDay.
void ParseEditionDate(std::string_view text);

}  // namespace kanadeya
