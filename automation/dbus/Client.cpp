#include "automation/dbus/Client.h"

#include <signal.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <random>
#include <unordered_map>
#include <utility>
#include <vector>

#include "automation/Runtime.h"
#include "automation/Variant.h"
#include "automation/dbus/Native.h"
#include "automation/dbus/Wire.h"

namespace automation::dbus {
namespace {

std::atomic<std::uint64_t> roundTrips{0};
std::atomic<std::uint64_t> releaseMessages{0};

class Proxy;

// Lets go of what a dispatch of a connection released once the dispatch
// is over: the last reference to a link may be among it.
template <class T>
void ReleaseAfterDispatch(T held) {
  QTimer::singleShot(0, [held = std::make_shared<T>(std::move(held))] {});
}

// 128 random bits in hex: no other client can guess them.
std::string RandomNamespace() {
  std::random_device random;
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (int i = 0; i < 32; ++i) out += kHex[random() % 16];
  return out;
}

// One attachment to one server: the connection the calls go over (a peer
// connection to the server, or a private connection to the bus), the
// proxies made for it, the releases not yet told to the server, and the
// client's own objects it has passed to the server.
//
// The calling thread reads and writes the connection itself, blocking for
// each reply. Once an object of the client's has been passed, the
// connection is also bound to the event loop of the thread that passed it,
// which dispatches the server's calls on it. What arrives while the client
// blocks for a reply is queued and dispatched afterwards by the loop, in
// order, so the client's objects are never called in the middle of its own
// call.
class Link : public std::enable_shared_from_this<Link> {
 public:
  // destination is the server's bus name, empty on a peer connection.
  Link(DBusConnection* connection, std::string destination, std::string busName,
       std::string rootPath, const AttachOptions& options)
      : connection_(connection),
        destination_(std::move(destination)),
        busName_(std::move(busName)),
        rootPath_(std::move(rootPath)),
        timeoutMs_(options.timeoutMs),
        retryAfterTimeout_(options.retryAfterTimeoutMs),
        exportRoot_(kClientPathPrefix + RandomNamespace()) {}

  ~Link() {
    if (binding_) {
      dbus_connection_unregister_object_path(connection_, exportRoot_.c_str());
      dbus_connection_remove_filter(connection_, &Link::OnSignal, this);
    }
    // Closing a peer connection releases everything it received. On the
    // bus the server learns of the leaving later: releasing is quicker.
    if (!destination_.empty() && !dead_ && dbus_connection_get_is_connected(connection_)) {
      FlushReleases();
      dbus_connection_flush(connection_);
    }
    if (binding_ && binding_->thread() != QThread::currentThread()) {
      // The binding's notifiers belong to its thread: the connection is
      // closed there.
      DBusConnection* connection = connection_;
      QObject::connect(binding_.get(), &QObject::destroyed, [connection] {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
      });
      binding_.release()->deleteLater();
      return;
    }
    dbus_connection_close(connection_);
    binding_.reset();
    dbus_connection_unref(connection_);
  }

  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  void SetServerUnique(std::string name) { serverUnique_ = std::move(name); }

  ObjectRef ProxyFor(const char* path);
  void Forget(const std::string& path, std::uint32_t handouts);

  Variant Call(const std::string& path, CallKind kind, std::string_view member, Args args);
  bool Supports(const std::string& path, const Guid& iid);
  bool SameObject(const std::string& a, const std::string& b);

 private:
  struct Exported {
    ObjectRef object;
    std::uint64_t handouts = 0;  // sent and not yet released by the server
  };

  // A proxy's path, or the path of an object of the client's, exported.
  std::string PathOf(const ObjectRef& object);
  // What a path the server sent stands for: a proxy, or the client's own
  // object.
  ObjectRef ObjectAt(const char* path);
  std::string Export(const ObjectRef& object);
  void Serve();
  void HandleExportCall(native::IncomingCall& call);
  static DBusHandlerResult OnExportCall(DBusConnection* connection, DBusMessage* message,
                                        void* data);
  static DBusHandlerResult OnSignal(DBusConnection* connection, DBusMessage* message, void* data);
  void CheckAlive();
  native::Message NewCall(const std::string& path, const char* iface, const char* method) const {
    native::Message call(dbus_message_new_method_call(
        destination_.empty() ? nullptr : destination_.c_str(), path.c_str(), iface, method));
    if (!call) throw AutomationError(E_OUTOFMEMORY);
    return call;
  }
  // Sends the call after any pending releases and waits for the answer;
  // the server's failures come back as AutomationError.
  native::Message RoundTrip(const native::Message& call, int timeoutMs = 0);
  bool AnswerBool(const native::Message& call);
  [[noreturn]] void Fail(DBusError* error);
  void FlushReleases();
  // Whether a server taken as hung answers again; fails at once between
  // questions.
  void CheckAnswering();

  DBusConnection* connection_;
  std::string destination_;
  // On the bus: the unique name of the server attached to, the only
  // connection that may call this client's objects.
  std::string serverUnique_;
  std::string busName_;
  std::string rootPath_;
  int timeoutMs_;
  std::chrono::milliseconds retryAfterTimeout_;
  bool dead_ = false;
  bool hung_ = false;
  std::chrono::steady_clock::time_point lastTimeout_;
  std::unordered_map<std::string, Proxy*> proxies_;
  std::vector<std::pair<std::string, std::uint32_t>> pendingReleases_;
  // The client's objects the server may call: kClientPathPrefix, a random
  // namespace of this attachment's, a number.
  std::string exportRoot_;
  std::unordered_map<std::string, Exported> exports_;
  std::unordered_map<const Object*, std::string> exportPathOf_;
  std::uint64_t nextExport_ = 1;
  std::unique_ptr<native::LoopBinding> binding_;
};

class Proxy final : public Object {
 public:
  Proxy(std::shared_ptr<Link> link, std::string path)
      : link_(std::move(link)), path_(std::move(path)) {}

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
  const std::string& Path() const { return path_; }

 protected:
  ~Proxy() override { link_->Forget(path_, handouts_); }

 private:
  std::shared_ptr<Link> link_;
  std::string path_;
  std::uint32_t handouts_ = 0;
  mutable std::map<Guid, bool> supports_;
};

ObjectRef Link::ProxyFor(const char* path) {
  Proxy* proxy = nullptr;
  auto it = proxies_.find(path);
  if (it != proxies_.end()) {
    proxy = it->second;
  } else {
    proxy = new Proxy(shared_from_this(), path);
    proxies_.emplace(path, proxy);
  }
  // The server counts every time it sends a path, except its root's.
  if (proxy->Path() != rootPath_) proxy->AddHandout();
  return ObjectRef(proxy);
}

void Link::Forget(const std::string& path, std::uint32_t handouts) {
  proxies_.erase(path);
  if (handouts == 0 || dead_) return;
  pendingReleases_.emplace_back(path, handouts);
  // Told with the next call; a long list goes at once.
  if (pendingReleases_.size() >= 512) FlushReleases();
}

void Link::FlushReleases() {
  if (pendingReleases_.empty()) return;
  native::Releases entries;
  entries.swap(pendingReleases_);
  const native::Message message =
      native::NewRelease(destination_.empty() ? nullptr : destination_.c_str(), rootPath_, entries);
  if (!message) return;  // out of memory
  // One-way; it goes out before the next call on the same connection.
  dbus_connection_send(connection_, message.get(), nullptr);
  releaseMessages.fetch_add(1, std::memory_order_relaxed);
}

void Link::CheckAlive() {
  if (!dead_ && !dbus_connection_get_is_connected(connection_)) dead_ = true;
  if (dead_) throw AutomationError(RPC_E_DISCONNECTED);
}

native::Message Link::RoundTrip(const native::Message& call, int timeoutMs) {
  CheckAlive();
  if (hung_) CheckAnswering();
  FlushReleases();
  roundTrips.fetch_add(1, std::memory_order_relaxed);
  DBusError error;
  dbus_error_init(&error);
  native::Message reply(
      dbus_connection_send_with_reply_and_block(connection_, call.get(),
                                                timeoutMs > 0 ? timeoutMs : timeoutMs_, &error));
  // Until the client serves objects, nothing but replies is expected;
  // whatever else came (the bus's greeting) is dropped. After, the loop
  // dispatches it.
  if (!binding_) {
    while (DBusMessage* stray = dbus_connection_pop_message(connection_)) {
      dbus_message_unref(stray);
    }
  }
  if (!reply) Fail(&error);
  return reply;
}

void Link::Fail(DBusError* error) {
  const std::string name = error->name != nullptr ? error->name : "";
  const std::string text = error->message != nullptr ? error->message : "";
  dbus_error_free(error);
  if (const auto code = CodeOfErrorName(FromStd(name))) throw AutomationError(*code, text);
  // A transport failure: is the server still there?
  bool gone = !dbus_connection_get_is_connected(connection_);
  if (!gone && !destination_.empty()) {
    DBusError query;
    dbus_error_init(&query);
    gone = !dbus_bus_name_has_owner(connection_, busName_.c_str(), &query);
    dbus_error_free(&query);
  }
  if (gone) {
    dead_ = true;
    pendingReleases_.clear();
    throw AutomationError(RPC_E_DISCONNECTED);
  }
  if (name == DBUS_ERROR_NO_REPLY || name == DBUS_ERROR_TIMEOUT || name == DBUS_ERROR_TIMED_OUT) {
    hung_ = true;
    lastTimeout_ = std::chrono::steady_clock::now();
    throw AutomationError(RPC_E_TIMEOUT);
  }
  throw AutomationError(RPC_E_SERVERFAULT,
                        SystemMessage(RPC_E_SERVERFAULT) + " (" + name + ": " + text + ")");
}

void Link::CheckAnswering() {
  const auto now = std::chrono::steady_clock::now();
  if (now - lastTimeout_ < retryAfterTimeout_) throw AutomationError(RPC_E_TIMEOUT);
  // The server's own loop answers this: a server whose loop is stuck does
  // not, whatever library reads its socket.
  hung_ = false;
  RoundTrip(NewCall(rootPath_, kServerInterface, "Busy"), std::min(timeoutMs_, 1000));
}

std::string Link::PathOf(const ObjectRef& object) {
  const auto* proxy = dynamic_cast<const Proxy*>(object.get());
  if (proxy != nullptr && proxy->BelongsTo(this)) return proxy->Path();
  return Export(object);
}

std::string Link::Export(const ObjectRef& object) {
  Serve();
  std::string path;
  auto known = exportPathOf_.find(object.get());
  if (known != exportPathOf_.end()) {
    path = known->second;
  } else {
    path = exportRoot_ + "/" + std::to_string(nextExport_++);
    exportPathOf_.emplace(object.get(), path);
    exports_.emplace(path, Exported{object, 0});
  }
  // The server counts every time it receives the path, and releases as
  // many.
  ++exports_[path].handouts;
  return path;
}

ObjectRef Link::ObjectAt(const char* path) {
  if (std::string_view(path).starts_with(exportRoot_ + "/")) {
    auto it = exports_.find(path);
    if (it == exports_.end()) throw AutomationError(CO_E_OBJNOTCONNECTED);
    return it->second.object;
  }
  return ProxyFor(path);
}

void Link::Serve() {
  if (binding_) return;
  static const DBusObjectPathVTable vtable = {
      nullptr, &Link::OnExportCall, nullptr, nullptr, nullptr, nullptr};
  if (!dbus_connection_register_fallback(connection_, exportRoot_.c_str(), &vtable, this)) {
    throw AutomationError(E_OUTOFMEMORY);
  }
  if (!dbus_connection_add_filter(connection_, &Link::OnSignal, this, nullptr)) {
    dbus_connection_unregister_object_path(connection_, exportRoot_.c_str());
    throw AutomationError(E_OUTOFMEMORY);
  }
  binding_ = std::make_unique<native::LoopBinding>(connection_);
}

DBusHandlerResult Link::OnExportCall(DBusConnection* connection, DBusMessage* message, void* data) {
  if (!native::ForTransport(message)) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
  auto* link = static_cast<Link*>(data);
  // The call may let go of the last proxy, and with it of this link.
  std::shared_ptr<Link> self = link->shared_from_this();
  native::IncomingCall call(connection, message);
  // On the bus anyone may send: only the server attached to calls back.
  const char* sender = dbus_message_get_sender(message);
  if (!link->destination_.empty() &&
      (sender == nullptr || link->serverUnique_.empty() || link->serverUnique_ != sender)) {
    call.ReplyError(ErrorName(E_ACCESSDENIED),
                    QStringLiteral("only the server this client is attached to calls its objects"));
    return DBUS_HANDLER_RESULT_HANDLED;
  }
  call.Answer([&] { link->HandleExportCall(call); });
  if (self.use_count() == 1) ReleaseAfterDispatch(std::move(self));
  return DBUS_HANDLER_RESULT_HANDLED;
}

void Link::HandleExportCall(native::IncomingCall& call) {
  if (call.Interface() == QLatin1String(kServerInterface) &&
      call.Member() == QLatin1String("Calls") && call.Signature() == QLatin1String("aay")) {
    // A burst of call-backs: each is served as if it had come alone, in
    // order; only calls on this link's objects, none that answer.
    for (const native::Message& inner : call.CallsAt(0)) {
      const char* path = dbus_message_get_path(inner.get());
      if (path == nullptr || !std::string_view(path).starts_with(exportRoot_ + "/") ||
          !native::ForTransport(inner.get()) ||
          dbus_message_has_interface(inner.get(), kServerInterface)) {
        continue;
      }
      dbus_message_set_no_reply(inner.get(), TRUE);
      native::IncomingCall one(connection_, inner.get());
      one.Answer([&] { HandleExportCall(one); });
    }
    call.Reply();
    return;
  }
  if (call.Interface() == QLatin1String(kServerInterface)) {
    if (call.Member() != QLatin1String("Release") || call.Signature() != QLatin1String("a(ou)")) {
      throw AutomationError(E_NOTIMPL);
    }
    std::vector<ObjectRef> released;
    for (const auto& [path, count] : call.ReleasesAt(0)) {
      auto it = exports_.find(path);
      if (it == exports_.end()) continue;
      it->second.handouts -= std::min<std::uint64_t>(it->second.handouts, count);
      if (it->second.handouts != 0) continue;
      exportPathOf_.erase(it->second.object.get());
      released.push_back(std::move(it->second.object));
      exports_.erase(it);
    }
    if (!released.empty()) ReleaseAfterDispatch(std::move(released));
    call.Reply();
    return;
  }
  const std::optional<native::ObjectMethod> method = native::ObjectMethodOf(call);
  if (!method) return;
  const ObjectRef target = ObjectAt(ToStd(call.Path()).c_str());
  native::ServeObjectCall(
      call, *method, target, [this](const QString& p) { return ObjectAt(ToStd(p).c_str()); },
      [this](const ObjectRef& o) { return FromStd(PathOf(o)); });
}

DBusHandlerResult Link::OnSignal(DBusConnection*, DBusMessage* message, void* data) {
  auto* link = static_cast<Link*>(data);
  if (dbus_message_is_signal(message, DBUS_INTERFACE_LOCAL, "Disconnected")) {
    // The server has gone: it calls nothing any more.
    link->dead_ = true;
    link->pendingReleases_.clear();
    link->exportPathOf_.clear();
    ReleaseAfterDispatch(std::exchange(link->exports_, {}));
  }
  return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
}

Variant Link::Call(const std::string& path, CallKind kind, std::string_view member, Args args) {
  CheckAlive();
  const native::Message call =
      native::NewObjectCall(destination_.empty() ? nullptr : destination_.c_str(), path, kind,
                            member, args, [this](const ObjectRef& o) { return PathOf(o); });
  const native::Message reply = RoundTrip(call);
  if (kind == CallKind::PropertyPut) return Variant();
  DBusMessageIter in;
  if (!dbus_message_iter_init(reply.get(), &in)) return Variant();
  return native::ReadVariant(&in, [this](const char* p) { return ObjectAt(p); });
}

bool Link::AnswerBool(const native::Message& call) {
  const native::Message reply = RoundTrip(call);
  DBusMessageIter in;
  if (!dbus_message_iter_init(reply.get(), &in) ||
      dbus_message_iter_get_arg_type(&in) != DBUS_TYPE_BOOLEAN) {
    return false;
  }
  dbus_bool_t answer = FALSE;
  dbus_message_iter_get_basic(&in, &answer);
  return answer != 0;
}

bool Link::Supports(const std::string& path, const Guid& iid) {
  native::Message call = NewCall(path, kObjectInterface, "Supports");
  const std::string text = iid.ToString();
  const char* p = text.c_str();
  if (!dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &p, DBUS_TYPE_INVALID)) {
    throw AutomationError(E_OUTOFMEMORY);
  }
  return AnswerBool(call);
}

bool Link::SameObject(const std::string& a, const std::string& b) {
  native::Message call = NewCall(a, kObjectInterface, "SameObject");
  const char* p = b.c_str();
  if (!dbus_message_append_args(call.get(), DBUS_TYPE_OBJECT_PATH, &p, DBUS_TYPE_INVALID)) {
    throw AutomationError(E_OUTOFMEMORY);
  }
  return AnswerBool(call);
}

// Authenticates a new peer connection at once, not at its first call: the
// server closes connections that stay unauthenticated for a few seconds.
bool Authenticate(DBusConnection* connection, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!dbus_connection_get_is_authenticated(connection)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0 || !dbus_connection_read_write(connection, static_cast<int>(left))) {
      return false;
    }
  }
  return true;
}

// The address of the server's private socket, asked on the bus; empty when
// it offers none or does not answer.
std::string AskPeerAddress(DBusConnection* bus, const std::string& busName,
                           const std::string& rootPath, int timeoutMs) {
  const native::Message ask(dbus_message_new_method_call(busName.c_str(), rootPath.c_str(),
                                                         kServerInterface, "PeerAddress"));
  if (!ask) return {};
  roundTrips.fetch_add(1, std::memory_order_relaxed);
  const native::Message answer(
      dbus_connection_send_with_reply_and_block(bus, ask.get(), timeoutMs, nullptr));
  const char* address = nullptr;
  if (!answer || !dbus_message_get_args(answer.get(), nullptr, DBUS_TYPE_STRING, &address,
                                        DBUS_TYPE_INVALID)) {
    return {};
  }
  return address;
}

// The unique name of the connection that owns `name` on the bus; empty
// when none does.
std::string NameOwner(DBusConnection* bus, const std::string& name, int timeoutMs) {
  const native::Message ask(dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS,
                                                         DBUS_INTERFACE_DBUS, "GetNameOwner"));
  const char* asked = name.c_str();
  if (!ask || !dbus_message_append_args(ask.get(), DBUS_TYPE_STRING, &asked, DBUS_TYPE_INVALID)) {
    return {};
  }
  const native::Message answer(
      dbus_connection_send_with_reply_and_block(bus, ask.get(), timeoutMs, nullptr));
  const char* owner = nullptr;
  if (!answer ||
      !dbus_message_get_args(answer.get(), nullptr, DBUS_TYPE_STRING, &owner, DBUS_TYPE_INVALID)) {
    return {};
  }
  return owner;
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
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
      SetErrorInfo("no session bus can be reached (" + ToStd(bus.lastError().message()) + ")");
      return CO_E_SERVER_EXEC_FAILURE;
    }
    const bool started = !NameHasOwner(bus, class_.busName);
    if (started && !Start(bus)) return CO_E_SERVER_EXEC_FAILURE;
    ObjectRef root;
    try {
      root = AttachToServer(class_.busName, class_.rootPath, class_.attach);
    } catch (const AutomationError& e) {
      SetErrorInfo("the server " + ToStd(class_.busName) + " could not be reached (" +
                   SystemMessage(e.code()) + ")");
      return CO_E_SERVER_EXEC_FAILURE;
    }
    if (!root->Supports(iid)) return E_NOINTERFACE;
    if (class_.attached) class_.attached(root, started);
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
    if (class_.program.isEmpty()) {
      SetErrorInfo("the bus cannot start " + ToStd(class_.busName) +
                   " and no server program is known");
      return false;
    }
    qint64 pid = 0;
    // Detached: the server outlives this client, as a local server does.
    if (!QProcess::startDetached(class_.program, class_.arguments, QString(), &pid)) {
      SetErrorInfo("the server program \"" + ToStd(class_.program) + "\" could not be started");
      return false;
    }
    if (WaitForOwner(bus, class_.busName, class_.startTimeoutMs, pid)) return true;
    SetErrorInfo("the server program \"" + ToStd(class_.program) + "\" " +
                 (::kill(static_cast<pid_t>(pid), 0) != 0
                      ? std::string("ended before it took the bus name ")
                      : "did not take the bus name ") +
                 ToStd(class_.busName) + " within " + std::to_string(class_.startTimeoutMs) +
                 " ms");
    return false;
  }

  BusClass class_;
};

}  // namespace

ObjectRef AttachToServer(const QString& busName, const QString& rootPath,
                         const AttachOptions& options) {
  native::InitThreads();
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* bus = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
  dbus_error_free(&error);
  if (bus == nullptr) throw AutomationError(MK_E_UNAVAILABLE);
  dbus_connection_set_exit_on_disconnect(bus, FALSE);
  const std::string name = ToStd(busName);
  const std::string root = ToStd(rootPath);
  // The calls go through the bus, on this connection of their own, unless
  // the server offers a private connection.
  auto link = std::make_shared<Link>(bus, name, name, root, options);
  if (!dbus_bus_name_has_owner(bus, name.c_str(), nullptr)) {
    throw AutomationError(MK_E_UNAVAILABLE);
  }
  link->SetServerUnique(NameOwner(bus, name, options.timeoutMs));
  if (options.peerToPeer) {
    const std::string address = AskPeerAddress(bus, name, root, options.timeoutMs);
    DBusConnection* peer =
        address.empty() ? nullptr : dbus_connection_open_private(address.c_str(), nullptr);
    // Authenticating takes milliseconds; a server that cannot take the
    // connection (out of files) is reached through the bus instead.
    if (peer != nullptr && !Authenticate(peer, std::min(options.timeoutMs, 3000))) {
      dbus_connection_close(peer);
      dbus_connection_unref(peer);
      peer = nullptr;
    }
    if (peer != nullptr) {
      dbus_connection_set_exit_on_disconnect(peer, FALSE);
      link = std::make_shared<Link>(peer, std::string(), name, root, options);
    }
  }
  return link->ProxyFor(root.c_str());
}

bool SessionBusReachable() {
  return QDBusConnection::sessionBus().isConnected();
}

BusClassRegistration RegisterBusClass(const BusClass& busClass) {
  BusClassRegistration registration;
  registration.source = AddRunningObjectSource(busClass.clsid, [busClass](ObjectRef* object) {
    try {
      *object = AttachToServer(busClass.busName, busClass.rootPath, busClass.attach);
    } catch (const AutomationError& e) {
      return e.code();
    }
    if (busClass.attached) busClass.attached(*object, false);
    return S_OK;
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
  return {roundTrips.load(std::memory_order_relaxed),
          releaseMessages.load(std::memory_order_relaxed)};
}

}  // namespace automation::dbus
