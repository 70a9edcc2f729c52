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
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
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

// Get, Put or Invoke of member with args on the object at path: the one
// form a call on an object takes, whichever end sends it. destination is
// null on a peer connection. Throws E_OUTOFMEMORY.
Message NewObjectCall(const char* destination, const std::string& path, CallKind kind,
                      std::string_view member, Args args, const PathOf& pathOf);

// Release: the paths the sender received and no longer uses, each with how
// many times it received it; sent one-way to the root of the other end.
using Releases = std::vector<std::pair<std::string, std::uint32_t>>;
Message NewRelease(const char* destination, const std::string& rootPath, const Releases& releases);

// Calls: several one-way calls to objects below rootPath, in order, as one
// message (an array of the calls, each marshalled), so that a burst of
// call-backs costs the sender one write and the receiver one wake-up.
// Null when out of memory.
Message NewCalls(const char* destination, const std::string& rootPath,
                 const std::vector<Message>& calls);

// One string, as D-Bus requires it: valid UTF-8 (invalid sequences become
// U+FFFD, as Qt's conversion makes them), up to the first NUL.
std::string ValidUtf8(std::string_view s);

// Whether the message is a call on the transport's interfaces (a call that
// names no interface is taken as one).
bool ForTransport(DBusMessage* message);

// One incoming call, on either end, and its answer. Arguments are read by
// position once the signature has been checked. Answers go out only when
// the caller wants one.
class IncomingCall {
 public:
  IncomingCall(DBusConnection* connection, DBusMessage* message)
      : connection_(connection), message_(message) {}

  QString Path() const;
  QString Interface() const;
  QString Member() const;
  QString Signature() const;
  bool ReplyRequired() const { return dbus_message_get_no_reply(message_) == 0; }

  QString StringAt(int index) const { return FromC(BasicAt<const char*>(index)); }
  QString PathAt(int index) const { return FromC(BasicAt<const char*>(index)); }
  bool BoolAt(int index) const { return BasicAt<dbus_bool_t>(index) != 0; }
  std::vector<Variant> VariantsAt(int index,
                                  const std::function<ObjectRef(const QString&)>& objectAt) const;
  Releases ReleasesAt(int index) const;
  // The calls of a Calls message, in order; a call that does not demarshal
  // as a call is left out.
  std::vector<Message> CallsAt(int index) const;

  void Reply() { Send(NewReply()); }
  void Reply(bool value) { SendBasic(DBUS_TYPE_BOOLEAN, dbus_bool_t{value}); }
  void Reply(const QString& value);
  void Reply(std::uint32_t value) { SendBasic(DBUS_TYPE_UINT32, dbus_uint32_t{value}); }
  void Reply(const Variant& value, const std::function<QString(const ObjectRef&)>& pathOf);
  void ReplyError(const QString& name, const QString& text);
  // Runs serve, answering its failures as errors carrying their code.
  void Answer(const std::function<void()>& serve);

 private:
  static QString FromC(const char* s) { return s != nullptr ? QString::fromUtf8(s) : QString(); }
  DBusMessageIter At(int index) const;
  template <class T>
  T BasicAt(int index) const {
    DBusMessageIter it = At(index);
    T value{};
    dbus_message_iter_get_basic(&it, &value);
    return value;
  }
  Message NewReply() const { return Message(dbus_message_new_method_return(message_)); }
  template <class T>
  void SendBasic(int type, T value) {
    Message reply = NewReply();
    if (!reply || !dbus_message_append_args(reply.get(), type, &value, DBUS_TYPE_INVALID)) return;
    Send(std::move(reply));
  }
  void Send(Message reply);

  DBusConnection* connection_;
  DBusMessage* message_;
};

// The methods of the object interface.
enum class ObjectMethod { Get, Put, Invoke, Supports, SameObject };
// The method the call asks for; none (answered UnknownMethod) for others.
std::optional<ObjectMethod> ObjectMethodOf(IncomingCall& call);
// Serves a call on target; objectAt reads the paths in its arguments,
// pathOf writes those in its answer.
void ServeObjectCall(IncomingCall& call, ObjectMethod method, const ObjectRef& target,
                     const std::function<ObjectRef(const QString&)>& objectAt,
                     const std::function<QString(const ObjectRef&)>& pathOf);

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
