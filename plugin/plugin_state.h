// What lives from the plug-in's load to its unload: the host's dictionaries
// (the label dictionary held between runs, the files' texts kept while they
// are unchanged), the stop request and the detail page's buffers. The
// exports own the one state of the loaded plug-in and hand it to each run.
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

}  // namespace kanadeya
