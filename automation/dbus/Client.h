// The client side of the D-Bus transport: proxies that stand for objects in
// another process, and the registration that lets GetActiveObject and
// CoCreateInstance reach a class served by a program on the session bus.
//
// Every call is synchronous and bounded by a timeout; after a timeout,
// calls fail at once until the server answers a short question again. Once
// the server is gone, every call through any proxy of that attachment fails with
// RPC_E_DISCONNECTED, until the caller attaches again.
//
// An object of the caller's own passed in a call (an advise sink) travels
// too: the attachment serves it to the server, which calls it back without
// waiting. Those calls are dispatched by the event loop of the thread that
// first passed an object, after the call in progress, in the order they were
// made; the attachment keeps the object until the server releases it or
// goes. Keep a proxy of the attachment while its objects should be called.
//
// The process needs a QCoreApplication (or QApplication) before any of this
// is used, as Qt's D-Bus support does.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

#include "automation/Guid.h"
#include "automation/HResult.h"
#include "automation/Object.h"

namespace automation::dbus {

struct AttachOptions {
  // Calls go over a private connection to the server when it offers one;
  // the bus only finds the server.
  bool peerToPeer = true;
  int timeoutMs = 30000;
  // After a call has timed out, the server is taken as hung: calls fail at
  // once with RPC_E_TIMEOUT, and at most once per this interval a short
  // question (answered by the server's own loop) finds out whether it
  // answers again. A hung server thus costs one full timeout, not one per
  // call.
  int retryAfterTimeoutMs = 5000;
};

// The root object of the server that owns busName on the session bus.
// Throws AutomationError: MK_E_UNAVAILABLE when the bus cannot be reached
// or nobody owns the name.
ObjectRef AttachToServer(const QString& busName, const QString& rootPath,
                         const AttachOptions& options = {});

// Whether the session bus can be reached at all.
bool SessionBusReachable();

// A class whose instances a program serves on the session bus.
struct BusClass {
  Guid clsid;
  QString busName;
  QString rootPath;
  // Started when nothing owns the name and the bus cannot activate it.
  QString program;
  QStringList arguments;
  int startTimeoutMs = 15000;
  AttachOptions attach;
  // Called after each attachment that GetActiveObject or CoCreateInstance
  // makes, with the root and whether that call started the server.
  std::function<void(const ObjectRef& root, bool started)> attached;
};

// Makes GetActiveObject find a running server of the class, and
// CoCreateInstance with CLSCTX_LOCAL_SERVER start one (by the bus's own
// activation when a service file names it, else by running the program)
// and attach to it. A server that is running already is attached to: one
// server owns the name. CO_E_SERVER_EXEC_FAILURE when no server comes up.
struct BusClassRegistration {
  std::uint32_t source = 0;
  std::uint32_t factory = 0;
};
BusClassRegistration RegisterBusClass(const BusClass& busClass);
void UnregisterBusClass(const BusClassRegistration& registration);

// Counters of the messages the transport sends: calls that wait for a reply
// (round trips) and one-way release notices.
struct TransportCounters {
  std::uint64_t roundTrips = 0;
  std::uint64_t releaseMessages = 0;
};
TransportCounters Counters();

}  // namespace automation::dbus
