// Whole-file access and paths. Paths are byte strings in the system's ANSI
// code page (code page 932 on Win32, bytes as given on POSIX).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_reader.h"
#include "platform/paths.h"

namespace kanadeya::platform {

// True when `path` names an existing file (a folder is not a file).
bool FileExists(const std::string& path);

// True when `path` names an existing folder ("C:\\" and "/" among them).
bool FolderExists(const std::string& path);

// Deletes the file; false when it could not be deleted.
bool DeleteFileAt(const std::string& path);

// Deletes the file at `path` and tells whether anything still stands there:
// kNone also when nothing stood there to begin with.
RemoveFault RemoveFile(const std::string& path);

// Makes a new file at `path` holding `contents` and has the system put it on
// the disk before it returns. Never opens what already stands at `path`, a
// file or a link (kExists). On any other fault nothing of it is left.
FileFault WriteNewFileDurably(const std::string& path, std::string_view contents);

// Empties the existing regular file at `path` (natively never through a
// link); why not when it cannot be emptied.
FileFault EmptyFile(const std::string& path);

// Removes what stands at `path`, a link itself and never the file it points
// to; why something still stands there, kNone also when nothing stood
// there. `scratch`, a name that is
// free in the same folder, is used on Win32 alone: Wine shows a link as the
// file it points to and deletes that file in its place, while renaming a
// file onto a link replaces the link. So an empty file made at `scratch` is
// renamed over `path`, and then deleted.
RemoveFault RemoveEntry(const std::string& path, const std::string& scratch);

// The names in `folder` (with a trailing separator) that begin with
// `prefix`, folders left out, in no particular order.
std::vector<std::string> NamesStartingWith(const std::string& folder, std::string_view prefix);

// Renames the regular file at `path` to `to` (replacing a file of that name)
// when it is larger than `limit` bytes; true when it was renamed. The file is
// locked and then checked to be the one that stands at `path`, so that of
// several processes doing this at once only one renames the file it
// measured: a file that another has just renamed is never measured, and the
// small file that took its place never renamed. On Win32 the lock is the one
// that AppendToFile takes. A lock that another program holds is waited for
// about a second at most; then nothing is renamed.
bool RollOverIfLarger(const std::string& path, const std::string& to, uint64_t limit);

// Reads the whole file into `contents`; false when it cannot be read
// (missing, a folder, no permission, a read error). `contents` is then empty.
bool ReadWholeFile(const std::string& path, std::string& contents);

// Creates or replaces the file with `contents`; false on any failure.
bool WriteWholeFile(const std::string& path, std::string_view contents);

// Appends `contents` to the regular file at `path`, creating it when it is
// missing, in one write that other processes appending to the same file
// cannot split; why not on any failure (not a regular file, a missing
// folder, no permission, a write error). Other programs may hold the file open
// meanwhile: on Win32 it is opened with read and write sharing, a file
// locked by another process is tried again for up to half a second, and the
// appenders' turn (a lock that keeps two hosts' lines apart) is waited for
// about a second at most, after which nothing is written.
FileFault AppendToFile(const std::string& path, std::string_view contents);

// Up to `count` bytes of the file from `offset` into `part`; false when the
// file cannot be read (not a regular file among those).
FileFault ReadFilePart(const std::string& path, uint64_t offset, size_t count, std::string& part);

// Reads the file at `path` when it is a regular file of at most `limit`
// bytes. Anything else (a folder, a device, a pipe) is kNotAFile and is
// never waited on; a larger file is kTooLarge. `contents` holds the file
// only for kRead.
SmallFileRead ReadSmallFile(const std::string& path, size_t limit, std::string& contents);

// True when the file at `path` exists and may not be written: on Win32 its
// read-only attribute; on POSIX no write permission for anyone, or none for
// this process.
bool IsReadOnlyFile(const std::string& path);

// True when `a` and `b` name the same file: the same full path (on Win32
// compared without regard to ASCII case), or, when both exist, one file
// reached by two names.
bool SameFile(const std::string& a, const std::string& b);

// The size in bytes of the file; false when `path` names no file.
bool FileSize(const std::string& path, uint64_t& size);

// Renames the file `from` to `to`, replacing a file of that name; why not
// on failure.
FileFault RenameFileReplacing(const std::string& from, const std::string& to);

// Renames the file `from` to `to` only where nothing stands at `to`
// (kExists otherwise), in one step: two processes never both take a name.
FileFault RenameFileIfFree(const std::string& from, const std::string& to);

// The folder of the running program's executable, with a trailing separator.
std::string ExecutableDirectory();

// The folder of the module that holds this code, with a trailing separator:
// the plug-in's own file (kanadeya.dll, libkanadeya.so) when the code runs
// as the plug-in, the executable when it is linked into a program.
std::string ModuleDirectory();

// The full path of the module that holds this code (see ModuleDirectory).
std::string ModulePath();

}  // namespace kanadeya::platform
