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

#include "platform/paths.h"
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
  std::function<void(int current, int count)> on_progress;
  // With a trailing separator; empty: the test program's own.
  std::string plugin_folder, host_program_folder;

  std::string PluginPath() override {
    const std::string path = SystemEnv::PluginPath();
    return plugin_folder.empty() ? path : plugin_folder + platform::NameOf(path);
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
  void ShowMessage(MessageKind kind, const std::string& path, std::string_view text) override {
    if (show_messages) return SystemEnv::ShowMessage(kind, path, text);
    messages.push_back(path + std::string(text));
  }
  void ReportProgress(int current, int count) override {
    if (current != 0) {
      ShowProgress(current, count);
      if (on_progress) on_progress(current, count);
    }
    SystemEnv::ReportProgress(0, 0);
  }
};

}  // namespace kanadeya::test
