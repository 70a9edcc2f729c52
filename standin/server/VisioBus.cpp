#include "standin/server/VisioBus.h"

#include <memory>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "automation/Runtime.h"
#include "standin/Application.h"

namespace standin {

QString VisioServerProgram() {
  const QByteArray chosen = qgetenv("TARVEL_VISIO_PROGRAM");
  if (!chosen.isEmpty()) return QString::fromLocal8Bit(chosen);
  const QString built = QStringLiteral(TARVEL_VISIO_BUILT_PROGRAM);
  if (QFileInfo(built).isExecutable()) return built;
  const QString found = QStandardPaths::findExecutable(QStringLiteral("tarvel-visio"));
  return found.isEmpty() ? built : found;
}

automation::dbus::BusClassRegistration RegisterVisioOnBus(const std::vector<std::string>& files,
                                                          bool demo, OpenFailed openFailed) {
  automation::RegisterProgID(kVisioProgId, CLSID_VisioApplication);
  automation::dbus::BusClass visio;
  visio.clsid = CLSID_VisioApplication;
  visio.busName = QString::fromLatin1(kVisioBusName);
  visio.rootPath = QString::fromLatin1(kVisioObjectPath);
  visio.program = VisioServerProgram();
  visio.arguments = {QStringLiteral("--automation")};
  if (demo) visio.arguments << QStringLiteral("--demo");
  if (!files.empty()) {
    // What the user gave, and where it is: the server may run elsewhere.
    std::vector<std::pair<std::string, std::string>> drawings;
    for (const std::string& file : files) {
      drawings.emplace_back(
          file, QFileInfo(QString::fromStdString(file)).absoluteFilePath().toStdString());
    }
    auto opened = std::make_shared<bool>(false);
    visio.attached = [drawings = std::move(drawings), openFailed = std::move(openFailed),
                      opened](const automation::ObjectRef& app, bool started) {
      if (!started && *opened) return;
      *opened = true;
      for (const auto& [given, path] : drawings) {
        try {
          app.Get("Documents").ToObject().Invoke("Open", {automation::Variant(path)});
        } catch (const automation::AutomationError& e) {
          if (openFailed) openFailed(given, e.message());
        }
      }
    };
  }
  return automation::dbus::RegisterBusClass(visio);
}

void RegisterStandinVisio(const std::vector<std::string>& files, bool demo, OpenFailed openFailed) {
  if (automation::dbus::SessionBusReachable()) {
    RegisterVisioOnBus(files, demo, std::move(openFailed));
    return;
  }
  RegisterVisio(StartWithDrawings(files, demo, std::move(openFailed)));
}

QString ServiceFilePath() {
  QString data = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"));
  if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/.local/share");
  return data + QStringLiteral("/dbus-1/services/") + QString::fromLatin1(kVisioBusName) +
         QStringLiteral(".service");
}

std::string WriteServiceFile(const QString& program) {
  const QString path = ServiceFilePath();
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
    return "cannot create the folder of " + path.toStdString();
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
    return "cannot write " + path.toStdString() + ": " + file.errorString().toStdString();
  }
  const QString text = QStringLiteral("[D-BUS Service]\nName=%1\nExec=%2 --automation\n")
                           .arg(QString::fromLatin1(kVisioBusName),
                                QFileInfo(program).absoluteFilePath());
  file.write(text.toUtf8());
  if (!file.commit()) {
    return "cannot write " + path.toStdString() + ": " + file.errorString().toStdString();
  }
  return {};
}

std::string RemoveServiceFile() {
  QFile file(ServiceFilePath());
  if (!file.exists() || file.remove()) return {};
  return "cannot remove " + file.fileName().toStdString() + ": " + file.errorString().toStdString();
}

}  // namespace standin
