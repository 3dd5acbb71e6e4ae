// The text operations: replace-all and StripMarkup on long texts with very
// many occurrences, and the three parsers of the book's facts over a few
// thousand varied inputs and over single long inputs. Each long case runs at
// two sizes, the second twice the first.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/bench_inputs.h"
#include "fields/author_credit.h"
#include "fields/edition_date.h"
#include "fields/system_texts.h"
#include "fields/title_volume.h"
#include "markup/markup.h"
#include "record/book_record.h"
#include "strings/strings.h"

namespace kanadeya {
namespace {

constexpr uint32_t kSeed = 11;
constexpr int64_t kMiB = 1 << 20;
constexpr size_t kVariedInputs = 4096;

// `op` on one text per iteration, counted in bytes of the text.
template <typename Op>
void OnText(benchmark::State& state, const std::string& text, Op op) {
  for (auto _ : state) {
    auto result = op(text);
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

// `op` on every input per iteration, counted in inputs.
template <typename Op>
void OverInputs(benchmark::State& state, const std::vector<std::string>& inputs, Op op) {
  for (auto _ : state) {
    for (const auto& input : inputs) {
      auto result = op(input);
      benchmark::DoNotOptimize(result);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(inputs.size()));
}

std::string RemoveDots(std::string_view text) { return ReplaceAll(text, kNameDot, ""); }
std::string RemoveBars(std::string_view text) { return ReplaceAll(text, "|", ""); }
std::string SplitName(std::string_view name) {
  BookRecord record;  // a volume already set would change the split
  return SplitTitleVolume(name, record);
}
int ParseCredit(std::string_view credit) {
  AuthorList list;
  return ParseAuthorCredit(list, credit, kFullWidthSlash, kFullWidthSpace, "");
}
size_t ParseDate(std::string_view date) {
  BookRecord record;
  ParseEditionDate(date, record);
  return record.EditionYear.size();
}

// "・" between kanji, kana and ASCII letters, removed, as the dictionary key
// form removes it.
void BM_ReplaceAll_ManyOccurrences(benchmark::State& state) {
  OnText(state, bench::TextWithPattern(static_cast<size_t>(state.range(0)), kNameDot, kSeed),
         RemoveDots);
}
BENCHMARK(BM_ReplaceAll_ManyOccurrences)->Arg(kMiB)->Arg(2 * kMiB)->Unit(benchmark::kMillisecond);

// "|" is the second byte of "ポ": every byte match is a second byte that the
// character search must step over.
void BM_ReplaceAll_SecondByteMatches(benchmark::State& state) {
  std::string text;
  for (int64_t i = 0; i < state.range(0) / 2; ++i) text += "\x83\x7c";  // ポ
  OnText(state, text, RemoveBars);
}
BENCHMARK(BM_ReplaceAll_SecondByteMatches)->Arg(kMiB)->Arg(2 * kMiB)->Unit(benchmark::kMillisecond);

void BM_StripMarkup_ManyTags(benchmark::State& state) {
  OnText(state, bench::MarkupLine(static_cast<size_t>(state.range(0)), kSeed), StripMarkup);
}
BENCHMARK(BM_StripMarkup_ManyTags)->Arg(kMiB)->Arg(2 * kMiB)->Unit(benchmark::kMillisecond);

// A line of closing brackets with one opening bracket at its end: each ">"
// is dropped on its own, and the "<" far behind must not be looked for again
// every time.
void BM_StripMarkup_ManyClosingBrackets(benchmark::State& state) {
  OnText(state, std::string(static_cast<size_t>(state.range(0)), '>') + "<", StripMarkup);
}
BENCHMARK(BM_StripMarkup_ManyClosingBrackets)
    ->Arg(kMiB)
    ->Arg(2 * kMiB)
    ->Unit(benchmark::kMillisecond);

void BM_SplitTitleVolume_Varied(benchmark::State& state) {
  OverInputs(state, bench::ProductNames(kVariedInputs, kSeed), SplitName);
}
BENCHMARK(BM_SplitTitleVolume_Varied)->Unit(benchmark::kMicrosecond);

// One name of many bracketed notes behind its title.
void BM_SplitTitleVolume_LongName(benchmark::State& state) {
  std::string name = bench::ProductNames(1, kSeed)[0];
  const std::string note = "(" + std::string(kOrdinalMark) + "1" + std::string(kVolumeSuffix) + ")";
  while (name.size() < static_cast<size_t>(state.range(0))) name += note;
  OnText(state, name, SplitName);
}
BENCHMARK(BM_SplitTitleVolume_LongName)->Arg(8 << 10)->Arg(16 << 10)->Unit(benchmark::kMicrosecond);

void BM_ParseAuthorCredit_Varied(benchmark::State& state) {
  OverInputs(state, bench::AuthorCredits(kVariedInputs, kSeed), ParseCredit);
}
BENCHMARK(BM_ParseAuthorCredit_Varied)->Unit(benchmark::kMicrosecond);

// One credit naming very many people.
void BM_ParseAuthorCredit_ManyPeople(benchmark::State& state) {
  const auto& credits = bench::AuthorCredits(kVariedInputs, kSeed);
  std::string credit;
  for (size_t i = 0; credit.size() < static_cast<size_t>(state.range(0)); ++i) {
    if (!credit.empty()) credit += kFullWidthSpace;
    credit += std::string(kRoleAuthor) + std::string(kFullWidthSlash) + credits[i % 97];
  }
  OnText(state, credit, ParseCredit);
}
BENCHMARK(BM_ParseAuthorCredit_ManyPeople)
    ->Arg(8 << 10)
    ->Arg(16 << 10)
    ->Unit(benchmark::kMicrosecond);

void BM_ParseEditionDate_Varied(benchmark::State& state) {
  OverInputs(state, bench::EditionDates(kVariedInputs, kSeed), ParseDate);
}
BENCHMARK(BM_ParseEditionDate_Varied)->Unit(benchmark::kMicrosecond);

// A date whose year runs on for thousands of digits.
void BM_ParseEditionDate_LongYear(benchmark::State& state) {
  std::string date = std::string(static_cast<size_t>(state.range(0)), '9');
  date += std::string(kYearMark) + "4" + std::string(kMonthMark) + "1" + std::string(kDayMark);
  OnText(state, date, ParseDate);
}
BENCHMARK(BM_ParseEditionDate_LongYear)->Arg(8 << 10)->Arg(16 << 10)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kanadeya
