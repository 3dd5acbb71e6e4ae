#include "plugin/plugin_state.h"

namespace kanadeya {

PluginState& LoadedPlugin() {
  static PluginState state;
  return state;
}

}  // namespace kanadeya
