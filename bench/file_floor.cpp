// The floor of a lookup run: the file work that the run's design makes
// unavoidable, and nothing else. For every code the host copies the search
// page into "Temp.html" and the plug-in reads it back once; then the same for
// the detail page. The host's copy deletes the target, reads the source and
// writes the target, as hakobune's site folder does.
//
//   bench_file_floor DATA_DIR PAIRS_FILE
//
// PAIRS_FILE holds one code per line: the search page's file and the detail
// page's file, separated by a tab. Prints the number of codes and the bytes
// read back.
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "strings/strings.h"

namespace {

// What the host's download and the plug-in's read cost for one page.
size_t CopyAndReadBack(const std::string& source, const std::string& temp) {
  using namespace kanadeya::platform;
  DeleteFileAt(temp);
  std::string page;
  if (!FileExists(source) || !ReadWholeFile(source, page) || !WriteWholeFile(temp, page)) return 0;
  if (!FileExists(temp) || !ReadWholeFile(temp, page)) return 0;
  return page.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_file_floor DATA_DIR PAIRS_FILE\n");
    return 2;
  }
  std::string pairs;
  if (!kanadeya::platform::ReadWholeFile(argv[2], pairs)) {
    std::fprintf(stderr, "bench_file_floor: cannot read %s\n", argv[2]);
    return 1;
  }
  const std::string temp = std::string(argv[1]) + "/Temp.html";
  size_t codes = 0, bytes = 0;
  kanadeya::SplitLines(pairs, [&](std::string_view line) {
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return;
    ++codes;
    bytes += CopyAndReadBack(std::string(line.substr(0, tab)), temp);
    bytes += CopyAndReadBack(std::string(line.substr(tab + 1)), temp);
  });
  std::printf("%zu codes, %zu bytes read back\n", codes, bytes);
  return bytes == 0 ? 1 : 0;
}
