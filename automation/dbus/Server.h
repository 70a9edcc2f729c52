// Serves an object model to other processes over D-Bus, as a COM local
// server serves its objects through stubs.
//
// The root object lives at a fixed path for the server's whole life. Every
// other object handed to a client gets a path of its own below the root's
// (the same object keeps the same path while it is exported). A client
// tells the server how many of the paths it received it no longer uses
// (Release); what a client received is forgotten when it leaves the bus or
// closes its peer connection. A path stays valid as long as a client holds
// it or the object model still keeps the object; after that it answers
// CO_E_OBJNOTCONNECTED. A short grace period keeps objects alive for clients
// that do not release (command-line tools making one call per connection).
//
// Frequent callers use a peer-to-peer connection: the server listens on a
// private socket and tells its address to whoever asks on the bus. The
// server reads those connections and its own connection to the bus itself,
// in its own thread's event loop (see Native.h); Qt's connection to the bus
// only watches clients leave.
//
// The socket lives in a folder only its user can enter (PeerSocketFolder),
// so no other user can connect to it. A connection is nobody's client until
// it has authenticated: one that has not within the authentication timeout
// is closed, and at most kMaxPendingPeers wait at once (a new one closes the
// oldest). A peer that leaves more than kMaxQueuedBytes of answers unread is
// disconnected.
//
// A client may pass objects of its own (an advise sink): they arrive as
// paths in the client's namespace (kClientPathPrefix), and become call-back
// proxies bound to that client's connection, one per path while it lives.
// Calling one sends the call at once and answers without waiting for the
// client, so a slow client never holds up the server: calls on one proxy
// arrive in the order they were made. Call-backs count against the same
// bound as answers: over a peer connection the bytes the peer leaves
// unread, on the bus the bytes of call-backs it has not yet answered. Once
// the client has gone, calls on its proxies fail with RPC_E_DISCONNECTED.
// Only the client that first named a namespace may name paths in it.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "automation/Object.h"
#include "automation/Variant.h"

class QDBusServiceWatcher;
struct DBusMessage;

namespace automation::dbus {

// The folder for this user's private sockets: "tarvel" in the session's
// runtime folder, else "tarvel-<uid>" in the temporary folder. Made with
// mode 0700 when missing; refused (AutomationError with the reason) unless
// it is a real folder, owned by this user, that nobody else may enter.
QString PeerSocketFolder();

}  // namespace automation::dbus

namespace automation::dbus {

namespace native {
class IncomingCall;
class LoopBinding;
}  // namespace native

class ObjectServer : public QObject {
  Q_OBJECT

 public:
  ObjectServer(ObjectRef root, QString rootPath, QObject* parent = nullptr);
  ~ObjectServer() override;

  // Exports the root on a connection of its own to the session bus and owns
  // the name (a name that someone else owns already is an error). With
  // peerToPeer, also listens for private connections. Throws
  // AutomationError, its message saying what failed.
  void Start(const QString& busName, bool peerToPeer = true);
  // Stops owning the name; the exported objects stay reachable to those
  // attached over a peer connection.
  void ReleaseName();

  // While busy, every call on an object is refused with RPC_E_CALL_REJECTED,
  // as an application does behind a modal dialog.
  void SetBusy(bool busy);
  bool Busy() const { return busy_; }

  // How long objects that nobody releases stay exported at least.
  void SetGracePeriod(std::chrono::milliseconds grace) { grace_ = grace; }
  // How long a new peer connection may take to authenticate.
  void SetAuthTimeout(std::chrono::milliseconds timeout) { authTimeout_ = timeout; }

  static constexpr std::size_t kMaxPendingPeers = 16;
  static constexpr long kMaxQueuedBytes = 64L * 1024 * 1024;

  // Exported objects besides the root, and clients that hold any.
  std::size_t ExportedCount() const { return entries_.size(); }
  std::size_t ClientCount() const { return clients_.size(); }
  // Peer connections not yet authenticated.
  std::size_t PendingCount() const { return pending_.size(); }
  QString PeerAddress() const;

  // Drops what is no longer held: closed peer connections, and objects only
  // the server keeps whose grace period has passed. Runs on a timer too.
  void Sweep();

  // A client's connection as its objects' call-back proxies use it.
  struct Callbacks;

  // Handles one call, from the bus or a peer connection; the client is the
  // sender on the bus, or the peer connection. Public for the dispatchers.
  void Handle(native::IncomingCall& call, const QString& client);

 signals:
  // The last client left: a peer connection, or a bus client that called
  // an object.
  void ClientsGone();
  void BusyChanged(bool busy);

 private:
  struct Entry {
    ObjectRef object;
    std::uint64_t held = 0;  // handed out and not yet released, all clients
    std::chrono::steady_clock::time_point unheldSince;
  };
  struct Peer;
  struct PeerListener;
  struct BusLink;
  friend class CallbackProxy;
  struct Client {
    std::unique_ptr<Peer> peer;  // peer connections only
    std::unordered_map<QString, std::uint32_t> held;
    std::shared_ptr<Callbacks> callbacks;  // made when it first names an object of its own
    std::vector<QString> namespaces;       // of its objects' paths
  };

  void HandleObjectCall(native::IncomingCall& call, const QString& client);
  void HandleServerCall(native::IncomingCall& call, const QString& client);
  Client& ClientFor(const QString& client);
  void DropClient(const QString& client);
  void DropClosedPeers();
  void Unhold(const QString& path, std::uint32_t count, bool released);
  QString PathFor(const ObjectRef& object, const QString& client);
  // The object a client names: one of the server's, or a call-back proxy of
  // the client's own.
  ObjectRef ObjectAt(const QString& path, const QString& client);
  ObjectRef CallbackAt(const QString& path, const QString& client);
  // Call-backs wait a moment (kCallbackWindow) and go out together, as one
  // message when there are several (native::NewCalls), in the order made.
  void SendCallback(Callbacks& callbacks, const std::string& path, CallKind kind,
                    std::string_view member, Args args);
  void FlushCallbacks(Callbacks& callbacks);
  void FlushAllCallbacks();
  void SendToClient(Callbacks& callbacks, DBusMessage* message);
  static constexpr std::chrono::milliseconds kCallbackWindow{2};
  static constexpr std::size_t kMaxCallbacksAtOnce = 256;
  static constexpr std::size_t kMaxBatchBytes = 64 * 1024;
  // A bus client that has left too many call-backs unanswered.
  void Overdue(const QString& client);
  void OnNewPeer(void* connection);
  // A pending peer that has authenticated becomes a client; one that has
  // not by its deadline (expired) is closed.
  void SettlePending(const QString& id, bool expired);
  void OverQueued(const QString& id);

  ObjectRef root_;
  QString rootPath_;
  QString prefix_;  // rootPath_ + "/"
  QString busName_;
  std::unique_ptr<BusLink> busLink_;
  std::unique_ptr<PeerListener> peerListener_;
  std::unique_ptr<QDBusServiceWatcher> watcher_;
  std::unordered_map<QString, Entry> entries_;
  std::unordered_map<const Object*, QString> pathOf_;
  std::unordered_set<QString> unheld_;
  std::unordered_map<QString, Client> clients_;
  std::unordered_map<QString, std::unique_ptr<Peer>> pending_;
  std::unordered_map<QString, QString> namespaceOwners_;  // client path namespace -> client
  std::uint64_t nextId_ = 1;
  bool busy_ = false;
  std::chrono::milliseconds grace_{30000};
  std::chrono::milliseconds authTimeout_{5000};
  QTimer sweepTimer_;
  int peerCount_ = 0;
  // Clients with call-backs waiting, and the timer that sends them.
  std::vector<std::weak_ptr<Callbacks>> waitingCallbacks_;
  QTimer callbackTimer_;
};

}  // namespace automation::dbus
