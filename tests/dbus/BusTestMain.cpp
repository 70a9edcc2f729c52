// The main of the D-Bus test programs: one QCoreApplication for the whole
// run (Qt's D-Bus support needs one), then the tests. Each test puts the
// program on its private bus (tarvel_test::ProcessBus) before it uses
// D-Bus, so listing the tests starts no daemon.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  QCoreApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
