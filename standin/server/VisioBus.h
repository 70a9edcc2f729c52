// The stand-in Visio on the session bus: the name that stands for Visio's
// ProgID and class there, the path of its application object, how clients
// reach or start it, and its activation file.
#pragma once

#include <QString>

#include <string>
#include <vector>

#include "automation/dbus/Client.h"

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
// the running one, or start one showing the given drawings, and the demo
// drawing when asked.
automation::dbus::BusClassRegistration RegisterVisioOnBus(const std::vector<std::string>& files,
                                                          bool demo);

// $XDG_DATA_HOME/dbus-1/services/org.tarvel.Visio.service, where the bus
// looks for programs it may start for a client.
QString ServiceFilePath();
// Write or remove it: an empty string, or what went wrong.
std::string WriteServiceFile(const QString& program);
std::string RemoveServiceFile();

}  // namespace standin
