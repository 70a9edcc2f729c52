// How automation calls travel over D-Bus: the names of the interfaces, the
// encoding of variants in messages, and result codes as D-Bus errors.
//
// A variant travels as a D-Bus variant. The types scripts pass every day
// keep their natural D-Bus form (VT_I2 as "n", VT_I4 as "i", VT_R8 as "d",
// VT_BSTR as "s", VT_BOOL as "b", an IDispatch reference as an object path
// "o", Nothing as the path "/", a string array with lower bound 0 as "as").
// The rest travels as the struct "(qv)": the VARTYPE and a payload (VT_EMPTY,
// VT_NULL, VT_ERROR, VT_UNKNOWN, string arrays with another lower bound as
// "(ias)"). Incoming integers of other widths are taken as VT_I4 where they
// fit, so that any D-Bus tool can call.
#pragma once

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>
#include <string>

#include "automation/HResult.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace automation::dbus {

// Objects: Get, Put and Invoke by member name, Supports, SameObject.
inline constexpr char kObjectInterface[] = "org.tarvel.Automation";
// The server itself, at its root object's path: the peer address, releases,
// the busy switch, the number of objects it exports.
inline constexpr char kServerInterface[] = "org.tarvel.Automation.Server";
// A failure carrying a result code: the prefix and the code in hex.
inline constexpr char kErrorPrefix[] = "org.tarvel.Automation.Error.HRESULT_";

// "org.tarvel.Automation.Error.HRESULT_80010001".
QString ErrorName(HResult code);
// The code an error name carries, or nothing for other D-Bus errors.
std::optional<HResult> CodeOfErrorName(const QString& name);

// The tagged form of the variants that have no natural D-Bus type.
struct TaggedValue {
  quint16 tag = 0;
  QDBusVariant value;
};
// The payload of a string array with a lower bound other than 0.
struct BoundedStrings {
  qint32 lowerBound = 0;
  QStringList elements;
};
// One entry of a Release call: a path and how many times the client got it.
struct ReleaseEntry {
  QDBusObjectPath path;
  quint32 count = 0;
};
// Registers the structs with Qt's D-Bus type system (once per process;
// every entry point of the transport calls it).
void RegisterWireTypes();

using ObjectToPath = std::function<QDBusObjectPath(const ObjectRef&)>;
using PathToObject = std::function<ObjectRef(const QDBusObjectPath&)>;

// The path that stands for Nothing.
inline QDBusObjectPath NothingPath() { return QDBusObjectPath(QStringLiteral("/")); }

// A variant ready to be put in a message as "v" (a QDBusVariant's content).
QVariant ToWire(const Variant& value, const ObjectToPath& toPath);
// A value read from a message: a QDBusVariant, its content, or a
// QDBusArgument holding a struct or array. DISP_E_BADVARTYPE for what no
// variant can hold.
Variant FromWire(const QVariant& value, const PathToObject& toObject);

// The variant a "(qv)" struct stands for, given its tag and its payload
// read as a plain variant (string arrays with a lower bound are read by the
// caller). DISP_E_BADVARTYPE for an unknown tag.
Variant Untag(VarType type, const Variant& payload);

std::string ToStd(const QString& s);
QString FromStd(std::string_view s);

}  // namespace automation::dbus

Q_DECLARE_METATYPE(automation::dbus::TaggedValue)
Q_DECLARE_METATYPE(automation::dbus::BoundedStrings)
Q_DECLARE_METATYPE(automation::dbus::ReleaseEntry)
