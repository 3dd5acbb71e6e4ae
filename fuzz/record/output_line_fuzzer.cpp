// The output line of a record whose 66 fields hold any bytes. The line must
// read as 68 columns by a byte-wise reader and by a Shift_JIS reader, end
// nowhere but at its CR LF, and give back in every column what was written
// there: the escaped field (fields 2, 6 and 8 half-width first), without a
// lead byte left alone at its end.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "markup/markup.h"
#include "record/book_record.h"
#include "record/output_line.h"
#include "strings/strings.h"
#include "tests/support/csv.h"

namespace {

// The item as it is written: a final lead byte without its second byte goes.
std::string WrittenItem(std::string_view escaped) {
  using kanadeya::IsLeadByte;
  size_t i = 0;
  while (i < escaped.size()) {
    if (IsLeadByte(escaped[i]) && i + 1 == escaped.size()) return std::string(escaped.substr(0, i));
    i += IsLeadByte(escaped[i]) ? 2 : 1;
  }
  return std::string(escaped);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kanadeya;
  using fuzz::Check;
  FuzzedDataProvider provider(data, size);

  BookRecord record;
  for (int i = 0; i < kFieldCount && provider.remaining_bytes() > 0; ++i)
    record[i] = provider.ConsumeRandomLengthString(256);
  const BookRecord before = record;

  const std::string line = BuildOutputLine(record);
  Check(record == before, "the output line changed the record", line);

  std::vector<std::string> expected;
  bool holds_zero = false;  // a zero byte ends the quoting rule's scan
  for (int column = 1; column <= kOutputColumnCount; ++column) {
    const int field = FieldOfColumn(column);
    if (field < 0) {
      expected.emplace_back();
      continue;
    }
    std::string value = before[field];
    if (field == kReserved2 || field == kAuthorReading || field == kAuthor2Reading)
      value = ToHalfWidth(value);
    const std::string escaped = EscapeCsvField(value);
    Check(escaped.find_first_of("\",") == std::string::npos,
          "an escaped field holds a quote or a comma", escaped);
    Check(escaped.find("\r\n") == std::string::npos, "an escaped field holds a CR LF", escaped);
    expected.push_back(WrittenItem(escaped));
    holds_zero = holds_zero || expected.back().find('\0') != std::string::npos;
  }

  fuzz::CheckOutputFile(line + "\r\n", !holds_zero);
  Check(test::SplitCsvLine(line) == expected, "a column reads back other than it was written",
        line);
  Check(*test::SplitCsvLineSjis(line) == expected,
        "a column reads back in Shift_JIS other than it was written", line);

  Check(BuildOutputLine(BookRecord{}) == std::string(67, ','), "a cleared record is not 67 commas");
  return 0;
}
