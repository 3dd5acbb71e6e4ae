#include "plugin/run_journal.h"

#include <algorithm>

#include "plugin/journal_records.h"
#include "plugin/system_texts.h"

namespace kanadeya {

namespace {

// The journal's form: a journal of another form is left as it stands.
constexpr uint64_t kJournalForm = 1;
// How many names a run tries for its journal (two runs of one process may
// begin in one second).
constexpr unsigned kJournalNamesTried = 100;
// How much of a journal is read at once: a record of a usual page at least.
constexpr size_t kJournalChunk = size_t{64} * 1024;

bool ReadRun(std::string_view body, EarlierRun& run) {
  FieldReader fields(body);
  uint64_t form = 0, process_id = 0, began = 0;
  std::string_view started, base_url, codes;
  if (KindOf(body) != JournalRecord::kRun || !fields.Number(form) || form != kJournalForm ||
      !fields.Text(started) || !fields.Number(process_id) || !fields.Number(began) ||
      !fields.Text(base_url) || !fields.Text(codes))
    return false;
  run.started = started;
  run.process_id = process_id;
  run.began = static_cast<int64_t>(began);
  run.base_url = base_url;
  run.codes = codes;
  return true;
}

// A code's record at `offset`, `size` bytes long with its header.
void ReadCode(std::string_view body, uint64_t offset, uint64_t size, EarlierRun& run,
              std::unordered_map<std::string, size_t>& page_of_key) {
  FieldReader fields(body);
  uint64_t book = 0, candidates = 0;
  std::string_view code, key, page_url, page;
  if (!fields.Text(code) || !fields.Text(key) || !fields.Number(book) ||
      !fields.Number(candidates) || !fields.Text(page_url) || !fields.Text(page))
    return;
  JournalCode& entry = run.reached.emplace_back();
  entry.code = code;
  entry.key = key;
  entry.book = book != 0;
  entry.candidates = candidates;
  entry.page_url = page_url;
  if (!entry.book) return;
  if (!page.empty()) {
    entry.offset = offset, entry.size = size, entry.page_size = page.size();
    page_of_key[entry.key] = run.reached.size() - 1;
    return;
  }
  // A repeated key: its page is the one of the key's first book.
  const auto first = page_of_key.find(entry.key);
  if (first == page_of_key.end()) {
    entry.book = false;
    return;
  }
  const JournalCode& held = run.reached[first->second];
  entry.offset = held.offset, entry.size = held.size, entry.page_size = held.page_size;
}

// Appends `record` to the journal at `path`, tried again while another
// program holds the file for a moment.
bool Append(RunEnv& env, const std::string& path, const std::string& record) {
  platform::FileFault fault;
  TryWhileHeld(env, [&] {
    fault = env.AppendToFile(path, record);
    return fault.kind != platform::FileFault::kHeld;
  });
  return fault.ok();
}

}  // namespace

std::string RunStamp(std::string_view started) {
  std::string stamp;
  for (char c : started)
    if (c >= '0' && c <= '9') stamp += c;
  if (stamp.size() > 8) stamp.insert(8, "-");
  return stamp;
}

std::string JournalName(std::string_view stamp, uint32_t process_id, unsigned n) {
  std::string name =
      std::string(kJournalFilePrefix) + std::string(stamp) + "-" + std::to_string(process_id);
  if (n > 1) name += "-" + std::to_string(n);
  return name + std::string(kJournalFileEnd);
}

std::string LongestJournalName(uint32_t process_id) {
  return JournalName("00000000-000000", process_id, kJournalNamesTried);
}

JournalRead ReadJournal(platform::FileReader& files, const std::string& path, EarlierRun& run) {
  uint64_t size = 0;
  if (!files.FileSize(path, size)) return JournalRead::kUnreadable;
  std::unordered_map<std::string, size_t> page_of_key;
  std::string chunk;
  bool has_run = false;
  for (uint64_t at = 0; size - at >= kRecordHeaderSize;) {
    if (!files.ReadFilePart(path, at, kJournalChunk, chunk).ok()) return JournalRead::kUnreadable;
    const RecordHeader header = ReadRecordHeader(chunk);
    const uint64_t whole = kRecordHeaderSize + uint64_t{header.length};
    if (chunk.size() < kRecordHeaderSize || whole > size - at) break;
    if (chunk.size() < whole &&
        !files.ReadFilePart(path, at, static_cast<size_t>(whole), chunk).ok())
      return JournalRead::kUnreadable;
    const std::string_view body = std::string_view(chunk).substr(kRecordHeaderSize, header.length);
    if (!BodyIsWhole(header, body)) break;
    if (!has_run) {
      if (!ReadRun(body, run))
        return KindOf(body) == JournalRecord::kRun ? JournalRead::kUnreadable : JournalRead::kNoRun;
      has_run = true;
      run.path = path;
    } else if (KindOf(body) == JournalRecord::kCode) {
      ReadCode(body, at, whole, run, page_of_key);
    } else if (KindOf(body) == JournalRecord::kDelivered) {
      run.delivered = true;
    }
    at += whole;
  }
  return has_run ? JournalRead::kRead : JournalRead::kNoRun;
}

void RunJournal::Begin(RunEnv& env, LookupLog& log, const std::string& folder,
                       const JournalStart& start) {
  base_url_ = start.base_url;
  std::vector<std::string> names = env.NamesStartingWith(folder, kJournalFilePrefix);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    if (!name.ends_with(kJournalFileEnd)) continue;
    const std::string path = folder + name;
    EarlierRun run;
    JournalRead read = JournalRead::kUnreadable;
    TryWhileHeld(env, [&] {
      run = EarlierRun{};
      read = ReadJournal(env, path, run);
      return read != JournalRead::kUnreadable;
    });
    if (read == JournalRead::kNoRun) {
      env.RemoveFile(path, {});
    } else if (read == JournalRead::kUnreadable) {
      log.Note(std::string(kLogJournalUnreadable) + path);
    } else {
      log.Note(std::string(kLogJournalTakenOver) + path);
      earlier_.push_back(std::move(run));
    }
  }
  // Newer runs' pages replace older ones'.
  for (const EarlierRun& run : earlier_) HoldEarlierPages(run, start.began);

  std::string record, body = JournalBody(JournalRecord::kRun);
  PutNumber(body, kJournalForm);
  PutText(body, start.started);
  PutNumber(body, start.process_id);
  PutNumber(body, static_cast<uint64_t>(start.began));
  PutText(body, start.base_url);
  PutText(body, start.codes);
  FrameRecord(body, record);
  // Nothing of the journal needs to be on the disk before the run goes on:
  // a run killed meanwhile has found nothing yet. While the run holds the
  // lock no other run makes a journal here.
  const std::string stamp = RunStamp(start.started);
  for (unsigned n = 1; n <= kJournalNamesTried; ++n) {
    path_ = folder + JournalName(stamp, start.process_id, n);
    if (!env.FileExists(path_)) break;
  }
  if (!env.FileExists(path_) && Append(env, path_, record)) {
    size_ = record.size();
    writing_ = true;
    return;
  }
  log.Note(std::string(kLogJournalNotKept) + path_);
  path_.clear();
}

void RunJournal::HoldEarlierPages(const EarlierRun& run, int64_t now) {
  const int64_t age = now - run.began;
  if (run.base_url != base_url_ || age < 0 || age > kHeldPageLifetime) return;
  for (const JournalCode& code : run.reached) {
    if (!code.book) continue;
    HeldPage& held = held_[code.key];
    held = {true,          code.candidates, &run.path,
            code.offset,   code.size,       code.page_size,
            code.page_url, run.base_url,    PageSource::kEarlierRun};
  }
}

const HeldPage* RunJournal::Held(const std::string& key) const {
  const auto held = held_.find(key);
  return held == held_.end() ? nullptr : &held->second;
}

bool RunJournal::ReadPage(platform::FileReader& files, const std::string& journal, uint64_t offset,
                          uint64_t size, uint64_t page_size, std::string& bytes) {
  if (size < kRecordHeaderSize + page_size ||
      !files.ReadFilePart(journal, offset, static_cast<size_t>(size), bytes).ok() ||
      bytes.size() != size)
    return false;
  const RecordHeader header = ReadRecordHeader(bytes);
  if (!BodyIsWhole(header, std::string_view(bytes).substr(kRecordHeaderSize))) return false;
  bytes.erase(0, bytes.size() - page_size);
  return true;
}

bool RunJournal::Add(RunEnv& env, std::string_view code, std::string_view key, CodeOutcome outcome,
                     uint64_t candidates, PageSource source, std::string_view page_url,
                     std::string_view page) {
  const bool book = outcome == CodeOutcome::kFound;
  const bool with_page = book && source != PageSource::kThisRun;
  if (book) found_.emplace(key);
  if (outcome == CodeOutcome::kNotOnSite)
    held_[std::string(key)] = {false,     candidates,          nullptr, 0, 0, 0, {},
                               base_url_, PageSource::kThisRun};
  if (!writing_) return false;
  std::string record, body = JournalBody(JournalRecord::kCode);
  PutText(body, code);
  PutText(body, key);
  PutNumber(body, book ? 1 : 0);
  PutNumber(body, candidates);
  PutText(body, page_url);
  PutText(body, with_page ? page : std::string_view());
  FrameRecord(body, record);
  if (!Append(env, path_, record)) {
    writing_ = false;
    return false;
  }
  if (with_page)
    held_[std::string(key)] = {true,
                               candidates,
                               &path_,
                               size_,
                               record.size(),
                               page.size(),
                               std::string(page_url),
                               base_url_,
                               PageSource::kThisRun};
  size_ += record.size();
  return true;
}

bool RunJournal::MarkDelivered(RunEnv& env, const std::string& path) {
  std::string record;
  FrameRecord(JournalBody(JournalRecord::kDelivered), record);
  return Append(env, path, record);
}

}  // namespace kanadeya
