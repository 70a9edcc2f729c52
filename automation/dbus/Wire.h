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
// fit, so that any D-Bus tool can call. One encoder writes and reads this
// on every connection, whichever end: Native.h.
#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

#include "automation/HResult.h"

namespace automation::dbus {

// Objects: Get, Put and Invoke by member name, Supports, SameObject.
inline constexpr char kObjectInterface[] = "org.tarvel.Automation";
// The server itself, at its root object's path: the peer address, releases,
// the busy switch, the number of objects it exports.
inline constexpr char kServerInterface[] = "org.tarvel.Automation.Server";
// Where a client's own objects live on its connection to the server:
// kClientPathPrefix, a namespace of the client's choosing (random, so that
// no other client can guess it), "/", a number. A server's root must not
// lie below it.
inline constexpr char kClientPathPrefix[] = "/org/tarvel/Client/";
// A failure carrying a result code: the prefix and the code in hex.
inline constexpr char kErrorPrefix[] = "org.tarvel.Automation.Error.HRESULT_";

// "org.tarvel.Automation.Error.HRESULT_80010001".
QString ErrorName(HResult code);
// The code an error name carries, or nothing for other D-Bus errors.
std::optional<HResult> CodeOfErrorName(const QString& name);

std::string ToStd(const QString& s);
QString FromStd(std::string_view s);

}  // namespace automation::dbus
