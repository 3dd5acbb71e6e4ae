// The system texts of the detail-page parser.
#pragma once

#include "text/system_text.h"

namespace kanadeya {
#include "scrape/system_texts.inc"
}  // namespace kanadeya
