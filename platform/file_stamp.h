// What a file looks like from outside: its size, when it was last written
// and which file it is. A reader that keeps a file's contents compares the
// stamp it read them under with the file's stamp now to tell whether they may
// have changed since.
//
// File times have a coarse resolution on some file systems (two seconds on
// FAT, a clock tick elsewhere), so a file written twice within one such step
// keeps its time. Contents read less than kFileTimeSettle after the file's
// last write may therefore not be reused on the strength of the stamp alone.
//
//   FileStamp before, after;
//   ReadFileStamp(path, before);   // ... later ...
//   ReadFileStamp(path, after);    // before == after: same size, time, file
#pragma once

#include <cstdint>
#include <string>

namespace kanadeya::platform {

struct FileStamp {
  uint64_t size = 0;
  int64_t modified = 0;  // microseconds since 1970-01-01 UTC
  uint64_t volume = 0;   // the file's device / volume serial number
  uint64_t file = 0;     // the file's number on that volume (inode, file index)
  bool operator==(const FileStamp&) const = default;
};

// How long after its last write a file's stamp is trusted: in microseconds.
inline constexpr int64_t kFileTimeSettle = 3'000'000;

// Fills `stamp` for the file at `path`. False when no file is there (missing,
// a folder in its place) or its stamp cannot be read.
bool ReadFileStamp(const std::string& path, FileStamp& stamp);

// The current time in microseconds since 1970-01-01 UTC, on the clock that
// file times are taken from.
int64_t CurrentFileTime();

}  // namespace kanadeya::platform
