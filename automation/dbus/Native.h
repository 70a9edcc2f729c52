// The transport's one encoder, and its connections: libdbus used directly,
// in the thread that makes or serves the call.
//
// Qt's D-Bus support reads and writes every connection in a thread of its
// own, so that each call crosses threads twice on each side. Every call
// goes instead over a connection that the calling thread reads and writes
// itself (a peer connection, or a connection of its own to the bus): the
// client blocks on the socket for the reply, and the server reads its
// sockets from its own event loop. The encoding is the one Wire.h
// describes.
#pragma once

#include <dbus/dbus.h>

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation/Object.h"
#include "automation/Variant.h"

namespace automation::dbus::native {

struct MessageUnref {
  void operator()(DBusMessage* m) const { dbus_message_unref(m); }
};
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

// Makes libdbus safe to use from several threads (once per process).
void InitThreads();

using PathOf = std::function<std::string(const ObjectRef&)>;
using ObjectAt = std::function<ObjectRef(const char* path)>;

// Appends value as one "v". False when libdbus is out of memory.
bool AppendVariant(DBusMessageIter* out, const Variant& value, const PathOf& pathOf);
// Reads the value the iterator points at (a "v" or its content).
// DISP_E_BADVARTYPE for what no variant can hold.
Variant ReadVariant(DBusMessageIter* in, const ObjectAt& objectAt);

// One string, as D-Bus requires it: valid UTF-8 (invalid sequences become
// U+FFFD, as Qt's conversion makes them), up to the first NUL.
std::string ValidUtf8(std::string_view s);

// Hands a connection's or a listening server's sockets and timers to the
// event loop of the thread that creates the binding, and dispatches what
// arrives there. Destroy it in that thread, before the connection.
class LoopBinding final : public QObject {
 public:
  explicit LoopBinding(DBusConnection* connection);
  explicit LoopBinding(DBusServer* server);
  ~LoopBinding() override;

  // A listening server's new-connection function calls this: a readable
  // socket that gave no connection means accept() failed (out of file
  // descriptors), and the socket is left alone for a while instead of
  // being tried again at once.
  void NoteAccepted() { accepted_ = true; }

  // Dispatches what the connection's socket holds already, without waiting
  // for the loop (not while a dispatch of it runs).
  void DispatchArrived();

 private:
  struct Watch;
  struct Timeout;
  static dbus_bool_t AddWatch(DBusWatch* watch, void* data);
  static void RemoveWatch(DBusWatch* watch, void* data);
  static void ToggleWatch(DBusWatch* watch, void* data);
  static dbus_bool_t AddTimeout(DBusTimeout* timeout, void* data);
  static void RemoveTimeout(DBusTimeout* timeout, void* data);
  static void ToggleTimeout(DBusTimeout* timeout, void* data);
  static void DispatchStatusChanged(DBusConnection* connection, DBusDispatchStatus status,
                                    void* data);
  void Dispatch();
  void BackOff(DBusWatch* watch);

  DBusConnection* connection_ = nullptr;
  DBusServer* server_ = nullptr;
  std::vector<std::unique_ptr<Watch>> watches_;
  std::vector<std::unique_ptr<Timeout>> timeouts_;
  bool dispatchQueued_ = false;
  bool dispatching_ = false;
  bool accepted_ = false;
};

}  // namespace automation::dbus::native
