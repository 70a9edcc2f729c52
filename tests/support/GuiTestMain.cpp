// The main of every window test program: Qt's offscreen platform (no display
// needed), one QApplication for the whole run, then the tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <QString>

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
  return RUN_ALL_TESTS();
}
