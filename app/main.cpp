// Tarvel: the desktop program. Start-up runs in a fixed order: the constant
// and cell catalogues, the event sink's class and the Visio controller; then
// the automation server's start-up, which registers the type library and
// ends the program for the registration switches; then the windows. How
// Visio is reached is the system's (app/VisioLink.h).
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Tarvel_About.h"
#include "app/Tarvel_Main.h"
#include "app/VisioLink.h"
#include "lut/Tarvel_MessagePort.h"
#include "lut/Tarvel_TLUT.h"
#include "lut/Tarvel_TreeNodeLUTs.h"
#include "tools/Tarvel_UI.h"
#include "tree/Tarvel_Cells01.h"
#include "visio/ErrorText.h"
#include "visio/KTVisio_AddOnSink.h"
#include "visio/KTVisio_Controller.h"
#include "visio/Tarvel_AutomationServer.h"

namespace {

// Shows what escapes an event handler, as a message box, and goes on.
class TTarvelApplication final : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (...) {
      ShowCurrentException();
      return false;
    }
  }
};

// The drawings on the command line: every argument that is no switch.
std::vector<std::string> DrawingArguments(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  for (const std::string& arg : args) {
    if (!arg.empty() && arg[0] != '-' && arg[0] != '/') files.push_back(arg);
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  // Module initialisation.
  TheLUTAll();
  BuildVisioConstantCatalogue();
  BuildCellCatalogue();
  RegisterAddOnSinkClass();
  TheVisioController();

  // The automation server's start-up, before any window.
  const std::vector<std::string> args(argv + 1, argv + argc);
  const TServerStartUp server = StartAutomationServer(args, ProgramFilePath());
  const std::string missingDisplay = MissingDisplay();
  if (!server.error.empty()) {
    std::fprintf(stderr, "tarvel: %s\n", server.error.c_str());
    // The message box needs a display; an installer's run may have none.
    if (missingDisplay.empty()) {
      TTarvelApplication app(argc, argv);
      QMessageBox::critical(nullptr, "Tarvel", QString::fromStdString(server.error));
    }
    return 1;
  }
  if (!server.ContinueStartUp()) return 0;
  if (!missingDisplay.empty()) {
    std::fprintf(stderr, "tarvel: %s\n", missingDisplay.c_str());
    return 1;
  }

  TTarvelApplication app(argc, argv);
  QApplication::setOrganizationName("Tarvel");  // settings in ~/.config/Tarvel/
  QApplication::setApplicationName("Tarvel");
  QApplication::setWindowIcon(TarvelIcon());
  // The main window ends the program when it closes, tree windows or not.
  QApplication::setQuitOnLastWindowClosed(false);
  TMessageBoxPort messageBoxes;
  const TVisioLink visio(DrawingArguments(args), ShowMessage);

  int status = 0;
  {
    Tfm_Main main;
    main.show();
    status = QApplication::exec();
  }
  // Tree windows belong to the application; close what is still open before
  // the application goes.
  std::vector<QPointer<QWidget>> windows;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->parentWidget() == nullptr) windows.emplace_back(window);
  }
  for (const QPointer<QWidget>& window : windows) delete window.data();
  VisioController.Disconnect();
  return status;
}
