// What the logic reads files through: the page the host downloaded, the
// host's dictionaries, the settings. The logic's floors open no file
// themselves; they are handed a FileReader, which the run's context is (and
// DiskFileReader in platform/disk_file_reader.h, for programs without a run).
//
// A file's stamp is what it looks like from outside: its size, when it was
// last written and which file it is. A reader that keeps a file's contents
// compares the stamp it read them under with the file's stamp now to tell
// whether they may have changed since.
//
// File times have a coarse resolution on some file systems (two seconds on
// FAT, a clock tick elsewhere), so a file written twice within one such step
// keeps its time. Contents read less than kFileTimeSettle after the file's
// last write may therefore not be reused on the strength of the stamp alone.
//
//   FileStamp before, after;
//   files.ReadFileStamp(path, before);   // ... later ...
//   files.ReadFileStamp(path, after);    // before == after: same size, time, file
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_faults.h"

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

class FileReader {
 public:
  // True when `path` names an existing file (a folder is not a file).
  virtual bool FileExists(const std::string& path) = 0;

  // Reads the whole file into `contents`; false when it cannot be read
  // (missing, a folder, no permission, a read error). `contents` is then
  // empty. Its capacity is kept where it suffices, so that a caller reading
  // file after file into one string does not allocate each time.
  virtual bool ReadWholeFile(const std::string& path, std::string& contents) = 0;

  // Reads the file at `path` when it is a regular file of at most `limit`
  // bytes. Anything else (a folder, a device, a pipe) is kNotAFile and is
  // never waited on; a larger file is kTooLarge. `contents` holds the file
  // only for kRead.
  virtual SmallFileRead ReadSmallFile(const std::string& path, size_t limit,
                                      std::string& contents) = 0;

  // Up to `count` bytes of the file from `offset` into `part`; why not when
  // the file cannot be read (not a regular file among those).
  virtual FileFault ReadFilePart(const std::string& path, uint64_t offset, size_t count,
                                 std::string& part) = 0;

  // The size in bytes of the file; false when `path` names no file.
  virtual bool FileSize(const std::string& path, uint64_t& size) = 0;

  // Fills `stamp` for the file at `path`. False when no file is there
  // (missing, a folder in its place) or its stamp cannot be read.
  virtual bool ReadFileStamp(const std::string& path, FileStamp& stamp) = 0;

  // The time now in microseconds since 1970-01-01 UTC, on the clock that
  // file stamps are taken from.
  virtual int64_t FileTimeNow() = 0;

 protected:
  ~FileReader() = default;
};

}  // namespace kanadeya::platform
