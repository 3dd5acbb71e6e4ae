// The system texts of the reference dictionaries.
#pragma once

#include "strings/system_text.h"

namespace kanadeya {
#include "record/system_texts.inc"
}  // namespace kanadeya
