// Tarvel on Windows: "&Connect" attaches to whatever COM knows as
// Visio.Application (Visio itself, or tarvel-visio.exe registered in its
// place), from a single-threaded apartment on the windows' thread. Qt has
// opened one there already (OleInitialize, for drag and drop); this one
// makes the automation layer ask COM.
#include <exception>
#include <optional>

#include "app/VisioLink.h"
#include "automation/com/Apartment.h"
#include "visio/ErrorText.h"

std::string MissingDisplay() {
  return {};
}

struct TVisioLink::TState {
  std::optional<automation::com::Apartment> apartment;
};

TVisioLink::TVisioLink(const std::vector<std::string>& drawings,
                       const std::function<void(const std::string&)>& tell)
    : state_(std::make_unique<TState>()) {
  try {
    state_->apartment.emplace();
  } catch (const std::exception& e) {
    tell("Cannot open COM: " + TrimText(ErrorMessage(e)));
  }
  // Visio opens its own drawings; Tarvel shows the ones open there.
  if (!drawings.empty()) {
    tell("Tarvel opens no drawings from its command line on Windows: open them in Visio");
  }
}

TVisioLink::~TVisioLink() = default;
