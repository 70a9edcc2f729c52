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

// One incoming call, from a peer connection or the server's bus
// connection, and its answer. Arguments are read by position once the
// signature has been checked.
class IncomingCall {
 public:
  IncomingCall(DBusConnection* connection, DBusMessage* message)
      : connection_(connection), message_(message) {}

  QString Path() const { return FromC(dbus_message_get_path(message_)); }
  QString Interface() const { return FromC(dbus_message_get_interface(message_)); }
  QString Member() const { return FromC(dbus_message_get_member(message_)); }
  QString Signature() const { return FromC(dbus_message_get_signature(message_)); }
  bool ReplyRequired() const { return dbus_message_get_no_reply(message_) == 0; }

  QString StringAt(int index) const { return FromC(BasicAt<const char*>(index)); }
  QString PathAt(int index) const { return FromC(BasicAt<const char*>(index)); }
  bool BoolAt(int index) const { return BasicAt<dbus_bool_t>(index) != 0; }
  std::vector<Variant> VariantsAt(int index,
                                  const std::function<ObjectRef(const QString&)>& objectAt) const {
    const native::ObjectAt toObject = [&](const char* p) { return objectAt(QString::fromUtf8(p)); };
    DBusMessageIter array = At(index);
    DBusMessageIter element;
    dbus_message_iter_recurse(&array, &element);
    std::vector<Variant> out;
    while (dbus_message_iter_get_arg_type(&element) == DBUS_TYPE_VARIANT) {
      out.push_back(native::ReadVariant(&element, toObject));
      dbus_message_iter_next(&element);
    }
    return out;
  }
  std::vector<std::pair<QString, std::uint32_t>> ReleasesAt(int index) const {
    std::vector<std::pair<QString, std::uint32_t>> out;
    DBusMessageIter array = At(index);
    DBusMessageIter entry;
    dbus_message_iter_recurse(&array, &entry);
    while (dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_STRUCT) {
      DBusMessageIter field;
      dbus_message_iter_recurse(&entry, &field);
      const char* path = nullptr;
      dbus_message_iter_get_basic(&field, &path);
      dbus_message_iter_next(&field);
      dbus_uint32_t count = 0;
      dbus_message_iter_get_basic(&field, &count);
      out.emplace_back(FromC(path), count);
      dbus_message_iter_next(&entry);
    }
    return out;
  }

  void Reply() { Send(NewReply()); }
  void Reply(bool value) { SendBasic(DBUS_TYPE_BOOLEAN, dbus_bool_t{value}); }
  void Reply(const QString& value) {
    const std::string text = native::ValidUtf8(ToStd(value));
    SendBasic(DBUS_TYPE_STRING, text.c_str());
  }
  void Reply(std::uint32_t value) { SendBasic(DBUS_TYPE_UINT32, dbus_uint32_t{value}); }
  void Reply(const Variant& value, const std::function<QString(const ObjectRef&)>& pathOf) {
    native::Message reply = NewReply();
    if (!reply) return;
    DBusMessageIter out;
    dbus_message_iter_init_append(reply.get(), &out);
    const native::PathOf toPath = [&](const ObjectRef& o) { return ToStd(pathOf(o)); };
    if (!native::AppendVariant(&out, value, toPath)) throw AutomationError(E_OUTOFMEMORY);
    Send(std::move(reply));
  }
  void ReplyError(const QString& name, const QString& text) {
    const std::string errorName = ToStd(name);
    const std::string message = native::ValidUtf8(ToStd(text));
    Send(native::Message(dbus_message_new_error(message_, errorName.c_str(), message.c_str())));
  }

 private:
  DBusMessageIter At(int index) const {
    DBusMessageIter it;
    dbus_message_iter_init(message_, &it);
    for (int i = 0; i < index; ++i) dbus_message_iter_next(&it);
    return it;
  }
  template <class T>
  T BasicAt(int index) const {
    DBusMessageIter it = At(index);
    T value{};
    dbus_message_iter_get_basic(&it, &value);
    return value;
  }
  native::Message NewReply() const {
    return native::Message(dbus_message_new_method_return(message_));
  }
  template <class T>
  void SendBasic(int type, T value) {
    native::Message reply = NewReply();
    if (!reply || !dbus_message_append_args(reply.get(), type, &value, DBUS_TYPE_INVALID)) return;
    Send(std::move(reply));
  }
  void Send(native::Message reply) {
    if (!reply || !ReplyRequired()) return;
    // Written at once when the socket takes it, else when it can (the
    // loop's write watch): a client that does not read stalls nobody else.
    dbus_connection_send(connection_, reply.get(), nullptr);
  }

  DBusConnection* connection_;
  DBusMessage* message_;
};

namespace {

const QString kObject = QString::fromLatin1(kObjectInterface);
const QString kServer = QString::fromLatin1(kServerInterface);
const QString kUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
const QString kUnknownInterface = QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface");
const QString kInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");

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

// Whether the message is a call on the server's interfaces (a call that
// names no interface is taken as one).
bool ForServer(DBusMessage* message) {
  if (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_METHOD_CALL) return false;
  const char* iface = dbus_message_get_interface(message);
  return iface == nullptr || std::strcmp(iface, kObjectInterface) == 0 ||
         std::strcmp(iface, kServerInterface) == 0;
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
    if (!ForServer(message)) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
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
    if (!ForServer(message)) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    IncomingCall call(connection, message);
    server->Handle(call, FromC(dbus_message_get_sender(message)));
    return DBUS_HANDLER_RESULT_HANDLED;
  }

  DBusConnection* connection;
  std::unique_ptr<native::LoopBinding> binding;
};

ObjectServer::ObjectServer(ObjectRef root, QString rootPath, QObject* parent)
    : QObject(parent),
      root_(std::move(root)),
      rootPath_(std::move(rootPath)),
      prefix_(rootPath_ + QLatin1Char('/')) {
  native::InitThreads();
  sweepTimer_.setInterval(2000);
  connect(&sweepTimer_, &QTimer::timeout, this, &ObjectServer::Sweep);
}

ObjectServer::~ObjectServer() {
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

ObjectRef ObjectServer::ObjectAt(const QString& path) const {
  if (path == rootPath_) return root_;
  auto it = entries_.find(path);
  if (it == entries_.end()) {
    throw AutomationError(CO_E_OBJNOTCONNECTED,
                          "Object is not connected to server: " + ToStd(path) +
                              " was deleted or released");
  }
  return it->second.object;
}

void ObjectServer::Handle(IncomingCall& call, const QString& client) {
  try {
    if (call.Interface() == kServer) {
      HandleServerCall(call, client);
    } else {
      HandleObjectCall(call, client);
    }
  } catch (const AutomationError& e) {
    call.ReplyError(ErrorName(e.code()), FromStd(e.message()));
  } catch (const std::exception&) {
    call.ReplyError(ErrorName(RPC_E_SERVERFAULT), FromStd(SystemMessage(RPC_E_SERVERFAULT)));
  }
}

void ObjectServer::HandleObjectCall(IncomingCall& call, const QString& client) {
  const QString member = call.Member();
  const QString signature = call.Signature();
  CallKind kind = CallKind::Method;
  if (member == QLatin1String("Get")) {
    kind = CallKind::PropertyGet;
  } else if (member == QLatin1String("Put")) {
    kind = CallKind::PropertyPut;
  } else if (member == QLatin1String("Invoke")) {
    kind = CallKind::Method;
  } else if (member != QLatin1String("Supports") && member != QLatin1String("SameObject")) {
    call.ReplyError(kUnknownMethod,
                    QStringLiteral("No method %1 in interface %2").arg(member, kObject));
    return;
  }
  if (busy_) {
    call.ReplyError(ErrorName(RPC_E_CALL_REJECTED), FromStd(SystemMessage(RPC_E_CALL_REJECTED)));
    return;
  }
  const ObjectRef target = ObjectAt(call.Path());
  ClientFor(client);

  if (member == QLatin1String("Supports")) {
    if (signature != QLatin1String("s")) {
      call.ReplyError(kInvalidArgs, QStringLiteral("Supports takes one string"));
      return;
    }
    const std::optional<Guid> iid = Guid::Parse(ToStd(call.StringAt(0)));
    if (!iid) throw AutomationError(E_INVALIDARG);
    call.Reply(target->Supports(*iid));
    return;
  }
  if (member == QLatin1String("SameObject")) {
    if (signature != QLatin1String("o")) {
      call.ReplyError(kInvalidArgs, QStringLiteral("SameObject takes one path"));
      return;
    }
    const ObjectRef other = ObjectAt(call.PathAt(0));
    call.Reply(SameObject(target, other));
    return;
  }

  if (signature != QLatin1String("sav")) {
    call.ReplyError(
        kInvalidArgs,
        QStringLiteral("%1 takes a member name and an array of variants (sav)").arg(member));
    return;
  }
  const std::vector<Variant> args =
      call.VariantsAt(1, [this](const QString& path) { return ObjectAt(path); });
  const std::string name = ToStd(call.StringAt(0));
  const Variant result = target->Invoke(kind, name, Args(args));
  if (kind == CallKind::PropertyPut) {
    call.Reply();
    return;
  }
  call.Reply(result, [&](const ObjectRef& o) { return PathFor(o, client); });
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
    for (const auto& [path, count] : call.ReleasesAt(0)) {
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
