#include "automation/dbus/Client.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <signal.h>

#include <atomic>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "automation/Runtime.h"
#include "automation/Variant.h"
#include "automation/dbus/Wire.h"

namespace automation::dbus {
namespace {

std::atomic<std::uint64_t> roundTrips{0};
std::atomic<std::uint64_t> releaseMessages{0};
std::atomic<int> peerNumber{0};

const QString kObject = QString::fromLatin1(kObjectInterface);
const QString kServer = QString::fromLatin1(kServerInterface);

class Proxy;

// One attachment to one server: the connection the calls go over, the
// proxies made for it, and the releases not yet told to the server.
class Link : public std::enable_shared_from_this<Link> {
 public:
  Link(QDBusConnection connection, QString service, QString busName, QString rootPath,
       QString peerName, int timeoutMs)
      : connection_(std::move(connection)),
        service_(std::move(service)),
        busName_(std::move(busName)),
        rootPath_(std::move(rootPath)),
        peerName_(std::move(peerName)),
        timeoutMs_(timeoutMs) {}

  ~Link() {
    // Past the application's end Qt's D-Bus support is gone: nothing to tell.
    if (QCoreApplication::instance() == nullptr) return;
    if (!peerName_.isEmpty()) {
      // Closing the private connection releases everything it received.
      // A release sent just before the close would only be queued, and be
      // dropped (and leaked) with the connection.
      QDBusConnection::disconnectFromPeer(peerName_);
      return;
    }
    if (!dead_) FlushReleases();
  }

  ObjectRef ProxyFor(const QString& path);
  void Forget(const QString& path, std::uint32_t handouts);

  Variant Call(const QString& path, CallKind kind, std::string_view member, Args args);
  bool Supports(const QString& path, const Guid& iid);
  bool SameObject(const QString& a, const QString& b);

 private:
  QString PathOf(const ObjectRef& object) const;
  // Sends the call after any pending releases and waits for the answer;
  // the server's failures come back as AutomationError.
  QDBusMessage RoundTrip(QDBusMessage call);
  [[noreturn]] void Fail(const QDBusMessage& reply);
  void FlushReleases();
  QDBusMessage NewCall(const QString& path, const QString& iface, const QString& member) const {
    return QDBusMessage::createMethodCall(service_, path, iface, member);
  }

  QDBusConnection connection_;
  QString service_;  // empty on a peer connection
  QString busName_;
  QString rootPath_;
  QString peerName_;
  int timeoutMs_;
  bool dead_ = false;
  std::unordered_map<QString, Proxy*> proxies_;
  std::vector<std::pair<QString, std::uint32_t>> pendingReleases_;
};

class Proxy final : public Object {
 public:
  Proxy(std::shared_ptr<Link> link, QString path) : link_(std::move(link)), path_(std::move(path)) {}

  Variant Invoke(CallKind kind, std::string_view member, Args args) override {
    return link_->Call(path_, kind, member, args);
  }

  bool Supports(const Guid& iid) const override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) return true;
    auto known = supports_.find(iid);
    if (known != supports_.end()) return known->second;
    const bool answer = link_->Supports(path_, iid);
    supports_.emplace(iid, answer);
    return answer;
  }

  bool IsSameObject(const Object& other) const override {
    const auto* proxy = dynamic_cast<const Proxy*>(&other);
    if (proxy == nullptr || proxy->link_ != link_) return false;
    return proxy->path_ == path_ || link_->SameObject(path_, proxy->path_);
  }

  void AddHandout() { ++handouts_; }
  bool BelongsTo(const Link* link) const { return link_.get() == link; }
  const QString& Path() const { return path_; }

 protected:
  ~Proxy() override { link_->Forget(path_, handouts_); }

 private:
  std::shared_ptr<Link> link_;
  QString path_;
  std::uint32_t handouts_ = 0;
  mutable std::map<Guid, bool> supports_;
};

ObjectRef Link::ProxyFor(const QString& path) {
  Proxy* proxy = nullptr;
  auto it = proxies_.find(path);
  if (it != proxies_.end()) {
    proxy = it->second;
  } else {
    proxy = new Proxy(shared_from_this(), path);
    proxies_.emplace(path, proxy);
  }
  // The server counts every time it sends a path, except its root's.
  if (path != rootPath_) proxy->AddHandout();
  return ObjectRef(proxy);
}

void Link::Forget(const QString& path, std::uint32_t handouts) {
  proxies_.erase(path);
  if (handouts == 0 || dead_) return;
  pendingReleases_.emplace_back(path, handouts);
  // Told with the next call; a long list goes at once.
  if (pendingReleases_.size() >= 512 && QCoreApplication::instance() != nullptr) FlushReleases();
}

void Link::FlushReleases() {
  if (pendingReleases_.empty()) return;
  QList<ReleaseEntry> entries;
  entries.reserve(static_cast<qsizetype>(pendingReleases_.size()));
  for (const auto& [path, count] : pendingReleases_) {
    entries.push_back(ReleaseEntry{QDBusObjectPath(path), count});
  }
  pendingReleases_.clear();
  QDBusMessage message = NewCall(rootPath_, kServer, QStringLiteral("Release"));
  message.setArguments({QVariant::fromValue(entries)});
  // One-way: Qt marks a sent call as wanting no reply.
  connection_.send(message);
  releaseMessages.fetch_add(1, std::memory_order_relaxed);
}

QDBusMessage Link::RoundTrip(QDBusMessage call) {
  if (!dead_ && !connection_.isConnected()) dead_ = true;
  if (dead_) throw AutomationError(RPC_E_DISCONNECTED);
  FlushReleases();
  roundTrips.fetch_add(1, std::memory_order_relaxed);
  QDBusMessage reply = connection_.call(call, QDBus::Block, timeoutMs_);
  if (reply.type() == QDBusMessage::ErrorMessage) Fail(reply);
  return reply;
}

void Link::Fail(const QDBusMessage& reply) {
  if (const auto code = CodeOfErrorName(reply.errorName())) {
    throw AutomationError(*code, ToStd(reply.errorMessage()));
  }
  // A transport failure: is the server still there?
  bool gone = !connection_.isConnected();
  if (!gone && !service_.isEmpty()) {
    const QDBusReply<bool> owned = connection_.interface()->isServiceRegistered(busName_);
    gone = !owned.isValid() || !owned.value();
  }
  if (gone) {
    dead_ = true;
    pendingReleases_.clear();
    throw AutomationError(RPC_E_DISCONNECTED);
  }
  const QDBusError::ErrorType type = QDBusError(reply).type();
  if (type == QDBusError::NoReply || type == QDBusError::Timeout || type == QDBusError::TimedOut) {
    throw AutomationError(RPC_E_TIMEOUT);
  }
  throw AutomationError(RPC_E_SERVERFAULT, SystemMessage(RPC_E_SERVERFAULT) + " (" +
                                               ToStd(reply.errorName()) + ": " +
                                               ToStd(reply.errorMessage()) + ")");
}

QString Link::PathOf(const ObjectRef& object) const {
  // Only the server's own objects, reached through this attachment, can
  // travel back to it.
  const auto* proxy = dynamic_cast<const Proxy*>(object.get());
  if (proxy == nullptr || !proxy->BelongsTo(this)) {
    throw AutomationError(E_INVALIDARG, "The object cannot be passed to another process.");
  }
  return proxy->Path();
}

Variant Link::Call(const QString& path, CallKind kind, std::string_view member, Args args) {
  QString method;
  switch (kind) {
    case CallKind::PropertyGet:
      method = QStringLiteral("Get");
      break;
    case CallKind::PropertyPut:
      method = QStringLiteral("Put");
      break;
    case CallKind::Method:
      method = QStringLiteral("Invoke");
      break;
  }
  QDBusMessage call = NewCall(path, kObject, method);
  QVariantList wireArgs;
  wireArgs.reserve(static_cast<qsizetype>(args.size()));
  const ObjectToPath toPath = [this](const ObjectRef& o) { return QDBusObjectPath(PathOf(o)); };
  for (const Variant& a : args) wireArgs.push_back(ToWire(a, toPath));
  call.setArguments({QVariant(FromStd(member)), QVariant(wireArgs)});
  const QDBusMessage reply = RoundTrip(call);
  if (kind == CallKind::PropertyPut || reply.arguments().isEmpty()) return Variant();
  return FromWire(reply.arguments().at(0),
                  [this](const QDBusObjectPath& p) { return ProxyFor(p.path()); });
}

bool Link::Supports(const QString& path, const Guid& iid) {
  QDBusMessage call = NewCall(path, kObject, QStringLiteral("Supports"));
  call.setArguments({QVariant(FromStd(iid.ToString()))});
  const QDBusMessage reply = RoundTrip(call);
  return !reply.arguments().isEmpty() && reply.arguments().at(0).toBool();
}

bool Link::SameObject(const QString& a, const QString& b) {
  QDBusMessage call = NewCall(a, kObject, QStringLiteral("SameObject"));
  call.setArguments({QVariant::fromValue(QDBusObjectPath(b))});
  const QDBusMessage reply = RoundTrip(call);
  return !reply.arguments().isEmpty() && reply.arguments().at(0).toBool();
}

QDBusConnection SessionBus() {
  RegisterWireTypes();
  return QDBusConnection::sessionBus();
}

bool NameHasOwner(const QDBusConnection& bus, const QString& name) {
  const QDBusReply<bool> owned = bus.interface()->isServiceRegistered(name);
  return owned.isValid() && owned.value();
}

// Waits for someone to own the name, polling: the caller may have no event
// loop running. Stops early when the started process has ended.
bool WaitForOwner(const QDBusConnection& bus, const QString& name, int timeoutMs, qint64 pid) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < timeoutMs) {
    if (NameHasOwner(bus, name)) return true;
    if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0) return NameHasOwner(bus, name);
    QThread::msleep(10);
  }
  return NameHasOwner(bus, name);
}

class BusClassFactory final : public ClassFactory {
 public:
  explicit BusClassFactory(BusClass busClass) : class_(std::move(busClass)) {}

  HResult CreateInstance(const Guid& iid, ObjectRef* object) override {
    const QDBusConnection bus = SessionBus();
    if (!bus.isConnected()) return CO_E_SERVER_EXEC_FAILURE;
    if (!NameHasOwner(bus, class_.busName) && !Start(bus)) return CO_E_SERVER_EXEC_FAILURE;
    ObjectRef root;
    const HResult hr = AttachToServer(class_.busName, class_.rootPath, &root, class_.attach);
    if (Failed(hr)) return CO_E_SERVER_EXEC_FAILURE;
    if (!root->Supports(iid)) return E_NOINTERFACE;
    *object = std::move(root);
    return S_OK;
  }

 private:
  bool Start(const QDBusConnection& bus) {
    const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
    if (activatable.isValid() && activatable.value().contains(class_.busName)) {
      const QDBusReply<void> started = bus.interface()->startService(class_.busName);
      if (started.isValid() && WaitForOwner(bus, class_.busName, class_.startTimeoutMs, 0)) {
        return true;
      }
    }
    if (class_.program.isEmpty()) return false;
    qint64 pid = 0;
    // Detached: the server outlives this client, as a local server does.
    if (!QProcess::startDetached(class_.program, class_.arguments, QString(), &pid)) return false;
    return WaitForOwner(bus, class_.busName, class_.startTimeoutMs, pid);
  }

  BusClass class_;
};

}  // namespace

HResult AttachToServer(const QString& busName, const QString& rootPath, ObjectRef* root,
                       const AttachOptions& options) {
  if (root == nullptr) return E_POINTER;
  root->Reset();
  const QDBusConnection bus = SessionBus();
  if (!bus.isConnected() || !NameHasOwner(bus, busName)) return MK_E_UNAVAILABLE;

  std::shared_ptr<Link> link;
  if (options.peerToPeer) {
    QDBusMessage ask = QDBusMessage::createMethodCall(busName, rootPath, kServer,
                                                      QStringLiteral("PeerAddress"));
    const QDBusMessage answer = bus.call(ask, QDBus::Block, options.timeoutMs);
    roundTrips.fetch_add(1, std::memory_order_relaxed);
    const QString address = answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty()
                                ? answer.arguments().at(0).toString()
                                : QString();
    if (!address.isEmpty()) {
      const QString name = QStringLiteral("tarvel-automation-peer-%1").arg(++peerNumber);
      QDBusConnection peer = QDBusConnection::connectToPeer(address, name);
      if (peer.isConnected()) {
        link = std::make_shared<Link>(peer, QString(), busName, rootPath, name, options.timeoutMs);
      } else {
        QDBusConnection::disconnectFromPeer(name);
      }
    }
  }
  if (!link) link = std::make_shared<Link>(bus, busName, busName, rootPath, QString(), options.timeoutMs);
  *root = link->ProxyFor(rootPath);
  return S_OK;
}

bool SessionBusReachable() {
  return SessionBus().isConnected();
}

BusClassRegistration RegisterBusClass(const BusClass& busClass) {
  BusClassRegistration registration;
  registration.source = AddRunningObjectSource(busClass.clsid, [busClass](ObjectRef* object) {
    return AttachToServer(busClass.busName, busClass.rootPath, object, busClass.attach);
  });
  CoRegisterClassObject(busClass.clsid, std::make_shared<BusClassFactory>(busClass),
                        CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &registration.factory);
  return registration;
}

void UnregisterBusClass(const BusClassRegistration& registration) {
  RemoveRunningObjectSource(registration.source);
  CoRevokeClassObject(registration.factory);
}

TransportCounters Counters() {
  return {roundTrips.load(std::memory_order_relaxed), releaseMessages.load(std::memory_order_relaxed)};
}

}  // namespace automation::dbus
