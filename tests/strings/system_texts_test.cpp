// Every system text's bytes agree with its readable UTF-8 form converted to
// code page 932, so that a mistyped byte cannot hide: those of each module's
// system_texts.inc and those of the settings' fault lists (plugin/*_faults.inc).
#include <gtest/gtest.h>

#include <string_view>

#include "strings/system_text.h"
#include "tests/support/bytes.h"

namespace kanadeya {
namespace {

struct SystemText {
  std::string_view name, sjis, utf8;
};

#undef KANADEYA_TEXT
#define KANADEYA_TEXT(name, sjis, utf8) {#name, std::string_view{sjis, sizeof(sjis) - 1}, utf8},
const SystemText kSystemTexts[] = {
#include "fields/system_texts.inc"
#include "plugin/system_texts.inc"
#if __has_include("record/system_texts.inc")
#include "record/system_texts.inc"
#endif
#if __has_include("scrape/system_texts.inc")
#include "scrape/system_texts.inc"
#endif
// The texts of the settings' fault lists.
#define KANADEYA_FAULT(name, sjis, utf8) KANADEYA_TEXT(BaseUrlFault::k##name, sjis, utf8)
#include "plugin/base_url_faults.inc"
#undef KANADEYA_FAULT
#define KANADEYA_FAULT(name, sjis, utf8) KANADEYA_TEXT(LogPathFault::k##name, sjis, utf8)
#include "plugin/log_path_faults.inc"
#undef KANADEYA_FAULT
};

TEST(SystemTexts, BytesMatchTheirUtf8Form) {
  for (const auto& text : kSystemTexts) {
    EXPECT_BYTES_EQ(test::Sjis(text.utf8), text.sjis) << text.name;
  }
}

}  // namespace
}  // namespace kanadeya
