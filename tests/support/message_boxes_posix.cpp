#include "tests/support/message_boxes.h"

namespace kanadeya::test {

void RefuseMessageBoxes() {}

}  // namespace kanadeya::test
