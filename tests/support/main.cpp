#include <gtest/gtest.h>

#include "tests/support/message_boxes.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  kanadeya::test::RefuseMessageBoxes();
  return RUN_ALL_TESTS();
}
