#include "automation/dbus/Wire.h"

#include <QDBusMetaType>
#include <QMetaType>

#include <cstdio>
#include <limits>
#include <mutex>

namespace automation::dbus {

QDBusArgument& operator<<(QDBusArgument& out, const TaggedValue& v) {
  out.beginStructure();
  out << v.tag << v.value;
  out.endStructure();
  return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, TaggedValue& v) {
  in.beginStructure();
  in >> v.tag >> v.value;
  in.endStructure();
  return in;
}

QDBusArgument& operator<<(QDBusArgument& out, const BoundedStrings& v) {
  out.beginStructure();
  out << v.lowerBound << v.elements;
  out.endStructure();
  return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, BoundedStrings& v) {
  in.beginStructure();
  in >> v.lowerBound >> v.elements;
  in.endStructure();
  return in;
}

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

void RegisterWireTypes() {
  static std::once_flag once;
  std::call_once(once, [] {
    qDBusRegisterMetaType<TaggedValue>();
    qDBusRegisterMetaType<BoundedStrings>();
    qDBusRegisterMetaType<ReleaseEntry>();
    qDBusRegisterMetaType<QList<ReleaseEntry>>();
  });
}

QString ErrorName(HResult code) {
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(code));
  return QString::fromLatin1(kErrorPrefix) + QString::fromLatin1(hex);
}

std::optional<HResult> CodeOfErrorName(const QString& name) {
  const QString prefix = QString::fromLatin1(kErrorPrefix);
  if (!name.startsWith(prefix) || name.size() != prefix.size() + 8) return std::nullopt;
  bool ok = false;
  const uint bits = name.mid(prefix.size()).toUInt(&ok, 16);
  if (!ok) return std::nullopt;
  return MakeHResult(bits);
}

std::string ToStd(const QString& s) {
  const QByteArray utf8 = s.toUtf8();
  return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

QString FromStd(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

namespace {

QStringList ToStringList(const StringArray& array) {
  QStringList list;
  list.reserve(array.Count());
  for (const std::string& s : array.Elements()) list.push_back(FromStd(s));
  return list;
}

std::vector<std::string> FromStringList(const QStringList& list) {
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(list.size()));
  for (const QString& s : list) out.push_back(ToStd(s));
  return out;
}

QVariant Tagged(VarType type, const QVariant& payload) {
  return QVariant::fromValue(TaggedValue{static_cast<quint16>(type), QDBusVariant(payload)});
}

Variant Integer(qint64 v) {
  if (v >= std::numeric_limits<std::int32_t>::min() &&
      v <= std::numeric_limits<std::int32_t>::max()) {
    return Variant(static_cast<std::int32_t>(v));
  }
  return Variant(static_cast<double>(v));
}

Variant FromTagged(const TaggedValue& t, const PathToObject& toObject) {
  const auto type = static_cast<VarType>(t.tag);
  const QVariant payload = t.value.variant();
  if (type == VarType::BstrArray && payload.userType() == qMetaTypeId<QDBusArgument>()) {
    const auto arg = payload.value<QDBusArgument>();
    if (arg.currentSignature() == QLatin1String("(ias)")) {
      BoundedStrings b;
      arg >> b;
      return Variant(StringArray(b.lowerBound, FromStringList(b.elements)));
    }
  }
  return Untag(type, FromWire(payload, toObject));
}

}  // namespace

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

QVariant ToWire(const Variant& value, const ObjectToPath& toPath) {
  // fromValue for short and uchar: QVariant has no constructors for them,
  // and QVariant(short) would be an int, "i" on the wire.
  switch (value.type()) {
    case VarType::Empty:
      return Tagged(VarType::Empty, QVariant::fromValue(uchar{0}));
    case VarType::Null:
      return Tagged(VarType::Null, QVariant::fromValue(uchar{0}));
    case VarType::I2:
      return QVariant::fromValue(static_cast<short>(value.ToInt16()));
    case VarType::I4:
      return QVariant(static_cast<int>(value.ToInt32()));
    case VarType::R8:
      return QVariant(value.ToDouble());
    case VarType::Bstr:
      return QVariant(FromStd(value.ToString()));
    case VarType::Bool:
      return QVariant(value.ToBool());
    case VarType::Error:
      return Tagged(VarType::Error, QVariant(static_cast<int>(value.ToError())));
    case VarType::Dispatch: {
      const ObjectRef object = value.ToObject();
      return QVariant::fromValue(object ? toPath(object) : NothingPath());
    }
    case VarType::Unknown: {
      const ObjectRef object = value.ToObject();
      return Tagged(VarType::Unknown, QVariant::fromValue(object ? toPath(object) : NothingPath()));
    }
    case VarType::BstrArray: {
      const StringArray array = value.ToStringArray();
      if (array.LBound() == 0) return QVariant(ToStringList(array));
      return Tagged(VarType::BstrArray,
                    QVariant::fromValue(BoundedStrings{array.LBound(), ToStringList(array)}));
    }
  }
  throw AutomationError(DISP_E_BADVARTYPE);
}

Variant FromWire(const QVariant& value, const PathToObject& toObject) {
  const int type = value.userType();
  switch (type) {
    case QMetaType::Bool:
      return Variant::Bool(value.toBool());
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
      return Integer(value.toLongLong());
    case QMetaType::ULongLong: {
      const qulonglong v = value.toULongLong();
      if (v <= static_cast<qulonglong>(std::numeric_limits<std::int32_t>::max())) {
        return Variant(static_cast<std::int32_t>(v));
      }
      return Variant(static_cast<double>(v));
    }
    case QMetaType::Short:
      return Variant(static_cast<std::int16_t>(value.value<short>()));
    case QMetaType::Double:
      return Variant(value.toDouble());
    case QMetaType::QString:
      return Variant(ToStd(value.toString()));
    case QMetaType::QStringList:
      return Variant(StringArray(0, FromStringList(value.toStringList())));
    default:
      break;
  }
  if (type == qMetaTypeId<QDBusVariant>()) {
    return FromWire(value.value<QDBusVariant>().variant(), toObject);
  }
  if (type == qMetaTypeId<QDBusObjectPath>()) {
    const auto path = value.value<QDBusObjectPath>();
    if (path.path() == QLatin1String("/")) return Variant(ObjectRef());
    return Variant(toObject(path));
  }
  if (type == qMetaTypeId<TaggedValue>()) return FromTagged(value.value<TaggedValue>(), toObject);
  if (type == qMetaTypeId<QDBusArgument>()) {
    const auto arg = value.value<QDBusArgument>();
    const QString signature = arg.currentSignature();
    if (signature == QLatin1String("(qv)")) {
      TaggedValue t;
      arg >> t;
      return FromTagged(t, toObject);
    }
    if (signature == QLatin1String("as")) {
      QStringList list;
      arg >> list;
      return Variant(StringArray(0, FromStringList(list)));
    }
  }
  throw AutomationError(DISP_E_BADVARTYPE);
}

}  // namespace automation::dbus
