// One whole lookup run as the export DownlaodFunc makes it, in process, with host
// functions that serve what the fuzzer made: the code list, the search key,
// the search page, the detail page, the three dictionaries and "Setting.ini",
// and a host that may refuse a connection, lack a function, lose a download
// or have the stop button pressed before some code. The dictionaries are
// just written or, for some inputs, have a last-write time long past, so
// that their texts may be kept from one code to the next.
//
// No failure may leave the run (the export would show its run-failed
// message), and the output file must always be writable. A run without codes
// or without its host functions writes no output file; any other run (one
// that loses its connection keeps the books found before) writes one whose
// every line is sound (68 columns by both readers, CR LF at its end and
// nowhere else outside quotes), with no more lines than codes looked up.
//
// "Setting.ini" is read from the folder of the running program, so this
// target writes it beside its own executable and removes it at exit. Run one
// process of this target per build folder at a time: two would share that
// file (only the settings' values would mix, never the checks).
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/files.h"
#include "platform/message.h"
#include "plugin/host_api.h"
#include "plugin/lookup_driver.h"
#include "plugin/plugin_state.h"
#include "plugin/system_texts.h"
#include "strings/strings.h"
#include "tests/plugin/test_env.h"

namespace {

using kanadeya::fuzz::Check;

// What the host serves in one run.
struct Host {
  int check_mode = 0;  // 0: the code is its key, 1: `key`, 2: empty, 3: null
  std::string key;
  int connect_fail_from = 0;                 // 0: never
  const std::string* search_page = nullptr;  // null: the download fails
  const std::string* detail_page = nullptr;
  int connections = 0;
  std::string returned;  // the text ISBNChkFunc hands out, owned by the host
};
Host host;

const std::string kSearchBase =
    std::string(kanadeya::SiteBaseUrl) + std::string(kanadeya::kSearchPath);
const std::string kDetailBase =
    std::string(kanadeya::SiteBaseUrl) + std::string(kanadeya::kDetailPath);

int32_t KANADEYA_STDCALL Connect(const char* url) {
  Check(std::string_view(url).starts_with(kSearchBase), "the connection test got no search URL",
        url);
  ++host.connections;
  return host.connect_fail_from != 0 && host.connections >= host.connect_fail_from ? 0 : 1;
}

int32_t KANADEYA_STDCALL Download(const char* path, const char* url) {
  const std::string_view address(url);
  const std::string* page = nullptr;
  if (address.starts_with(kSearchBase))
    page = host.search_page;
  else if (address.starts_with(kDetailBase))
    page = host.detail_page;
  else
    Check(false, "a download of neither a search nor a detail page", url);
  if (page == nullptr) return 0;
  kanadeya::fuzz::WriteFile(path, *page);
  return 1;
}

const char* KANADEYA_STDCALL CheckCode(const char* code) {
  switch (host.check_mode) {
    case 0:
      host.returned = code;
      break;
    case 1:
      host.returned = host.key;
      break;
    case 2:
      host.returned.clear();
      break;
    default:
      return nullptr;
  }
  return host.returned.c_str();
}

int32_t KANADEYA_STDCALL Unused() { return 0; }

// Removes "Setting.ini" from beside the executable when the process ends.
struct SettingsFile {
  std::string path = kanadeya::platform::ExecutableDirectory() + "Setting.ini";
  ~SettingsFile() { kanadeya::fuzz::RemoveFile(path); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kanadeya;
  static const SettingsFile settings;
  FuzzedDataProvider provider(data, size);

  host = Host{};
  host.check_mode = provider.ConsumeIntegralInRange<int>(0, 7);
  if (host.check_mode > 3) host.check_mode = 0;  // mostly the plain key
  host.connect_fail_from = provider.ConsumeIntegralInRange<int>(0, 15);
  if (host.connect_fail_from > 4) host.connect_fail_from = 0;
  const int missing_function = provider.ConsumeIntegralInRange<int>(0, 255);
  const int stop_at_code = provider.ConsumeIntegralInRange<int>(0, 63);
  const bool has_search = provider.ConsumeIntegralInRange<int>(0, 7) != 0;
  const bool has_detail = provider.ConsumeIntegralInRange<int>(0, 7) != 0;
  const bool has_authors = provider.ConsumeBool();
  const bool has_publishers = provider.ConsumeBool();
  const bool has_labels = provider.ConsumeBool();
  const bool has_settings = provider.ConsumeBool();
  const bool private_profile = provider.ConsumeBool();
  const bool null_codes = provider.ConsumeIntegralInRange<int>(0, 31) == 0;
  const bool old_files = provider.ConsumeBool();

  const std::string codes = provider.ConsumeRandomLengthString(256);
  host.key = provider.ConsumeRandomLengthString(64);
  const std::string search_page = provider.ConsumeRandomLengthString(2048);
  const std::string authors = provider.ConsumeRandomLengthString(1024);
  const std::string publishers = provider.ConsumeRandomLengthString(1024);
  const std::string labels = provider.ConsumeRandomLengthString(1024);
  const std::string settings_text = provider.ConsumeRandomLengthString(1024);
  const std::string detail_page = provider.ConsumeRemainingBytesAsString();
  if (has_search) host.search_page = &search_page;
  if (has_detail) host.detail_page = &detail_page;

  const std::string& dir = fuzz::ScratchFolder();
  fuzz::PlaceFile(dir + "AuthDB.dat", has_authors, authors);
  fuzz::PlaceFile(dir + "PubDB.dat", has_publishers, publishers);
  fuzz::PlaceFile(dir + "LabelsDB.dat", has_labels, labels);
  fuzz::PlaceFile(dir + "Temp.html.kagami_private", private_profile, "");
  fuzz::PlaceFile(settings.path, has_settings, settings_text);
  // Dictionaries written long ago may be kept from one code to the next.
  if (old_files)
    for (const char* name : {"AuthDB.dat", "PubDB.dat", "LabelsDB.dat"}) fuzz::MakeOld(dir + name);
  const std::string output = dir + "books.csv";
  fuzz::WriteFile(output, "an old output file\r\n");

  std::array<void*, kHostFunctionCount> functions{};
  functions.fill(reinterpret_cast<void*>(&Unused));
  functions[0] = reinterpret_cast<void*>(&Connect);
  functions[1] = reinterpret_cast<void*>(&Download);
  functions[7] = reinterpret_cast<void*>(&CheckCode);
  if (missing_function < kHostFunctionCount)
    functions[static_cast<size_t>(missing_function)] = nullptr;
  // One plug-in state for every input, as one load of the plug-in keeps it.
  static PluginState state;
  test::TestEnv env;
  env.host_functions = functions;
  const std::vector<std::string>& messages = env.messages;
  int codes_begun = 0;
  env.on_progress = [&codes_begun, stop_at_code](int current, int) {
    codes_begun = current;
    if (current == stop_at_code) state.stop_requested = true;
  };

  const std::string code_text = codes.substr(0, codes.find('\0'));
  RunLookupShowingFailures(state, env, dir.c_str(), output.c_str(),
                           null_codes ? nullptr : code_text.c_str());

  const bool stopped = state.stop_requested;
  state.stop_requested = false;

  for (const std::string& message : messages) {
    Check(message.find(kRunFailedMessage) == std::string::npos, "a failure left the lookup run",
          message);
    Check(message.find(kOutputNotWrittenMessage) == std::string::npos,
          "the output file could not be written", message);
  }

  std::string contents;
  const bool written = platform::ReadWholeFile(output, contents);
  const bool no_codes = null_codes || code_text.empty();
  const bool no_host = missing_function < kHostFunctionCount;
  if (no_codes || no_host) {
    Check(!written, "an output file was written by a run that should write none", code_text);
    return 0;
  }
  Check(written, "a run wrote no output file", code_text);
  const size_t lines = fuzz::CheckOutputFile(contents, true);
  const size_t looked_up =
      stopped ? static_cast<size_t>(codes_begun - 1) : CountTextLines(code_text);
  Check(lines <= looked_up, "more output lines than codes looked up", code_text);
  // A lost connection ends the run: only codes before it gave books.
  if (host.connect_fail_from != 0 && host.connections >= host.connect_fail_from)
    Check(lines < static_cast<size_t>(host.connect_fail_from),
          "more output lines than connections made", code_text);
  return 0;
}
