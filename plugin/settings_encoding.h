// The encodings that kanadeya.ini may be saved in. Which ones, and how one
// is told from another, are README's, "kanadeya.ini, the lookup log, the
// report and the codes to try again".
#pragma once

#include <string>
#include <string_view>

namespace kanadeya {

// The text of a kanadeya.ini file's bytes, converted to code page 932, in
// `text`. False, with `text` untouched, when the bytes after a byte-order
// mark do not read in its encoding; bytes without one always give a text.
//   SettingsText("\xEF\xBB\xBF[Site]", text) == true, text == "[Site]"
bool SettingsText(std::string_view bytes, std::string& text);

}  // namespace kanadeya
