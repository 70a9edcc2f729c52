// The D-Bus transport: variants in real messages, and ObjectServer with its
// client. The server runs in a thread of this program on a connection of
// its own, so that a blocking call from the test's thread is answered
// while the test waits; both are on the program's private bus.
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QThread>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "automation/Variant.h"
#include "automation/dbus/Client.h"
#include "automation/dbus/Native.h"
#include "automation/dbus/Server.h"
#include "automation/dbus/Wire.h"
#include "tests/automation/TestObjects.h"
#include "tests/dbus/PumpEvents.h"
#include "tests/support/PrivateBus.h"

namespace {

using automation::Args;
using automation::AutomationError;
using automation::CallKind;
using automation::Guid;
using automation::HResult;
using automation::MakeHResult;
using automation::MakeRef;
using automation::NamesEqual;
using automation::Object;
using automation::ObjectRef;
using automation::StringArray;
using automation::Variant;
using automation::VarType;
using automation::testing::Bag;
namespace dbus = automation::dbus;

const QString kBusName = QStringLiteral("org.tarvel.Test");
const QString kRootPath = QStringLiteral("/org/tarvel/Test");

// A view of something named: views of one name are one object, though
// every Get hands out a new C++ object (as a Visio cell is).
class View final : public Object {
 public:
  explicit View(std::string name) : name_(std::move(name)) {}
  Variant Invoke(CallKind kind, std::string_view member, Args args) override {
    if (kind == CallKind::PropertyGet && NamesEqual(member, "Name") && args.empty()) {
      return Variant(name_);
    }
    throw AutomationError(automation::DISP_E_MEMBERNOTFOUND);
  }
  bool IsSameObject(const Object& other) const override {
    const auto* view = dynamic_cast<const View*>(&other);
    return view != nullptr && view->name_ == name_;
  }

 private:
  std::string name_;
};

// The server's root: Bag's properties (Name, Value) and Add, and
//   Echo(v)          v as the server received it
//   Describe(v)      what the server received: "VT_I4 7", "VT_DISPATCH root"
//   Fail(code, text) fails with that code and message
//   Crash            fails with an exception that is no automation error
//   Sleep(ms)        keeps the server from answering anyone for that long
//   Fresh(name)      a new object on every call, kept by nobody
//   Kept(name)       the object the root keeps under that name
//   ForgetKept       lets go of the kept objects
//   View(name)       a new View on every call
//   Text(n)          a text of n bytes
//   Keep(name, o)    keeps o under that name
//   Notify(name, n, bytes)  calls Note(i, text of bytes) on the kept object
//                    n times; the code of the first failure, else 0
// Lives in the server's thread once served.
class Root final : public Bag {
 public:
  Root() {
    props["Name"] = Variant("root");
    props["Value"] = Variant();
  }

  Variant Invoke(CallKind kind, std::string_view member, Args args) override {
    if (kind == CallKind::Method) {
      if (NamesEqual(member, "Echo") && args.size() == 1) return args[0];
      if (NamesEqual(member, "Describe") && args.size() == 1) return Variant(Describe(args[0]));
      if (NamesEqual(member, "Fail") && args.size() == 2) {
        throw AutomationError(args[0].ToInt32(), args[1].ToString());
      }
      if (NamesEqual(member, "Crash")) throw std::runtime_error("not an automation error");
      if (NamesEqual(member, "Sleep") && args.size() == 1) {
        QThread::msleep(static_cast<unsigned long>(args[0].ToInt32()));
        return {};
      }
      if (NamesEqual(member, "ForgetKept")) {
        kept_.clear();
        return {};
      }
      if (NamesEqual(member, "Keep") && args.size() == 2) {
        kept_[args[0].ToString()] = args[1].ToObject();
        return {};
      }
      if (NamesEqual(member, "Notify") && args.size() == 3) {
        const ObjectRef target = kept_[args[0].ToString()];
        const std::string text(static_cast<std::size_t>(args[2].ToInt32()), 'x');
        try {
          for (std::int32_t i = 0; i < args[1].ToInt32(); ++i) {
            target.Invoke("Note", {Variant(i), Variant(text)});
          }
        } catch (const AutomationError& e) {
          return Variant(static_cast<std::int32_t>(e.code()));
        }
        return Variant(0);
      }
    }
    if (kind == CallKind::PropertyGet && args.size() == 1) {
      if (NamesEqual(member, "Fresh")) return Variant(Named(args[0].ToString()));
      if (NamesEqual(member, "Kept")) {
        ObjectRef& kept = kept_[args[0].ToString()];
        if (!kept) kept = Named(args[0].ToString());
        return Variant(kept);
      }
      if (NamesEqual(member, "View")) return Variant(MakeRef<View>(args[0].ToString()));
      if (NamesEqual(member, "Text")) {
        return Variant(std::string(static_cast<std::size_t>(args[0].ToInt32()), 'x'));
      }
    }
    return Bag::Invoke(kind, member, args);
  }

 private:
  static ObjectRef Named(const std::string& name) {
    auto bag = MakeRef<Bag>();
    bag->props["Name"] = Variant(name);
    return ObjectRef(bag);
  }

  std::string Describe(const Variant& v) const {
    if (!v.IsObject()) {
      std::ostringstream out;
      out << v;
      return out.str();
    }
    std::string text(automation::VarTypeName(v.type()));
    const ObjectRef object = v.ToObject();
    if (!object) return text + " Nothing";
    if (object.get() == this) return text + " root";
    for (const auto& [name, kept] : kept_) {
      if (kept.get() == object.get()) return text + " Kept " + name;
    }
    return text + " another";
  }

  std::map<std::string, ObjectRef> kept_;
};

// An ObjectServer in a thread of its own (with its own connection to the
// program's bus).
class ServerThread {
 public:
  ServerThread(ObjectRef root, bool peerToPeer) {
    thread_.start();
    context_.moveToThread(&thread_);
    Run([&] {
      server_ = std::make_unique<dbus::ObjectServer>(std::move(root), kRootPath);
      try {
        server_->Start(kBusName, peerToPeer);
      } catch (const AutomationError& e) {
        error_ = e.message();
      }
    });
  }

  ~ServerThread() {
    QThread* home = QThread::currentThread();
    Run([&] {
      server_.reset();
      context_.moveToThread(home);
    });
    thread_.quit();
    thread_.wait();
  }

  // Runs f in the server's thread and waits for it.
  template <class F>
  void Run(F f) {
    QMetaObject::invokeMethod(&context_, std::move(f), Qt::BlockingQueuedConnection);
  }

  const std::string& Error() const { return error_; }
  std::size_t Exported() {
    std::size_t n = 0;
    Run([&] { n = server_->ExportedCount(); });
    return n;
  }
  void SetBusy(bool busy) {
    Run([&] { server_->SetBusy(busy); });
  }
  void SetAuthTimeout(std::chrono::milliseconds timeout) {
    Run([&] { server_->SetAuthTimeout(timeout); });
  }
  std::size_t Pending() {
    std::size_t n = 0;
    Run([&] { n = server_->PendingCount(); });
    return n;
  }
  void SweepAfter(std::chrono::milliseconds grace) {
    Run([&] {
      server_->SetGracePeriod(grace);
      server_->Sweep();
    });
  }
  // The server stops owning its name on the bus but goes on serving.
  void GiveUpName() {
    Run([&] { server_->ReleaseName(); });
  }

 private:
  QThread thread_;
  QObject context_;
  std::unique_ptr<dbus::ObjectServer> server_;
  std::string error_;
};

// One entry of a Release call, "(ou)", as a D-Bus tool sends it: a path and
// how many times the client got it.
struct ReleaseEntry {
  QDBusObjectPath path;
  quint32 count = 0;
};

QDBusArgument& operator<<(QDBusArgument& out, const ReleaseEntry& v) {
  out.beginStructure();
  out << v.path << v.count;
  out.endStructure();
  return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, ReleaseEntry& v) {
  in.beginStructure();
  in >> v.path >> v.count;
  in.endStructure();
  return in;
}

void RegisterReleaseEntry() {
  qDBusRegisterMetaType<ReleaseEntry>();
  qDBusRegisterMetaType<QList<ReleaseEntry>>();
}

// A call as any D-Bus tool makes it, on the program's bus connection.
QDBusMessage RawCall(const QString& path, const QString& method, const QVariantList& args,
                     const char* iface = dbus::kObjectInterface) {
  QDBusMessage call =
      QDBusMessage::createMethodCall(kBusName, path, QString::fromLatin1(iface), method);
  call.setArguments(args);
  return QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
}

// Where raw calls go: through the bus, or over a peer connection of Qt's
// own to the server's private socket (what the server writes there is its
// own encoding, not Qt's).
class RawRoute {
 public:
  explicit RawRoute(bool peer) : peer_(peer) {
    if (!peer_) return;
    const QDBusMessage address = RawCall(kRootPath, "PeerAddress", {}, dbus::kServerInterface);
    name_ = QStringLiteral("raw-peer-%1").arg(++serial_);
    connection_ = QDBusConnection::connectToPeer(address.arguments().value(0).toString(), name_);
  }
  ~RawRoute() {
    if (peer_) QDBusConnection::disconnectFromPeer(name_);
  }
  bool Connected() const { return connection_.isConnected(); }
  const char* Name() const { return peer_ ? "peer connection" : "bus"; }

  QDBusMessage Call(const QString& path, const QString& method, const QVariantList& args) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        peer_ ? QString() : kBusName, path, QString::fromLatin1(dbus::kObjectInterface), method);
    call.setArguments(args);
    return connection_.call(call, QDBus::Block, 10000);
  }

 private:
  inline static int serial_ = 0;
  bool peer_;
  QString name_;
  QDBusConnection connection_ = QDBusConnection::sessionBus();
};

// The "sav" arguments of Get, Put and Invoke.
QVariantList MemberCall(const QString& member, const QVariantList& args = {}) {
  return {QVariant(member), QVariant(args)};
}

std::string ErrorText(const QDBusMessage& reply) {
  return reply.type() == QDBusMessage::ErrorMessage
             ? (reply.errorName() + QStringLiteral(": ") + reply.errorMessage()).toStdString()
             : std::string("no error");
}

std::string Describe(const Variant& v) {
  std::ostringstream out;
  out << v;
  return out.str();
}

// What an AutomationError carried: "0x80020003 Member not found.".
template <class F>
std::string Failure(F call) {
  try {
    call();
  } catch (const AutomationError& e) {
    return automation::FormatHResult(e.code()) + " " + e.message();
  }
  return "no error";
}

std::string Failure(HResult code, const std::string& message) {
  return automation::FormatHResult(code) + " " + message;
}

// The peer address the server tells on the bus.
std::string PeerAddress() {
  const QDBusMessage answer = RawCall(kRootPath, "PeerAddress", {}, dbus::kServerInterface);
  return answer.arguments().value(0).toString().toStdString();
}

// The socket file of a peer address ("unix:path=...,guid=...").
std::string SocketPath(const std::string& address) {
  const std::string key = "unix:path=";
  if (address.rfind(key, 0) != 0) return {};
  const std::size_t end = address.find(',');
  return address.substr(key.size(), end == std::string::npos ? end : end - key.size());
}

// A connection to a Unix socket that has said nothing yet; -1 (errno set)
// when it cannot be made.
int ConnectTo(const std::string& path) {
  sockaddr_un address{};
  if (path.size() >= sizeof(address.sun_path)) return -1;
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, path.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

// Whether the other end of fd closes within timeout (unread data left).
bool ClosedByPeer(int fd, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    pollfd hangup{fd, POLLRDHUP, 0};
    if (::poll(&hangup, 1, 50) == 1 && (hangup.revents & (POLLHUP | POLLRDHUP)) != 0) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
}

// An environment variable set (or unset, with nullptr) for a scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A folder of the test's own, removed with what it holds.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvel-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempFolder() {
    if (path_.empty()) return;
    std::error_code ignored;
    // Folders a test gave away are taken back first.
    if (::geteuid() == 0) ::chown(path_.c_str(), 0, 0);
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The user tests act as when they play someone else.
constexpr uid_t kOtherUser = 65534;

// Whether another user (a child process with kOtherUser's ids) can
// connect to the socket at path: 0 it can, else its errno.
int OtherUserConnects(const std::string& path) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0) {
      ::_exit(255);
    }
    const int fd = ConnectTo(path);
    ::_exit(fd >= 0 ? 0 : (errno & 0x7F));
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Get(member, arguments) on the root, made with libdbus; destination is
// null on a peer connection.
dbus::native::Message NewGet(const char* destination, const char* member,
                             const std::vector<Variant>& arguments) {
  dbus::native::Message call(dbus_message_new_method_call(
      destination, kRootPath.toStdString().c_str(), dbus::kObjectInterface, "Get"));
  DBusMessageIter out;
  DBusMessageIter args;
  dbus_message_iter_init_append(call.get(), &out);
  dbus_message_iter_append_basic(&out, DBUS_TYPE_STRING, &member);
  dbus_message_iter_open_container(&out, DBUS_TYPE_ARRAY, "v", &args);
  for (const Variant& a : arguments) dbus::native::AppendVariant(&args, a, {});
  dbus_message_iter_close_container(&out, &args);
  return call;
}

// A peer connection opened and authenticated with libdbus, and a call
// marshalled once so that it can be written again and again, unread.
class RawPeer {
 public:
  explicit RawPeer(const std::string& address) {
    dbus::native::InitThreads();
    connection_ = dbus_connection_open_private(address.c_str(), nullptr);
    if (connection_ == nullptr) return;
    dbus::native::Message ping(dbus_message_new_method_call(nullptr, RootPath().c_str(),
                                                            "org.freedesktop.DBus.Peer", "Ping"));
    dbus::native::Message pong(
        dbus_connection_send_with_reply_and_block(connection_, ping.get(), 10000, nullptr));
    if (pong) dbus_connection_get_unix_fd(connection_, &fd_);
  }
  ~RawPeer() {
    if (connection_ == nullptr) return;
    dbus_connection_close(connection_);
    dbus_connection_unref(connection_);
  }
  RawPeer(const RawPeer&) = delete;
  RawPeer& operator=(const RawPeer&) = delete;

  // The socket, once authenticated; else -1.
  int Fd() const { return fd_; }

  // Get(member, [argument]) as bytes on the wire.
  static std::string Get(const char* member, std::optional<std::int32_t> argument = {}) {
    const dbus::native::Message call = NewGet(
        nullptr, member, argument ? std::vector{Variant(*argument)} : std::vector<Variant>{});
    dbus_message_set_serial(call.get(), 0x7FFF0000);
    char* bytes = nullptr;
    int length = 0;
    if (!dbus_message_marshal(call.get(), &bytes, &length)) return {};
    std::string wire(bytes, static_cast<std::size_t>(length));
    dbus_free(bytes);
    return wire;
  }

  // Writes `wire` count times without reading anything; how many went out
  // before the deadline or the server's hanging up.
  int WriteUnread(const std::string& wire, int count, std::chrono::seconds within) {
    int written = 0;
    std::size_t offset = 0;
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (written < count && std::chrono::steady_clock::now() < deadline) {
      const ssize_t n =
          ::send(fd_, wire.data() + offset, wire.size() - offset, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) break;
        pollfd writable{fd_, POLLOUT, 0};
        ::poll(&writable, 1, 50);
        continue;
      }
      offset += static_cast<std::size_t>(n);
      if (offset == wire.size()) {
        offset = 0;
        ++written;
      }
    }
    return written;
  }

 private:
  static std::string RootPath() { return kRootPath.toStdString(); }
  DBusConnection* connection_ = nullptr;
  int fd_ = -1;
};

class TransportTest : public testing::Test {
 protected:
  void SetUp() override {
    tarvel_test::ProcessBus();
    RegisterReleaseEntry();
  }

  void TearDown() override { server.reset(); }

  void Serve(bool peerToPeer = true) {
    server = std::make_unique<ServerThread>(ObjectRef(MakeRef<Root>()), peerToPeer);
    ASSERT_EQ(server->Error(), "");
  }

  static ObjectRef Attach(bool peerToPeer = true) {
    ObjectRef root;
    EXPECT_NO_THROW(root = dbus::AttachToServer(kBusName, kRootPath, {peerToPeer, 10000}));
    return root;
  }

  void RoundTripEveryVariantType(const ObjectRef& root);
  void ExpectNaturalTypes(const ObjectRef& root, const ObjectRef& kept, RawRoute& route);
  void ExpectScriptTypes(RawRoute& route);

  std::unique_ptr<ServerThread> server;
};

// One encoder on both ends, over the two kinds of connection: a peer
// connection, and each side's own connection to the bus.
TEST_F(TransportTest, EveryVariantTypeRoundTripsThroughRealMessages) {
  Serve();
  for (const bool peer : {true, false}) {
    SCOPED_TRACE(peer ? "peer connection" : "bus");
    RoundTripEveryVariantType(Attach(peer));
  }
}

void TransportTest::RoundTripEveryVariantType(const ObjectRef& root) {
  ASSERT_TRUE(root);
  const ObjectRef kept = root.Get("Kept", {Variant("k")}).ToObject();
  const std::vector<Variant> values = {
      Variant(std::int16_t{-7}),
      Variant(std::int16_t{-32768}),
      Variant(std::int32_t{0}),
      Variant(std::int32_t{-2147483647 - 1}),
      Variant(std::int32_t{123456789}),
      Variant(3.25),
      Variant(-1e300),
      Variant(""),
      Variant("plain"),
      Variant("Größe – 図形 ✓\n\ttab"),
      Variant::Bool(true),
      Variant::Bool(false),
      Variant(),
      Variant::Null(),
      Variant::Error(automation::DISP_E_PARAMNOTFOUND),
      Variant::Error(MakeHResult(0x86DB0A2B)),
      Variant(ObjectRef()),
      Variant(root),
      Variant(kept),
      Variant::Unknown(kept),
      Variant(StringArray(0, {"a", "ü", ""})),
      Variant(StringArray(0, {})),
      Variant(StringArray(1, {"first", "second"})),
      Variant(StringArray(-3, {"x"})),
      Variant(StringArray(5, {})),
  };
  for (const Variant& v : values) {
    // The server saw the same type and value, and sent them back intact.
    const std::string expected =
        !v.IsObject()          ? Describe(v)
        : !v.ToObject()        ? std::string(automation::VarTypeName(v.type())) + " Nothing"
        : v.ToObject() == root ? std::string(automation::VarTypeName(v.type())) + " root"
                               : std::string(automation::VarTypeName(v.type())) + " Kept k";
    EXPECT_EQ(root.Invoke("Describe", {v}).ToString(), expected);
    const Variant back = root.Invoke("Echo", {v});
    EXPECT_EQ(back, v) << Describe(v) << " came back as " << Describe(back);
  }
  // What a D-Bus string cannot hold: bytes that are no UTF-8 arrive as
  // U+FFFD, and a string ends at its first NUL, as with any D-Bus tool.
  EXPECT_EQ(root.Invoke("Echo", {Variant(std::string("a\xff\xfez"))}), Variant("a\uFFFD\uFFFDz"));
  EXPECT_EQ(root.Invoke("Echo", {Variant(std::string("ab\0cd", 5))}), Variant("ab"));
  EXPECT_EQ(root.Invoke("Echo", {Variant(StringArray(0, {"\xc3", "ok"}))}),
            Variant(StringArray(0, {"\uFFFD", "ok"})));
}

TEST_F(TransportTest, RepliesUseTheNaturalDBusTypesAndTagTheRest) {
  Serve();
  const ObjectRef root = Attach();
  ASSERT_TRUE(root);
  const ObjectRef kept = root.Get("Kept", {Variant("k")}).ToObject();
  for (const bool peer : {false, true}) {
    RawRoute route(peer);
    SCOPED_TRACE(route.Name());
    ASSERT_TRUE(route.Connected());
    ExpectNaturalTypes(root, kept, route);
  }
}

void TransportTest::ExpectNaturalTypes(const ObjectRef& root, const ObjectRef& kept,
                                       RawRoute& route) {
  struct Case {
    Variant value;
    QString signature;  // of the reply's variant
    int tag;            // of the "(qv)" struct, -1 for the natural types
    QString payloadSignature;
  };
  const std::vector<Case> cases = {
      {Variant(std::int16_t{-7}), "n", -1, ""},
      {Variant(std::int32_t{7}), "i", -1, ""},
      {Variant(2.5), "d", -1, ""},
      {Variant("ü"), "s", -1, ""},
      {Variant::Bool(true), "b", -1, ""},
      {Variant(kept), "o", -1, ""},
      {Variant(ObjectRef()), "o", -1, ""},
      {Variant(StringArray(0, {"a"})), "as", -1, ""},
      {Variant(), "(qv)", 0, "y"},
      {Variant::Null(), "(qv)", 1, "y"},
      {Variant::Error(automation::DISP_E_PARAMNOTFOUND), "(qv)", 10, "i"},
      {Variant::Unknown(kept), "(qv)", 13, "o"},
      {Variant(StringArray(1, {"a"})), "(qv)", 0x2008, "(ias)"},
  };
  for (const Case& c : cases) {
    root.Put("Value", c.value);
    const QDBusMessage reply = route.Call(kRootPath, "Get", MemberCall("Value"));
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << ErrorText(reply);
    ASSERT_EQ(reply.signature(), "v");
    const QVariant inner = reply.arguments().at(0).value<QDBusVariant>().variant();
    if (c.tag < 0) {
      EXPECT_EQ(QString::fromLatin1(QDBusMetaType::typeToSignature(inner.metaType())), c.signature)
          << Describe(c.value);
      if (c.value.IsObject()) {
        const QString path = inner.value<QDBusObjectPath>().path();
        if (c.value.ToObject()) {
          EXPECT_TRUE(path.startsWith(kRootPath + "/")) << path.toStdString();
        } else {
          EXPECT_EQ(path, "/");
        }
      }
      continue;
    }
    ASSERT_EQ(inner.userType(), qMetaTypeId<QDBusArgument>()) << Describe(c.value);
    const auto arg = inner.value<QDBusArgument>();
    EXPECT_EQ(arg.currentSignature(), c.signature) << Describe(c.value);
    quint16 tag = 0;
    QDBusVariant value;
    arg.beginStructure();
    arg >> tag >> value;
    arg.endStructure();
    EXPECT_EQ(tag, c.tag) << Describe(c.value);
    const QVariant payload = value.variant();
    const QString payloadSignature =
        payload.userType() == qMetaTypeId<QDBusArgument>()
            ? payload.value<QDBusArgument>().currentSignature()
            : QString::fromLatin1(QDBusMetaType::typeToSignature(payload.metaType()));
    EXPECT_EQ(payloadSignature, c.payloadSignature) << Describe(c.value);
  }
}

TEST_F(TransportTest, WhatScriptsSendArrivesAsTheRightTypes) {
  Serve();
  for (const bool peer : {false, true}) {
    RawRoute route(peer);
    SCOPED_TRACE(route.Name());
    ASSERT_TRUE(route.Connected());
    ExpectScriptTypes(route);
  }
}

void TransportTest::ExpectScriptTypes(RawRoute& route) {
  // Integers of other widths become VT_I4 where they fit, else VT_R8.
  struct Case {
    QVariant sent;
    std::string received;
  };
  const std::vector<Case> cases = {
      {QVariant::fromValue(uint{7}), "VT_I4 7"},
      {QVariant::fromValue(uint{4000000000u}), Describe(Variant(4000000000.0))},
      {QVariant::fromValue(qlonglong{-5}), "VT_I4 -5"},
      {QVariant::fromValue(qlonglong{1} << 40), Describe(Variant(1099511627776.0))},
      {QVariant::fromValue(uchar{200}), "VT_I4 200"},
      {QVariant::fromValue(ushort{65535}), "VT_I4 65535"},
      {QVariant::fromValue(qulonglong{42}), "VT_I4 42"},
      {QVariant::fromValue(~qulonglong{0}), Describe(Variant(18446744073709551615.0))},
      {QVariant::fromValue(short{-3}), "VT_I2 -3"},
      {QVariant::fromValue(int{-2}), "VT_I4 -2"},
      {QVariant::fromValue(0.5), Describe(Variant(0.5))},
      {QVariant::fromValue(false), Describe(Variant::Bool(false))},
      {QVariant::fromValue(QStringLiteral("Größe")), "VT_BSTR \"Größe\""},
      {QVariant::fromValue(QStringList{"a", "b"}), "VT_ARRAY|VT_BSTR (0..1) \"a\" \"b\""},
      {QVariant::fromValue(QDBusObjectPath("/")), "VT_DISPATCH Nothing"},
      {QVariant::fromValue(QDBusObjectPath(kRootPath)), "VT_DISPATCH root"},
  };
  for (const Case& c : cases) {
    const QDBusMessage reply = route.Call(kRootPath, "Invoke", MemberCall("Describe", {c.sent}));
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << c.received << ": " << ErrorText(reply);
    EXPECT_EQ(reply.arguments().at(0).value<QDBusVariant>().variant().toString().toStdString(),
              c.received);
  }

  // What no variant holds, and a path the server never handed out.
  const QString badType = dbus::ErrorName(automation::DISP_E_BADVARTYPE);
  for (const QVariant& sent :
       {QVariant::fromValue(QByteArray("bytes")), QVariant::fromValue(QVariantMap{{"k", 1}})}) {
    const QDBusMessage reply = route.Call(kRootPath, "Invoke", MemberCall("Describe", {sent}));
    EXPECT_EQ(reply.errorName(), badType) << sent.typeName();
    EXPECT_EQ(reply.errorMessage(), "Bad variable type.");
  }
  const QDBusMessage stray =
      route.Call(kRootPath, "Invoke",
              MemberCall("Describe", {QVariant::fromValue(QDBusObjectPath(kRootPath + "/999"))}));
  EXPECT_EQ(stray.errorName(), dbus::ErrorName(automation::CO_E_OBJNOTCONNECTED));
  EXPECT_EQ(stray.errorMessage(),
            "Object is not connected to server: /org/tarvel/Test/999 was deleted or released");
}

TEST_F(TransportTest, GetPutAndInvokeCarryArgumentsAndResults) {
  Serve();
  const ObjectRef root = Attach();
  ASSERT_TRUE(root);
  EXPECT_EQ(root.Get("Name"), Variant("root"));
  root.Put("Name", Variant("renamed"));
  EXPECT_EQ(root.Get("name"), Variant("renamed"));
  EXPECT_EQ(root.Invoke("Add", {Variant(std::int16_t{1}), Variant(2.5), Variant("3")}),
            Variant(6.5));

  // Objects handed out answer too, and keep what is put into them.
  const ObjectRef kept = root.Get("Kept", {Variant("first")}).ToObject();
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept.Get("Name"), Variant("first"));
  kept.Put("Name", Variant("changed"));
  EXPECT_EQ(root.Get("Kept", {Variant("first")}).ToObject().Get("Name"), Variant("changed"));
  EXPECT_EQ(root.Get("View", {Variant("v")}).ToObject().Get("Name"), Variant("v"));

  // An object of this process travels, and comes back as itself.
  const ObjectRef own(MakeRef<Bag>());
  EXPECT_EQ(root.Invoke("Echo", {Variant(own)}).ToObject().get(), own.get());
}

TEST_F(TransportTest, ErrorsArriveWithTheirCodeAndMessage) {
  Serve();
  const ObjectRef root = Attach();
  ASSERT_TRUE(root);
  struct Case {
    HResult code;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {MakeHResult(0x86DB0A2B), "\n\nObject has been deleted."},
           {automation::E_FAIL, "Größe ✓ \"quoted\"\n"},
           {automation::E_INVALIDARG, ""},
           {MakeHResult(0x80010001), "refused"},
       }) {
    EXPECT_EQ(
        Failure([&] {
          root.Invoke("Fail", {Variant(static_cast<std::int32_t>(c.code)), Variant(c.message)});
        }),
        Failure(c.code, c.message));
  }
  EXPECT_EQ(Failure([&] { root.Get("NoSuchMember"); }),
            Failure(automation::DISP_E_MEMBERNOTFOUND, "Member not found."));
  EXPECT_EQ(Failure([&] { root.Put("Name", {Variant(1)}, Variant("x")); }),
            Failure(automation::DISP_E_BADPARAMCOUNT, "Invalid number of parameters."));
  EXPECT_EQ(Failure([&] { root.Invoke("Crash"); }),
            Failure(automation::RPC_E_SERVERFAULT, "The server threw an exception."));
  const ObjectRef fresh = root.Get("Fresh", {Variant("f")}).ToObject();
  EXPECT_EQ(Failure([&] { fresh.Invoke("Nothing"); }),
            Failure(automation::DISP_E_MEMBERNOTFOUND, "Member not found."));
  // The attachment still works after failures.
  EXPECT_EQ(fresh.Get("Name"), Variant("f"));
}

TEST_F(TransportTest, IdentityIsTheServersIdentity) {
  Serve();
  const ObjectRef root = Attach();
  ASSERT_TRUE(root);
  // Two views of one name: two C++ objects on the server, two paths, two
  // proxies, one object.
  const ObjectRef a1 = root.Get("View", {Variant("A")}).ToObject();
  const ObjectRef a2 = root.Get("View", {Variant("A")}).ToObject();
  const ObjectRef b = root.Get("View", {Variant("B")}).ToObject();
  ASSERT_TRUE(a1 && a2 && b);
  EXPECT_NE(a1.get(), a2.get());
  EXPECT_TRUE(SameObject(a1, a2));
  EXPECT_TRUE(SameObject(a2, a1));
  EXPECT_FALSE(SameObject(a1, b));
  EXPECT_FALSE(SameObject(a1, root));
  EXPECT_FALSE(SameObject(a1, ObjectRef()));

  // One object handed out twice is one path: one proxy.
  const ObjectRef k1 = root.Get("Kept", {Variant("k")}).ToObject();
  const ObjectRef k2 = root.Get("Kept", {Variant("k")}).ToObject();
  EXPECT_EQ(k1.get(), k2.get());
  EXPECT_FALSE(SameObject(k1, a1));
  // And the server knows its objects when they come back.
  EXPECT_EQ(root.Invoke("Echo", {Variant(a1)}).ToObject().get(), a1.get());
  EXPECT_EQ(root.Invoke("Echo", {Variant(root)}).ToObject().get(), root.get());
}

TEST_F(TransportTest, ReleasesBringTheExportsBackToTheirBaseline) {
  Serve();
  const ObjectRef root = Attach();
  ASSERT_TRUE(root);
  const std::size_t baseline = server->Exported();
  {
    std::vector<ObjectRef> held;
    for (const char* name : {"a", "b", "c"}) {
      held.push_back(root.Get("Fresh", {Variant(name)}).ToObject());
    }
    held.push_back(root.Get("Kept", {Variant("k")}).ToObject());
    held.push_back(root.Get("Kept", {Variant("k")}).ToObject());  // the same path again
    held.push_back(root.Get("View", {Variant("v")}).ToObject());
    EXPECT_EQ(server->Exported(), baseline + 5);
  }
  // Releases travel with the next call.
  EXPECT_EQ(server->Exported(), baseline + 5);
  root.Get("Name");
  // What only the client held is gone at once; what the model keeps stays.
  EXPECT_EQ(server->Exported(), baseline + 1);
  server->SweepAfter(std::chrono::milliseconds(0));
  EXPECT_EQ(server->Exported(), baseline + 1);
  root.Invoke("ForgetKept");
  server->SweepAfter(std::chrono::milliseconds(0));
  EXPECT_EQ(server->Exported(), baseline);
}

TEST_F(TransportTest, WhatALeavingClientHeldGoesAfterTheGracePeriod) {
  Serve();
  const std::size_t baseline = server->Exported();
  const QString name = QStringLiteral("leaving-client");
  {
    QDBusConnection leaving = QDBusConnection::connectToBus(
        QString::fromStdString(tarvel_test::ProcessBus().Address()), name);
    QDBusMessage call =
        QDBusMessage::createMethodCall(kBusName, kRootPath, dbus::kObjectInterface, "Get");
    call.setArguments(MemberCall("Fresh", {QVariant(QStringLiteral("x"))}));
    const QDBusMessage reply = leaving.call(call, QDBus::Block, 10000);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << ErrorText(reply);
  }
  EXPECT_EQ(server->Exported(), baseline + 1);
  QDBusConnection::disconnectFromBus(name);
  // Forgotten when the server hears of it, kept through the grace period,
  // then gone.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    server->SweepAfter(std::chrono::hours(1));
    ASSERT_EQ(server->Exported(), baseline + 1);
    server->SweepAfter(std::chrono::milliseconds(0));
    if (server->Exported() == baseline) break;
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the client's leaving went unnoticed";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// The bus tells of a client's leaving on another connection than the one
// its calls come on: a call still unread then is answered first, and does
// not make the client one again, holding its objects for ever.
TEST_F(TransportTest, AClientThatLeavesWithACallUnreadIsForgottenAllTheSame) {
  Serve();
  const ObjectRef sleeper = Attach(true);
  const std::size_t baseline = server->Exported();
  const std::string busName = kBusName.toStdString();
  const auto fresh = [&] { return NewGet(busName.c_str(), "Fresh", {Variant("x")}); };
  DBusConnection* leaving = dbus_bus_get_private(DBUS_BUS_SESSION, nullptr);
  ASSERT_NE(leaving, nullptr);
  dbus_connection_set_exit_on_disconnect(leaving, FALSE);
  // A client already, whose leaving the server watches for.
  const dbus::native::Message first(
      dbus_connection_send_with_reply_and_block(leaving, fresh().get(), 10000, nullptr));
  EXPECT_TRUE(first);
  // The second call waits while the server sleeps; the client leaves.
  std::thread sleeping([&] { sleeper.Invoke("Sleep", {Variant(500)}); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  dbus_connection_send(leaving, fresh().get(), nullptr);
  dbus_connection_flush(leaving);
  dbus_connection_close(leaving);
  dbus_connection_unref(leaving);
  sleeping.join();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    server->SweepAfter(std::chrono::milliseconds(0));
    if (server->Exported() == baseline) break;
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the client's objects stay held";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

TEST_F(TransportTest, WhatAClosedPeerConnectionHeldIsForgotten) {
  Serve();
  const std::size_t baseline = server->Exported();
  {
    const ObjectRef root = Attach(true);
    ASSERT_TRUE(root);
    const ObjectRef fresh = root.Get("Fresh", {Variant("f")}).ToObject();
    const ObjectRef kept = root.Get("Kept", {Variant("k")}).ToObject();
    EXPECT_EQ(server->Exported(), baseline + 2);
  }
  // Letting go of the attachment closes its connection; that is its release.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    server->SweepAfter(std::chrono::milliseconds(0));
    // The kept object stays while the model keeps it.
    if (server->Exported() == baseline + 1) break;
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the closed connection went unnoticed";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// D-Bus tools find the exported objects by introspection: the root with
// both interfaces, a handed-out object with the object interface, and the
// folders above the root leading to it.
TEST_F(TransportTest, ToolsFindTheExportedObjectsByIntrospection) {
  Serve();
  const QDBusMessage got = RawCall(kRootPath, "Get", MemberCall("Fresh", {QVariant("x")}));
  ASSERT_EQ(got.type(), QDBusMessage::ReplyMessage) << ErrorText(got);
  const QString handedOut =
      got.arguments().at(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
  struct Case {
    QString path;
    std::vector<QString> present;
    std::vector<QString> absent;
  };
  const QString object = QStringLiteral("<interface name=\"org.tarvel.Automation\">");
  const QString serverInterface =
      QStringLiteral("<interface name=\"org.tarvel.Automation.Server\">");
  const std::vector<Case> cases = {
      {kRootPath, {object, serverInterface}, {}},
      {handedOut, {object}, {serverInterface}},
      {QStringLiteral("/org/tarvel"), {QStringLiteral("<node name=\"Test\"")}, {object}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    QDBusMessage call = QDBusMessage::createMethodCall(
        kBusName, c.path, QStringLiteral("org.freedesktop.DBus.Introspectable"),
        QStringLiteral("Introspect"));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << ErrorText(reply);
    const QString xml = reply.arguments().value(0).toString();
    for (const QString& part : c.present) EXPECT_TRUE(xml.contains(part)) << xml.toStdString();
    for (const QString& part : c.absent) EXPECT_FALSE(xml.contains(part)) << xml.toStdString();
  }
}

TEST_F(TransportTest, AReleasedPathAnswersObjectNotConnected) {
  Serve();
  {
    // A client that was handed nothing is answered too.
    const QString name = QStringLiteral("releasing-client");
    QDBusConnection fresh = QDBusConnection::connectToBus(
        QString::fromStdString(tarvel_test::ProcessBus().Address()), name);
    QDBusMessage call =
        QDBusMessage::createMethodCall(kBusName, kRootPath, dbus::kServerInterface, "Release");
    call.setArguments({QVariant::fromValue(QList<ReleaseEntry>{})});
    const QDBusMessage reply = fresh.call(call, QDBus::Block, 3000);
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << ErrorText(reply);
    QDBusConnection::disconnectFromBus(name);
  }
  const QDBusMessage got = RawCall(kRootPath, "Get", MemberCall("Fresh", {QVariant("x")}));
  ASSERT_EQ(got.type(), QDBusMessage::ReplyMessage) << ErrorText(got);
  const QDBusObjectPath path =
      got.arguments().at(0).value<QDBusVariant>().variant().value<QDBusObjectPath>();
  ASSERT_TRUE(path.path().startsWith(kRootPath + "/")) << path.path().toStdString();
  EXPECT_EQ(RawCall(path.path(), "Get", MemberCall("Name")).type(), QDBusMessage::ReplyMessage);

  const QDBusMessage released =
      RawCall(kRootPath, "Release", {QVariant::fromValue(QList<ReleaseEntry>{{path, 1}})},
              dbus::kServerInterface);
  ASSERT_EQ(released.type(), QDBusMessage::ReplyMessage) << ErrorText(released);
  const QDBusMessage after = RawCall(path.path(), "Get", MemberCall("Name"));
  EXPECT_EQ(after.errorName(), dbus::ErrorName(automation::CO_E_OBJNOTCONNECTED));
  EXPECT_EQ(after.errorMessage(),
            "Object is not connected to server: " + path.path() + " was deleted or released");
}

TEST_F(TransportTest, BusyRefusesObjectCallsAndAcceptsThemAgainAfterwards) {
  Serve();
  const ObjectRef root = Attach();
  ASSERT_TRUE(root);
  const ObjectRef kept = root.Get("Kept", {Variant("k")}).ToObject();
  const std::string rejected =
      Failure(automation::RPC_E_CALL_REJECTED, "Call was rejected by callee.");

  server->SetBusy(true);
  EXPECT_EQ(Failure([&] { root.Get("Name"); }), rejected);
  EXPECT_EQ(Failure([&] { kept.Put("Name", Variant("x")); }), rejected);
  EXPECT_EQ(Failure([&] { root.Invoke("Add"); }), rejected);
  // The server's own interface still answers: that is how busy ends.
  const QDBusMessage busy = RawCall(kRootPath, "Busy", {}, dbus::kServerInterface);
  ASSERT_EQ(busy.type(), QDBusMessage::ReplyMessage) << ErrorText(busy);
  EXPECT_TRUE(busy.arguments().at(0).toBool());
  const QDBusMessage off = RawCall(kRootPath, "SetBusy", {QVariant(false)}, dbus::kServerInterface);
  ASSERT_EQ(off.type(), QDBusMessage::ReplyMessage) << ErrorText(off);

  EXPECT_EQ(root.Get("Name"), Variant("root"));
  EXPECT_EQ(kept.Get("Name"), Variant("k"));
}

// Whether calls travel over the private connection shows when the server
// stops owning its name: the private connection does not need it.
TEST_F(TransportTest, ThePeerConnectionIsUsedWhenOfferedAndTheBusWhenNot) {
  struct Case {
    bool serverOffers;
    bool clientWants;
    bool peer;
  };
  for (const Case& c :
       std::vector<Case>{{true, true, true}, {true, false, false}, {false, true, false}}) {
    SCOPED_TRACE(testing::Message()
                 << "server offers " << c.serverOffers << ", client wants " << c.clientWants);
    Serve(c.serverOffers);
    {
      const ObjectRef root = Attach(c.clientWants);
      ASSERT_TRUE(root);
      const ObjectRef kept = root.Get("Kept", {Variant("k")}).ToObject();
      server->GiveUpName();
      if (c.peer) {
        EXPECT_EQ(root.Get("Name"), Variant("root"));
        EXPECT_EQ(kept.Get("Name"), Variant("k"));
      } else {
        const std::string disconnected =
            Failure(automation::RPC_E_DISCONNECTED,
                    "The object invoked has disconnected from its clients.");
        EXPECT_EQ(Failure([&] { root.Get("Name"); }), disconnected);
        EXPECT_EQ(Failure([&] { kept.Get("Name"); }), disconnected);
      }
    }
    server.reset();
  }
}

TEST_F(TransportTest, EveryCallIsOneRoundTripAndReleasesAreNone) {
  Serve();
  dbus::TransportCounters before = dbus::Counters();
  const ObjectRef root = Attach();  // asks for the peer address
  ASSERT_TRUE(root);
  dbus::TransportCounters now = dbus::Counters();
  EXPECT_EQ(now.roundTrips - before.roundTrips, 1u);

  before = now;
  root.Get("Name");
  root.Put("Name", Variant("x"));
  root.Invoke("Add", {Variant(1), Variant(2)});
  ObjectRef fresh = root.Get("Fresh", {Variant("f")}).ToObject();
  fresh.Get("Name");
  now = dbus::Counters();
  EXPECT_EQ(now.roundTrips - before.roundTrips, 5u);

  // Identity and interfaces: asked once, then known; the root's own
  // interfaces and one proxy compared with itself need no call.
  const ObjectRef view1 = root.Get("View", {Variant("v")}).ToObject();
  const ObjectRef view2 = root.Get("View", {Variant("v")}).ToObject();
  const Guid iid = Guid::FromString("{2DE4B8E3-1C30-4B43-9A1F-5D3C0E3B9A11}");
  before = dbus::Counters();
  EXPECT_TRUE(SameObject(view1, view2));
  EXPECT_TRUE(SameObject(view1, view1));
  EXPECT_TRUE(fresh->Supports(automation::IID_IDispatch));
  EXPECT_FALSE(fresh->Supports(iid));
  EXPECT_FALSE(fresh->Supports(iid));
  now = dbus::Counters();
  EXPECT_EQ(now.roundTrips - before.roundTrips, 2u);

  // Dropping proxies sends nothing by itself; the next call takes the
  // releases along in one one-way message.
  before = now;
  fresh.Reset();
  now = dbus::Counters();
  EXPECT_EQ(now.roundTrips, before.roundTrips);
  EXPECT_EQ(now.releaseMessages, before.releaseMessages);
  root.Get("Name");
  now = dbus::Counters();
  EXPECT_EQ(now.roundTrips - before.roundTrips, 1u);
  EXPECT_EQ(now.releaseMessages - before.releaseMessages, 1u);
}

// A server that stops answering costs one full timeout; later calls fail at
// once, without a message, until the server answers a short question again.
TEST_F(TransportTest, AHungServerCostsOneTimeoutNotOnePerCall) {
  Serve();
  const std::string timedOut = Failure(
      automation::RPC_E_TIMEOUT, "This operation returned because the timeout period expired.");
  for (const bool peer : {true, false}) {
    SCOPED_TRACE(peer ? "peer connection" : "bus");
    ObjectRef root;
    ASSERT_NO_THROW(root = dbus::AttachToServer(kBusName, kRootPath, {peer, 300, 3000}));
    EXPECT_EQ(Failure([&] { root.Invoke("Sleep", {Variant(1500)}); }), timedOut);
    const dbus::TransportCounters before = dbus::Counters();
    for (int i = 0; i < 20; ++i) EXPECT_EQ(Failure([&] { root.Get("Name"); }), timedOut);
    EXPECT_EQ(dbus::Counters().roundTrips, before.roundTrips) << "calls went to a hung server";

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    Variant name;
    while (Failure([&] { name = root.Get("Name"); }) != "no error") {
      ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the server was not taken up again";
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(name, Variant("root"));
  }
}

// The private socket is made where only its user can reach it: in the
// session's runtime folder, else in a folder of the user's own in the
// temporary folder. A socket a killed server left there is cleared, and the
// server's own goes with it.
TEST_F(TransportTest, ThePeerSocketLivesInAFolderOnlyItsUserCanEnter) {
  TempFolder tmp;
  TempFolder runtime;
  ASSERT_FALSE(tmp.Path().empty() || runtime.Path().empty());
  const std::string user = std::to_string(::geteuid());
  struct Case {
    const char* runtimeDir;
    std::string folder;
  };
  for (const Case& c : std::vector<Case>{
           {nullptr, tmp.Path() + "/tarvel-" + user},
           {"/nonexistent/runtime", tmp.Path() + "/tarvel-" + user},
           {runtime.Path().c_str(), runtime.Path() + "/tarvel"},
       }) {
    SCOPED_TRACE(c.folder);
    const ScopedEnv runtimeDir("XDG_RUNTIME_DIR", c.runtimeDir);
    const ScopedEnv tmpDir("TMPDIR", tmp.Path().c_str());
    // What a killed server leaves: a socket file nobody listens on.
    std::filesystem::create_directory(c.folder);
    std::filesystem::permissions(c.folder, std::filesystem::perms::owner_all);
    // (of a process beyond the largest process ID)
    const std::string stale = c.folder + "/peer-2147483647-1";
    {
      const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      stale.copy(address.sun_path, stale.size());
      ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
      ::close(fd);
    }

    Serve();
    const std::string socket = SocketPath(PeerAddress());
    EXPECT_EQ(std::filesystem::path(socket).parent_path(), c.folder);
    struct stat info{};
    ASSERT_EQ(::lstat(c.folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_uid, ::geteuid());
    EXPECT_FALSE(std::filesystem::exists(stale)) << "the stale socket stayed";
    EXPECT_EQ(Attach().Get("Name"), Variant("root"));
    server.reset();
    EXPECT_FALSE(std::filesystem::exists(socket)) << "the socket outlived its server";
  }
}

// A folder that someone else could enter, or that is not what it seems,
// is not used: calls go through the bus instead, and the server says why.
TEST_F(TransportTest, AnUnsafeSocketFolderIsRefused) {
  TempFolder tmp;
  ASSERT_FALSE(tmp.Path().empty());
  const ScopedEnv runtimeDir("XDG_RUNTIME_DIR", nullptr);
  const ScopedEnv tmpDir("TMPDIR", tmp.Path().c_str());
  const std::string folder = tmp.Path() + "/tarvel-" + std::to_string(::geteuid());
  const std::string elsewhere = tmp.Path() + "/elsewhere";
  struct Case {
    const char* name;
    std::function<void()> make;
    const char* said;
  };
  std::vector<Case> cases = {
      {"a symbolic link to a private folder",
       [&] {
         std::filesystem::create_directory(elsewhere);
         std::filesystem::permissions(elsewhere, std::filesystem::perms::owner_all);
         std::filesystem::create_directory_symlink(elsewhere, folder);
       },
       "is a symbolic link"},
      {"a folder others may enter",
       [&] {
         std::filesystem::create_directory(folder);
         std::filesystem::permissions(folder, std::filesystem::perms::owner_all |
                                                  std::filesystem::perms::group_exec |
                                                  std::filesystem::perms::others_exec);
       },
       "is open to other users"},
      {"a file", [&] { std::ofstream(folder) << "x"; }, "is not a folder"},
  };
  if (::geteuid() == 0) {
    cases.push_back({"another user's folder",
                     [&] {
                       std::filesystem::create_directory(folder);
                       std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
                       ASSERT_EQ(::chown(folder.c_str(), kOtherUser, kOtherUser), 0);
                     },
                     "belongs to another user"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::remove_all(elsewhere, ignored);
    c.make();
    testing::internal::CaptureStderr();
    Serve();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(PeerAddress(), "");
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    EXPECT_EQ(Attach().Get("Name"), Variant("root"));
    server.reset();
  }
  if (::geteuid() != 0) std::cout << "another user's folder not tried: that needs root\n";
}

TEST_F(TransportTest, AnotherUserCannotConnectToThePeerSocket) {
  if (::geteuid() != 0) GTEST_SKIP() << "acting as another user needs root";
  Serve();
  const std::string socket = SocketPath(PeerAddress());
  ASSERT_FALSE(socket.empty());
  EXPECT_EQ(OtherUserConnects(socket), EACCES);
}

// A connection is nobody's client until it has authenticated. One that
// does not is closed after the authentication timeout, and few may wait
// at once; a client that authenticated keeps being served, however long it
// waits before its first call.
TEST_F(TransportTest, ConnectionsThatNeverAuthenticateAreBoundedAndClosed) {
  Serve();
  server->SetAuthTimeout(std::chrono::milliseconds(500));
  const std::string socket = SocketPath(PeerAddress());
  ASSERT_FALSE(socket.empty());
  std::vector<int> silent;
  for (int i = 0; i < 40; ++i) {
    const int fd = ConnectTo(socket);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    silent.push_back(fd);
  }
  const ObjectRef root = Attach();
  ASSERT_TRUE(root);
  EXPECT_LE(server->Pending(), dbus::ObjectServer::kMaxPendingPeers);
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  EXPECT_EQ(root.Get("Name"), Variant("root"));
  int closed = 0;
  for (const int fd : silent) {
    if (ClosedByPeer(fd, std::chrono::seconds(5))) ++closed;
    ::close(fd);
  }
  EXPECT_EQ(closed, 40) << "connections that never authenticated were kept";
  EXPECT_EQ(server->Pending(), 0u);
}

// A client that writes calls and never reads the answers costs the server
// the memory of the queued answers, and stalls nobody else.
TEST_F(TransportTest, AClientThatNeverReadsStallsNobodyElse) {
  Serve();
  RawPeer flood(PeerAddress());
  ASSERT_GE(flood.Fd(), 0);
  // Far more answers than the socket holds.
  constexpr int kCalls = 20000;
  EXPECT_EQ(flood.WriteUnread(RawPeer::Get("Name"), kCalls, std::chrono::seconds(20)), kCalls)
      << "the server stopped reading its peer";
  const ObjectRef root = Attach();
  ASSERT_TRUE(root);
  Variant name;
  EXPECT_EQ(Failure([&] { name = root.Get("Name"); }), "no error");
  EXPECT_EQ(name, Variant("root"));
}

// What waits for one peer to read it is bounded: past the bound the peer is
// disconnected, and the server says so.
TEST_F(TransportTest, APeerThatLeavesTooMuchUnreadIsDisconnected) {
  Serve();
  const ObjectRef other = Attach();
  ASSERT_TRUE(other);
  RawPeer flood(PeerAddress());
  ASSERT_GE(flood.Fd(), 0);
  testing::internal::CaptureStderr();
  // 1 MiB answers, twice as many as the bound holds.
  constexpr int kMiB = 1024 * 1024;
  const int calls = static_cast<int>(2 * dbus::ObjectServer::kMaxQueuedBytes / kMiB);
  flood.WriteUnread(RawPeer::Get("Text", kMiB), calls, std::chrono::seconds(20));
  const bool closed = ClosedByPeer(flood.Fd(), std::chrono::seconds(20));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(closed) << "the server kept queueing answers";
  EXPECT_NE(said.find("MiB of answers unread and was disconnected"), std::string::npos) << said;
  // Others are served as before.
  EXPECT_EQ(other.Get("Name"), Variant("root"));
  EXPECT_EQ(Attach().Get("Name"), Variant("root"));
}

// A client's own object, as a script passes an advise sink: what Note
// calls brought, in the order they came.
class Recorder final : public Object {
 public:
  Variant Invoke(CallKind kind, std::string_view member, Args args) override {
    if (kind == CallKind::Method && NamesEqual(member, "Note") && args.size() == 2) {
      notes.push_back(args[0].ToInt32());
      return {};
    }
    throw AutomationError(automation::DISP_E_MEMBERNOTFOUND);
  }
  std::vector<std::int32_t> notes;
};

using tarvel_test::PumpUntil;

HResult CodeOf(const Variant& v) {
  return static_cast<HResult>(v.ToInt32());
}

// The server calls a client's object back without waiting: the calls
// arrive through the client's event loop once its own call is over, all of
// them and in order; the object keeps its identity both ways, and the
// client lets go of it when the server does.
TEST_F(TransportTest, AClientsObjectIsCalledBackThroughItsEventLoopInOrder) {
  Serve();
  for (const bool peer : {true, false}) {
    SCOPED_TRACE(peer ? "peer connection" : "bus");
    const auto recorder = MakeRef<Recorder>();
    const ObjectRef sink(recorder);
    const ObjectRef root = Attach(peer);
    ASSERT_TRUE(root);
    root.Invoke("Keep", {Variant("sink"), Variant(sink)});
    EXPECT_EQ(root.Invoke("Describe", {Variant(sink)}), Variant("VT_DISPATCH Kept sink"));
    EXPECT_EQ(root.Get("Kept", {Variant("sink")}).ToObject().get(), sink.get());

    constexpr int kCalls = 2000;
    EXPECT_EQ(CodeOf(root.Invoke("Notify", {Variant("sink"), Variant(kCalls), Variant(16)})), 0);
    // Nothing runs in the middle of the client's own call.
    EXPECT_TRUE(recorder->notes.empty());
    // Another call meanwhile reads the connection: what came is still queued.
    EXPECT_EQ(root.Get("Name"), Variant("root"));
    EXPECT_TRUE(recorder->notes.empty());
    ASSERT_TRUE(PumpUntil([&] { return recorder->notes.size() >= kCalls; }))
        << recorder->notes.size() << " calls came";
    std::vector<std::int32_t> expected(kCalls);
    for (int i = 0; i < kCalls; ++i) expected[static_cast<std::size_t>(i)] = i;
    EXPECT_EQ(recorder->notes, expected);

    root.Invoke("ForgetKept");
    EXPECT_TRUE(PumpUntil([&] { return recorder->UseCount() == 2; }))
        << "the client keeps what the server let go of";
  }
}

// Once the client that passed an object has gone, calls on it fail as
// disconnected, and the server answers the others.
TEST_F(TransportTest, CallsBackToAClientThatHasGoneFailAsDisconnected) {
  Serve();
  const ObjectRef other = Attach(true);
  ASSERT_TRUE(other);
  for (const bool peer : {true, false}) {
    SCOPED_TRACE(peer ? "peer connection" : "bus");
    {
      const ObjectRef root = Attach(peer);
      ASSERT_TRUE(root);
      root.Invoke("Keep", {Variant("gone"), Variant(ObjectRef(MakeRef<Recorder>()))});
    }  // its connection closes
    HResult code = 0;
    EXPECT_TRUE(PumpUntil([&] {
      code = CodeOf(other.Invoke("Notify", {Variant("gone"), Variant(1), Variant(0)}));
      return code != 0;
    })) << "the client's leaving went unnoticed";
    EXPECT_EQ(code, automation::RPC_E_DISCONNECTED);
    EXPECT_EQ(other.Get("Name"), Variant("root"));
  }
}

// A client's objects are named in a namespace of its own: another client
// naming a path there is refused, whichever way it comes.
TEST_F(TransportTest, OnlyTheClientThatNamedANamespaceMayNamePathsInIt) {
  Serve();
  const auto keep = [](RawRoute& route, const QString& path) {
    return route.Call(
        kRootPath, "Invoke",
        MemberCall("Keep", {QVariant("x"), QVariant::fromValue(QDBusObjectPath(path))}));
  };
  const QString prefix = QString::fromLatin1(dbus::kClientPathPrefix);
  RawRoute owner(true);
  ASSERT_TRUE(owner.Connected());
  const QDBusMessage claimed = keep(owner, prefix + "abc/1");
  ASSERT_EQ(claimed.type(), QDBusMessage::ReplyMessage) << ErrorText(claimed);
  EXPECT_EQ(keep(owner, prefix + "abc/2").type(), QDBusMessage::ReplyMessage);
  const auto error = [](HResult code, const QString& path, const char* text) {
    return dbus::ErrorName(code).toStdString() + ": " + path.toStdString() + text;
  };
  struct Case {
    QString path;
    std::string error;
  };
  const Case cases[] = {
      {prefix + "abc/1",
       error(automation::E_ACCESSDENIED, prefix + "abc/1", " belongs to another client")},
      {prefix + "abc/3",
       error(automation::E_ACCESSDENIED, prefix + "abc/3", " belongs to another client")},
      {prefix + "abc",
       error(automation::E_INVALIDARG, prefix + "abc", " names no object of a client")},
      {prefix + "abc/1/2",
       error(automation::E_INVALIDARG, prefix + "abc/1/2", " names no object of a client")},
  };
  RawRoute bus(false);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    EXPECT_EQ(ErrorText(keep(bus, c.path)), c.error);
  }
}

// On the bus any connection can send to a client: only the server it is
// attached to may call the objects it passed, anyone else is refused and
// the object never hears of it.
TEST_F(TransportTest, OnlyTheServerCallsAClientsObjectsBack) {
  Serve();
  const auto recorder = MakeRef<Recorder>();
  const ObjectRef root = Attach(false);
  ASSERT_TRUE(root);
  root.Invoke("Keep", {Variant("sink"), Variant(ObjectRef(recorder))});
  // Where the object is, as another program on the bus can find it: the
  // client's connection and its namespace, by introspection.
  QDBusConnection stranger = QDBusConnection::sessionBus();
  const QString prefix = QString::fromLatin1(dbus::kClientPathPrefix);
  const QString parent = prefix.left(prefix.size() - 1);
  QString client, path;
  for (const QString& name : stranger.interface()->registeredServiceNames().value()) {
    if (!name.startsWith(':') || name == stranger.baseService()) continue;
    const QDBusMessage introspect =
        stranger.call(QDBusMessage::createMethodCall(
                          name, parent, QStringLiteral("org.freedesktop.DBus.Introspectable"),
                          QStringLiteral("Introspect")),
                      QDBus::BlockWithGui, 2000);
    const QString xml = introspect.arguments().value(0).toString();
    const qsizetype at = xml.indexOf(QStringLiteral("<node name=\""));
    if (introspect.type() != QDBusMessage::ReplyMessage || at < 0) continue;
    const qsizetype start = at + 12;
    client = name;
    path = prefix + xml.mid(start, xml.indexOf('"', start) - start) + QStringLiteral("/1");
  }
  ASSERT_FALSE(path.isEmpty()) << "the client's objects are nowhere on the bus";
  QDBusMessage note = QDBusMessage::createMethodCall(
      client, path, QString::fromLatin1(dbus::kObjectInterface), QStringLiteral("Invoke"));
  note.setArguments(MemberCall("Note", {QVariant(7), QVariant(0)}));
  const QDBusMessage refused = stranger.call(note, QDBus::BlockWithGui, 5000);
  EXPECT_EQ(ErrorText(refused),
            dbus::ErrorName(automation::E_ACCESSDENIED).toStdString() +
                ": only the server this client is attached to calls its objects");
  EXPECT_TRUE(recorder->notes.empty());
  // The server still does.
  EXPECT_EQ(CodeOf(root.Invoke("Notify", {Variant("sink"), Variant(1), Variant(0)})), 0);
  EXPECT_TRUE(PumpUntil([&] { return recorder->notes.size() == 1; }));
}

// A client that never reads its call-backs costs the server at most the
// bound on what waits for it, over either connection: past it, the client
// is cut off, the server says so, and the others are served throughout.
TEST_F(TransportTest, AClientThatNeverReadsItsCallBacksIsCutOffAtTheBound) {
  Serve();
  const ObjectRef other = Attach(true);
  ASSERT_TRUE(other);
  const std::string path = std::string(dbus::kClientPathPrefix) + "0123456789abcdef/1";
  constexpr int kMiB = 1024 * 1024;
  const int calls = static_cast<int>(2 * dbus::ObjectServer::kMaxQueuedBytes / kMiB);
  for (const bool peer : {true, false}) {
    SCOPED_TRACE(peer ? "peer connection" : "bus");
    dbus::native::InitThreads();
    DBusConnection* silent = peer ? dbus_connection_open_private(PeerAddress().c_str(), nullptr)
                                  : dbus_bus_get_private(DBUS_BUS_SESSION, nullptr);
    ASSERT_NE(silent, nullptr);
    dbus_connection_set_exit_on_disconnect(silent, FALSE);
    // Keep("silent", its object), made by hand: the object is a path.
    const std::string busName = kBusName.toStdString();
    DBusMessageIter out;
    dbus::native::Message call(dbus_message_new_method_call(peer ? nullptr : busName.c_str(),
                                                            kRootPath.toStdString().c_str(),
                                                            dbus::kObjectInterface, "Invoke"));
    dbus_message_iter_init_append(call.get(), &out);
    const char* member = "Keep";
    dbus_message_iter_append_basic(&out, DBUS_TYPE_STRING, &member);
    DBusMessageIter args;
    dbus_message_iter_open_container(&out, DBUS_TYPE_ARRAY, "v", &args);
    dbus::native::AppendVariant(&args, Variant("silent"), {});
    DBusMessageIter v;
    const char* p = path.c_str();
    dbus_message_iter_open_container(&args, DBUS_TYPE_VARIANT, "o", &v);
    dbus_message_iter_append_basic(&v, DBUS_TYPE_OBJECT_PATH, &p);
    dbus_message_iter_close_container(&args, &v);
    dbus_message_iter_close_container(&out, &args);
    const dbus::native::Message kept(
        dbus_connection_send_with_reply_and_block(silent, call.get(), 10000, nullptr));
    ASSERT_TRUE(kept);
    ASSERT_EQ(dbus_message_get_type(kept.get()), DBUS_MESSAGE_TYPE_METHOD_RETURN);

    testing::internal::CaptureStderr();
    const auto started = std::chrono::steady_clock::now();
    const HResult code =
        CodeOf(other.Invoke("Notify", {Variant("silent"), Variant(calls), Variant(kMiB)}));
    const auto took = std::chrono::steady_clock::now() - started;
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, automation::RPC_E_DISCONNECTED);
    EXPECT_LT(took, std::chrono::seconds(20));
    EXPECT_NE(said.find(peer ? "MiB of answers unread and was disconnected"
                             : "MiB of call-backs unanswered and was dropped"),
              std::string::npos)
        << said;
    EXPECT_EQ(other.Get("Name"), Variant("root"));
    dbus_connection_close(silent);
    dbus_connection_unref(silent);
  }
}

}  // namespace
