// What lives from the plug-in's load to its unload by design, owned here in
// one place and handed down to the layers below as parameters: the host's
// dictionaries (the label dictionary held between runs, the files' texts
// kept while they are unchanged), the stop request, the detail page's
// buffers, whether the run shows its wait window (the window itself is the
// platform's, platform/wait_window.h), and what tests and in-process hosts
// set in place of the real host and user (host functions, observers).
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string_view>

#include "plugin/host_api.h"
#include "record/dictionaries.h"
#include "scrape/detail_page.h"

namespace kanadeya {

struct PluginState {
  PluginState() = default;
  PluginState(const PluginState&) = delete;
  PluginState& operator=(const PluginState&) = delete;

  Dictionaries dictionaries;
  // Set by the wait window's stop button; read before each code and before
  // each line of a detail page; cleared when a run starts.
  bool stop_requested = false;
  DetailPageWork page_work{stop_requested};
  // The wait window of the current run is shown ([Window] Show=1).
  bool window_shown = false;

  // Set by tests and in-process hosts (plugin/host_api.h,
  // plugin/user_messages.h, plugin/wait_window.h).
  std::optional<std::array<void*, kHostFunctionCount>> supplied_host_functions;
  std::function<void(std::string_view)> message_observer;
  std::function<void(int current, int count)> progress_observer;
};

// The state of the loaded plug-in. The exports hand it to the run; the wait
// window's stop button reaches it here, because a Win32 window procedure
// gets no context of the caller's.
PluginState& LoadedPlugin();

}  // namespace kanadeya
