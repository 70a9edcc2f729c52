// The served stand-in's test program: one apartment on the main thread.
#include "automation/com/Apartment.h"
// Then the rest.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  automation::com::Apartment apartment;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
