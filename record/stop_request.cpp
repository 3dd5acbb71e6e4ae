#include "record/stop_request.h"

namespace kanadeya {

bool StopRequested = false;

}  // namespace kanadeya
