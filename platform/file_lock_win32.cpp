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
}  // namespace

void FileLock::Release() {
  if (handle_ == kNone) return;
  // Closing the handle lets go of its locks.
  ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = kNone;
}

LockResult FileLock::Take(const std::string& path) {
  Release();
  constexpr DWORD kSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  for (int attempt = 0; attempt < 10; ++attempt) {
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, kSharing, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD error = ::GetLastError();
      return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION
                 ? LockResult::kInUse
                 : LockResult::kCannotMake;
    }
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

}  // namespace kanadeya::platform
