// What lives from the plug-in's load to its unload by design, owned here in
// one place and handed down to the layers below as parameters: the host's
// dictionaries (the label dictionary held between runs, the files' texts
// kept while they are unchanged), the stop request, and the detail page's
// buffers. The wait window is the platform's (platform/wait_window.h).
#pragma once

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
};

// The state of the loaded plug-in. The exports hand it to the run; the wait
// window's stop button reaches it here, because a Win32 window procedure
// gets no context of the caller's.
PluginState& LoadedPlugin();

}  // namespace kanadeya
