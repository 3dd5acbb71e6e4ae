#include "plugin/code_lookup.h"

#include <array>
#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_faults.h"
#include "plugin/held_files.h"
#include "plugin/lookup_run.h"
#include "plugin/run_report.h"
#include "plugin/system_texts.h"
#include "record/book_record.h"
#include "record/code_forms.h"
#include "record/dictionaries.h"
#include "record/output_line.h"
#include "record/system_texts.h"
#include "scrape/detail_page.h"
#include "scrape/search_page.h"
#include "scrape/system_texts.h"

namespace kanadeya {

namespace {

// A page larger than this is no page of the site's (they are about 40 KB):
// it is not read, so that one page cannot take the memory the host and the
// plug-in share.
constexpr uint64_t kMegabyte = 1024 * 1024;
constexpr uint64_t kLargestPage = 16 * kMegabyte;

// Clears the page's file for a download: a page that an earlier download
// left there must never be read as this one's.
// A folder in its place is not tried again: it does not go by itself.
platform::RemoveFault ClearPageFile(RunEnv& env, const std::string& path) {
  platform::RemoveFault fault = platform::RemoveFault::kNone;
  TryWhileHeld(env, [&] {
    fault = env.RemoveFile(path, {});
    return fault == platform::RemoveFault::kNone || fault == platform::RemoveFault::kFolder;
  });
  return fault;
}

std::string_view PageFileFaultText(platform::RemoveFault fault) {
  switch (fault) {
    case platform::RemoveFault::kInUse:
      return kPageFileInUse;
    case platform::RemoveFault::kDenied:
      return kPageFileDenied;
    case platform::RemoveFault::kFolder:
      return kPageFileFolder;
    case platform::RemoveFault::kStillThere:
      return kPageFileStillThere;
    default:
      return kPageFileOther;
  }
}

// Has the host download `url` into `path` once nothing stands there, so
// that a failed download is never mistaken for the page (a host may leave
// the previous file in place); whether it came is told by reading it.
// False, with the file and why in `result`, when the file will not go.
bool Download(LookupRun& run, const std::string& path, const std::string& url, CodeLookup& result) {
  const platform::RemoveFault fault = ClearPageFile(run.env, path);
  if (fault != platform::RemoveFault::kNone) {
    result.fault = path + std::string(PageFileFaultText(fault));
    return false;
  }
  run.host.HTTPDownloadFunc()(path.c_str(), url.c_str());
  return true;
}

// Whether the page the host saved at `path` is small enough to be a page of
// the site's; the address and its size in `result` when it is not, in
// megabytes to a tenth, rounded up so that no page over the bound reads as
// the bound ("17.1 MB").
bool PageFits(RunEnv& env, const std::string& path, CodeLookup& result) {
  uint64_t size = 0;
  if (!env.FileSize(path, size) || size <= kLargestPage) return true;
  const uint64_t tenths =
      size / kMegabyte * 10 + ((size % kMegabyte) * 10 + kMegabyte - 1) / kMegabyte;
  result.fault = result.url + std::string(kLogPageSizeOpen) + std::to_string(tenths / 10) + "." +
                 std::to_string(tenths % 10) + std::string(kLogPageSize);
  return false;
}

// The outcome of a page whose read, tried again, was not read: the file and
// why (`why`) in `result` when it stood but could not be read.
CodeOutcome PageNotRead(PageAgain again, const platform::FileFault& why, const std::string& path,
                        CodeLookup& result, CodeOutcome gone, CodeOutcome no_page) {
  if (again == PageAgain::kHeld) {
    result.fault =
        path + std::string(kLogPageSizeOpen) + ReadFaultText(why) + std::string(kLogCauseClose);
    return CodeOutcome::kPageFileUnreadable;
  }
  return again == PageAgain::kGone ? gone : no_page;
}

// Has the host download `url` into "Temp.html" and reads it into `bytes`;
// how it ended when it gave no page: `gone` when no file came, `no_page`
// when the file holds none.
std::optional<CodeOutcome> FetchPage(LookupRun& run, const std::string& url, std::string& bytes,
                                     CodeLookup& result, CodeOutcome gone, CodeOutcome no_page) {
  const std::string page_path = run.data_dir + std::string(kTempPageName);
  if (!Download(run, page_path, url, result)) return CodeOutcome::kPageFileInTheWay;
  if (!PageFits(run.env, page_path, result)) return CodeOutcome::kPageTooLarge;
  auto read = [&] { return run.env.ReadWholeFile(page_path, bytes); };
  if (read()) return std::nullopt;
  platform::FileFault why;
  const PageAgain again = ReadPageAgain(run.env, page_path, read, why);
  if (again == PageAgain::kRead) return std::nullopt;
  return PageNotRead(again, why, page_path, result, gone, no_page);
}

// The host's files that stood but could not be read while one code was
// looked up: each changes the book found, but the publisher dictionary only
// a book without a publisher (the page's publisher replaces the one the
// dictionary gives by the code).
struct WentWithout {
  std::vector<std::string> files;
  std::string publishers;  // empty: read
};

// The host's three dictionaries, each read when it may have changed. A
// missing or unreadable dictionary is an empty one: the lookup goes on
// without what it would have given.
void LoadDictionaries(LookupRun& run, BookRecord& record, WentWithout& without) {
  Dictionaries& dictionaries = run.state.dictionaries;
  RunEnv& env = run.env;
  const std::string& dir = run.data_dir;
  auto read = [](DictionaryLoad load) { return load != DictionaryLoad::kUnreadable; };
  const std::string authors = dir + std::string(kAuthorDictionaryFile);
  if (!run.unreadable.ReadOrNote(env, run.log, authors, kLacksAuthorList, kBooksConcerned, [&] {
        return read(LoadAuthorDictionary(env, dictionaries, dir));
      }))
    without.files.push_back(authors);
  const std::string publishers = dir + std::string(kPublisherDictionaryFile);
  if (!run.unreadable.ReadOrNote(
          env, run.log, publishers, kLacksPublishers, kBooksWithoutPublisher,
          [&] { return read(LookupPublisherByCode(env, dictionaries, dir, record)); }))
    without.publishers = publishers;
  const std::string labels = dir + std::string(kLabelDictionaryFile);
  if (!run.unreadable.ReadOrNote(env, run.log, labels, kLacksLabels, kBooksConcerned,
                                 [&] { return read(LoadLabelDictionary(env, dictionaries, dir)); }))
    without.files.push_back(labels);
}

// "Setting.ini" is read again for every code, since the host may change it
// during a run.
void FillFromSettings(LookupRun& run, BookRecord& record, WentWithout& without) {
  RunEnv& env = run.env;
  const std::string& path = run.host_settings_path;
  struct Fill {
    std::string& field;
    std::string_view key, fallback;
  };
  const std::array<Fill, 4> fills{{{record.PurchaseState, kPurchaseStateKey, kPurchaseStateDefault},
                                   {record.TaxSetting, kTaxSettingKey, "0"},
                                   {record.TaxSetting2, kTaxSettingKey, "0"},
                                   {record.ReadState, kReadStateKey, kReadStateDefault}}};
  std::array<ProfileQuery, 4> queries;
  std::array<std::string*, 4> fields{};
  size_t asked = 0;
  for (const Fill& fill : fills) {
    if (!fill.field.empty()) continue;
    queries[asked].key = fill.key;
    queries[asked].fallback = fill.fallback;
    fields[asked++] = &fill.field;
  }
  if (asked == 0) return;
  // A file that stands but cannot be read gives the defaults, as a missing
  // one does: it is looked at first.
  std::string probe;
  if (!run.unreadable.ReadOrNote(env, run.log, path, kLacksSettings, kBooksConcerned, [&] {
        return env.ReadFilePart(path, 0, 1, probe).ok() || !env.FileExists(path);
      }))
    without.files.push_back(path);
  env.ReadProfile(path, kSettingsSection, std::span(queries.data(), asked));
  for (size_t i = 0; i < asked; ++i) *fields[i] = std::move(queries[i].value);
}

// The search: the detail page's address in `record`, or how it ended.
std::optional<CodeOutcome> Search(LookupRun& run, std::string_view code_line, BookRecord& record,
                                  CodeLookup& result, WentWithout& without) {
  const std::string& site = run.settings.site_base_url;
  record.Code = std::string(code_line);
  LoadDictionaries(run, record, without);
  if (code_line.size() == 18) SplitEighteenByteCode(code_line, record);

  const char* key = run.host.ISBNChkFunc()(record.Code.c_str());
  result.key = key != nullptr ? std::string(key) : std::string();
  if (result.key.empty()) return CodeOutcome::kInvalidCode;

  const std::string search_url = site + std::string(kSearchPath) + result.key;
  result.url = search_url;
  // What the site gave for this key before is not asked for again.
  if (const HeldPage* held = run.journal.Held(result.key)) {
    result.candidates = held->candidates;
    if (!held->book) {
      result.source = PageSource::kThisRun;
      return CodeOutcome::kNotOnSite;
    }
    if (RunJournal::ReadPage(run.env, *held->journal, held->offset, held->size, held->page_size,
                             run.state.page_work.bytes)) {
      result.source = held->source;
      record.PageUrl = result.page_url = result.url = held->page_url;
      return std::nullopt;
    }
  }
  if ((run.host.InternetConnectFunc()(search_url.c_str()) & 0xFF) == 0)
    return CodeOutcome::kNoConnection;
  result.connected = true;

  std::string page;
  if (const std::optional<CodeOutcome> not_fetched =
          FetchPage(run, search_url, page, result, CodeOutcome::kSearchNotDownloaded,
                    CodeOutcome::kSearchNotDownloaded))
    return not_fetched;
  const std::string id = FindDetailId(page);
  result.candidates = CountDetailIds(page);
  page.clear();
  page.shrink_to_fit();
  if (id.empty()) return CodeOutcome::kNotOnSite;
  record.PageUrl = site + std::string(kDetailPath) + id;
  result.url = result.page_url = record.PageUrl;
  return std::nullopt;
}

// The book of the detail page in the run's page buffer, found on the site
// at `base_url`, completed into its line in `result`.
CodeOutcome BuildBook(LookupRun& run, std::string_view base_url, BookRecord& record,
                      CodeLookup& result, WentWithout& without) {
  DetailPageWork& work = run.state.page_work;
  Dictionaries& dictionaries = run.state.dictionaries;
  const std::string marker =
      run.data_dir + std::string(kTempPageName) + std::string(kPrivateProfileSuffix);
  // The parse fails for a page that a stop cut short as for one it cannot
  // use.
  if (!ParseDetailPageBytes(work.bytes, run.env.FileExists(marker), base_url, dictionaries.authors,
                            work, record, &result.markers_found, &result.product_name))
    return run.state.stop_requested ? CodeOutcome::kStopped : CodeOutcome::kDetailNotReadable;
  // A page without a single known marker (the site's pages changed, or a
  // notice came in the page's place) holds no book, nor does one without
  // the product name (an "item unavailable" page with a picture): nothing
  // to import.
  if (result.markers_found == 0 || !result.product_name) return CodeOutcome::kDetailNotReadable;
  if (record.Code.size() == 26) CompleteTwentySixByteCode(record);
  LookupLabel(dictionaries, record);
  FillFromSettings(run, record, without);
  result.line = BuildOutputLine(record);
  result.title = record.Title;
  if (!record.Volume.empty()) result.title += " " + record.Volume;
  return CodeOutcome::kFound;
}

// The book's page, downloaded unless it is held already, parsed into
// `record`, which is completed into the line.
CodeOutcome ReadBook(LookupRun& run, BookRecord& record, CodeLookup& result, WentWithout& without) {
  if (result.source == PageSource::kSite)
    if (const std::optional<CodeOutcome> not_fetched =
            FetchPage(run, record.PageUrl, run.state.page_work.bytes, result,
                      CodeOutcome::kDetailNotDownloaded, CodeOutcome::kDetailNotReadable))
      return *not_fetched;
  return BuildBook(run, run.settings.site_base_url, record, result, without);
}

}  // namespace

std::optional<std::string_view> CodeLookup::LoggedDetail() const {
  if (!NamesDetail(outcome)) return std::nullopt;
  if (outcome == CodeOutcome::kFound) return title;
  return fault.empty() ? std::string_view(url) : std::string_view(fault);
}

CodeLookup LookupCode(LookupRun& run, std::string_view code_line) {
  CodeLookup result;
  try {
    BookRecord record;
    WentWithout without;
    const std::optional<CodeOutcome> searched = Search(run, code_line, record, result, without);
    result.outcome = searched ? *searched : ReadBook(run, record, result, without);
    // The report names the books that the files not read changed.
    if (result.outcome == CodeOutcome::kFound) {
      for (const std::string& path : without.files) run.unreadable.AddBook(path, code_line);
      if (!without.publishers.empty() && record.Publisher.empty())
        run.unreadable.AddBook(without.publishers, code_line);
    }
  } catch (const std::exception& failure) {
    result.outcome = CodeOutcome::kLookupFailed;
    result.fault = failure.what();
  } catch (...) {
    result.outcome = CodeOutcome::kLookupFailed;
    result.fault.clear();
  }
  return result;
}

CodeLookup RebuildBook(LookupRun& run, const EarlierRun& earlier, const JournalCode& code) {
  CodeLookup result;
  result.outcome = CodeOutcome::kLookupFailed;
  try {
    if (!RunJournal::ReadPage(run.env, earlier.path, code.offset, code.size, code.page_size,
                              run.state.page_work.bytes))
      return result;
    BookRecord record;
    record.Code = code.code;
    // The books kept for an earlier run are not this run's: what the files
    // not read changed is said of this run's books alone.
    WentWithout without;
    LoadDictionaries(run, record, without);
    if (code.code.size() == 18) SplitEighteenByteCode(code.code, record);
    record.PageUrl = code.page_url;
    result.outcome = BuildBook(run, earlier.base_url, record, result, without);
  } catch (...) {
    result.outcome = CodeOutcome::kLookupFailed;
  }
  return result;
}

}  // namespace kanadeya
