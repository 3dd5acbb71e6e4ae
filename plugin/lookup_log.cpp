#include "plugin/lookup_log.h"


#include "platform/files.h"
#include "platform/local_time.h"
#include "plugin/system_texts.h"

namespace kanadeya {

namespace {

// A log past this size is renamed before a run appends to it.
constexpr uint64_t kRollOverBytes = 1024 * 1024;
// Gathered text is appended to the file in pieces of about this size.
constexpr size_t kFlushBytes = 64 * 1024;

std::string_view OutcomeText(CodeOutcome outcome) {
  switch (outcome) {
    case CodeOutcome::kLineWritten:
      return kLogLineWritten;
    case CodeOutcome::kNoSearchKey:
      return kLogNoSearchKey;
    case CodeOutcome::kSearchNotDownloaded:
      return kLogSearchNotDownloaded;
    case CodeOutcome::kNoDetailLink:
      return kLogNoDetailLink;
    case CodeOutcome::kDetailNotDownloaded:
      return kLogDetailNotDownloaded;
    case CodeOutcome::kDetailNotReadable:
      return kLogDetailNotReadable;
    case CodeOutcome::kNoConnection:
      return kLogNoConnection;
  }
  return {};
}

std::string Count(size_t n) { return std::to_string(n) + std::string(kLogCountSuffix); }

}  // namespace

LookupLog::LookupLog(std::string path) : path_(std::move(path)) {}

LookupLog::~LookupLog() {
  if (!enabled()) return;
  try {
    if (!finished_) {
      Field(kLogEnd);
      Field(kLogRunFailed);
      EndLine();
    }
    Flush();
  } catch (...) {
  }
}

void LookupLog::Start(std::string_view site_base_url, size_t code_count) {
  if (!enabled()) return;
  Field(platform::LocalDateTime());
  Field(std::string(kLogPluginName) + std::string(kVersionText));
  Field(std::string(kLogSiteLabel) + std::string(site_base_url));
  Field(std::string(kLogCodesLabel) + Count(code_count));
  EndLine();
}

void LookupLog::Code(size_t position, std::string_view code, std::string_view key,
                     CodeOutcome outcome, std::string_view title) {
  if (!enabled()) return;
  Field(std::to_string(position));
  Field(code);
  Field(key);
  Field(OutcomeText(outcome));
  if (outcome == CodeOutcome::kLineWritten) Field(title);
  EndLine();
}

void LookupLog::PagesMayHaveChanged(size_t position) {
  if (!enabled()) return;
  Field(std::to_string(position));
  Field(kLogPagesMayHaveChanged);
  EndLine();
}

void LookupLog::Stopped(size_t position) {
  if (!enabled()) return;
  Field(std::to_string(position));
  Field(kLogStopped);
  EndLine();
}

void LookupLog::Finish(size_t searched, size_t written, std::string_view output_path,
                       bool output_written) {
  if (!enabled()) return;
  finished_ = true;
  Field(kLogEnd);
  Field(std::string(kLogSearchedLabel) + Count(searched));
  Field(std::string(kLogWrittenLabel) + Count(written));
  if (output_path.empty()) {
    Field(kLogNoOutputFile);
  } else if (!output_written) {
    Field(std::string(kOutputNotWrittenMessage) + std::string(output_path));
  } else {
    Field(output_path);
  }
  EndLine();
  Flush();
}

// A tab before every field but a line's first; control bytes as \xNN (a
// byte below 0x20 or 0x7F is never part of a double-byte character).
void LookupLog::Field(std::string_view text) {
  if (!pending_.empty() && pending_.back() != '\n') pending_ += '\t';
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      pending_ += "\\x";
      pending_ += kHex[b >> 4];
      pending_ += kHex[b & 0xF];
    } else {
      pending_ += c;
    }
  }
}

void LookupLog::EndLine() {
  pending_ += "\r\n";
  if (pending_.size() >= kFlushBytes) Flush();
}

void LookupLog::Flush() {
  if (pending_.empty() || path_.empty()) return;
  if (!started_) {
    started_ = true;
    uint64_t size = 0;
    if (platform::FileSize(path_, size) && size > kRollOverBytes)
      platform::RenameFileReplacing(path_, path_ + ".old");
  }
  // A log that cannot be written is given up: nothing more is tried.
  if (!platform::AppendToFile(path_, pending_)) path_.clear();
  pending_.clear();
}

}  // namespace kanadeya
