#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "tests/support/csv.h"

namespace kanadeya::fuzz {

namespace {

// The standard error of the process, taken before libFuzzer's main can close
// it: static initialisation runs first.
const int kReportFd = ::dup(2);

void Report(std::string_view text) {
  const int fd = kReportFd >= 0 ? kReportFd : 2;
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n <= 0) return;
    text.remove_prefix(static_cast<size_t>(n));
  }
}

std::string Printable(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F && b != '\\') {
      out += c;
    } else {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    }
  }
  return out;
}

struct Scratch {
  std::string path;
  Scratch() {
    // Memory-backed when the system has it: a target writes its files for
    // every input.
    std::error_code error;
    std::string base = "/dev/shm";
    if (!std::filesystem::is_directory(base, error) || ::access(base.c_str(), W_OK) != 0) {
      const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
      base = error ? std::string("/tmp") : temp.string();
    }
    std::string pattern = base + "/kanadeya-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      Report("fuzz: cannot make a scratch folder\n");
      std::abort();
    }
    path = pattern + "/";
  }
  ~Scratch() {
    std::error_code error;
    std::filesystem::remove_all(path, error);
  }
};

// One line without its CR LF, read both ways.
void CheckLine(std::string_view line, bool strict, size_t number) {
  const std::string where = "output line " + std::to_string(number);
  const auto sjis = test::SplitCsvLineSjis(line);
  Check(sjis.has_value() && sjis->size() == 68,
        where + " does not read as 68 columns by Shift_JIS characters", line);
  const std::vector<std::string> columns = test::SplitCsvLine(line);
  Check(columns.size() == 68, where + " does not read as 68 columns byte-wise", line);
  for (const std::string& item : columns)
    Check(item.find("\r\n") == std::string::npos, where + " holds a CR LF inside an item", item);
  if (!strict) return;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    Check(quoted || (c != '\r' && c != '\n'), where + " holds a CR or LF outside quotes", line);
  }
}

}  // namespace

void Check(bool condition, std::string_view what, std::string_view detail) {
  if (condition) return;
  std::string text = "fuzz invariant violated: " + std::string(what) + "\n";
  if (!detail.empty()) text += "  bytes: " + Printable(detail) + "\n";
  Report(text);
  std::abort();
}

const std::string& ScratchFolder() {
  static const Scratch scratch;
  return scratch.path;
}

void WriteFile(const std::string& path, std::string_view contents) {
  // A new file rather than a truncated one: a file system may flush a file
  // that is truncated and written again at once, for every input.
  RemoveFile(path);
  Check(platform::WriteWholeFile(path, contents), "cannot write a scratch file", path);
}

void RemoveFile(const std::string& path) {
  std::error_code error;
  std::filesystem::remove(path, error);
}

void PlaceFile(const std::string& path, bool present, std::string_view contents) {
  if (present)
    WriteFile(path, contents);
  else
    RemoveFile(path);
}

void MakeOld(const std::string& path) {
  static const auto base = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
  static int64_t calls = 0;
  std::error_code error;
  std::filesystem::last_write_time(path, base + std::chrono::microseconds(++calls), error);
}

size_t CheckOutputFile(std::string_view contents, bool strict) {
  // The test support's reader of whole files first: it finds the lines.
  Check(test::CheckOutputFile(contents).empty(), test::CheckOutputFile(contents), contents);
  size_t start = 0;
  size_t number = 0;
  while (start < contents.size()) {
    ++number;
    bool quoted = false;
    size_t end = start;
    while (!(!quoted && contents[end] == '\r' && contents[end + 1] == '\n')) {
      if (contents[end] == '"') quoted = !quoted;
      ++end;
    }
    CheckLine(contents.substr(start, end - start), strict, number);
    start = end + 2;
  }
  return number;
}

}  // namespace kanadeya::fuzz
