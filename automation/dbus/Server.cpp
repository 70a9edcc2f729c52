#include "automation/dbus/Server.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServer>
#include <QDBusServiceWatcher>
#include <QDBusVirtualObject>
#include <QDir>
#include <QStandardPaths>

#include <exception>
#include <vector>

#include "automation/dbus/Wire.h"

namespace automation::dbus {
namespace {

const QString kObject = QString::fromLatin1(kObjectInterface);
const QString kServer = QString::fromLatin1(kServerInterface);

// Hands every message for the exported paths of one connection to the
// server; other interfaces (introspection) are left to Qt.
class Dispatcher final : public QDBusVirtualObject {
 public:
  Dispatcher(ObjectServer* server, QString peerClient, QString rootPath)
      : server_(server), peerClient_(std::move(peerClient)), rootPath_(std::move(rootPath)) {}

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    const QString iface = message.interface();
    if (!iface.isEmpty() && iface != kObject && iface != kServer) return false;
    server_->Handle(message, connection, peerClient_.isEmpty() ? message.service() : peerClient_);
    return true;
  }

  QString introspect(const QString& path) const override {
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
    if (path == rootPath_) {
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

 private:
  ObjectServer* server_;
  QString peerClient_;
  QString rootPath_;
};

QString RuntimeDirectory() {
  const QByteArray xdg = qgetenv("XDG_RUNTIME_DIR");
  if (!xdg.isEmpty() && QDir(QString::fromLocal8Bit(xdg)).exists()) {
    return QString::fromLocal8Bit(xdg);
  }
  return QDir::tempPath();
}

void SendError(const QDBusConnection& connection, const QDBusMessage& message, HResult code,
               const std::string& text) {
  connection.send(message.createErrorReply(ErrorName(code), FromStd(text)));
}

// The "av" argument of a call, as plain values.
QVariantList ArgumentList(const QVariant& value) {
  if (value.userType() == QMetaType::QVariantList) return value.toList();
  QVariantList list;
  const auto arg = value.value<QDBusArgument>();
  arg.beginArray();
  while (!arg.atEnd()) {
    QDBusVariant element;
    arg >> element;
    list.push_back(element.variant());
  }
  arg.endArray();
  return list;
}

}  // namespace

ObjectServer::ObjectServer(ObjectRef root, QString rootPath, QObject* parent)
    : QObject(parent),
      root_(std::move(root)),
      rootPath_(std::move(rootPath)),
      prefix_(rootPath_ + QLatin1Char('/')),
      bus_(QString()) {
  RegisterWireTypes();
  sweepTimer_.setInterval(2000);
  connect(&sweepTimer_, &QTimer::timeout, this, &ObjectServer::Sweep);
}

ObjectServer::~ObjectServer() {
  for (auto& [id, client] : clients_) {
    if (client.peer) QDBusConnection::disconnectFromPeer(client.connectionName);
  }
  if (!busName_.isEmpty()) {
    bus_.unregisterObject(rootPath_, QDBusConnection::UnregisterTree);
    bus_.unregisterService(busName_);
  }
}

QString ObjectServer::Start(const QDBusConnection& bus, const QString& busName, bool peerToPeer) {
  if (!bus.isConnected()) return QStringLiteral("the session bus cannot be reached");
  bus_ = bus;
  busDispatcher_ = std::make_unique<Dispatcher>(this, QString(), rootPath_);
  if (!bus_.registerVirtualObject(rootPath_, static_cast<QDBusVirtualObject*>(busDispatcher_.get()),
                                  QDBusConnection::SubPath)) {
    return QStringLiteral("cannot export objects at %1").arg(rootPath_);
  }
  const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> owned =
      bus_.interface()->registerService(busName, QDBusConnectionInterface::DontQueueService,
                                        QDBusConnectionInterface::DontAllowReplacement);
  if (!owned.isValid() || owned.value() != QDBusConnectionInterface::ServiceRegistered) {
    bus_.unregisterObject(rootPath_, QDBusConnection::UnregisterTree);
    return owned.isValid() ? QStringLiteral("the name %1 is taken on the session bus").arg(busName)
                           : owned.error().message();
  }
  busName_ = busName;

  watcher_ = std::make_unique<QDBusServiceWatcher>();
  watcher_->setConnection(bus_);
  watcher_->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
  connect(watcher_.get(), &QDBusServiceWatcher::serviceUnregistered, this,
          [this](const QString& name) {
            DropClient(name);
            // A process that left the bus has usually closed its peer
            // connection too; Qt tells of that only when asked.
            QTimer::singleShot(50, this, [this] { DropClosedPeers(); });
          });

  if (peerToPeer) {
    peerServer_ = std::make_unique<QDBusServer>(
        QStringLiteral("unix:dir=") + RuntimeDirectory(), nullptr);
    if (peerServer_->isConnected()) {
      connect(peerServer_.get(), &QDBusServer::newConnection, this, &ObjectServer::OnNewPeer);
    } else {
      peerServer_.reset();  // calls go through the bus instead
    }
  }
  sweepTimer_.start();
  return QString();
}

QString ObjectServer::PeerAddress() const {
  return peerServer_ ? peerServer_->address() : QString();
}

void ObjectServer::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  emit BusyChanged(busy);
}

void ObjectServer::OnNewPeer(const QDBusConnection& connection) {
  const QString id = QStringLiteral("peer ") + connection.name();
  Client& client = clients_[id];
  client.peer = true;
  client.connectionName = connection.name();
  client.dispatcher = std::make_unique<Dispatcher>(this, id, rootPath_);
  QDBusConnection(connection)
      .registerVirtualObject(rootPath_, static_cast<QDBusVirtualObject*>(client.dispatcher.get()),
                             QDBusConnection::SubPath);
  ++peerCount_;
}

ObjectServer::Client& ObjectServer::ClientFor(const QString& client, const QDBusConnection&) {
  auto it = clients_.find(client);
  if (it != clients_.end()) return it->second;
  Client& added = clients_[client];
  // A bus client is forgotten when its connection to the bus ends.
  if (watcher_) watcher_->addWatchedService(client);
  return added;
}

void ObjectServer::DropClient(const QString& id) {
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
  if (it->second.peer) {
    QDBusConnection::disconnectFromPeer(it->second.connectionName);
  } else if (watcher_) {
    watcher_->removeWatchedService(id);
  }
  clients_.erase(it);
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
    if (client.peer && !QDBusConnection(client.connectionName).isConnected()) closed.push_back(id);
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

void ObjectServer::Handle(const QDBusMessage& message, const QDBusConnection& connection,
                          const QString& client) {
  try {
    if (message.interface() == kServer) {
      HandleServerCall(message, connection, client);
    } else {
      HandleObjectCall(message, connection, client);
    }
  } catch (const AutomationError& e) {
    SendError(connection, message, e.code(), e.message());
  } catch (const std::exception&) {
    SendError(connection, message, RPC_E_SERVERFAULT, SystemMessage(RPC_E_SERVERFAULT));
  }
}

void ObjectServer::HandleObjectCall(const QDBusMessage& message, const QDBusConnection& connection,
                                    const QString& client) {
  const QString member = message.member();
  const QString signature = message.signature();
  CallKind kind = CallKind::Method;
  if (member == QLatin1String("Get")) {
    kind = CallKind::PropertyGet;
  } else if (member == QLatin1String("Put")) {
    kind = CallKind::PropertyPut;
  } else if (member == QLatin1String("Invoke")) {
    kind = CallKind::Method;
  } else if (member != QLatin1String("Supports") && member != QLatin1String("SameObject")) {
    connection.send(message.createErrorReply(
        QDBusError::UnknownMethod,
        QStringLiteral("No method %1 in interface %2").arg(member, kObject)));
    return;
  }
  if (busy_) {
    SendError(connection, message, RPC_E_CALL_REJECTED, SystemMessage(RPC_E_CALL_REJECTED));
    return;
  }
  const ObjectRef target = ObjectAt(message.path());
  ClientFor(client, connection);
  const QVariantList in = message.arguments();

  if (member == QLatin1String("Supports")) {
    if (signature != QLatin1String("s")) {
      connection.send(message.createErrorReply(QDBusError::InvalidArgs,
                                               QStringLiteral("Supports takes one string")));
      return;
    }
    const std::optional<Guid> iid = Guid::Parse(ToStd(in.at(0).toString()));
    if (!iid) throw AutomationError(E_INVALIDARG);
    connection.send(message.createReply(QVariant(target->Supports(*iid))));
    return;
  }
  if (member == QLatin1String("SameObject")) {
    if (signature != QLatin1String("o")) {
      connection.send(message.createErrorReply(QDBusError::InvalidArgs,
                                               QStringLiteral("SameObject takes one path")));
      return;
    }
    const ObjectRef other = ObjectAt(in.at(0).value<QDBusObjectPath>().path());
    connection.send(message.createReply(QVariant(SameObject(target, other))));
    return;
  }

  if (signature != QLatin1String("sav")) {
    connection.send(message.createErrorReply(
        QDBusError::InvalidArgs,
        QStringLiteral("%1 takes a member name and an array of variants (sav)").arg(member)));
    return;
  }
  const PathToObject toObject = [this](const QDBusObjectPath& p) { return ObjectAt(p.path()); };
  const QVariantList wireArgs = ArgumentList(in.at(1));
  std::vector<Variant> args;
  args.reserve(static_cast<std::size_t>(wireArgs.size()));
  for (const QVariant& a : wireArgs) args.push_back(FromWire(a, toObject));
  const std::string name = ToStd(in.at(0).toString());
  const Variant result = target->Invoke(kind, name, Args(args));
  if (kind == CallKind::PropertyPut) {
    connection.send(message.createReply());
    return;
  }
  const ObjectToPath toPath = [&](const ObjectRef& o) {
    return QDBusObjectPath(PathFor(o, client));
  };
  connection.send(message.createReply(QVariant::fromValue(QDBusVariant(ToWire(result, toPath)))));
}

void ObjectServer::HandleServerCall(const QDBusMessage& message, const QDBusConnection& connection,
                                    const QString& client) {
  const QString member = message.member();
  const QString signature = message.signature();
  if (message.path() != rootPath_) {
    connection.send(message.createErrorReply(
        QDBusError::UnknownInterface,
        QStringLiteral("%1 is served at %2 only").arg(kServer, rootPath_)));
    return;
  }
  if (member == QLatin1String("Release") && signature == QLatin1String("a(ou)")) {
    auto it = clients_.find(client);
    if (it == clients_.end()) return;
    const auto arg = message.arguments().at(0).value<QDBusArgument>();
    arg.beginArray();
    while (!arg.atEnd()) {
      QDBusObjectPath path;
      uint count = 0;
      arg.beginStructure();
      arg >> path >> count;
      arg.endStructure();
      auto held = it->second.held.find(path.path());
      if (held == it->second.held.end()) continue;
      const std::uint32_t n = std::min<std::uint32_t>(held->second, count);
      held->second -= n;
      if (held->second == 0) it->second.held.erase(held);
      Unhold(path.path(), n, true);
    }
    arg.endArray();
    if (!message.isReplyRequired()) return;
    connection.send(message.createReply());
    return;
  }
  if (member == QLatin1String("PeerAddress") && signature.isEmpty()) {
    ClientFor(client, connection);
    connection.send(message.createReply(QVariant(PeerAddress())));
    return;
  }
  if (member == QLatin1String("SetBusy") && signature == QLatin1String("b")) {
    SetBusy(message.arguments().at(0).toBool());
    connection.send(message.createReply());
    return;
  }
  if (member == QLatin1String("Busy") && signature.isEmpty()) {
    connection.send(message.createReply(QVariant(busy_)));
    return;
  }
  // For watching a long-running server's table from outside (soak runs).
  if (member == QLatin1String("ExportedCount") && signature.isEmpty()) {
    connection.send(message.createReply(QVariant(static_cast<uint>(ExportedCount()))));
    return;
  }
  connection.send(message.createErrorReply(
      QDBusError::UnknownMethod,
      QStringLiteral("No method %1(%2) in interface %3").arg(member, signature, kServer)));
}

}  // namespace automation::dbus
