// hakobune lookup: one lookup run. The program loads the plug-in, sets up
// its own exported host functions (host_functions.h) and calls DownlaodFunc
// once with the data directory, the output file and the code list.
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "host/argument_numbers.h"
#include "host/commands.h"
#include "host/folders.h"
#include "host/host_functions.h"
#include "host/import_file.h"
#include "host/plugin_module.h"
#include "host/utf8.h"
#include "host/web_address.h"
#include "platform/calling_convention.h"
#include "platform/files.h"
#include "strings/strings.h"

namespace hakobune {

namespace {

using DownloadFunction = void(KANADEYA_STDCALL*)(const char*, const char*, const char*);

struct LookupOptions {
  std::string data_dir;
  std::string out;
  std::string site_dir;
  std::string site_url;  // from SiteBase
  std::string plugin;
  std::optional<std::string> codes_file;
  std::vector<std::string> codes;
  bool check_codes = true;
  bool quiet = false;
  uint32_t connect_fail_from = 0;
  uint32_t timeout_ms = 60000;
  std::optional<uint32_t> delay_ms;  // none given: 1 s over HTTP, 0 for a folder
};

constexpr uint32_t kDefaultDelayMs = 1000;
// Fills `options` from the arguments; the empty text, or why they are wrong.
std::string ParseArguments(int argc, char** argv, LookupOptions& options) {
  bool seen_data_dir = false, seen_out = false;
  std::vector<std::string> seen;
  bool only_codes = false;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (only_codes || arg.empty() || arg[0] != '-') {
      options.codes.push_back(ArgumentToAnsi(arg));
      continue;
    }
    if (arg == "--") {
      only_codes = true;
      continue;
    }
    for (const auto& name : seen)
      if (name == arg) return arg + " is given twice";
    seen.push_back(arg);
    if (arg == "--no-check") {
      options.check_codes = false;
      continue;
    }
    if (arg == "--quiet") {
      options.quiet = true;
      continue;
    }
    const bool takes_value = arg == "--data-dir" || arg == "--out" || arg == "--site" ||
                             arg == "--codes" || arg == "--plugin" ||
                             arg == "--connect-fail-from" || arg == "--timeout" || arg == "--delay";
    if (!takes_value) return "unknown option: " + arg;
    if (i + 1 >= argc) return arg + " needs a value";
    const char* value = argv[++i];
    if (arg == "--data-dir") {
      options.data_dir = value;
      seen_data_dir = true;
    } else if (arg == "--out") {
      options.out = value;
      seen_out = true;
    } else if (arg == "--site") {
      if (LooksLikeWebAddress(value)) {
        const auto base = SiteBase(value);
        if (!base) return "--site takes a folder or http[s]://HOST[:PORT][/PATH]";
        options.site_url = *base;
      } else {
        options.site_dir = value;
        if (options.site_dir.empty()) return "--site needs a folder or a URL";
      }
    } else if (arg == "--timeout") {
      if (!ParseSeconds(value, options.timeout_ms) || options.timeout_ms == 0)
        return "--timeout takes a number of seconds above 0 (at most a day)";
    } else if (arg == "--delay") {
      uint32_t ms = 0;
      if (!ParseSeconds(value, ms)) return "--delay takes a number of seconds (at most a day)";
      options.delay_ms = ms;
    } else if (arg == "--codes") {
      options.codes_file = value;
    } else if (arg == "--plugin") {
      options.plugin = value;
    } else if (!ParsePositive(value, options.connect_fail_from)) {
      return "--connect-fail-from takes a number of 1 or more";
    }
  }
  if (!seen_data_dir) return "--data-dir is missing";
  if (!seen_out) return "--out is missing";
  if (options.codes_file && !options.codes.empty())
    return "give the codes either with --codes or as arguments, not both";
  if (!options.codes_file && options.codes.empty())
    return "no codes: give --codes FILE or CODE arguments";
  return std::string();
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += "\r\n";
    out += lines[i];
  }
  return out;
}

// The number of lines in the output file the plug-in wrote.
size_t CountOutputLines(const std::string& contents) {
  const ImportFile file = ReadImportFile(contents);
  if (file.error_line == 0) return file.lines.size();
  size_t n = 0;  // a file that does not read: its CR LF pairs
  for (size_t at = contents.find("\r\n"); at != std::string::npos;
       at = contents.find("\r\n", at + 2))
    ++n;
  return n;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "hakobune: %s\n", message.c_str());
  return 1;
}

}  // namespace

int LookupCommand(int argc, char** argv) {
  LookupOptions options;
  const std::string wrong = ParseArguments(argc, argv, options);
  if (!wrong.empty()) return UsageError(wrong);

  std::string codes;
  if (options.codes_file) {
    if (!kanadeya::platform::ReadWholeFile(*options.codes_file, codes))
      return Fail("cannot read the code list " + DisplayPath(*options.codes_file));
  } else {
    codes = JoinLines(options.codes);
  }
  if (!DirectoryExists(options.data_dir))
    return Fail("the data directory " + DisplayPath(options.data_dir) + " does not exist");

  const std::string plugin_path =
      options.plugin.empty() ? ProgramDirectory() + PluginFileName() : options.plugin;
  std::string error;
  void* module = LoadPluginModule(plugin_path, error);
  if (module == nullptr)
    return Fail("cannot load the plug-in " + DisplayPath(plugin_path) + ": " + error);
  auto download = reinterpret_cast<DownloadFunction>(PluginSymbol(module, "DownlaodFunc"));
  if (download == nullptr) {
    UnloadPluginModule(module);
    return Fail("the plug-in " + DisplayPath(plugin_path) + " has no DownlaodFunc");
  }

  HostSettings settings;
  settings.site_dir = options.site_dir;
  settings.site_url = options.site_url;
  settings.timeout_ms = options.timeout_ms;
  settings.delay_ms = options.delay_ms.value_or(options.site_dir.empty() ? kDefaultDelayMs : 0);
  settings.check_codes = options.check_codes;
  settings.connect_fail_from = options.connect_fail_from;
  settings.show_progress = !options.quiet;
  settings.code_count = kanadeya::CountTextLines(codes);
  ConfigureHost(settings);

  const std::string data_dir = WithTrailingSeparator(options.data_dir);
  download(data_dir.c_str(), options.out.c_str(), codes.c_str());
  UnloadPluginModule(module);

  if (!options.quiet) {
    std::string contents;
    const std::string summary = kanadeya::platform::ReadWholeFile(options.out, contents)
                                    ? std::to_string(CountOutputLines(contents)) +
                                          " lines written to " + DisplayPath(options.out)
                                    : std::string("no output file written");
    std::fprintf(stderr, "%s\n", summary.c_str());
  }
  return 0;
}

}  // namespace hakobune
