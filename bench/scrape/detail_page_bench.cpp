// The detail-page parser on whole pages of 50 KB, 1 MB and 2 MB: read from
// the file (from the page cache), converted, decoded, walked. Every page has
// all ten markers; larger pages have longer contents blocks and more rows of
// other books, as a catalogue's page grows.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_inputs.h"
#include "platform/disk_file_reader.h"
#include "platform/files.h"
#include "record/book_record.h"
#include "scrape/detail_page.h"

namespace kanadeya {
namespace {

// The files of these tests lie on the disk.
platform::DiskFileReader disk;

constexpr uint32_t kSeed = 7;

void BM_ParseDetailPage(benchmark::State& state) {
  const auto bytes = static_cast<size_t>(state.range(0));
  const std::string& page = bench::DetailPageEuc(bytes, kSeed);
  const std::string path =
      bench::WriteSettledFile("page-" + std::to_string(bytes) + "/Temp.html", page);
  const bool stop_requested = false;
  DetailPageWork work(stop_requested);
  Dictionaries dictionaries;
  for (auto _ : state) {
    BookRecord record;
    const bool parsed =
        ParseDetailPage(disk, path, "http://catalog.example", dictionaries.authors, work, record);
    benchmark::DoNotOptimize(parsed);
    if (!parsed || record.Title.empty() || record.Memo.empty()) {
      state.SkipWithError("the page did not give its title and memo");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_ParseDetailPage)
    ->Arg(50'000)
    ->Arg(1'000'000)
    ->Arg(2'000'000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kanadeya
