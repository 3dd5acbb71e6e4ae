#include "tests/support/message_boxes.h"

namespace kanadeya::test {

void RefuseMessageBoxes() {}
MessageBoxesAllowed::MessageBoxesAllowed() = default;
MessageBoxesAllowed::~MessageBoxesAllowed() = default;

}  // namespace kanadeya::test
