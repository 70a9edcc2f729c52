// Tarvel on Linux: there is no Visio here. "&Connect" starts the built-in
// stand-in, showing its demo drawing, or the drawings named on the command
// line instead.
#include "app/VisioLink.h"

#include <cstdlib>

#include "standin/server/VisioBus.h"
#include "visio/ErrorText.h"

std::string MissingDisplay() {
  // A display, or a platform chosen explicitly.
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return {};
  }
  return "no display to show the windows on (DISPLAY and WAYLAND_DISPLAY are not set); "
         "tarvel-tree prints the object tree without one";
}

struct TVisioLink::TState {};

// Registers the stand-in Visio as "visio.application": what Connect attaches
// to or starts. Visio runs in its own process, tarvel-visio on the session
// bus, which Connect starts (with the demo drawing when no drawings are
// given) when none runs; the drawings are opened in it, or in the running
// one the first time. Without a bus it runs inside Tarvel.
TVisioLink::TVisioLink(const std::vector<std::string>& drawings,
                       const std::function<void(const std::string&)>& tell) {
  standin::RegisterStandinVisio(drawings, drawings.empty(),
                                [tell](const std::string& file, const std::string& message) {
                                  tell("Cannot open \"" + file + "\": " + TrimText(message));
                                });
}

TVisioLink::~TVisioLink() = default;
