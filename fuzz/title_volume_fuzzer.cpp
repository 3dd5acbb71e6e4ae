// Splitting a product name into title, volume and remainder, over any bytes,
// with or without a volume already known. The split may write only Title and
// Volume, keeps a known volume, returns a trimmed remainder, and any volume
// it finds reads as a volume designation.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "record/book_record.h"
#include "text/strings.h"
#include "text/title_volume.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kanadeya;
  using fuzz::Check;
  FuzzedDataProvider provider(data, size);
  const std::string known_volume = provider.ConsumeBool() ? provider.ConsumeRandomLengthString(8)
                                                          : std::string();
  const std::string name = provider.ConsumeRemainingBytesAsString();

  // Every field holds a text of its own, so that a stray write shows.
  for (int i = 0; i < kFieldCount; ++i) BookRecord[i] = "field " + std::to_string(i);
  BookRecord.Title.clear();
  BookRecord.Volume = known_volume;
  const TBase before = BookRecord;

  const std::string remainder = SplitTitleVolume(name);

  Check(remainder == Trim(remainder), "the remainder is not trimmed", name);
  for (int i = 0; i < kFieldCount; ++i) {
    if (i == kTitle || i == kVolume) continue;
    Check(BookRecord[i] == before[i], "the split wrote a field other than Title and Volume", name);
  }
  if (!known_volume.empty())
    Check(BookRecord.Volume == known_volume, "the split replaced a known volume", name);
  else
    Check(IsVolumeNumber(BookRecord.Volume), "the volume found is no volume designation", name);

  const std::string digits = TrailingDigits(name);
  Check(name.ends_with(digits), "TrailingDigits is not the end of the text", name);
  (void)IsAllDigits(name);
  (void)IsKanjiNumeral(name);
  (void)IsRomanNumeral(name);
  return 0;
}
