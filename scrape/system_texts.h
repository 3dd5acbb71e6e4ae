// The system texts of the detail-page parser.
#pragma once

#include "strings/system_text.h"

namespace kanadeya {
#include "scrape/system_texts.inc"
}  // namespace kanadeya
