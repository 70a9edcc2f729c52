#include "automation/dbus/Wire.h"

#include <cstdio>

namespace automation::dbus {

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

}  // namespace automation::dbus
