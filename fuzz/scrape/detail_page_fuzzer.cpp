// The detail-page parser over any page bytes, as the driver's file step
// hands them over (ParseDetailPageBytes, no files): with or without the
// private profile's marker file, with or without an author dictionary, and
// with a stop requested at some ask of the stop signal or never.
//
// The page counts exactly when it has at least 6 lines and no stop came
// before its first line; a page that does not count leaves the record as it
// was. The stop is asked at most once for each line examined; a stop that
// comes during the walk meets no more markers than the whole walk, and a stop
// asked for at an ask that never comes changes nothing. The parser writes only the fields it fills, the memo ends trimmed, the
// record grows no more than linearly with the page, and the output line built
// from it is sound (68 columns by both readers, nothing breaks its line).
//
// The page-text helpers that make the parser fast (scrape/page_lines.h) are
// compared on the same page with the plain ways they stand for: splitting
// and joining line by line, testing each line for a marker, decoding the
// references with ReplaceAll.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "record/book_record.h"
#include "record/dictionaries.h"
#include "record/output_line.h"
#include "scrape/detail_page.h"
#include "scrape/euc_jp.h"
#include "scrape/page_lines.h"
#include "scrape/system_texts.h"
#include "strings/strings.h"
#include "tests/support/plain_walks.h"

namespace {

// Requests a stop from the ask numbered `stop_at` (from 0) on; never when it
// is negative. Counts the asks.
class StopAtAsk final : public kanadeya::StopSignal {
 public:
  explicit StopAtAsk(long stop_at) : stop_at_(stop_at) {}
  bool Requested() const override {
    const long ask = asks_++;
    return stop_at_ >= 0 && ask >= stop_at_;
  }
  long asks() const { return asks_; }

 private:
  long stop_at_;
  mutable long asks_ = 0;
};

constexpr std::string_view kSiteBaseUrl = "http://catalog.example";
constexpr std::string_view kAllAges = "\x91\x53\x94\x4e\x97\xee";  // 全年齢

// The fields the parser fills (and the finishing step rewrites).
bool IsParserField(int i) {
  using namespace kanadeya;
  switch (i) {
    case kTitle:
    case kVolume:
    case kAuthor:
    case kAuthorReading:
    case kAuthor2:
    case kAuthor2Reading:
    case kOtherAuthors:
    case kAuthorExtra:
    case kImageUrl:
    case kPublisher:
    case kSize:
    case kLabel:
    case kEditionYear:
    case kEditionMonth:
    case kEditionDay:
    case kPrice:
    case kMemo:
    case kAgeRating:
    case kReserved18:
    case kPageUrl:
      return true;
    default:
      return false;
  }
}

void CheckPageLines(std::string_view raw) {
  using namespace kanadeya;
  using fuzz::Check;
  const std::string joined = JoinLines(raw);
  Check(joined == test::PlainJoinLines(raw), "JoinLines differs from splitting and joining", raw);
  Check(IsJoined(raw) == (joined == raw), "IsJoined differs from JoinLines keeping the text", raw);
  Check(IsJoined(joined), "IsJoined refuses a joined text", raw);
  const std::string page = JoinLines(EucToShiftJisReference(joined));
  std::string from_euc = "room used before";
  PageTextFromEuc(raw, from_euc);
  Check(from_euc == page, "PageTextFromEuc differs from the conversion between two joins", raw);

  std::vector<std::string_view> markers = {
      kMarkerProductName,    kMarkerImage,         kMarkerPublisher,   kMarkerSize,
      kMarkerAuthor,         kMarkerGenre,         kMarkerEditionDate, kMarkerPrice,
      kMarkerMemo,           kMarkerContentsStart, kMarkerContentsEnd, kMarkerContentsItem,
      kMarkerContentsItemEnd};
  // And a marker from the page itself: the start of its first line that
  // begins with "<", up to 12 bytes.
  const size_t tag = page.find("\r\n<");
  const std::string own = tag == std::string::npos ? std::string("<") : page.substr(tag + 2, 12);
  if (own.find_first_of("\r\n") == std::string::npos) markers.push_back(own);
  const auto each = LinesHoldingEach(page, markers);
  Check(each.size() == markers.size(), "LinesHoldingEach gave a list too many or too few", raw);
  for (size_t m = 0; m < markers.size(); ++m) {
    const std::vector<size_t> plain = test::PlainLinesHolding(page, markers[m]);
    Check(LinesHolding(page, markers[m]) == plain, "LinesHolding differs from the plain test", raw);
    Check(each[m] == plain, "LinesHoldingEach differs from the plain test", raw);
  }

  std::string decoded = page;
  DecodeReferences(decoded);
  Check(decoded == test::PlainDecodeReferences(page),
        "DecodeReferences differs from four passes of ReplaceAll", raw);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kanadeya;
  using fuzz::Check;
  FuzzedDataProvider provider(data, size);
  const bool private_profile = provider.ConsumeBool();
  const bool has_dictionary = provider.ConsumeBool();
  // The ask at which a stop is requested; -1 for none.
  const long stop_at = provider.ConsumeBool() ? provider.ConsumeIntegralInRange<long>(0, 40) : -1;
  const std::string dictionary =
      has_dictionary ? provider.ConsumeRandomLengthString(1024) : std::string();
  const std::string page = provider.ConsumeRemainingBytesAsString();

  Dictionaries dictionaries;
  dictionaries.authors.Assign(dictionary);

  // The record as the driver hands it over: cleared, with the code and the
  // page's address; the other fields hold texts of their own to show a
  // stray write.
  BookRecord record;
  for (int i = 0; i < kFieldCount; ++i) record[i] = "field " + std::to_string(i);
  for (int i = 0; i < kFieldCount; ++i)
    if (IsParserField(i)) record[i].clear();
  record.PageUrl = std::string(kSiteBaseUrl) + "/detail/view.php?id=1";
  const BookRecord before = record;

  // Without a stop, the parse asks the run's stop flag, never set. With one,
  // it asks a signal that counts the asks, and the page is parsed again with
  // the flag: a stop that never came must change nothing.
  const bool never = false;
  DetailPageWork flag_work(never);
  const StopAtAsk signal(stop_at);
  DetailPageWork signal_work(signal);
  size_t markers = 0;
  const bool counted =
      ParseDetailPageBytes(page, private_profile, kSiteBaseUrl, dictionaries.authors,
                           stop_at < 0 ? flag_work : signal_work, record, &markers);
  const long lines = static_cast<long>(CountTextLines(page));
  Check(signal.asks() <= (lines >= 6 ? lines - 5 : 0),
        "the stop was asked more often than there are lines to examine", page);
  if (stop_at >= 0) {
    BookRecord whole = before;
    size_t whole_markers = 0;
    const bool whole_counted =
        ParseDetailPageBytes(page, private_profile, kSiteBaseUrl, dictionaries.authors, flag_work,
                             whole, &whole_markers);
    Check(whole_counted == (lines >= 6), "the page counts otherwise without a stop", page);
    if (signal.asks() <= stop_at) {  // the stop never came
      Check(counted == whole_counted && markers == whole_markers,
            "the page counts otherwise, or meets other markers, with a stop that never came", page);
      for (int i = 0; i < kFieldCount; ++i)
        Check(record[i] == whole[i], "the record differs with a stop that never came", page);
    } else {
      Check(markers <= whole_markers, "a stop met more markers than the whole walk", page);
    }
  }
  Check(counted == (lines >= 6 && stop_at != 0),
        "the page counts when it should not, or the other way round", page);
  size_t record_size = 0;
  for (int i = 0; i < kFieldCount; ++i) {
    record_size += record[i].size();
    if (!counted || !IsParserField(i))
      Check(record[i] == before[i], "the parser wrote a field it should not have", page);
  }
  CheckPageLines(page);
  if (!counted) return 0;

  Check(record.Memo == Trim(record.Memo), "the memo is not trimmed", record.Memo);
  Check(record_size <= 8 * page.size() + 1024, "the record grew faster than the page", page);
  if (private_profile)
    Check(record.AgeRating == kAllAges && record.Reserved18.empty() && record.PageUrl.empty(),
          "the private profile was not applied", page);
  else
    Check(record.AgeRating.empty() && record.PageUrl == before.PageUrl,
          "the private profile was applied without its marker", page);

  const std::string line = BuildOutputLine(record);
  fuzz::CheckOutputFile(line + "\r\n", true);
  return 0;
}
