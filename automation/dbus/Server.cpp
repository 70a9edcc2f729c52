#include "automation/dbus/Server.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <iostream>
#include <vector>

#include "automation/dbus/Native.h"
#include "automation/dbus/Wire.h"

namespace automation::dbus {

namespace {

QString FromC(const char* s) { return s != nullptr ? QString::fromUtf8(s) : QString(); }

}  // namespace

using native::IncomingCall;

namespace {

const QString kServer = QString::fromLatin1(kServerInterface);
const QString kUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
const QString kUnknownInterface = QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface");

QString Introspection(bool root) {
  QString xml = QStringLiteral(
      "  <interface name=\"org.tarvel.Automation\">\n"
      "    <method name=\"Get\"><arg name=\"member\" type=\"s\" direction=\"in\"/>"
      "<arg name=\"args\" type=\"av\" direction=\"in\"/>"
      "<arg name=\"result\" type=\"v\" direction=\"out\"/></method>\n"
      "    <method name=\"Put\"><arg name=\"member\" type=\"s\" direction=\"in\"/>"
      "<arg name=\"args\" type=\"av\" direction=\"in\"/></method>\n"
      "    <method name=\"Invoke\"><arg name=\"member\" type=\"s\" direction=\"in\"/>"
      "<arg name=\"args\" type=\"av\" direction=\"in\"/>"
      "<arg name=\"result\" type=\"v\" direction=\"out\"/></method>\n"
      "    <method name=\"Supports\"><arg name=\"iid\" type=\"s\" direction=\"in\"/>"
      "<arg name=\"result\" type=\"b\" direction=\"out\"/></method>\n"
      "    <method name=\"SameObject\"><arg name=\"other\" type=\"o\" direction=\"in\"/>"
      "<arg name=\"result\" type=\"b\" direction=\"out\"/></method>\n"
      "  </interface>\n");
  if (root) {
    xml += QStringLiteral(
        "  <interface name=\"org.tarvel.Automation.Server\">\n"
        "    <method name=\"PeerAddress\"><arg name=\"address\" type=\"s\" "
        "direction=\"out\"/></method>\n"
        "    <method name=\"Release\"><arg name=\"paths\" type=\"a(ou)\" "
        "direction=\"in\"/><annotation name=\"org.freedesktop.DBus.Method.NoReply\" "
        "value=\"true\"/></method>\n"
        "    <method name=\"SetBusy\"><arg name=\"busy\" type=\"b\" direction=\"in\"/></method>\n"
        "    <method name=\"Busy\"><arg name=\"busy\" type=\"b\" direction=\"out\"/></method>\n"
        "    <method name=\"ExportedCount\"><arg name=\"count\" type=\"u\" "
        "direction=\"out\"/></method>\n"
        "  </interface>\n");
  }
  return xml;
}

// What D-Bus tools see of an exported path.
QString IntrospectionDocument(bool root) {
  return QStringLiteral(DBUS_INTROSPECT_1_0_XML_DOCTYPE_DECL_NODE "<node>\n") +
         Introspection(root) +
         QStringLiteral(
             "  <interface name=\"" DBUS_INTERFACE_INTROSPECTABLE "\">\n"
             "    <method name=\"Introspect\"><arg name=\"xml_data\" type=\"s\" "
             "direction=\"out\"/></method>\n"
             "  </interface>\n"
             "</node>\n");
}

// Whether path is a real folder of this user's that nobody else may enter.
QString UnsafeFolder(const QString& path) {
  struct stat info{};
  if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
    return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
  }
  if (S_ISLNK(info.st_mode)) return QStringLiteral("%1 is a symbolic link").arg(path);
  if (!S_ISDIR(info.st_mode)) return QStringLiteral("%1 is not a folder").arg(path);
  if (info.st_uid != ::geteuid()) return QStringLiteral("%1 belongs to another user").arg(path);
  if ((info.st_mode & 077) != 0) return QStringLiteral("%1 is open to other users").arg(path);
  return QString();
}

// Removes the sockets in folder that nobody listens on any more: those of
// servers that were killed. A socket whose server process still runs is
// left alone, as it may be about to listen.
void ClearStaleSockets(const QString& folder) {
  const QDir dir(folder);
  for (const QString& name : dir.entryList({QStringLiteral("peer-*")}, QDir::System)) {
    bool numeric = false;
    const qint64 pid = name.section(QLatin1Char('-'), 1, 1).toLongLong(&numeric);
    if (numeric && pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0) continue;
    const QByteArray path = QFile::encodeName(dir.filePath(name));
    struct stat info{};
    if (::lstat(path.constData(), &info) != 0 || !S_ISSOCK(info.st_mode)) continue;
    sockaddr_un address{};
    if (static_cast<std::size_t>(path.size()) >= sizeof(address.sun_path)) continue;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return;
    const bool refused =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 &&
        errno == ECONNREFUSED;
    ::close(fd);
    if (refused) ::unlink(path.constData());
  }
}

std::string ProgramName() {
  const QString name = QCoreApplication::applicationName();
  return name.isEmpty() ? std::string("tarvel") : ToStd(name);
}

}  // namespace

QString PeerSocketFolder() {
  QString base;
  QString name = QStringLiteral("tarvel");
  const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
  if (!runtime.isEmpty() && UnsafeFolder(runtime).isEmpty()) {
    base = runtime;
  } else {
    base = QDir::tempPath();
    name += QStringLiteral("-%1").arg(::geteuid());
  }
  const QString folder = base + QLatin1Char('/') + name;
  // An existing one is taken only after the checks below.
  if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) {
    throw AutomationError(E_FAIL, ToStd(folder) + ": " + std::strerror(errno));
  }
  const QString unsafe = UnsafeFolder(folder);
  if (!unsafe.isEmpty()) throw AutomationError(E_ACCESSDENIED, ToStd(unsafe));
  return folder;
}

// A private connection from one client.
struct ObjectServer::Peer {
  Peer(ObjectServer* s, QString i, DBusConnection* c) : server(s), id(std::move(i)), connection(c) {
    dbus_connection_ref(connection);
    dbus_connection_set_exit_on_disconnect(connection, FALSE);
  }
  ~Peer() {
    dbus_connection_close(connection);
    binding.reset();
    dbus_connection_unref(connection);
  }

  static DBusHandlerResult OnMessage(DBusConnection* connection, DBusMessage* message, void* data) {
    auto* peer = static_cast<Peer*>(data);
    if (!native::ForTransport(message)) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    // Calls that were read before the peer was disconnected go unanswered.
    if (peer->overQueued) return DBUS_HANDLER_RESULT_HANDLED;
    if (peer->pending) peer->server->SettlePending(peer->id, false);
    IncomingCall call(connection, message);
    peer->server->Handle(call, peer->id);
    if (dbus_connection_get_outgoing_size(connection) > kMaxQueuedBytes) {
      peer->server->OverQueued(peer->id);
    }
    return DBUS_HANDLER_RESULT_HANDLED;
  }

  static DBusHandlerResult OnSignal(DBusConnection*, DBusMessage* message, void* data) {
    auto* peer = static_cast<Peer*>(data);
    if (dbus_message_is_signal(message, DBUS_INTERFACE_LOCAL, "Disconnected")) {
      // Not while the connection is dispatching: dropping the client ends it.
      QMetaObject::invokeMethod(
          peer->server, [server = peer->server, id = peer->id] { server->DropClient(id); },
          Qt::QueuedConnection);
    }
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  }

  ObjectServer* server;
  QString id;
  DBusConnection* connection;
  std::unique_ptr<native::LoopBinding> binding;
  bool pending = true;      // not yet authenticated
  bool overQueued = false;  // disconnected for answers it left unread
  std::chrono::steady_clock::time_point accepted = std::chrono::steady_clock::now();
};

// The private socket peers connect to.
struct ObjectServer::PeerListener {
  explicit PeerListener(DBusServer* s) : server(s) {}
  ~PeerListener() {
    dbus_server_disconnect(server);
    binding.reset();
    dbus_server_unref(server);
  }

  static void OnNewConnection(DBusServer*, DBusConnection* connection, void* data) {
    auto* server = static_cast<ObjectServer*>(data);
    server->peerListener_->binding->NoteAccepted();
    server->OnNewPeer(connection);
  }

  DBusServer* server;
  std::unique_ptr<native::LoopBinding> binding;
};

// The server's own connection to the bus: it owns the name, and carries the
// calls of clients that come through the bus daemon, read in the server's
// thread as peer connections are.
struct ObjectServer::BusLink {
  explicit BusLink(DBusConnection* c) : connection(c) {
    dbus_connection_set_exit_on_disconnect(connection, FALSE);
  }
  ~BusLink() {
    dbus_connection_close(connection);  // the bus frees the name
    binding.reset();
    dbus_connection_unref(connection);
  }

  static DBusHandlerResult OnMessage(DBusConnection* connection, DBusMessage* message, void* data) {
    auto* server = static_cast<ObjectServer*>(data);
    if (dbus_message_is_method_call(message, DBUS_INTERFACE_INTROSPECTABLE, "Introspect")) {
      IncomingCall call(connection, message);
      call.Reply(IntrospectionDocument(call.Path() == server->rootPath_));
      return DBUS_HANDLER_RESULT_HANDLED;
    }
    if (!native::ForTransport(message)) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    IncomingCall call(connection, message);
    server->Handle(call, FromC(dbus_message_get_sender(message)));
    return DBUS_HANDLER_RESULT_HANDLED;
  }

  DBusConnection* connection;
  std::unique_ptr<native::LoopBinding> binding;
};

class CallbackProxy;

// What calls one client's objects back: its connection while it is a
// client, shared by its call-back proxies, which outlive it.
struct ObjectServer::Callbacks {
  ObjectServer* server = nullptr;
  QString client;
  // The peer connection, or the server's connection to the bus; null once
  // the client has gone.
  DBusConnection* connection = nullptr;
  std::string destination;  // the client's bus name; empty on a peer connection
  std::unordered_map<std::string, CallbackProxy*> proxies;
  // Bytes of call-backs sent on the bus; at the last one that asked for an
  // answer; up to the last one answered.
  std::uint64_t sent = 0;
  std::uint64_t asked = 0;
  std::uint64_t answered = 0;
  // Call-backs made and not yet sent, all below one client path namespace.
  std::vector<native::Message> waiting;
  std::size_t waitingBytes = 0;
  std::string waitingRoot;

  void Disconnect() {
    connection = nullptr;
    server = nullptr;
    waiting.clear();
    waitingBytes = 0;
  }
  const char* Destination() const { return destination.empty() ? nullptr : destination.c_str(); }
};

// An object of a client's, as the server calls it: calls are sent and not
// waited for. Lives in the server's thread.
class CallbackProxy final : public Object {
 public:
  CallbackProxy(std::shared_ptr<ObjectServer::Callbacks> callbacks, std::string path)
      : callbacks_(std::move(callbacks)), path_(std::move(path)) {}

  Variant Invoke(CallKind kind, std::string_view member, Args args) override {
    if (callbacks_->server == nullptr) throw AutomationError(RPC_E_DISCONNECTED);
    // An answer would have to be waited for.
    if (kind == CallKind::PropertyGet) {
      throw AutomationError(E_NOTIMPL, "A client's object answers no property reads.");
    }
    callbacks_->server->SendCallback(*callbacks_, path_, kind, member, args);
    return Variant();
  }
  bool Supports(const Guid& iid) const override {
    return iid == IID_IUnknown || iid == IID_IDispatch;
  }
  bool IsSameObject(const Object& other) const override {
    const auto* proxy = dynamic_cast<const CallbackProxy*>(&other);
    return proxy != nullptr && proxy->callbacks_ == callbacks_ && proxy->path_ == path_;
  }

  void AddHandout() { ++handouts_; }
  bool BelongsTo(const ObjectServer::Callbacks* callbacks) const {
    return callbacks_.get() == callbacks;
  }
  const std::string& Path() const { return path_; }

 protected:
  ~CallbackProxy() override {
    callbacks_->proxies.erase(path_);
    if (callbacks_->connection == nullptr || handouts_ == 0) return;
    // The client may let go of its object: it was named handouts_ times,
    // after the calls made of it so far.
    if (callbacks_->server != nullptr) callbacks_->server->FlushCallbacks(*callbacks_);
    const std::string root = path_.substr(0, path_.rfind('/'));
    const native::Message release =
        native::NewRelease(callbacks_->Destination(), root, {{path_, handouts_}});
    if (release) dbus_connection_send(callbacks_->connection, release.get(), nullptr);
  }

 private:
  std::shared_ptr<ObjectServer::Callbacks> callbacks_;
  std::string path_;
  std::uint32_t handouts_ = 0;
};

namespace {

// A call-back on the bus waiting for its answer, and the bytes sent up to
// it.
struct Unanswered {
  std::weak_ptr<ObjectServer::Callbacks> callbacks;
  std::uint64_t sent = 0;
};

}  // namespace

ObjectServer::ObjectServer(ObjectRef root, QString rootPath, QObject* parent)
    : QObject(parent),
      root_(std::move(root)),
      rootPath_(std::move(rootPath)),
      prefix_(rootPath_ + QLatin1Char('/')) {
  native::InitThreads();
  sweepTimer_.setInterval(2000);
  connect(&sweepTimer_, &QTimer::timeout, this, &ObjectServer::Sweep);
  callbackTimer_.setSingleShot(true);
  callbackTimer_.setInterval(kCallbackWindow);
  connect(&callbackTimer_, &QTimer::timeout, this, &ObjectServer::FlushAllCallbacks);
}

ObjectServer::~ObjectServer() {
  for (auto& [id, client] : clients_) {
    if (client.callbacks) client.callbacks->Disconnect();
  }
  peerListener_.reset();  // removes the socket file
  pending_.clear();
  clients_.clear();  // closes the peer connections
  busLink_.reset();
}

void ObjectServer::Start(const QString& busName, bool peerToPeer) {
  DBusError busError;
  dbus_error_init(&busError);
  DBusConnection* connection = dbus_bus_get_private(DBUS_BUS_SESSION, &busError);
  dbus_error_free(&busError);
  if (connection == nullptr) throw AutomationError(E_FAIL, "the session bus cannot be reached");
  auto link = std::make_unique<BusLink>(connection);
  static const DBusObjectPathVTable vtable = {nullptr, &BusLink::OnMessage,
                                              nullptr, nullptr, nullptr, nullptr};
  if (!dbus_connection_register_fallback(connection, ToStd(rootPath_).c_str(), &vtable, this)) {
    throw AutomationError(E_FAIL, "cannot export objects at " + ToStd(rootPath_));
  }
  link->binding = std::make_unique<native::LoopBinding>(connection);
  const std::string wanted = ToStd(busName);
  const int owned =
      dbus_bus_request_name(connection, wanted.c_str(), DBUS_NAME_FLAG_DO_NOT_QUEUE, &busError);
  if (owned != DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
    const std::string why = owned == -1 && busError.message != nullptr
                                ? std::string(busError.message)
                                : "the name " + wanted + " is taken on the session bus";
    dbus_error_free(&busError);
    throw AutomationError(E_FAIL, why);
  }
  busLink_ = std::move(link);
  busName_ = busName;

  watcher_ = std::make_unique<QDBusServiceWatcher>();
  watcher_->setConnection(QDBusConnection::sessionBus());
  watcher_->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
  connect(watcher_.get(), &QDBusServiceWatcher::serviceUnregistered, this,
          [this](const QString& name) {
            // The client's calls came before the bus told of its leaving,
            // on the other connection: answered first, they cannot make it
            // a client again after it is dropped.
            if (busLink_) busLink_->binding->DispatchArrived();
            DropClient(name);
            // A process that left the bus has usually closed its peer
            // connection too.
            QTimer::singleShot(50, this, [this] { DropClosedPeers(); });
          });

  if (peerToPeer) {
    QString folder;
    try {
      folder = PeerSocketFolder();
    } catch (const AutomationError& e) {
      std::cerr << ProgramName() << ": no private socket, calls go through the bus: " << e.message()
                << '\n';
    }
    if (!folder.isEmpty()) {
      ClearStaleSockets(folder);
      static std::atomic<int> serial{0};
      const std::string address = ToStd(QStringLiteral("unix:path=%1/peer-%2-%3")
                                            .arg(folder)
                                            .arg(QCoreApplication::applicationPid())
                                            .arg(++serial));
      DBusError error;
      dbus_error_init(&error);
      DBusServer* listening = dbus_server_listen(address.c_str(), &error);
      dbus_error_free(&error);
      if (listening != nullptr) {  // else calls go through the bus
        const char* mechanisms[] = {"EXTERNAL", nullptr};
        dbus_server_set_auth_mechanisms(listening, mechanisms);
        peerListener_ = std::make_unique<PeerListener>(listening);
        dbus_server_set_new_connection_function(listening, &PeerListener::OnNewConnection, this,
                                                nullptr);
        peerListener_->binding = std::make_unique<native::LoopBinding>(listening);
      }
    }
  }
  sweepTimer_.start();
}

void ObjectServer::ReleaseName() {
  if (!busLink_ || busName_.isEmpty()) return;
  DBusError error;
  dbus_error_init(&error);
  dbus_bus_release_name(busLink_->connection, ToStd(busName_).c_str(), &error);
  dbus_error_free(&error);
  busName_.clear();
}

QString ObjectServer::PeerAddress() const {
  if (!peerListener_) return QString();
  char* address = dbus_server_get_address(peerListener_->server);
  const QString out = QString::fromUtf8(address);
  dbus_free(address);
  return out;
}

void ObjectServer::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  emit BusyChanged(busy);
}

void ObjectServer::OnNewPeer(void* newConnection) {
  auto* connection = static_cast<DBusConnection*>(newConnection);
  // Waiting connections are bounded: those that have authenticated meanwhile
  // become clients, else the oldest makes room.
  if (pending_.size() >= kMaxPendingPeers) {
    std::vector<QString> ids;
    for (const auto& [id, peer] : pending_) ids.push_back(id);
    for (const QString& id : ids) SettlePending(id, false);
  }
  if (pending_.size() >= kMaxPendingPeers) {
    auto oldest = std::min_element(
        pending_.begin(), pending_.end(),
        [](const auto& a, const auto& b) { return a.second->accepted < b.second->accepted; });
    pending_.erase(oldest);  // closes it
  }
  const QString id = QStringLiteral("peer %1").arg(++peerCount_);
  auto peer = std::make_unique<Peer>(this, id, connection);
  static const DBusObjectPathVTable vtable = {nullptr, &Peer::OnMessage,
                                              nullptr, nullptr, nullptr, nullptr};
  const std::string root = ToStd(rootPath_);
  if (!dbus_connection_register_fallback(connection, root.c_str(), &vtable, peer.get()) ||
      !dbus_connection_add_filter(connection, &Peer::OnSignal, peer.get(), nullptr)) {
    return;  // out of memory: the connection is closed with peer
  }
  peer->binding = std::make_unique<native::LoopBinding>(connection);
  pending_[id] = std::move(peer);
  QTimer::singleShot(authTimeout_, this, [this, id] { SettlePending(id, true); });
}

void ObjectServer::SettlePending(const QString& id, bool expired) {
  auto it = pending_.find(id);
  if (it == pending_.end()) return;
  if (!dbus_connection_get_is_authenticated(it->second->connection)) {
    if (expired) pending_.erase(it);  // closes it
    return;
  }
  it->second->pending = false;
  clients_[id].peer = std::move(it->second);
  pending_.erase(it);
}

void ObjectServer::OverQueued(const QString& id) {
  auto it = clients_.find(id);
  if (it == clients_.end() || !it->second.peer || it->second.peer->overQueued) return;
  Peer& peer = *it->second.peer;
  peer.overQueued = true;
  std::cerr << ProgramName() << ": " << ToStd(id) << " left more than "
            << kMaxQueuedBytes / (1024 * 1024) << " MiB of answers unread and was disconnected\n";
  // Frees the queued answers now; the client is dropped on its
  // Disconnected signal.
  dbus_connection_close(peer.connection);
}

ObjectServer::Client& ObjectServer::ClientFor(const QString& client) {
  auto it = clients_.find(client);
  if (it != clients_.end()) return it->second;
  Client& added = clients_[client];
  // A bus client is forgotten when its connection to the bus ends.
  if (watcher_) watcher_->addWatchedService(client);
  return added;
}

void ObjectServer::DropClient(const QString& id) {
  if (pending_.erase(id) != 0) return;
  auto it = clients_.find(id);
  if (it == clients_.end()) return;
  const auto now = std::chrono::steady_clock::now();
  for (const auto& [path, count] : it->second.held) {
    auto entry = entries_.find(path);
    if (entry == entries_.end()) continue;
    entry->second.held -= std::min<std::uint64_t>(entry->second.held, count);
    if (entry->second.held == 0) {
      entry->second.unheldSince = now;
      unheld_.insert(path);
    }
  }
  if (it->second.callbacks) it->second.callbacks->Disconnect();
  for (const QString& name : it->second.namespaces) namespaceOwners_.erase(name);
  if (!it->second.peer && watcher_) watcher_->removeWatchedService(id);
  clients_.erase(it);  // closes a peer connection
  if (clients_.empty()) emit ClientsGone();
}

void ObjectServer::Unhold(const QString& path, std::uint32_t count, bool released) {
  auto entry = entries_.find(path);
  if (entry == entries_.end()) return;
  entry->second.held -= std::min<std::uint64_t>(entry->second.held, count);
  if (entry->second.held != 0) return;
  // Released by its last holder and kept by nobody else: gone at once.
  if (released && entry->second.object->UseCount() == 1) {
    pathOf_.erase(entry->second.object.get());
    unheld_.erase(path);
    entries_.erase(entry);
    return;
  }
  entry->second.unheldSince = std::chrono::steady_clock::now();
  unheld_.insert(path);
}

void ObjectServer::DropClosedPeers() {
  std::vector<QString> closed;
  for (const auto& [id, client] : clients_) {
    if (client.peer && !dbus_connection_get_is_connected(client.peer->connection)) {
      closed.push_back(id);
    }
  }
  for (const auto& [id, peer] : pending_) {
    if (!dbus_connection_get_is_connected(peer->connection)) closed.push_back(id);
  }
  for (const QString& id : closed) DropClient(id);
}

void ObjectServer::Sweep() {
  DropClosedPeers();

  const auto now = std::chrono::steady_clock::now();
  std::vector<QString> expired;
  for (auto it = unheld_.begin(); it != unheld_.end();) {
    auto entry = entries_.find(*it);
    if (entry == entries_.end() || entry->second.held != 0) {
      it = unheld_.erase(it);
      continue;
    }
    if (entry->second.object->UseCount() == 1 && now - entry->second.unheldSince >= grace_) {
      expired.push_back(*it);
    }
    ++it;
  }
  for (const QString& path : expired) {
    auto entry = entries_.find(path);
    ObjectRef object = std::move(entry->second.object);  // released after the tables
    pathOf_.erase(object.get());
    entries_.erase(entry);
    unheld_.erase(path);
  }
}

QString ObjectServer::PathFor(const ObjectRef& object, const QString& client) {
  if (object.get() == root_.get()) return rootPath_;
  // A client's own object goes back to it as its own path; to another
  // client it is one of the server's objects.
  if (const auto* proxy = dynamic_cast<const CallbackProxy*>(object.get())) {
    auto owner = clients_.find(client);
    if (owner != clients_.end() && proxy->BelongsTo(owner->second.callbacks.get())) {
      return FromStd(proxy->Path());
    }
  }
  QString path;
  auto known = pathOf_.find(object.get());
  if (known != pathOf_.end()) {
    path = known->second;
  } else {
    path = prefix_ + QString::number(nextId_++);
    pathOf_.emplace(object.get(), path);
    entries_.emplace(path, Entry{object, 0, {}});
  }
  ++entries_[path].held;
  ++clients_[client].held[path];
  return path;
}

ObjectRef ObjectServer::ObjectAt(const QString& path, const QString& client) {
  if (path == rootPath_) return root_;
  if (path.startsWith(QLatin1String(kClientPathPrefix))) return CallbackAt(path, client);
  auto it = entries_.find(path);
  if (it == entries_.end()) {
    throw AutomationError(CO_E_OBJNOTCONNECTED,
                          "Object is not connected to server: " + ToStd(path) +
                              " was deleted or released");
  }
  return it->second.object;
}

ObjectRef ObjectServer::CallbackAt(const QString& path, const QString& client) {
  const QString rest = path.mid(static_cast<qsizetype>(std::strlen(kClientPathPrefix)));
  const QString space = rest.section(QLatin1Char('/'), 0, 0);
  if (space.isEmpty() || rest.count(QLatin1Char('/')) != 1 || rest.endsWith(QLatin1Char('/'))) {
    throw AutomationError(E_INVALIDARG, ToStd(path) + " names no object of a client");
  }
  auto owner = namespaceOwners_.find(space);
  if (owner != namespaceOwners_.end() && owner->second != client) {
    throw AutomationError(E_ACCESSDENIED, ToStd(path) + " belongs to another client");
  }
  Client& c = ClientFor(client);
  if (owner == namespaceOwners_.end()) {
    namespaceOwners_.emplace(space, client);
    c.namespaces.push_back(space);
  }
  if (!c.callbacks) {
    c.callbacks = std::make_shared<Callbacks>();
    c.callbacks->server = this;
    c.callbacks->client = client;
    c.callbacks->connection = c.peer ? c.peer->connection : busLink_->connection;
    if (!c.peer) c.callbacks->destination = ToStd(client);
  }
  const std::string key = ToStd(path);
  CallbackProxy* proxy = nullptr;
  auto known = c.callbacks->proxies.find(key);
  if (known != c.callbacks->proxies.end()) {
    proxy = known->second;
  } else {
    proxy = new CallbackProxy(c.callbacks, key);
    c.callbacks->proxies.emplace(key, proxy);
  }
  // The client counts every time it sends the path.
  proxy->AddHandout();
  return ObjectRef(proxy);
}

void ObjectServer::SendCallback(Callbacks& callbacks, const std::string& path, CallKind kind,
                                std::string_view member, Args args) {
  const QString client = callbacks.client;
  if (callbacks.connection == nullptr || !dbus_connection_get_is_connected(callbacks.connection)) {
    throw AutomationError(RPC_E_DISCONNECTED);
  }
  native::Message call =
      native::NewObjectCall(callbacks.Destination(), path, kind, member, args,
                            [&](const ObjectRef& o) { return ToStd(PathFor(o, client)); });
  dbus_message_set_no_reply(call.get(), TRUE);
  const std::string root = path.substr(0, path.rfind('/'));
  if (!callbacks.waiting.empty() && root != callbacks.waitingRoot) FlushCallbacks(callbacks);
  if (callbacks.waiting.empty()) {
    callbacks.waitingRoot = root;
    auto owner = clients_.find(client);
    if (owner != clients_.end()) waitingCallbacks_.push_back(owner->second.callbacks);
    if (!callbackTimer_.isActive()) callbackTimer_.start();
  }
  char* bytes = nullptr;
  int length = 0;
  if (dbus_message_marshal(call.get(), &bytes, &length)) dbus_free(bytes);
  callbacks.waitingBytes += static_cast<std::size_t>(length);
  callbacks.waiting.push_back(std::move(call));
  // Large call-backs go at once: what a client leaves unread is measured
  // as it grows, during the call that made them.
  if (callbacks.waiting.size() >= kMaxCallbacksAtOnce || callbacks.waitingBytes >= kMaxBatchBytes) {
    FlushCallbacks(callbacks);
  }
  if (callbacks.connection == nullptr) throw AutomationError(RPC_E_DISCONNECTED);
}

namespace {

// Call-backs are sent from the server's loop, where nobody could be told of
// a failure: it is said on stderr.
void NotSent(const QString& client, std::size_t count) {
  std::cerr << ProgramName() << ": out of memory: " << count << " call-back(s) to " << ToStd(client)
            << " not sent\n";
}

}  // namespace

void ObjectServer::FlushAllCallbacks() {
  for (const std::weak_ptr<Callbacks>& waiting : std::exchange(waitingCallbacks_, {})) {
    if (const std::shared_ptr<Callbacks> callbacks = waiting.lock()) FlushCallbacks(*callbacks);
  }
}

void ObjectServer::FlushCallbacks(Callbacks& callbacks) {
  std::vector<native::Message> calls = std::exchange(callbacks.waiting, {});
  callbacks.waitingBytes = 0;
  if (calls.empty() || callbacks.connection == nullptr) return;
  if (calls.size() == 1) {
    SendToClient(callbacks, calls.front().get());
    return;
  }
  native::Message batch = native::NewCalls(callbacks.Destination(), callbacks.waitingRoot, calls);
  if (!batch) {
    NotSent(callbacks.client, calls.size());
    return;
  }
  SendToClient(callbacks, batch.get());
}

void ObjectServer::SendToClient(Callbacks& callbacks, DBusMessage* call) {
  const QString client = callbacks.client;
  if (callbacks.destination.empty()) {
    // Over a peer connection what the peer leaves unread is the measure.
    if (!dbus_connection_send(callbacks.connection, call, nullptr)) {
      NotSent(client, 1);
      return;
    }
    if (dbus_connection_get_outgoing_size(callbacks.connection) > kMaxQueuedBytes) {
      OverQueued(client);
    }
    return;
  }
  // The bus daemon reads whatever the server writes: on the bus, the
  // client's answers tell what it has read. One call-back in every
  // kAskEvery bytes asks for one, which keeps the answers awaited far below
  // the bus's limit on them (128 per connection by default).
  constexpr std::uint64_t kAskEvery = kMaxQueuedBytes / 64;
  char* bytes = nullptr;
  int length = 0;
  if (!dbus_message_marshal(call, &bytes, &length)) {
    NotSent(client, 1);
    return;
  }
  dbus_free(bytes);
  callbacks.sent += static_cast<std::uint64_t>(length);
  if (callbacks.sent - callbacks.asked < kAskEvery) {
    if (!dbus_connection_send(callbacks.connection, call, nullptr)) {
      NotSent(client, 1);
    }
  } else {
    dbus_message_set_no_reply(call, FALSE);
    DBusPendingCall* pending = nullptr;
    if (!dbus_connection_send_with_reply(callbacks.connection, call, &pending,
                                         DBUS_TIMEOUT_INFINITE) ||
        pending == nullptr) {
      NotSent(client, 1);
      return;
    }
    callbacks.asked = callbacks.sent;
    auto* waiting = new Unanswered{};
    waiting->sent = callbacks.sent;
    auto owner = clients_.find(client);
    if (owner != clients_.end()) waiting->callbacks = owner->second.callbacks;
    const auto answered = [](DBusPendingCall*, void* data) {
      auto* w = static_cast<Unanswered*>(data);
      if (const auto c = w->callbacks.lock()) c->answered = std::max(c->answered, w->sent);
      w->callbacks.reset();
    };
    dbus_pending_call_set_notify(pending, answered, waiting,
                                 [](void* data) { delete static_cast<Unanswered*>(data); });
    dbus_pending_call_unref(pending);
  }
  if (callbacks.sent - callbacks.answered > static_cast<std::uint64_t>(kMaxQueuedBytes)) {
    Overdue(client);
  }
}

void ObjectServer::Overdue(const QString& client) {
  auto it = clients_.find(client);
  if (it == clients_.end() || !it->second.callbacks || !it->second.callbacks->connection) return;
  it->second.callbacks->Disconnect();
  std::cerr << ProgramName() << ": " << ToStd(client) << " left more than "
            << kMaxQueuedBytes / (1024 * 1024) << " MiB of call-backs unanswered and was dropped\n";
  // Not in the middle of the call that found it out.
  QMetaObject::invokeMethod(
      this, [this, client] { DropClient(client); }, Qt::QueuedConnection);
}

void ObjectServer::Handle(IncomingCall& call, const QString& client) {
  call.Answer([&] {
    if (call.Interface() == kServer) {
      HandleServerCall(call, client);
    } else {
      HandleObjectCall(call, client);
    }
  });
}

void ObjectServer::HandleObjectCall(IncomingCall& call, const QString& client) {
  const std::optional<native::ObjectMethod> method = native::ObjectMethodOf(call);
  if (!method) return;
  if (busy_) {
    call.ReplyError(ErrorName(RPC_E_CALL_REJECTED), FromStd(SystemMessage(RPC_E_CALL_REJECTED)));
    return;
  }
  const ObjectRef target = ObjectAt(call.Path(), client);
  ClientFor(client);
  native::ServeObjectCall(
      call, *method, target, [&](const QString& path) { return ObjectAt(path, client); },
      [&](const ObjectRef& o) { return PathFor(o, client); });
}

void ObjectServer::HandleServerCall(IncomingCall& call, const QString& client) {
  const QString member = call.Member();
  const QString signature = call.Signature();
  if (call.Path() != rootPath_) {
    call.ReplyError(kUnknownInterface,
                    QStringLiteral("%1 is served at %2 only").arg(kServer, rootPath_));
    return;
  }
  if (member == QLatin1String("Release") && signature == QLatin1String("a(ou)")) {
    auto it = clients_.find(client);
    if (it == clients_.end()) {
      // Nothing was handed to this client: nothing to release.
      if (call.ReplyRequired()) call.Reply();
      return;
    }
    for (const auto& [name, count] : call.ReleasesAt(0)) {
      const QString path = FromStd(name);
      auto held = it->second.held.find(path);
      if (held == it->second.held.end()) continue;
      const std::uint32_t n = std::min<std::uint32_t>(held->second, count);
      held->second -= n;
      if (held->second == 0) it->second.held.erase(held);
      Unhold(path, n, true);
    }
    if (call.ReplyRequired()) call.Reply();
    return;
  }
  if (member == QLatin1String("PeerAddress") && signature.isEmpty()) {
    // Asking makes nobody a client: the peer connection will be one.
    call.Reply(PeerAddress());
    return;
  }
  if (member == QLatin1String("SetBusy") && signature == QLatin1String("b")) {
    SetBusy(call.BoolAt(0));
    call.Reply();
    return;
  }
  if (member == QLatin1String("Busy") && signature.isEmpty()) {
    call.Reply(busy_);
    return;
  }
  // For watching a long-running server's table from outside (soak runs).
  if (member == QLatin1String("ExportedCount") && signature.isEmpty()) {
    call.Reply(static_cast<std::uint32_t>(ExportedCount()));
    return;
  }
  call.ReplyError(kUnknownMethod, QStringLiteral("No method %1(%2) in interface %3")
                                      .arg(member, signature, kServer));
}

}  // namespace automation::dbus
