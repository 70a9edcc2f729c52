// The stand-in Visio on the session bus: the name that stands for Visio's
// ProgID and class there, the path of its application object, how clients
// reach or start it, and its activation file.
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "automation/dbus/Client.h"
#include "standin/Application.h"

namespace standin {

// Owned by the running tarvel-visio; "visio.application" and Visio's CLSID
// lead to it.
inline constexpr char kVisioBusName[] = "org.tarvel.Visio";
// The Application object; the objects it hands out get paths below it.
inline constexpr char kVisioObjectPath[] = "/org/tarvel/Visio";

// The server program: $TARVEL_VISIO_PROGRAM when set, else the one built
// beside this program, else "tarvel-visio" from PATH.
QString VisioServerProgram();

// Makes "visio.application" and Visio's class reach tarvel-visio: attach to
// the running one, or start one (showing the demo drawing when asked).
// The given drawings are opened through Documents.Open, as any client opens
// them: in every Visio this process starts, and in the first running one it
// attaches to. A drawing that does not open goes to openFailed with Visio's
// message.
automation::dbus::BusClassRegistration RegisterVisioOnBus(const std::vector<std::string>& files,
                                                          bool demo, OpenFailed openFailed = {});

// What Tarvel and tarvel-tree do to reach Visio: the stand-in on the session
// bus as RegisterVisioOnBus does, or, when no bus can be reached, the
// stand-in inside this process, started on first use as StartWithDrawings
// says. Either way a drawing that does not open goes to openFailed.
void RegisterStandinVisio(const std::vector<std::string>& files, bool demo,
                          OpenFailed openFailed = {});

// $XDG_DATA_HOME/dbus-1/services/org.tarvel.Visio.service, where the bus
// looks for programs it may start for a client.
QString ServiceFilePath();
// Write or remove it: an empty string, or what went wrong.
std::string WriteServiceFile(const QString& program);
std::string RemoveServiceFile();

}  // namespace standin
