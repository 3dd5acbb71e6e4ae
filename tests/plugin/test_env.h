// A run's surroundings for in-process tests: the system's, but with the
// host's functions the test gives, the plug-in's and the host program's
// folders where the test puts them (so that its kanadeya.ini and
// Setting.ini lie in a folder of its own), every message kept in `messages`
// instead of shown (unless `show_messages`), and each code's progress seen
// by `on_progress`, after the window shows it and before its messages run.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "plugin/host_api.h"
#include "plugin/system_env.h"

namespace kanadeya::test {

class TestEnv : public SystemEnv {
 public:
  // The functions BindHost binds, in the order of kHostFunctionNames (a
  // null entry is a missing function); nullopt loads the host program.
  std::optional<std::array<void*, kHostFunctionCount>> host_functions;
  std::vector<std::string> messages;
  bool show_messages = false;
  // Every new file fails, as on a full disk.
  bool disk_full = false;
  std::function<void(int current, int count)> on_progress;
  // With a trailing separator; empty: the test program's own.
  std::string plugin_folder, host_program_folder;

  std::string PluginFolder() override {
    return plugin_folder.empty() ? SystemEnv::PluginFolder() : plugin_folder;
  }
  std::string HostProgramFolder() override {
    return host_program_folder.empty() ? SystemEnv::HostProgramFolder() : host_program_folder;
  }

  HostBinding BindHost(HostApi& host) override {
    if (!host_functions) return SystemEnv::BindHost(host);
    host = HostApi{};
    HostBinding binding;
    for (size_t i = 0; i < host.functions.size(); ++i) {
      if ((*host_functions)[i] == nullptr) return binding;
      host.functions[i] = (*host_functions)[i];
    }
    binding.bound = true;
    return binding;
  }
  platform::NewFileWrite WriteNewFile(const std::string& path, std::string_view contents) override {
    if (disk_full) return platform::NewFileWrite::kFailed;
    return SystemEnv::WriteNewFile(path, contents);
  }
  void ShowError(const std::string& path, std::string_view text,
                 std::string_view caption) override {
    if (show_messages) return SystemEnv::ShowError(path, text, caption);
    messages.push_back(path + std::string(text));
  }
  void ShowMessage(std::string_view text) override {
    if (show_messages) return SystemEnv::ShowMessage(text);
    messages.emplace_back(text);
  }
  void ShowReport(std::string_view text) override {
    if (show_messages) return SystemEnv::ShowReport(text);
    messages.emplace_back(text);
  }
  void ReportProgress(int current, int count) override {
    ShowProgress(current, count);
    if (on_progress) on_progress(current, count);
    ProcessWindowMessages();
  }
};

}  // namespace kanadeya::test
