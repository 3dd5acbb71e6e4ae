#include "plugin/plugin_info.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "plugin/system_texts.h"

namespace kanadeya {

namespace {
void CopyCut(char* buffer, std::string_view text, uint32_t size) {
  if (buffer == nullptr || size == 0) return;
  const size_t n = std::min<size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}
}  // namespace

void WritePluginInfo(char* entry_name, char* display_name, char* author, char* version, char* fifth,
                     uint32_t size) {
  size &= 0xFFFF;
  CopyCut(entry_name, kEntryPointName, size);
  CopyCut(display_name, kDisplayName, size);
  CopyCut(author, kAuthorCredit, size);
  CopyCut(version, kVersionText, size);
  CopyCut(fifth, kFifthText, size);
}

}  // namespace kanadeya
