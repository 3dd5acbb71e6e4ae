// The system texts of the plug-in interface and the lookup driver.
#pragma once

#include "strings/system_text.h"

namespace kanadeya {
#include "plugin/system_texts.inc"
}  // namespace kanadeya
