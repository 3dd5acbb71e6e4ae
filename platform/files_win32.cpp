#include <windows.h>

#include <algorithm>

#include "platform/files.h"

namespace kanadeya::platform {

namespace {
struct Handle {
  HANDLE h;
  explicit Handle(HANDLE handle) : h(handle) {}
  ~Handle() {
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
};

bool WriteAll(HANDLE file, std::string_view contents) {
  size_t done = 0;
  while (done < contents.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(contents.size() - done, 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(file, contents.data() + done, chunk, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}
}  // namespace

bool FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool DeleteFileAt(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

namespace {
// True when nothing stands at `path`; false also when it cannot be told.
bool NothingAt(const std::string& path) {
  if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = ::GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
}  // namespace

// A file that another program opened with delete sharing is only marked
// for deletion: it stands (and cannot be opened) until that program closes
// it, so what stands afterwards is looked at again.
// Why `path` still stands after a call that failed with `error`.
RemoveFault FaultOf(DWORD error, const std::string& path) {
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return RemoveFault::kInUse;
  if (error == ERROR_ACCESS_DENIED)
    return IsFolder(path) ? RemoveFault::kFolder : RemoveFault::kDenied;
  return IsFolder(path) ? RemoveFault::kFolder : RemoveFault::kOther;
}

RemoveFault RemoveFile(const std::string& path) {
  if (!::DeleteFileA(path.c_str())) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return FaultOf(error, path);
  }
  if (NothingAt(path)) return RemoveFault::kNone;
  return IsFolder(path) ? RemoveFault::kFolder : RemoveFault::kStillThere;
}

// CREATE_NEW fails for anything that stands at `path`, a link among them
// (which Wine otherwise shows as the file it points to).
namespace {

// The fault that `error` (GetLastError's) tells of, for `path`.
FileFault FileFaultOf(DWORD error, const std::string& path) {
  FileFault fault{FileFault::kOther, static_cast<uint32_t>(error)};
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      fault.kind = FileFault::kExists;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      fault.kind = FileFault::kFull;
      break;
    case ERROR_ACCESS_DENIED:
      fault.kind = IsFolder(path) ? FileFault::kInTheWay : FileFault::kDenied;
      break;
    case ERROR_WRITE_PROTECT:
      fault.kind = FileFault::kDenied;
      break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      fault.kind = FileFault::kHeld;
      break;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
      fault.kind = FileFault::kFolderMissing;
      break;
    case ERROR_FILENAME_EXCED_RANGE:
      fault.kind = FileFault::kNameTooLong;
      break;
    case ERROR_DIRECTORY:
      fault.kind = FileFault::kInTheWay;
      break;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      fault.kind = FileFault::kOutOfMemory;
      break;
    default:
      break;
  }
  return fault;
}

// A file that is no file on a disk stands in the way.
constexpr FileFault kNotAFile{FileFault::kInTheWay, 0};

}  // namespace

FileFault WriteNewFileDurably(const std::string& path, std::string_view contents) {
  HANDLE opened = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return FileFaultOf(::GetLastError(), path);
  FileFault fault;
  {
    Handle file(opened);
    if (!WriteAll(file.h, contents) || ::FlushFileBuffers(file.h) == 0)
      fault = FileFaultOf(::GetLastError(), path);
  }
  if (fault.ok()) return fault;
  ::DeleteFileA(path.c_str());
  return fault;
}

FileFault EmptyFile(const std::string& path) {
  Handle file(::CreateFileA(path.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.h == INVALID_HANDLE_VALUE) return FileFaultOf(::GetLastError(), path);
  return ::GetFileType(file.h) == FILE_TYPE_DISK ? FileFault{} : kNotAFile;
}

RemoveFault RemoveEntry(const std::string& path, const std::string& scratch) {
  if (NothingAt(path)) return RemoveFault::kNone;
  if (IsFolder(path)) return RemoveFault::kFolder;
  if (!WriteNewFileDurably(scratch, {}).ok()) return RemoveFault::kOther;
  if (!::MoveFileExA(scratch.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD error = ::GetLastError();
    ::DeleteFileA(scratch.c_str());
    return FaultOf(error, path);
  }
  // The file that stands at `path` now is the empty one just made.
  return RemoveFile(path);
}

// FindFirstFileA matches a pattern against short names too, so each long
// name is compared again.
std::vector<std::string> NamesStartingWith(const std::string& folder, std::string_view prefix) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  const HANDLE search = ::FindFirstFileA((folder + std::string(prefix) + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string_view name = found.cFileName;
    if (name.substr(0, prefix.size()) == prefix &&
        (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      names.emplace_back(name);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return names;
}

bool ReadWholeFile(const std::string& path, std::string& contents) {
  contents.clear();
  Handle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  if (::GetFileSizeEx(file.h, &size) && size.QuadPart > 0 && size.QuadPart < 0x7FFFFFFF)
    contents.reserve(static_cast<size_t>(size.QuadPart));
  char buffer[1 << 16];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.h, buffer, sizeof buffer, &got, nullptr)) {
      contents.clear();
      contents.shrink_to_fit();
      return false;
    }
    if (got == 0) break;
    contents.append(buffer, got);
  }
  return true;
}

bool WriteWholeFile(const std::string& path, std::string_view contents) {
  Handle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.h == INVALID_HANDLE_VALUE) return false;
  return WriteAll(file.h, contents);
}

namespace {
// The byte whose exclusive lock appenders and roll-overs take turns by: far
// past any log's end, where no reader looks.
OVERLAPPED AppendersTurn() {
  OVERLAPPED turn{};
  turn.Offset = 0;
  turn.OffsetHigh = 0x7FFFFFFF;
  return turn;
}

// Takes the appenders' turn, waiting about a second at most: a program that
// holds the byte longer (another host stuck, a tool that locked the whole
// file) must not hold the run up.
bool TakeAppendersTurn(HANDLE file, OVERLAPPED& turn) {
  for (int attempt = 0;; ++attempt) {
    if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &turn))
      return true;
    if (attempt == 20) return false;
    ::Sleep(50);
  }
}
}  // namespace

FileFault AppendToFile(const std::string& path, std::string_view contents) {
  // FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the end of
  // the file. Read and write sharing let another host (or an editor) hold
  // the file meanwhile; a file locked by another process for a moment is
  // waited out. GENERIC_READ lets the handle take the lock below.
  HANDLE opened = INVALID_HANDLE_VALUE;
  for (int attempt = 0;; ++attempt) {
    opened = ::CreateFileA(path.c_str(), FILE_APPEND_DATA | GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened != INVALID_HANDLE_VALUE) break;
    const DWORD error = ::GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) || attempt == 10)
      return FileFaultOf(error, path);
    ::Sleep(50);
  }
  Handle file(opened);
  if (::GetFileType(file.h) != FILE_TYPE_DISK) return kNotAFile;
  if (contents.size() > 0x7FFFFFFF) return {FileFault::kOther, 0};
  // Appenders that take turns: an exclusive lock on one byte far past any
  // log's end, which no reader touches, held for the write alone. (Windows
  // itself appends atomically; Wine finds the end and writes in two steps,
  // so that two hosts could write at the same offset.) A turn that does not
  // come within about a second leaves the line unwritten.
  OVERLAPPED turn = AppendersTurn();
  if (!TakeAppendersTurn(file.h, turn)) return {FileFault::kHeld, ERROR_LOCK_VIOLATION};
  // One WriteFile call, so that no other appender's line can come between
  // its pieces.
  DWORD written = 0;
  const bool whole = ::WriteFile(file.h, contents.data(), static_cast<DWORD>(contents.size()),
                                 &written, nullptr) &&
                     written == contents.size();
  const FileFault fault = whole ? FileFault{} : FileFaultOf(::GetLastError(), path);
  ::UnlockFileEx(file.h, 0, 1, 0, &turn);
  return fault;
}

namespace {
// Opens an existing regular file for reading, without waiting on a device
// or pipe; INVALID_HANDLE_VALUE otherwise, the reason in `kind`.
HANDLE OpenRegularFile(const std::string& path, SmallFileRead& kind) {
  // A device has no attributes (Wine answers ERROR_INVALID_PARAMETER): it is
  // opened and told by its type.
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      kind = SmallFileRead::kMissing;
      return INVALID_HANDLE_VALUE;
    }
  } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    kind = SmallFileRead::kNotAFile;
    return INVALID_HANDLE_VALUE;
  }
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    kind = SmallFileRead::kUnreadable;
    return file;
  }
  if (::GetFileType(file) != FILE_TYPE_DISK) {
    ::CloseHandle(file);
    kind = SmallFileRead::kNotAFile;
    return INVALID_HANDLE_VALUE;
  }
  kind = SmallFileRead::kRead;
  return file;
}

// Reads up to `count` bytes from the file's current position.
bool ReadUpTo(HANDLE file, size_t count, std::string& part) {
  part.resize(count);
  size_t have = 0;
  while (have < count) {
    DWORD got = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - have, 1u << 20));
    if (!::ReadFile(file, part.data() + have, chunk, &got, nullptr)) {
      part.clear();
      return false;
    }
    if (got == 0) break;
    have += got;
  }
  part.resize(have);
  return true;
}
}  // namespace

FileFault ReadFilePart(const std::string& path, uint64_t offset, size_t count, std::string& part) {
  part.clear();
  SmallFileRead kind;
  Handle file(OpenRegularFile(path, kind));
  if (file.h == INVALID_HANDLE_VALUE) {
    if (kind == SmallFileRead::kMissing) return {FileFault::kMissing, ERROR_FILE_NOT_FOUND};
    if (kind == SmallFileRead::kNotAFile) return kNotAFile;
    return FileFaultOf(::GetLastError(), path);
  }
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(file.h, at, nullptr, FILE_BEGIN) || !ReadUpTo(file.h, count, part))
    return FileFaultOf(::GetLastError(), path);
  return {};
}

SmallFileRead ReadSmallFile(const std::string& path, size_t limit, std::string& contents) {
  contents.clear();
  SmallFileRead kind;
  Handle file(OpenRegularFile(path, kind));
  if (file.h == INVALID_HANDLE_VALUE) return kind;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.h, &size)) return SmallFileRead::kUnreadable;
  if (static_cast<uint64_t>(size.QuadPart) > limit) return SmallFileRead::kTooLarge;
  std::string part;
  if (!ReadUpTo(file.h, limit + 1, part)) return SmallFileRead::kUnreadable;
  if (part.size() > limit) return SmallFileRead::kTooLarge;
  contents = std::move(part);
  return SmallFileRead::kRead;
}

bool IsReadOnlyFile(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

namespace {
std::string FullPath(const std::string& path) {
  char buffer[MAX_PATH * 2];
  const DWORD n = ::GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
  return n > 0 && n < sizeof buffer ? std::string(buffer, n) : path;
}

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
  Handle file(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return file.h != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(file.h, &info);
}
}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  if (SameIgnoringAsciiCase(FullPath(a), FullPath(b))) return true;
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  return FileIdentity(a, ia) && FileIdentity(b, ib) &&
         ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

bool FileSize(const std::string& path, uint64_t& size) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return false;
  size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

// MoveFileExA without MOVEFILE_REPLACE_EXISTING fails where the name is
// taken.
FileFault RenameFileIfFree(const std::string& from, const std::string& to) {
  if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return {};
  return FileFaultOf(::GetLastError(), to);
}

FileFault RenameFileReplacing(const std::string& from, const std::string& to) {
  if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return {};
  return FileFaultOf(::GetLastError(), to);
}

// The file is opened with delete sharing, so that it can be renamed while
// this handle holds the lock; an appender that holds it open meanwhile (it
// does not share delete) makes the rename fail, and the log grows on.
bool RollOverIfLarger(const std::string& path, const std::string& to, uint64_t limit) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    Handle file(::CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.h == INVALID_HANDLE_VALUE || ::GetFileType(file.h) != FILE_TYPE_DISK) return false;
    OVERLAPPED turn = AppendersTurn();
    if (!TakeAppendersTurn(file.h, turn)) return false;
    BY_HANDLE_FILE_INFORMATION locked{}, standing{};
    const bool same = ::GetFileInformationByHandle(file.h, &locked) &&
                      FileIdentity(path, standing) &&
                      locked.dwVolumeSerialNumber == standing.dwVolumeSerialNumber &&
                      locked.nFileIndexHigh == standing.nFileIndexHigh &&
                      locked.nFileIndexLow == standing.nFileIndexLow;
    LARGE_INTEGER size{};
    const bool rolled = same && ::GetFileSizeEx(file.h, &size) &&
                        static_cast<uint64_t>(size.QuadPart) > limit &&
                        RenameFileReplacing(path, to).ok();
    ::UnlockFileEx(file.h, 0, 1, 0, &turn);
    if (same) return rolled;
  }
  return false;
}

namespace {
// The full path of a module's file.
std::string PathOfModule(HMODULE module) {
  std::string buffer(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  return buffer;
}

// The folder of a module's file, with a trailing separator.
std::string FolderOfModule(HMODULE module) {
  const std::string buffer = PathOfModule(module);
  return buffer.empty() ? ".\\" : FolderOf(buffer);
}
}  // namespace

std::string ExecutableDirectory() { return FolderOfModule(nullptr); }

namespace {
// The module that holds this code; null (the executable) when it is not known.
HMODULE ThisModule() {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&ThisModule), &module))
    return nullptr;
  return module;
}
}  // namespace

std::string ModulePath() { return PathOfModule(ThisModule()); }

std::string ModuleDirectory() { return FolderOfModule(ThisModule()); }

}  // namespace kanadeya::platform
