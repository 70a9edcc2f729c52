#include "app/Session.h"

#include <QSettings>
#include <QString>

#include <algorithm>

namespace {

constexpr int kMaxExtent = 100000;  // pixels: beyond any desktop
constexpr qsizetype kMaxText = static_cast<qsizetype>(kMaxCodeText);

bool Within(const QPoint& p) {
  return p.x() > -kMaxExtent && p.x() < kMaxExtent && p.y() > -kMaxExtent && p.y() < kMaxExtent;
}

std::optional<std::string> Text(const QSettings& settings, const QString& key) {
  const QVariant value = settings.value(key);
  if (!value.canConvert<QString>()) return std::nullopt;
  const QString text = value.toString();
  if (text.isEmpty() || text.size() > kMaxText) return std::nullopt;
  return text.toStdString();
}

}  // namespace

TSession ReadSession(QSettings& settings) {
  TSession session;
  bool ok = false;
  const int interval = settings.value("Main/RefreshInterval").toInt(&ok);
  if (ok && interval >= kMinRememberedInterval && interval <= kMaxRememberedInterval) {
    session.refreshInterval = interval;
  }
  const QVariant position = settings.value("Main/Position");
  if (position.canConvert<QPoint>() && Within(position.toPoint())) {
    session.mainPosition = position.toPoint();
  }
  // Only as many entries as are ever written are looked at, whatever size
  // the file claims.
  const int count = std::min(settings.beginReadArray("TreeWindows"),
                             static_cast<int>(kMaxRememberedWindows));
  for (int i = 0; i < count; ++i) {
    settings.setArrayIndex(i);
    TTreeWindowPlace place;
    const std::optional<std::string> cls = Text(settings, "RootClass");
    const std::optional<std::string> name = Text(settings, "RootName");
    const std::optional<std::string> path = Text(settings, "RootPath");
    place.offset = settings.value("Offset").toPoint();
    place.size = settings.value("Size").toSize();
    if (!cls || !name || !path || !Within(place.offset) || place.size.width() <= 0 ||
        place.size.height() <= 0 || place.size.width() > kMaxExtent ||
        place.size.height() > kMaxExtent) {
      continue;
    }
    place.root = TRootPlace{*cls, *name, *path};
    session.windows.push_back(std::move(place));
  }
  settings.endArray();
  return session;
}

void WriteSession(QSettings& settings, const TSession& session) {
  if (session.refreshInterval) settings.setValue("Main/RefreshInterval", *session.refreshInterval);
  if (session.mainPosition) settings.setValue("Main/Position", *session.mainPosition);
  settings.remove("TreeWindows");
  settings.beginWriteArray("TreeWindows");
  int i = 0;
  for (const TTreeWindowPlace& place : session.windows) {
    if (static_cast<std::size_t>(i) == kMaxRememberedWindows) break;
    settings.setArrayIndex(i++);
    settings.setValue("RootClass", QString::fromStdString(place.root.nodeClass));
    settings.setValue("RootName", QString::fromStdString(place.root.name));
    settings.setValue("RootPath", QString::fromStdString(place.root.path));
    settings.setValue("Offset", place.offset);
    settings.setValue("Size", place.size);
  }
  settings.endArray();
}
