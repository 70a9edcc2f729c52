#include <gtest/gtest.h>

#include "lut/Tarvel_MessagePort.h"
#include "tests/lut/RecordingMessagePort.h"

TEST(MessagePortTest, MessagesGoToTheInstalledPortAndBackToStderrWhenItLeaves) {
  TMessagePort* const stderrPort = &CurrentMessagePort();
  {
    RecordingMessagePort outer;
    {
      RecordingMessagePort inner;
      ShowMessage("first");
      EXPECT_EQ(inner.messages, std::vector<std::string>{"first"});
    }
    ShowMessage("second");
    EXPECT_EQ(outer.messages, std::vector<std::string>{"second"});
  }
  EXPECT_EQ(&CurrentMessagePort(), stderrPort);

  testing::internal::CaptureStderr();
  ShowMessage("Error: Attempt to add duplicate LUT: X");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Attempt to add duplicate LUT: X\n");
}

TEST(MessagePortTest, InstallingNullptrRestoresStderr) {
  TMessagePort* const stderrPort = &CurrentMessagePort();
  RecordingMessagePort recorder;
  EXPECT_EQ(SetMessagePort(nullptr), &recorder);
  EXPECT_EQ(&CurrentMessagePort(), stderrPort);
  SetMessagePort(&recorder);  // the recorder's destructor restores from here
}
