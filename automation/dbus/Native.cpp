#include "automation/dbus/Native.h"

#include <poll.h>

#include <QByteArray>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>

#include "automation/Guid.h"
#include "automation/HResult.h"
#include "automation/dbus/Wire.h"

namespace automation::dbus::native {
namespace {

// The signature of what the iterator points at.
std::string SignatureAt(DBusMessageIter* it) {
  char* signature = dbus_message_iter_get_signature(it);
  std::string out = signature != nullptr ? signature : "";
  dbus_free(signature);
  return out;
}

template <class T>
T Basic(DBusMessageIter* it) {
  T value{};
  dbus_message_iter_get_basic(it, &value);
  return value;
}

Variant Integer(std::int64_t v) {
  if (v >= std::numeric_limits<std::int32_t>::min() &&
      v <= std::numeric_limits<std::int32_t>::max()) {
    return Variant(static_cast<std::int32_t>(v));
  }
  return Variant(static_cast<double>(v));
}

std::vector<std::string> ReadStrings(DBusMessageIter* array) {
  std::vector<std::string> out;
  DBusMessageIter element;
  dbus_message_iter_recurse(array, &element);
  while (dbus_message_iter_get_arg_type(&element) == DBUS_TYPE_STRING) {
    out.emplace_back(Basic<const char*>(&element));
    dbus_message_iter_next(&element);
  }
  return out;
}

// The variant a "(qv)" struct stands for, given its tag and its payload
// read as a plain variant (string arrays with a lower bound are read by the
// caller). DISP_E_BADVARTYPE for an unknown tag.
Variant Untag(VarType type, const Variant& payload) {
  switch (type) {
    case VarType::Empty:
      return Variant();
    case VarType::Null:
      return Variant::Null();
    case VarType::Error:
      return Variant::Error(payload.ToInt32());
    case VarType::Unknown:
      return Variant::Unknown(payload.ToObject());
    case VarType::I2:
    case VarType::I4:
    case VarType::R8:
    case VarType::Bstr:
    case VarType::Bool:
    case VarType::Dispatch:
    case VarType::BstrArray:
      return payload.ChangeType(type);
  }
  throw AutomationError(DISP_E_BADVARTYPE);
}

Variant ReadTagged(DBusMessageIter* structure, const ObjectAt& objectAt) {
  DBusMessageIter field;
  dbus_message_iter_recurse(structure, &field);
  const auto type = static_cast<VarType>(Basic<dbus_uint16_t>(&field));
  dbus_message_iter_next(&field);
  DBusMessageIter payload;
  dbus_message_iter_recurse(&field, &payload);
  if (type == VarType::BstrArray && SignatureAt(&payload) == "(ias)") {
    DBusMessageIter bounded;
    dbus_message_iter_recurse(&payload, &bounded);
    const auto lowerBound = Basic<dbus_int32_t>(&bounded);
    dbus_message_iter_next(&bounded);
    return Variant(StringArray(lowerBound, ReadStrings(&bounded)));
  }
  return Untag(type, ReadVariant(&payload, objectAt));
}

bool AppendString(DBusMessageIter* out, std::string_view s) {
  const std::string valid = ValidUtf8(s);
  const char* text = valid.c_str();
  return dbus_message_iter_append_basic(out, DBUS_TYPE_STRING, &text) != 0;
}

bool AppendPath(DBusMessageIter* out, const std::string& path) {
  const char* text = path.c_str();
  return dbus_message_iter_append_basic(out, DBUS_TYPE_OBJECT_PATH, &text) != 0;
}

template <class T>
bool AppendBasic(DBusMessageIter* out, int type, T value) {
  return dbus_message_iter_append_basic(out, type, &value) != 0;
}

// Opens a container, fills it, closes it; on failure abandons it.
template <class Fill>
bool AppendContainer(DBusMessageIter* out, int type, const char* signature, Fill fill) {
  DBusMessageIter inner;
  if (!dbus_message_iter_open_container(out, type, signature, &inner)) return false;
  if (!fill(&inner)) {
    dbus_message_iter_abandon_container(out, &inner);
    return false;
  }
  return dbus_message_iter_close_container(out, &inner) != 0;
}

bool AppendStrings(DBusMessageIter* out, const StringArray& array) {
  return AppendContainer(out, DBUS_TYPE_ARRAY, "s", [&](DBusMessageIter* a) {
    for (const std::string& s : array.Elements()) {
      if (!AppendString(a, s)) return false;
    }
    return true;
  });
}

// The "(qv)" form: the VARTYPE and a payload of the given signature.
template <class Fill>
bool AppendTagged(DBusMessageIter* out, VarType type, const char* payloadSignature,
                  Fill fillPayload) {
  return AppendContainer(out, DBUS_TYPE_VARIANT, "(qv)", [&](DBusMessageIter* v) {
    return AppendContainer(v, DBUS_TYPE_STRUCT, nullptr, [&](DBusMessageIter* s) {
      return AppendBasic(s, DBUS_TYPE_UINT16, static_cast<dbus_uint16_t>(type)) &&
             AppendContainer(s, DBUS_TYPE_VARIANT, payloadSignature, fillPayload);
    });
  });
}

template <class Fill>
bool AppendNatural(DBusMessageIter* out, const char* signature, Fill fill) {
  return AppendContainer(out, DBUS_TYPE_VARIANT, signature, fill);
}

// A call of the server interface that wants no answer; empty when out of
// memory.
Message NewOneWay(const char* destination, const std::string& rootPath, const char* method) {
  Message message(
      dbus_message_new_method_call(destination, rootPath.c_str(), kServerInterface, method));
  if (message) dbus_message_set_no_reply(message.get(), TRUE);
  return message;
}

}  // namespace

void InitThreads() {
  static std::once_flag once;
  std::call_once(once, [] { dbus_threads_init_default(); });
}

std::string ValidUtf8(std::string_view s) {
  const std::string text(s.substr(0, std::min(s.size(), s.find('\0'))));
  if (dbus_validate_utf8(text.c_str(), nullptr)) return text;
  const QByteArray repaired =
      QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUtf8();
  return std::string(repaired.constData(), static_cast<std::size_t>(repaired.size()));
}

Message NewObjectCall(const char* destination, const std::string& path, CallKind kind,
                      std::string_view member, Args args, const PathOf& pathOf) {
  const char* method = kind == CallKind::PropertyGet   ? "Get"
                       : kind == CallKind::PropertyPut ? "Put"
                                                       : "Invoke";
  Message call(dbus_message_new_method_call(destination, path.c_str(), kObjectInterface, method));
  if (!call) throw AutomationError(E_OUTOFMEMORY);
  DBusMessageIter out;
  dbus_message_iter_init_append(call.get(), &out);
  const std::string name = ValidUtf8(member);
  const char* namePtr = name.c_str();
  DBusMessageIter array;
  bool ok = dbus_message_iter_append_basic(&out, DBUS_TYPE_STRING, &namePtr) &&
            dbus_message_iter_open_container(&out, DBUS_TYPE_ARRAY, "v", &array);
  for (const Variant& a : args) {
    if (!ok) break;
    ok = AppendVariant(&array, a, pathOf);
  }
  if (!ok || !dbus_message_iter_close_container(&out, &array)) {
    throw AutomationError(E_OUTOFMEMORY);
  }
  return call;
}

Message NewRelease(const char* destination, const std::string& rootPath, const Releases& releases) {
  Message message = NewOneWay(destination, rootPath, "Release");
  if (!message) return message;
  DBusMessageIter out;
  dbus_message_iter_init_append(message.get(), &out);
  const bool ok = AppendContainer(&out, DBUS_TYPE_ARRAY, "(ou)", [&](DBusMessageIter* array) {
    for (const auto& [path, count] : releases) {
      const bool added = AppendContainer(array, DBUS_TYPE_STRUCT, nullptr, [&](DBusMessageIter* e) {
        return AppendPath(e, path) && AppendBasic(e, DBUS_TYPE_UINT32, dbus_uint32_t{count});
      });
      if (!added) return false;
    }
    return true;
  });
  if (!ok) message.reset();  // out of memory
  return message;
}

Message NewCalls(const char* destination, const std::string& rootPath,
                 const std::vector<Message>& calls) {
  Message message = NewOneWay(destination, rootPath, "Calls");
  if (!message) return message;
  DBusMessageIter out;
  dbus_message_iter_init_append(message.get(), &out);
  const bool ok = AppendContainer(&out, DBUS_TYPE_ARRAY, "ay", [&](DBusMessageIter* array) {
    for (const Message& call : calls) {
      // A message that was never sent has no serial, and a message without
      // one does not demarshal: the calls are numbered in their batch.
      if (dbus_message_get_serial(call.get()) == 0) {
        dbus_message_set_serial(call.get(), static_cast<dbus_uint32_t>(&call - calls.data()) + 1);
      }
      char* bytes = nullptr;
      int length = 0;
      if (!dbus_message_marshal(call.get(), &bytes, &length)) return false;
      const bool added = AppendContainer(array, DBUS_TYPE_ARRAY, "y", [&](DBusMessageIter* blob) {
        const char* data = bytes;
        return dbus_message_iter_append_fixed_array(blob, DBUS_TYPE_BYTE, &data, length) != 0;
      });
      dbus_free(bytes);
      if (!added) return false;
    }
    return true;
  });
  if (!ok) message.reset();  // out of memory
  return message;
}

bool ForTransport(DBusMessage* message) {
  if (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_METHOD_CALL) return false;
  const char* iface = dbus_message_get_interface(message);
  return iface == nullptr || std::strcmp(iface, kObjectInterface) == 0 ||
         std::strcmp(iface, kServerInterface) == 0;
}

QString IncomingCall::Path() const {
  return FromC(dbus_message_get_path(message_));
}
QString IncomingCall::Interface() const {
  return FromC(dbus_message_get_interface(message_));
}
QString IncomingCall::Member() const {
  return FromC(dbus_message_get_member(message_));
}
QString IncomingCall::Signature() const {
  return FromC(dbus_message_get_signature(message_));
}

std::vector<Variant> IncomingCall::VariantsAt(
    int index, const std::function<ObjectRef(const QString&)>& objectAt) const {
  const ObjectAt toObject = [&](const char* p) { return objectAt(QString::fromUtf8(p)); };
  DBusMessageIter array = At(index);
  DBusMessageIter element;
  dbus_message_iter_recurse(&array, &element);
  std::vector<Variant> out;
  while (dbus_message_iter_get_arg_type(&element) == DBUS_TYPE_VARIANT) {
    out.push_back(ReadVariant(&element, toObject));
    dbus_message_iter_next(&element);
  }
  return out;
}

Releases IncomingCall::ReleasesAt(int index) const {
  Releases out;
  DBusMessageIter array = At(index);
  DBusMessageIter entry;
  dbus_message_iter_recurse(&array, &entry);
  while (dbus_message_iter_get_arg_type(&entry) == DBUS_TYPE_STRUCT) {
    DBusMessageIter field;
    dbus_message_iter_recurse(&entry, &field);
    const char* path = Basic<const char*>(&field);
    dbus_message_iter_next(&field);
    out.emplace_back(path != nullptr ? path : "", Basic<dbus_uint32_t>(&field));
    dbus_message_iter_next(&entry);
  }
  return out;
}

std::vector<Message> IncomingCall::CallsAt(int index) const {
  std::vector<Message> out;
  DBusMessageIter array = At(index);
  DBusMessageIter blob;
  dbus_message_iter_recurse(&array, &blob);
  while (dbus_message_iter_get_arg_type(&blob) == DBUS_TYPE_ARRAY) {
    DBusMessageIter bytes;
    dbus_message_iter_recurse(&blob, &bytes);
    const char* data = nullptr;
    int length = 0;
    dbus_message_iter_get_fixed_array(&bytes, &data, &length);
    DBusError error;
    dbus_error_init(&error);
    Message call(data != nullptr ? dbus_message_demarshal(data, length, &error) : nullptr);
    dbus_error_free(&error);
    if (call && dbus_message_get_type(call.get()) == DBUS_MESSAGE_TYPE_METHOD_CALL) {
      out.push_back(std::move(call));
    }
    dbus_message_iter_next(&blob);
  }
  return out;
}

void IncomingCall::Reply(const QString& value) {
  const std::string text = ValidUtf8(ToStd(value));
  SendBasic(DBUS_TYPE_STRING, text.c_str());
}

void IncomingCall::Reply(const Variant& value,
                         const std::function<QString(const ObjectRef&)>& pathOf) {
  Message reply = NewReply();
  if (!reply) return;
  DBusMessageIter out;
  dbus_message_iter_init_append(reply.get(), &out);
  const PathOf toPath = [&](const ObjectRef& o) { return ToStd(pathOf(o)); };
  if (!AppendVariant(&out, value, toPath)) throw AutomationError(E_OUTOFMEMORY);
  Send(std::move(reply));
}

void IncomingCall::ReplyError(const QString& name, const QString& text) {
  const std::string errorName = ToStd(name);
  const std::string message = ValidUtf8(ToStd(text));
  Send(Message(dbus_message_new_error(message_, errorName.c_str(), message.c_str())));
}

void IncomingCall::Answer(const std::function<void()>& serve) {
  try {
    serve();
  } catch (const AutomationError& e) {
    ReplyError(ErrorName(e.code()), FromStd(e.message()));
  } catch (const std::exception&) {
    ReplyError(ErrorName(RPC_E_SERVERFAULT), FromStd(SystemMessage(RPC_E_SERVERFAULT)));
  }
}

DBusMessageIter IncomingCall::At(int index) const {
  DBusMessageIter it;
  dbus_message_iter_init(message_, &it);
  for (int i = 0; i < index; ++i) dbus_message_iter_next(&it);
  return it;
}

void IncomingCall::Send(Message reply) {
  if (!reply || !ReplyRequired()) return;
  // Written at once when the socket takes it, else when it can (the loop's
  // write watch): a caller that does not read stalls nobody else.
  dbus_connection_send(connection_, reply.get(), nullptr);
}

namespace {

const QString kInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");

}  // namespace

std::optional<ObjectMethod> ObjectMethodOf(IncomingCall& call) {
  const QString member = call.Member();
  if (member == QLatin1String("Get")) return ObjectMethod::Get;
  if (member == QLatin1String("Put")) return ObjectMethod::Put;
  if (member == QLatin1String("Invoke")) return ObjectMethod::Invoke;
  if (member == QLatin1String("Supports")) return ObjectMethod::Supports;
  if (member == QLatin1String("SameObject")) return ObjectMethod::SameObject;
  call.ReplyError(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                  QStringLiteral("No method %1 in interface %2")
                      .arg(member, QString::fromLatin1(kObjectInterface)));
  return std::nullopt;
}

void ServeObjectCall(IncomingCall& call, ObjectMethod method, const ObjectRef& target,
                     const std::function<ObjectRef(const QString&)>& objectAt,
                     const std::function<QString(const ObjectRef&)>& pathOf) {
  const QString signature = call.Signature();
  if (method == ObjectMethod::Supports) {
    if (signature != QLatin1String("s")) {
      call.ReplyError(kInvalidArgs, QStringLiteral("Supports takes one string"));
      return;
    }
    const std::optional<Guid> iid = Guid::Parse(ToStd(call.StringAt(0)));
    if (!iid) throw AutomationError(E_INVALIDARG);
    call.Reply(target->Supports(*iid));
    return;
  }
  if (method == ObjectMethod::SameObject) {
    if (signature != QLatin1String("o")) {
      call.ReplyError(kInvalidArgs, QStringLiteral("SameObject takes one path"));
      return;
    }
    call.Reply(SameObject(target, objectAt(call.PathAt(0))));
    return;
  }
  if (signature != QLatin1String("sav")) {
    call.ReplyError(
        kInvalidArgs,
        QStringLiteral("%1 takes a member name and an array of variants (sav)").arg(call.Member()));
    return;
  }
  const CallKind kind = method == ObjectMethod::Get   ? CallKind::PropertyGet
                        : method == ObjectMethod::Put ? CallKind::PropertyPut
                                                      : CallKind::Method;
  const std::vector<Variant> args = call.VariantsAt(1, objectAt);
  const std::string name = ToStd(call.StringAt(0));
  const Variant result = target->Invoke(kind, name, Args(args));
  if (kind == CallKind::PropertyPut) {
    call.Reply();
    return;
  }
  call.Reply(result, pathOf);
}

bool AppendVariant(DBusMessageIter* out, const Variant& value, const PathOf& pathOf) {
  const auto pathOfObject = [&](const ObjectRef& object) {
    return object ? pathOf(object) : std::string("/");
  };
  const auto zeroByte = [](DBusMessageIter* v) {
    return AppendBasic(v, DBUS_TYPE_BYTE, static_cast<unsigned char>(0));
  };
  switch (value.type()) {
    case VarType::Empty:
      return AppendTagged(out, VarType::Empty, "y", zeroByte);
    case VarType::Null:
      return AppendTagged(out, VarType::Null, "y", zeroByte);
    case VarType::I2:
      return AppendNatural(out, "n", [&](DBusMessageIter* v) {
        return AppendBasic(v, DBUS_TYPE_INT16, static_cast<dbus_int16_t>(value.ToInt16()));
      });
    case VarType::I4:
      return AppendNatural(out, "i", [&](DBusMessageIter* v) {
        return AppendBasic(v, DBUS_TYPE_INT32, static_cast<dbus_int32_t>(value.ToInt32()));
      });
    case VarType::R8:
      return AppendNatural(out, "d", [&](DBusMessageIter* v) {
        return AppendBasic(v, DBUS_TYPE_DOUBLE, value.ToDouble());
      });
    case VarType::Bstr:
      return AppendNatural(out, "s",
                           [&](DBusMessageIter* v) { return AppendString(v, value.ToString()); });
    case VarType::Bool:
      return AppendNatural(out, "b", [&](DBusMessageIter* v) {
        return AppendBasic(v, DBUS_TYPE_BOOLEAN, static_cast<dbus_bool_t>(value.ToBool()));
      });
    case VarType::Error:
      return AppendTagged(out, VarType::Error, "i", [&](DBusMessageIter* v) {
        return AppendBasic(v, DBUS_TYPE_INT32, static_cast<dbus_int32_t>(value.ToError()));
      });
    case VarType::Dispatch: {
      const std::string path = pathOfObject(value.ToObject());
      return AppendNatural(out, "o", [&](DBusMessageIter* v) { return AppendPath(v, path); });
    }
    case VarType::Unknown: {
      const std::string path = pathOfObject(value.ToObject());
      return AppendTagged(out, VarType::Unknown, "o",
                          [&](DBusMessageIter* v) { return AppendPath(v, path); });
    }
    case VarType::BstrArray: {
      const StringArray array = value.ToStringArray();
      if (array.LBound() == 0) {
        return AppendNatural(out, "as",
                             [&](DBusMessageIter* v) { return AppendStrings(v, array); });
      }
      return AppendTagged(out, VarType::BstrArray, "(ias)", [&](DBusMessageIter* v) {
        return AppendContainer(v, DBUS_TYPE_STRUCT, nullptr, [&](DBusMessageIter* s) {
          return AppendBasic(s, DBUS_TYPE_INT32, static_cast<dbus_int32_t>(array.LBound())) &&
                 AppendStrings(s, array);
        });
      });
    }
  }
  throw AutomationError(DISP_E_BADVARTYPE);
}

Variant ReadVariant(DBusMessageIter* in, const ObjectAt& objectAt) {
  switch (dbus_message_iter_get_arg_type(in)) {
    case DBUS_TYPE_VARIANT: {
      DBusMessageIter inner;
      dbus_message_iter_recurse(in, &inner);
      return ReadVariant(&inner, objectAt);
    }
    case DBUS_TYPE_BOOLEAN:
      return Variant::Bool(Basic<dbus_bool_t>(in) != 0);
    case DBUS_TYPE_BYTE:
      return Integer(Basic<unsigned char>(in));
    case DBUS_TYPE_UINT16:
      return Integer(Basic<dbus_uint16_t>(in));
    case DBUS_TYPE_INT16:
      return Variant(static_cast<std::int16_t>(Basic<dbus_int16_t>(in)));
    case DBUS_TYPE_INT32:
      return Integer(Basic<dbus_int32_t>(in));
    case DBUS_TYPE_UINT32:
      return Integer(Basic<dbus_uint32_t>(in));
    case DBUS_TYPE_INT64:
      return Integer(Basic<dbus_int64_t>(in));
    case DBUS_TYPE_UINT64: {
      const auto v = Basic<dbus_uint64_t>(in);
      if (v <= static_cast<dbus_uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        return Variant(static_cast<std::int32_t>(v));
      }
      return Variant(static_cast<double>(v));
    }
    case DBUS_TYPE_DOUBLE:
      return Variant(Basic<double>(in));
    case DBUS_TYPE_STRING:
      return Variant(std::string(Basic<const char*>(in)));
    case DBUS_TYPE_OBJECT_PATH: {
      const char* path = Basic<const char*>(in);
      if (std::strcmp(path, "/") == 0) return Variant(ObjectRef());
      return Variant(objectAt(path));
    }
    case DBUS_TYPE_ARRAY:
      if (dbus_message_iter_get_element_type(in) == DBUS_TYPE_STRING) {
        return Variant(StringArray(0, ReadStrings(in)));
      }
      break;
    case DBUS_TYPE_STRUCT:
      if (SignatureAt(in) == "(qv)") return ReadTagged(in, objectAt);
      break;
    default:
      break;
  }
  throw AutomationError(DISP_E_BADVARTYPE);
}

struct LoopBinding::Watch {
  DBusWatch* watch = nullptr;
  QSocketNotifier* read = nullptr;
  QSocketNotifier* write = nullptr;
};

struct LoopBinding::Timeout {
  DBusTimeout* timeout = nullptr;
  QTimer* timer = nullptr;
};

namespace {

// A notifier or timer can be removed while its own signal runs.
void Retire(QObject* object) {
  if (object == nullptr) return;
  // The socket may be closed before the notifier goes.
  if (auto* notifier = qobject_cast<QSocketNotifier*>(object)) notifier->setEnabled(false);
  object->disconnect();
  object->deleteLater();
}

void Enable(QSocketNotifier* notifier, bool enabled) {
  if (notifier != nullptr) notifier->setEnabled(enabled);
}

}  // namespace

LoopBinding::LoopBinding(DBusConnection* connection) : connection_(connection) {
  dbus_connection_set_watch_functions(connection_, &AddWatch, &RemoveWatch, &ToggleWatch, this,
                                      nullptr);
  dbus_connection_set_timeout_functions(connection_, &AddTimeout, &RemoveTimeout, &ToggleTimeout,
                                        this, nullptr);
  dbus_connection_set_dispatch_status_function(connection_, &DispatchStatusChanged, this, nullptr);
  // Whatever arrived before the binding.
  if (dbus_connection_get_dispatch_status(connection_) == DBUS_DISPATCH_DATA_REMAINS) {
    DispatchStatusChanged(connection_, DBUS_DISPATCH_DATA_REMAINS, this);
  }
}

LoopBinding::LoopBinding(DBusServer* server) : server_(server) {
  dbus_server_set_watch_functions(server_, &AddWatch, &RemoveWatch, &ToggleWatch, this, nullptr);
  dbus_server_set_timeout_functions(server_, &AddTimeout, &RemoveTimeout, &ToggleTimeout, this,
                                    nullptr);
}

LoopBinding::~LoopBinding() {
  if (connection_ != nullptr) {
    dbus_connection_set_dispatch_status_function(connection_, nullptr, nullptr, nullptr);
    dbus_connection_set_watch_functions(connection_, nullptr, nullptr, nullptr, nullptr, nullptr);
    dbus_connection_set_timeout_functions(connection_, nullptr, nullptr, nullptr, nullptr,
                                          nullptr);
  } else {
    dbus_server_set_watch_functions(server_, nullptr, nullptr, nullptr, nullptr, nullptr);
    dbus_server_set_timeout_functions(server_, nullptr, nullptr, nullptr, nullptr, nullptr);
  }
  for (const auto& w : watches_) {
    Retire(w->read);
    Retire(w->write);
  }
  for (const auto& t : timeouts_) Retire(t->timer);
}

dbus_bool_t LoopBinding::AddWatch(DBusWatch* watch, void* data) {
  auto* self = static_cast<LoopBinding*>(data);
  auto w = std::make_unique<Watch>();
  w->watch = watch;
  const int fd = dbus_watch_get_unix_fd(watch);
  const unsigned flags = dbus_watch_get_flags(watch);
  const auto notifier = [&](QSocketNotifier::Type type, unsigned condition) {
    auto* n = new QSocketNotifier(fd, type, self);
    QObject::connect(n, &QSocketNotifier::activated, self, [self, watch, condition, fd] {
      self->accepted_ = false;
      dbus_watch_handle(watch, condition);
      if (self->connection_ != nullptr) {
        self->Dispatch();
      } else if (!self->accepted_ && condition == DBUS_WATCH_READABLE) {
        pollfd waiting{fd, POLLIN, 0};
        if (::poll(&waiting, 1, 0) == 1 && (waiting.revents & POLLIN) != 0) self->BackOff(watch);
      }
    });
    return n;
  };
  if ((flags & DBUS_WATCH_READABLE) != 0) {
    w->read = notifier(QSocketNotifier::Read, DBUS_WATCH_READABLE);
  }
  if ((flags & DBUS_WATCH_WRITABLE) != 0) {
    w->write = notifier(QSocketNotifier::Write, DBUS_WATCH_WRITABLE);
  }
  const bool enabled = dbus_watch_get_enabled(watch) != 0;
  Enable(w->read, enabled);
  Enable(w->write, enabled);
  self->watches_.push_back(std::move(w));
  return TRUE;
}

void LoopBinding::BackOff(DBusWatch* watch) {
  auto it = std::find_if(watches_.begin(), watches_.end(),
                         [watch](const auto& w) { return w->watch == watch; });
  if (it == watches_.end() || (*it)->read == nullptr) return;
  (*it)->read->setEnabled(false);
  QTimer::singleShot(std::chrono::milliseconds(100), this, [this, watch] {
    for (const auto& w : watches_) {
      if (w->watch == watch) Enable(w->read, dbus_watch_get_enabled(watch) != 0);
    }
  });
}

void LoopBinding::RemoveWatch(DBusWatch* watch, void* data) {
  auto* self = static_cast<LoopBinding*>(data);
  auto it = std::find_if(self->watches_.begin(), self->watches_.end(),
                         [watch](const auto& w) { return w->watch == watch; });
  if (it == self->watches_.end()) return;
  Retire((*it)->read);
  Retire((*it)->write);
  self->watches_.erase(it);
}

void LoopBinding::ToggleWatch(DBusWatch* watch, void* data) {
  auto* self = static_cast<LoopBinding*>(data);
  for (const auto& w : self->watches_) {
    if (w->watch != watch) continue;
    const bool enabled = dbus_watch_get_enabled(watch) != 0;
    Enable(w->read, enabled);
    Enable(w->write, enabled);
  }
}

dbus_bool_t LoopBinding::AddTimeout(DBusTimeout* timeout, void* data) {
  auto* self = static_cast<LoopBinding*>(data);
  auto t = std::make_unique<Timeout>();
  t->timeout = timeout;
  t->timer = new QTimer(self);
  t->timer->setInterval(dbus_timeout_get_interval(timeout));
  QObject::connect(t->timer, &QTimer::timeout, self, [timeout] { dbus_timeout_handle(timeout); });
  if (dbus_timeout_get_enabled(timeout)) t->timer->start();
  self->timeouts_.push_back(std::move(t));
  return TRUE;
}

void LoopBinding::RemoveTimeout(DBusTimeout* timeout, void* data) {
  auto* self = static_cast<LoopBinding*>(data);
  auto it = std::find_if(self->timeouts_.begin(), self->timeouts_.end(),
                         [timeout](const auto& t) { return t->timeout == timeout; });
  if (it == self->timeouts_.end()) return;
  Retire((*it)->timer);
  self->timeouts_.erase(it);
}

void LoopBinding::ToggleTimeout(DBusTimeout* timeout, void* data) {
  auto* self = static_cast<LoopBinding*>(data);
  for (const auto& t : self->timeouts_) {
    if (t->timeout != timeout) continue;
    t->timer->setInterval(dbus_timeout_get_interval(timeout));
    if (dbus_timeout_get_enabled(timeout)) {
      t->timer->start();
    } else {
      t->timer->stop();
    }
  }
}

void LoopBinding::DispatchStatusChanged(DBusConnection*, DBusDispatchStatus status, void* data) {
  auto* self = static_cast<LoopBinding*>(data);
  if (status != DBUS_DISPATCH_DATA_REMAINS || self->dispatchQueued_) return;
  self->dispatchQueued_ = true;
  QMetaObject::invokeMethod(self, [self] { self->Dispatch(); }, Qt::QueuedConnection);
}

void LoopBinding::DispatchArrived() {
  if (connection_ == nullptr || dispatching_) return;
  dbus_connection_read_write(connection_, 0);
  Dispatch();
}

void LoopBinding::Dispatch() {
  dispatchQueued_ = false;
  // A call that runs an event loop of its own must not start another
  // dispatch of this connection (libdbus would wait for itself); the outer
  // one goes on with what came meanwhile.
  if (dispatching_) return;
  dispatching_ = true;
  while (dbus_connection_dispatch(connection_) == DBUS_DISPATCH_DATA_REMAINS) {
  }
  dispatching_ = false;
}

}  // namespace automation::dbus::native
