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

bool DeleteFileAt(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

bool ReadWholeFile(const std::string& path, std::string& contents) {
  contents.clear();
  Handle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
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

bool AppendToFile(const std::string& path, std::string_view contents) {
  // FILE_APPEND_DATA alone: every write goes to the end of the file.
  Handle file(::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.h == INVALID_HANDLE_VALUE) return false;
  return WriteAll(file.h, contents);
}

bool FileSize(const std::string& path, uint64_t& size) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return false;
  size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool RenameFileReplacing(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

namespace {
// The folder of a module's file, with a trailing separator.
std::string FolderOfModule(HMODULE module) {
  std::string buffer(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return ".\\";
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  const size_t slash = buffer.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".\\") : buffer.substr(0, slash + 1);
}
}  // namespace

std::string ExecutableDirectory() { return FolderOfModule(nullptr); }

std::string ModuleDirectory() {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&ModuleDirectory), &module))
    return ExecutableDirectory();
  return FolderOfModule(module);
}

// "\\x", "/x" and "C:..." do not depend on the current folder.
bool IsAbsolutePath(std::string_view path) {
  if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return true;
  const bool letter = path.size() >= 2 && ((path[0] >= 'A' && path[0] <= 'Z') ||
                                           (path[0] >= 'a' && path[0] <= 'z'));
  return letter && path[1] == ':';
}

std::string_view PathSeparator() { return "\\"; }

}  // namespace kanadeya::platform
