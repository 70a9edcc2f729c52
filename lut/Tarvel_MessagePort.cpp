#include "lut/Tarvel_MessagePort.h"

#include <iostream>

namespace {

class TStderrMessagePort final : public TMessagePort {
 public:
  void ShowMessage(const std::string& text) override { std::cerr << text << std::endl; }
};

// Construct-on-first-use and never destroyed, so a message shown from any
// static initialiser or at exit still has somewhere to go.
TMessagePort& StderrPort() {
  static TMessagePort* const port = new TStderrMessagePort;
  return *port;
}

TMessagePort*& InstalledPort() {
  static TMessagePort* port = nullptr;
  return port;
}

}  // namespace

TMessagePort& CurrentMessagePort() {
  TMessagePort* port = InstalledPort();
  return port != nullptr ? *port : StderrPort();
}

TMessagePort* SetMessagePort(TMessagePort* port) {
  TMessagePort* previous = &CurrentMessagePort();
  InstalledPort() = port;
  return previous;
}

void ShowMessage(const std::string& text) {
  CurrentMessagePort().ShowMessage(text);
}
