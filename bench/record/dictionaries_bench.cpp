// The host's dictionaries: "AuthDB.dat" of 20,000 lines, "PubDB.dat" of
// 5,000 and "LabelsDB.dat" of 2,000 (and twice those sizes). The lookups on
// held dictionaries; the work the driver does for every code (three loads,
// the publisher lookup, three author lookups and the label lookup) with files
// that stay unchanged, and with files that change before every code; and the
// same work done the plain way, reading every file for every code and
// searching its whole text, as a measure of what the kept texts save.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_inputs.h"
#include "platform/disk_file_reader.h"
#include "platform/files.h"
#include "record/book_record.h"
#include "record/dictionaries.h"
#include "strings/strings.h"

namespace kanadeya {
namespace {

// The files of these tests lie on the disk.
platform::DiskFileReader disk;

constexpr uint32_t kSeed = 3;
constexpr size_t kAuthorsPerCode = 3;

const bench::Dictionaries& Files(int64_t author_lines) {
  const auto lines = static_cast<size_t>(author_lines);
  return bench::DictionaryFiles(lines, lines / 4, lines / 10, kSeed);
}

// The dictionaries written into a folder of their own, last written an hour
// ago; the folder's path, with a trailing separator.
std::string DataDirectory(int64_t author_lines, std::string_view copy) {
  const bench::Dictionaries& d = Files(author_lines);
  const std::string folder = "dict-" + std::to_string(author_lines) + std::string(copy) + "/";
  bench::WriteSettledFile(folder + "AuthDB.dat", d.authors);
  bench::WriteSettledFile(folder + "PubDB.dat", d.publishers);
  bench::WriteSettledFile(folder + "LabelsDB.dat", d.labels);
  return bench::ScratchFolder() + folder;
}

// The plain way: the file's lines joined with CR LF, searched from the start.
std::string PlainText(const std::string& path) {
  std::string contents, text;
  platform::ReadWholeFile(path, contents);
  SplitLines(contents, [&text](std::string_view line) {
    text += line;
    text += "\r\n";
  });
  return text;
}

std::string_view PlainFind(std::string_view text, const std::string& key, std::string_view end) {
  const size_t at = text.find(key);
  if (at == std::string_view::npos) return {};
  const std::string_view rest = text.substr(at + key.size());
  return rest.substr(0, rest.find(end));
}

// One lookup per iteration, the names in turn; the dictionary is held and
// indexed (the first lookups, before the timing, built the index).
void BM_LookupAuthor_Held(benchmark::State& state) {
  const std::string dir = DataDirectory(state.range(0), "");
  Dictionaries dictionaries;
  LoadAuthorDictionary(disk, dictionaries, dir);
  const auto& names = Files(state.range(0)).names;
  AuthorDictionaryEntry entry;
  for (const auto& name : names) LookupAuthor(dictionaries.authors, name, entry);
  size_t i = 0, hits = 0;
  for (auto _ : state) hits += LookupAuthor(dictionaries.authors, names[i++ % names.size()], entry);
  benchmark::DoNotOptimize(hits);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LookupAuthor_Held)->Arg(20'000)->Arg(40'000);

// The same lookups the plain way: the key searched in the whole text.
void BM_LookupAuthor_PlainSearch(benchmark::State& state) {
  const std::string text = PlainText(DataDirectory(state.range(0), "") + "AuthDB.dat");
  const auto& names = Files(state.range(0)).names;
  size_t i = 0, found = 0;
  for (auto _ : state) {
    const std::string& name = names[i++ % names.size()];
    found += PlainFind(text, "|" + NormaliseDictionaryKey(name) + "|", "|\r\n").size();
  }
  benchmark::DoNotOptimize(found);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LookupAuthor_PlainSearch)->Arg(20'000)->Arg(40'000)->Unit(benchmark::kMicrosecond);

// With the load that goes before it for every code.
void BM_LookupPublisherByCode_Held(benchmark::State& state) {
  const std::string dir = DataDirectory(state.range(0), "");
  const auto& codes = Files(state.range(0)).codes;
  Dictionaries dictionaries;
  BookRecord record;
  size_t i = 0;
  for (auto _ : state) {
    record.Code = codes[i++ % codes.size()];
    record.Publisher.clear();
    LookupPublisherByCode(disk, dictionaries, dir, record);
    benchmark::DoNotOptimize(record.Publisher.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LookupPublisherByCode_Held)->Arg(20'000)->Arg(40'000);

void BM_LookupLabel_Held(benchmark::State& state) {
  const std::string dir = DataDirectory(state.range(0), "");
  Dictionaries dictionaries;
  LoadLabelDictionary(disk, dictionaries, dir);
  const auto& pairs = Files(state.range(0)).publisher_genres;
  BookRecord record;
  size_t i = 0;
  for (auto _ : state) {
    const auto& [publisher, genre] = pairs[i++ % pairs.size()];
    record.Publisher = publisher;
    record.Label = genre;
    LookupLabel(dictionaries, record);
    benchmark::DoNotOptimize(record.Label.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LookupLabel_Held)->Arg(20'000)->Arg(40'000);

// The dictionary work of one code, as the driver and the parser do it.
void WorkOfOneCode(Dictionaries& dictionaries, const std::string& dir, const bench::Dictionaries& d,
                   size_t i) {
  BookRecord record;
  record.Code = d.codes[i % d.codes.size()];
  LoadAuthorDictionary(disk, dictionaries, dir);
  LookupPublisherByCode(disk, dictionaries, dir, record);
  LoadLabelDictionary(disk, dictionaries, dir);
  AuthorDictionaryEntry entry;
  for (size_t k = 0; k < kAuthorsPerCode; ++k)
    benchmark::DoNotOptimize(LookupAuthor(
        dictionaries.authors, d.names[(i * kAuthorsPerCode + k) % d.names.size()], entry));
  const auto& [publisher, genre] = d.publisher_genres[i % d.publisher_genres.size()];
  record.Publisher = publisher;
  record.Label = genre;
  LookupLabel(dictionaries, record);
  benchmark::DoNotOptimize(record.Label.data());
}

// Files read and indexed once, by the first codes of a run (before the
// timing), then kept.
void BM_DictionariesPerCode_Unchanged(benchmark::State& state) {
  const std::string dir = DataDirectory(state.range(0), "");
  const auto& d = Files(state.range(0));
  Dictionaries dictionaries;
  size_t i = 0;
  while (i < 16) WorkOfOneCode(dictionaries, dir, d, i++);
  for (auto _ : state) WorkOfOneCode(dictionaries, dir, d, i++);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DictionariesPerCode_Unchanged)->Arg(20'000)->Arg(40'000);

// Every code meets other files than the code before: two data directories
// with the same files, taken in turn, so that every load reads its file.
void BM_DictionariesPerCode_Changed(benchmark::State& state) {
  const std::string dirs[] = {DataDirectory(state.range(0), "a"),
                              DataDirectory(state.range(0), "b")};
  const auto& d = Files(state.range(0));
  Dictionaries dictionaries;
  size_t i = 0;
  for (auto _ : state) {
    WorkOfOneCode(dictionaries, dirs[i % 2], d, i);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DictionariesPerCode_Changed)->Arg(20'000)->Arg(40'000)->Unit(benchmark::kMicrosecond);

// The plain way for one code: every file read and joined, every key searched
// in the whole text.
void BM_DictionariesPerCode_PlainSearch(benchmark::State& state) {
  const std::string dir = DataDirectory(state.range(0), "");
  const auto& d = Files(state.range(0));
  size_t i = 0, found = 0;
  for (auto _ : state) {
    const std::string authors = PlainText(dir + "AuthDB.dat");
    const std::string publishers = PlainText(dir + "PubDB.dat");
    const std::string labels = PlainText(dir + "LabelsDB.dat");
    const std::string& code = d.codes[i % d.codes.size()];
    for (size_t n = 2; n <= 6; ++n) {
      const std::string_view value = PlainFind(publishers, "|" + code.substr(4, n) + "|", "\r\n");
      found += value.size();
      if (!value.empty()) break;
    }
    for (size_t k = 0; k < kAuthorsPerCode; ++k) {
      const std::string& name = d.names[(i * kAuthorsPerCode + k) % d.names.size()];
      found += PlainFind(authors, "|" + NormaliseDictionaryKey(name) + "|", "|\r\n").size();
    }
    const auto& [publisher, genre] = d.publisher_genres[i % d.publisher_genres.size()];
    found += PlainFind(labels, "|" + publisher + "|" + NormaliseDictionaryKey(genre) + "|", "\r\n")
                 .size();
    ++i;
  }
  benchmark::DoNotOptimize(found);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DictionariesPerCode_PlainSearch)
    ->Arg(20'000)
    ->Arg(40'000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kanadeya
