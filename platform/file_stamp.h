// A file's stamp (platform/file_reader.h) as the disk gives it, and the
// clock that file times are taken from.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_reader.h"

namespace kanadeya::platform {

// Fills `stamp` for the file at `path`. False when no file is there (missing,
// a folder in its place) or its stamp cannot be read.
bool ReadFileStamp(const std::string& path, FileStamp& stamp);

// The current time in microseconds since 1970-01-01 UTC, on the clock that
// file times are taken from.
int64_t CurrentFileTime();

}  // namespace kanadeya::platform
