// Where messages for the user go. The logic layers only say what to tell the
// user; the windows layer installs a port that shows a plain message box, tests
// install one that records, and without either the text goes to stderr.
#pragma once

#include <string>

class TMessagePort {
 public:
  virtual ~TMessagePort() = default;
  virtual void ShowMessage(const std::string& text) = 0;
};

// The port in use: the one last installed, or the stderr port.
TMessagePort& CurrentMessagePort();

// Installs `port` (not owned; it must outlive its use) and returns the port it
// replaces. nullptr puts the stderr port back.
TMessagePort* SetMessagePort(TMessagePort* port);

// Shows `text` through the current port.
void ShowMessage(const std::string& text);
