// The main of every window test program: Qt's offscreen platform (no display
// needed), one QApplication for the whole run, settings of its own, then the
// tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

namespace {

// The offscreen platform says so whenever a window is raised, and Qt notes a
// missing runtime folder; neither tells a test anything.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith("This plugin does not support") ||
      message.startsWith("QStandardPaths: XDG_RUNTIME_DIR not set")) {
    return;
  }
  qt_message_output(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(QuietMessages);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tarvel");
  // Settings a test writes stay with the run: the user's are neither read
  // nor changed.
  const QTemporaryDir settings;
  if (!settings.isValid()) return 1;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  return RUN_ALL_TESTS();
}
