// kanadeya.dll through a catalogue host's long life, in the host's own
// process and thread: thousands of runs in one load, hundreds of loads, and
// a host that runs with floating-point exceptions unmasked. Every run looks
// up the sample catalogue and must write the same import file as the first.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/programs/host_lifetime/sample_stage.h"

namespace hakobune_test {
namespace {

using DownloadFunction = void(__stdcall*)(const char*, const char*, const char*);

constexpr const char* kWaitWindowClass = "TfrmWait";

BOOL CALLBACK CountWaitWindow(HWND window, LPARAM count) {
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof name);
  if (std::strcmp(name, kWaitWindowClass) == 0) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

// The wait windows that the calling thread holds.
int WaitWindowsOfThisThread() {
  int count = 0;
  ::EnumThreadWindows(::GetCurrentThreadId(), &CountWaitWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// kanadeya.ini beside the plug-in for as long as it lives: the sample's two
// codes that give no book would end each run with a report, and on the
// display a message box waits for a click.
class NoReport {
 public:
  NoReport() {
    HANDLE file = ::CreateFileA(Path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, kText, sizeof kText - 1, &written, nullptr);
    ::CloseHandle(file);
  }
  ~NoReport() { ::DeleteFileA(Path().c_str()); }
  NoReport(const NoReport&) = delete;
  NoReport& operator=(const NoReport&) = delete;

 private:
  static constexpr char kText[] = "[Window]\r\nReport=0\r\n";
  static std::string Path() {
    const std::string plugin = KANADEYA_PLUGIN_PATH;
    return plugin.substr(0, plugin.find_last_of("\\/") + 1) + "kanadeya.ini";
  }
};

// The plug-in loaded as the host loads it.
class Plugin {
 public:
  Plugin() : module_(::LoadLibraryA(KANADEYA_PLUGIN_PATH)) {
    if (module_ != nullptr)
      run_ = reinterpret_cast<DownloadFunction>(
          reinterpret_cast<void*>(::GetProcAddress(module_, "DownlaodFunc")));
  }
  ~Plugin() { Unload(); }
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  HMODULE Module() const { return module_; }
  // One run over the sample catalogue; its import file ("" when the
  // plug-in could not be loaded).
  std::string Run(const SampleStage& stage) const {
    if (run_ == nullptr) return {};
    run_(stage.DataDir().c_str(), stage.Output().c_str(), stage.Codes().c_str());
    return stage.TakeOutput();
  }
  void Unload() {
    if (module_ != nullptr) ::FreeLibrary(module_);
    module_ = nullptr;
    run_ = nullptr;
  }

 private:
  HMODULE module_;
  DownloadFunction run_ = nullptr;
};

// A hidden wait window per run, never freed, would exhaust the host's user
// objects (10,000 by default) after a few thousand runs.
TEST(HostLifetime, ManyRunsInOneLoad) {
  SampleStage stage;
  const NoReport no_report;
  Plugin plugin;
  const std::string first = plugin.Run(stage);
  ASSERT_FALSE(first.empty());
  ASSERT_EQ(WaitWindowsOfThisThread(), 1) << "no wait window: is there a display?";
  for (int run = 2; run <= 2000; ++run) {
    ASSERT_EQ(plugin.Run(stage), first) << "run " << run;
    if (run % 100 == 0) {
      ASSERT_EQ(WaitWindowsOfThisThread(), 1) << "after run " << run;
    }
  }
  plugin.Unload();
  EXPECT_EQ(WaitWindowsOfThisThread(), 0);
}

// Unloading takes the wait window and its class away: a class left
// registered would keep a window procedure inside the unloaded image.
TEST(HostLifetime, ManyLoadsInOneProcess) {
  SampleStage stage;
  const NoReport no_report;
  std::string first;
  for (int load = 1; load <= 500; ++load) {
    Plugin plugin;
    const HMODULE module = plugin.Module();
    const std::string output = plugin.Run(stage);
    if (load == 1) first = output;
    ASSERT_FALSE(output.empty()) << "load " << load;
    ASSERT_EQ(output, first) << "load " << load;
    ASSERT_EQ(WaitWindowsOfThisThread(), 1) << "load " << load;
    plugin.Unload();
    ASSERT_EQ(::GetModuleHandleA("kanadeya.dll"), nullptr) << "load " << load;
    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    ASSERT_FALSE(::GetClassInfoExA(module, kWaitWindowClass, &info)) << "load " << load;
    ASSERT_EQ(WaitWindowsOfThisThread(), 0) << "load " << load;
  }
}

unsigned short X87ControlWord() {
  unsigned short word = 0;
  asm volatile("fnstcw %0" : "=m"(word));
  return word;
}

void LoadX87ControlWord(unsigned short word) { asm volatile("fnclex\n\tfldcw %0" : : "m"(word)); }

// Hosts built with some tools run with invalid operation, division by zero
// and overflow unmasked (x87 control word 0x1332): any such operation in the
// plug-in would raise in the host's process.
TEST(HostLifetime, UnmaskedFloatingPointExceptions) {
  SampleStage stage;
  const NoReport no_report;
  Plugin plugin;
  const std::string masked = plugin.Run(stage);
  ASSERT_FALSE(masked.empty());

  const unsigned short original = X87ControlWord();
  LoadX87ControlWord(0x1332);
  const unsigned short hosts = X87ControlWord();  // reads back with bit 6 set
  const std::string unmasked = plugin.Run(stage);
  const unsigned short after = X87ControlWord();
  LoadX87ControlWord(original);

  EXPECT_EQ(unmasked, masked);
  EXPECT_EQ(after, hosts) << "the plug-in gives the host its own control word back";
}

}  // namespace
}  // namespace hakobune_test
