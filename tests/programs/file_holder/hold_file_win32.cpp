// hold_file.exe PATH SHARING: a second program that holds a file open, as a
// virus scanner, an indexer or an editor does, for the end-to-end tests
// under Wine (a Linux process holding the file does not count for Wine).
//
// SHARING is what the holder lets others do meanwhile: "read" (no delete,
// no write: the file can be neither deleted, renamed nor written),
// "read-write" (no delete: it can be written, not deleted or renamed over)
// or "delete" (read, write and delete: a delete only marks it, and it
// stands until the holder closes it). The file must exist. The holder prints
// "held" once the file is open and closes it when its standard input ends.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: hold_file PATH read|read-write|delete\n");
    return 2;
  }
  DWORD sharing = FILE_SHARE_READ;
  if (std::strcmp(argv[2], "read-write") == 0) sharing |= FILE_SHARE_WRITE;
  if (std::strcmp(argv[2], "delete") == 0) sharing |= FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const HANDLE file = ::CreateFileA(argv[1], GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "hold_file: cannot open %s: error %lu\n", argv[1], ::GetLastError());
    return 1;
  }
  std::printf("held\n");
  std::fflush(stdout);
  char line[64];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
  }
  ::CloseHandle(file);
  return 0;
}
