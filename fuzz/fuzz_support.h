// What the fuzz targets share: an invariant check that aborts with a message,
// a scratch folder of this process for the files a target writes, and the
// check of output lines as the host's importer reads them.
//
// The targets are built by the `fuzz` preset (clang, libFuzzer, AddressSanitizer
// and UndefinedBehaviorSanitizer) and run on Linux only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kanadeya::fuzz {

// Aborts the process when `condition` is false, after writing `what` (and
// `detail`, shown as hex when it is not plain ASCII) to the standard error the
// process started with, which libFuzzer's -close_fd_mask=2 leaves open.
void Check(bool condition, std::string_view what, std::string_view detail = {});

// The folder of this process for scratch files, under the system's temporary
// folder, with a trailing "/". Made on first use; removed with its files when
// the process exits normally.
const std::string& ScratchFolder();

// Creates or replaces the file; aborts when it cannot be written.
void WriteFile(const std::string& path, std::string_view contents);

// Removes the file if it is there.
void RemoveFile(const std::string& path);

// Writes the file when `present`, removes it otherwise.
void PlaceFile(const std::string& path, bool present, std::string_view contents);

// Gives the file a last-write time an hour back, one microsecond later at
// every call, so that no two calls give the same time: a reader that keeps a
// file's text while its time stays may keep it, and must read it again after
// the next call.
void MakeOld(const std::string& path);

// Checks a whole output file: every line ends in CR LF, reads as 68 columns
// byte-wise and by Shift_JIS characters, holds no CR LF inside an item, and
// (when `strict`) holds no CR or LF byte outside double quotes other than its
// line end. Aborts on the first violation; returns the number of lines.
size_t CheckOutputFile(std::string_view contents, bool strict);

}  // namespace kanadeya::fuzz
