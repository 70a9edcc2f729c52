// A message port that records what it is asked to show, installed for the
// lifetime of the object.
#pragma once

#include <string>
#include <vector>

#include "lut/Tarvel_MessagePort.h"

class RecordingMessagePort final : public TMessagePort {
 public:
  RecordingMessagePort() : previous_(SetMessagePort(this)) {}
  ~RecordingMessagePort() override { SetMessagePort(previous_); }

  RecordingMessagePort(const RecordingMessagePort&) = delete;
  RecordingMessagePort& operator=(const RecordingMessagePort&) = delete;

  void ShowMessage(const std::string& text) override { messages.push_back(text); }

  std::vector<std::string> messages;

 private:
  TMessagePort* previous_;
};
