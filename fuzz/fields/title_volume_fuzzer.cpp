// Splitting a product name into title, volume and remainder, over any bytes,
// with or without a volume already known. The split may write only Title and
// Volume, keeps a known volume, returns a trimmed remainder, and any volume
// it finds reads as a volume designation.
//
// The trailing bracketed groups are cut by their lengths, without copying
// the name for every group; where they decide the split (a name that the
// normalisation leaves as it is, and a volume known or found in a group) the
// split must equal the plain way below, which copies the name every time.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fields/title_volume.h"
#include "fuzz/fuzz_support.h"
#include "record/book_record.h"
#include "strings/strings.h"

namespace {

// The trailing groups as the rule reads: while the text ends with ")", cut
// off the group from the last "(" (taking in one nested group), drop "第",
// "巻" and "集" from it; the first that reads as a volume is the volume, the
// others go to the front of the remainder.
void PlainTrailingGroups(std::string& t, std::string& r, std::string& volume) {
  using namespace kanadeya;
  const auto length = [](std::string_view text) { return static_cast<int64_t>(text.size()); };
  while (!t.empty() && t.back() == ')') {
    auto b = static_cast<int64_t>(LastDelimiter("(", t)) + 1;
    std::string g = Copy(t, b, length(t) - b);
    if (g.find(')') != std::string::npos) {
      b = static_cast<int64_t>(LastDelimiter("(", Copy(t, 1, b - 2))) + 1;
      g = Copy(t, b, length(t) - b);
    }
    std::string c = ReplaceAll(g, "\x91\xe6", "");  // 第
    c = ReplaceAll(c, "\x8a\xaa", "");              // 巻
    c = ReplaceAll(c, "\x8f\x57", "");              // 集
    t = TrimRight(Copy(t, 1, b - 2));
    if (IsVolumeNumber(c) && volume.empty())
      volume = c;
    else
      r = g + " " + r;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kanadeya;
  using fuzz::Check;
  FuzzedDataProvider provider(data, size);
  const std::string known_volume =
      provider.ConsumeBool() ? provider.ConsumeRandomLengthString(8) : std::string();
  const std::string name = provider.ConsumeRemainingBytesAsString();

  // Every field holds a text of its own, so that a stray write shows.
  BookRecord record;
  for (int i = 0; i < kFieldCount; ++i) record[i] = "field " + std::to_string(i);
  record.Title.clear();
  record.Volume = known_volume;
  const BookRecord before = record;

  const std::string remainder = SplitTitleVolume(name, record);

  Check(remainder == Trim(remainder), "the remainder is not trimmed", name);
  for (int i = 0; i < kFieldCount; ++i) {
    if (i == kTitle || i == kVolume) continue;
    Check(record[i] == before[i], "the split wrote a field other than Title and Volume", name);
  }
  if (!known_volume.empty())
    Check(record.Volume == known_volume, "the split replaced a known volume", name);
  else
    Check(IsVolumeNumber(record.Volume), "the volume found is no volume designation", name);

  // No byte 0x81 or 0x82 (the full-width forms that the normalisation makes
  // ASCII begin with them) and nothing to trim: the name reaches the groups
  // as it is.
  if (name.find_first_of("\x81\x82") == std::string::npos && name == Trim(name)) {
    std::string t = name, r, volume = known_volume;
    PlainTrailingGroups(t, r, volume);
    if (!volume.empty())
      Check(record.Title == t && record.Volume == volume && remainder == Trim(r),
            "the trailing groups differ from cutting them one by one", name);
  }

  const std::string digits = TrailingDigits(name);
  Check(name.ends_with(digits), "TrailingDigits is not the end of the text", name);
  (void)IsAllDigits(name);
  (void)IsKanjiNumeral(name);
  (void)IsRomanNumeral(name);
  return 0;
}
