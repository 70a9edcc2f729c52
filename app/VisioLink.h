// What Tarvel's start-up needs from the system it runs on: whether windows
// can be shown, and how "visio.application" is reached. Each system has its
// own source: VisioLink.cpp (Linux: the stand-in, on the session bus or in
// process) and VisioLink_Windows.cpp (COM: Visio itself, or whatever is
// registered in its place).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Why no window can be shown here, as printed before the program ends;
// empty when they can.
std::string MissingDisplay();

// Makes "visio.application" reachable by the controller's Connect while it
// lives. Made once the application object exists, on the thread that calls
// Visio; kept until the controller has disconnected. The drawings named on
// the command line go to the Visio it reaches, where the system can; what
// the user should know (a drawing that does not open) goes to `tell`.
class TVisioLink {
 public:
  TVisioLink(const std::vector<std::string>& drawings,
             const std::function<void(const std::string&)>& tell);
  ~TVisioLink();
  TVisioLink(const TVisioLink&) = delete;
  TVisioLink& operator=(const TVisioLink&) = delete;

 private:
  struct TState;
  std::unique_ptr<TState> state_;
};
