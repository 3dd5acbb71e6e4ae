// The stop request of a lookup run: set by the wait window's stop button,
// read by the lookup driver before each code and by the detail-page parser
// before each line. Once set it stays set until the plug-in is unloaded.
#pragma once

namespace kanadeya {

extern bool StopRequested;

}  // namespace kanadeya
