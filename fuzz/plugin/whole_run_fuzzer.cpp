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
// The run's context puts the host program's and the plug-in's folders in
// the target's scratch folder, where "Setting.ini" is written.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
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
#include "tests/plugin/fake_host.h"
#include "tests/plugin/test_env.h"

namespace {

using kanadeya::fuzz::Check;

// The host's search key for a code: the code itself, `key`, empty, or null.
std::optional<std::string> KeyFor(int check_mode, const std::string& code, const std::string& key) {
  switch (check_mode) {
    case 0:
      return code;
    case 1:
      return key;
    case 2:
      return std::string();
    default:
      return std::nullopt;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kanadeya;
  static test::FakeHost host;
  FuzzedDataProvider provider(data, size);

  host.Reset();
  int check_mode = provider.ConsumeIntegralInRange<int>(0, 7);
  if (check_mode > 3) check_mode = 0;  // mostly the plain key
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
  const std::string key = provider.ConsumeRandomLengthString(64);
  const std::string search_page = provider.ConsumeRandomLengthString(2048);
  const std::string authors = provider.ConsumeRandomLengthString(1024);
  const std::string publishers = provider.ConsumeRandomLengthString(1024);
  const std::string labels = provider.ConsumeRandomLengthString(1024);
  const std::string settings_text = provider.ConsumeRandomLengthString(1024);
  const std::string detail_page = provider.ConsumeRemainingBytesAsString();
  host.check = [check_mode, &key](const std::string& code) {
    return KeyFor(check_mode, code, key);
  };
  host.page_for = [&](const std::string& url) -> const std::string* {
    if (url.starts_with(test::FakeHost::kSearchBase)) return has_search ? &search_page : nullptr;
    Check(url.starts_with(test::FakeHost::kDetailBase),
          "a download of neither a search nor a detail page", url);
    return has_detail ? &detail_page : nullptr;
  };

  const std::string& dir = fuzz::ScratchFolder();
  fuzz::PlaceFile(dir + "AuthDB.dat", has_authors, authors);
  fuzz::PlaceFile(dir + "PubDB.dat", has_publishers, publishers);
  fuzz::PlaceFile(dir + "LabelsDB.dat", has_labels, labels);
  fuzz::PlaceFile(dir + "Temp.html.kagami_private", private_profile, "");
  fuzz::PlaceFile(dir + "Setting.ini", has_settings, settings_text);
  // Dictionaries written long ago may be kept from one code to the next.
  if (old_files)
    for (const char* name : {"AuthDB.dat", "PubDB.dat", "LabelsDB.dat"}) fuzz::MakeOld(dir + name);
  const std::string output = dir + "books.csv";
  fuzz::WriteFile(output, "an old output file\r\n");

  std::array<void*, kHostFunctionCount> functions = host.Functions();
  if (missing_function < kHostFunctionCount)
    functions[static_cast<size_t>(missing_function)] = nullptr;
  // One plug-in state for every input, as one load of the plug-in keeps it.
  static PluginState state;
  test::TestEnv env;
  env.host_functions = functions;
  env.plugin_folder = env.host_program_folder = dir;
  const std::vector<std::string>& messages = env.messages;
  int codes_begun = 0;
  env.on_progress = [&codes_begun, stop_at_code](int current, int) {
    codes_begun = current;
    if (current == stop_at_code) state.stop_requested = true;
  };

  const std::string code_text = codes.substr(0, codes.find('\0'));
  RunLookupShowingFailures(state, env, dir.c_str(), output.c_str(),
                           null_codes ? nullptr : code_text.c_str());

  for (const std::string& url : host.connected)
    Check(url.starts_with(test::FakeHost::kSearchBase), "the connection test got no search URL",
          url);
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
  if (host.connect_fail_from != 0 &&
      host.connected.size() >= static_cast<size_t>(host.connect_fail_from))
    Check(lines < static_cast<size_t>(host.connect_fail_from),
          "more output lines than connections made", code_text);
  return 0;
}
