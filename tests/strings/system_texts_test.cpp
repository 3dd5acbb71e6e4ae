// Every system text's bytes agree with its readable UTF-8 form converted to
// code page 932, so that a mistyped byte cannot hide.
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
};

TEST(SystemTexts, BytesMatchTheirUtf8Form) {
  for (const auto& text : kSystemTexts) {
    EXPECT_BYTES_EQ(test::Sjis(text.utf8), text.sjis) << text.name;
  }
}

}  // namespace
}  // namespace kanadeya
