#include "plugin/lookup_log.h"

#include <cstdint>

#include "platform/files.h"
#include "plugin/system_texts.h"

namespace kanadeya {

namespace {

// A log past this size is renamed before a run appends to it.
constexpr uint64_t kRollOverBytes = 1024 * 1024;

// "YYYY-MM-DD HH:MM:SS\tkanadeya ": 0 stands for a digit.
constexpr std::string_view kHeaderPattern = "0000-00-00 00:00:00\tkanadeya ";

std::string_view OutcomeText(CodeOutcome outcome) {
  switch (outcome) {
    case CodeOutcome::kFound:
      return kLogFound;
    case CodeOutcome::kInvalidCode:
      return kLogInvalidCode;
    case CodeOutcome::kSearchNotDownloaded:
    case CodeOutcome::kDetailNotDownloaded:
      return kLogNoAnswer;
    case CodeOutcome::kNotOnSite:
      return kLogNotOnSite;
    case CodeOutcome::kDetailNotReadable:
      return kLogUnreadablePage;
    case CodeOutcome::kPageFileInTheWay:
      return kLogPageFileInTheWay;
    case CodeOutcome::kNoConnection:
      return kLogNoConnection;
  }
  return {};
}

std::string Count(std::string_view label, size_t n) {
  return std::string(label) + std::to_string(n) + std::string(kLogCountSuffix);
}

}  // namespace

bool IsLogHeader(std::string_view head) {
  if (head.size() < kHeaderPattern.size()) return false;
  for (size_t i = 0; i < kHeaderPattern.size(); ++i) {
    const bool digit = head[i] >= '0' && head[i] <= '9';
    if (kHeaderPattern[i] == '0' ? !digit : head[i] != kHeaderPattern[i]) return false;
  }
  return true;
}

LookupLog::~LookupLog() {
  if (!enabled() || !started_ || finished_) return;
  try {
    TaggedLine();
    Field(kLogEnd);
    Field(kLogRunFailed);
    EndLine();
  } catch (...) {
  }
}

bool LookupLog::Open(const std::string& path) {
  path_.clear();
  std::string head;
  if (platform::ReadFilePart(path, 0, kHeaderPattern.size(), head)) {
    if (!head.empty() && !IsLogHeader(head)) return false;
    // A read-only log is the user's to keep as it is.
    if (platform::IsReadOnlyFile(path)) return true;
    uint64_t size = 0;
    platform::FileSize(path, size);
    // A log that another program holds open may not be renamed: it then
    // grows on until a later run can roll it over.
    const bool rolled_over =
        size > kRollOverBytes && platform::RollOverIfLarger(path, path + ".old", kRollOverBytes);
    // Measured again: another host may have rolled it over meanwhile.
    if (!rolled_over && platform::FileSize(path, size) && size > 0) {
      std::string end;
      needs_break_ =
          platform::ReadFilePart(path, size - 1, 1, end) && end.size() == 1 && end != "\n";
    }
  }
  path_ = path;
  return true;
}

void LookupLog::Start(std::string_view date_time, unsigned process_id,
                      std::string_view site_base_url, size_t code_count) {
  if (!enabled()) return;
  started_ = true;
  tag_ = std::string(date_time.substr(11)) + "/" + std::to_string(process_id);
  Field(date_time);
  Field(std::string(kLogPluginName) + std::string(kVersionText));
  Field(std::string(kLogRunLabel) + tag_);
  Field(std::string(kLogSiteLabel) + std::string(site_base_url));
  Field(Count(kLogCodesLabel, code_count));
  EndLine();
}

void LookupLog::Refused(std::string_view reason) {
  if (!enabled()) return;
  finished_ = true;
  TaggedLine();
  Field(kLogEnd);
  Field(reason);
  EndLine();
}

void LookupLog::Code(size_t position, std::string_view code, std::string_view key,
                     CodeOutcome outcome, std::string_view detail, bool pages_changed) {
  if (!enabled()) return;
  TaggedLine();
  Field(std::to_string(position));
  Field(code);
  Field(key);
  Field(OutcomeText(outcome));
  if (outcome != CodeOutcome::kInvalidCode && outcome != CodeOutcome::kNotOnSite &&
      outcome != CodeOutcome::kDetailNotReadable)
    Field(detail);
  if (pages_changed) {
    line_ += "\r\n";
    TaggedLine();
    Field(std::to_string(position));
    Field(kLogPagesMayHaveChanged);
  }
  EndLine();
}

void LookupLog::Stopped(size_t position) {
  if (!enabled()) return;
  TaggedLine();
  Field(std::to_string(position));
  Field(kLogStopped);
  EndLine();
}

void LookupLog::Finish(const RunSummary& summary) {
  if (!enabled()) return;
  finished_ = true;
  TaggedLine();
  Field(kLogEnd);
  Field(Count(kLogCodesLabel, summary.codes));
  Field(Count(kLogFoundLabel, summary.found));
  Field(Count(kLogWrittenLabel, summary.written));
  switch (summary.end) {
    case RunSummary::End::kWritten:
      Field(summary.output_path);
      break;
    case RunSummary::End::kNoConnection:
      Field(std::string(kLogNotWrittenNoConnection) + std::to_string(summary.failed_at) +
            std::string(kLogNotWrittenNoConnectionEnd));
      break;
    case RunSummary::End::kOutputNotWritten:
      Field(kLogNotWrittenOutput);
      Field(summary.output_path);
      break;
  }
  if (summary.old_output_stands) Field(kLogOldImportFileStands);
  EndLine();
}

void LookupLog::TaggedLine() { Field(tag_); }

// A tab before every field but a line's first; control bytes as \xNN (a
// byte below 0x20 or 0x7F is never part of a double-byte character).
void LookupLog::Field(std::string_view text) {
  if (!line_.empty() && line_.back() != '\n') line_ += '\t';
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      line_ += "\\x";
      line_ += kHex[b >> 4];
      line_ += kHex[b & 0xF];
    } else {
      line_ += c;
    }
  }
}

// Appends the line (or the code's lines) at once. A log that cannot be
// written is given up: nothing more is tried.
void LookupLog::EndLine() {
  line_ += "\r\n";
  if (needs_break_) line_.insert(0, "\r\n");
  needs_break_ = false;
  if (!platform::AppendToFile(path_, line_)) path_.clear();
  line_.clear();
}

}  // namespace kanadeya
