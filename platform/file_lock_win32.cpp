#include <windows.h>

#include "platform/file_lock.h"

namespace kanadeya::platform {

namespace {
bool SameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION first{}, second{};
  return ::GetFileInformationByHandle(a, &first) && ::GetFileInformationByHandle(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

// Why the lock file at `path` could not be opened with `error`.
LockResult OpenFault(DWORD error, const std::string& path) {
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return LockResult::kHeld;
  if (error != ERROR_ACCESS_DENIED) return LockResult::kCannotMake;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return LockResult::kFolder;
  return LockResult::kDenied;
}

}  // namespace

void FileLock::Release() {
  if (handle_ == kNone) return;
  const HANDLE file = reinterpret_cast<HANDLE>(handle_);
  // What the lock recorded goes with it.
  LARGE_INTEGER start{};
  if (::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) ::SetEndOfFile(file);
  // Closing the handle lets go of its locks.
  ::CloseHandle(file);
  handle_ = kNone;
}

LockResult FileLock::Take(const std::string& path) {
  Release();
  constexpr DWORD kSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  for (int attempt = 0; attempt < 10; ++attempt) {
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, kSharing, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return OpenFault(::GetLastError(), path);
    OVERLAPPED first{};
    if (!::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &first)) {
      ::CloseHandle(file);
      return LockResult::kInUse;
    }
    // Opened again for its attributes alone, to see that the name still
    // leads to the file locked.
    const HANDLE standing = ::CreateFileA(path.c_str(), 0, kSharing, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool same = standing != INVALID_HANDLE_VALUE && SameFile(file, standing);
    if (standing != INVALID_HANDLE_VALUE) ::CloseHandle(standing);
    if (same) {
      handle_ = reinterpret_cast<intptr_t>(file);
      return LockResult::kLocked;
    }
    ::CloseHandle(file);
  }
  return LockResult::kInUse;
}

bool FileLock::Record(std::string_view text) {
  if (handle_ == kNone) return false;
  const HANDLE file = reinterpret_cast<HANDLE>(handle_);
  LARGE_INTEGER past{};
  past.QuadPart = 1;
  DWORD written = 0;
  return ::SetFilePointerEx(file, past, nullptr, FILE_BEGIN) &&
         ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size() && ::SetEndOfFile(file);
}

}  // namespace kanadeya::platform
