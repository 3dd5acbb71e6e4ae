// hakobune: the stand-in host program. It loads the plug-in as the real
// catalogue application does and calls its exports, so that a lookup can be
// run without the Windows application. It also exports the host functions
// that the plug-in binds (host_functions.h).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/commands.h"
#include "host/folders.h"
#include "host/plugin_module.h"
#include "host/utf8.h"
#include "platform/calling_convention.h"

namespace hakobune {

const char* const kUsage =
    "usage: hakobune info [--size N]\n"
    "       hakobune lookup --data-dir DIR --out FILE [--site DIR|URL] [--no-check]\n"
    "                       [--timeout SECONDS] [--delay SECONDS]\n"
    "                       [--connect-fail-from N] [--quiet] [--plugin PATH]\n"
    "                       (--codes FILE | [--] CODE...)\n"
    "       hakobune show FILE\n";

int UsageError(const std::string& why) {
  std::fprintf(stderr, "hakobune: %s\n%s", why.c_str(), kUsage);
  return 2;
}

namespace {

using GetInfoFunction = void(KANADEYA_STDCALL*)(int32_t, char*, char*, char*, char*, char*,
                                                int32_t);

bool ParseCount(const char* text, unsigned long& value) {
  char* end = nullptr;
  if (text == nullptr || *text < '0' || *text > '9') return false;
  value = std::strtoul(text, &end, 10);
  return *end == '\0';
}

}  // namespace

int InfoCommand(int argc, char** argv) {
  unsigned long size = 2048;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
      if (!ParseCount(argv[++i], size) || size > 0xFFFF)
        return UsageError("--size takes a number from 0 to 65535");
    } else {
      return UsageError(std::string("unknown argument: ") + argv[i]);
    }
  }
  const std::string path = ProgramDirectory() + PluginFileName();
  std::string error;
  void* module = LoadPluginModule(path, error);
  if (module == nullptr) {
    std::fprintf(stderr, "hakobune: cannot load the plug-in %s: %s\n", DisplayPath(path).c_str(),
                 error.c_str());
    return 1;
  }
  auto get_info = reinterpret_cast<GetInfoFunction>(PluginSymbol(module, "funcGetInfo"));
  if (get_info == nullptr) {
    std::fprintf(stderr, "hakobune: the plug-in %s has no funcGetInfo\n",
                 DisplayPath(path).c_str());
    UnloadPluginModule(module);
    return 1;
  }
  // One spare byte past the size the plug-in is told, to show that it keeps
  // within the size.
  std::vector<std::vector<char>> buffers(5, std::vector<char>(size + 1, '\0'));
  get_info(0, buffers[0].data(), buffers[1].data(), buffers[2].data(), buffers[3].data(),
           buffers[4].data(), static_cast<int32_t>(size));
  static const char* const kLabels[] = {"entry", "name", "author", "version", "fifth"};
  for (size_t i = 0; i < buffers.size(); ++i) {
    const std::string text(buffers[i].data(), strnlen(buffers[i].data(), size));
    std::printf("%s: %s\n", kLabels[i], ToUtf8(text).c_str());
  }
  UnloadPluginModule(module);
  return 0;
}

}  // namespace hakobune

int main(int argc, char** argv) {
  if (argc < 2) return hakobune::UsageError("no command given");
  const std::string command = argv[1];
  if (command == "info") return hakobune::InfoCommand(argc - 2, argv + 2);
  if (command == "lookup") return hakobune::LookupCommand(argc - 2, argv + 2);
  if (command == "show") return hakobune::ShowCommand(argc - 2, argv + 2);
  if (command == "help" || command == "--help" || command == "-h") {
    std::fputs(hakobune::kUsage, stdout);
    return 0;
  }
  return hakobune::UsageError("unknown command: " + command);
}
