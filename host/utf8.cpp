#include "host/utf8.h"

#include "platform/text_mapping.h"

namespace hakobune {

std::string ToUtf8(std::string_view sjis) { return ToUtf8Cut(sjis, std::string::npos); }

std::string ToUtf8Cut(std::string_view sjis, size_t max_characters) {
  std::u16string wide = kanadeya::platform::AnsiToWide(sjis);
  if (wide.size() > max_characters) wide.resize(max_characters);
  return kanadeya::platform::WideToUtf8(wide);
}

}  // namespace hakobune
