// The system texts of the text normalisation.
#pragma once

#include "strings/system_text.h"

namespace kanadeya {
#include "fields/system_texts.inc"
}  // namespace kanadeya
