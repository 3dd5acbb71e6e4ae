// The system texts of the text normalisation.
#pragma once

#include "text/system_text.h"

namespace kanadeya {
#include "text/system_texts.inc"
}  // namespace kanadeya
