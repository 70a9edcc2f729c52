// tarvel-visio: the stand-in Visio as a server on the session bus, and the
// commands that change a running one without writing code.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QTimer>

#include <charconv>
#include <cstdio>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/Variant.h"
#include "automation/dbus/Client.h"
#include "automation/dbus/Server.h"
#include "automation/dbus/Wire.h"
#include "standin/Application.h"
#include "standin/Demo.h"
#include "standin/Document.h"
#include "standin/server/VisioBus.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: tarvel-visio [--demo] [FILE ...]\n"
    "       tarvel-visio COMMAND ...\n"
    "       tarvel-visio --regserver | --unregserver\n"
    "       tarvel-visio --help\n";

constexpr std::string_view kHelp =
    "Without a command, tarvel-visio runs the stand-in Visio as a server on the\n"
    "session bus (name org.tarvel.Visio, Application object at /org/tarvel/Visio),\n"
    "with the drawings FILE ... open, or the built-in demo drawing with --demo, or\n"
    "no document at all, as Visio starts. Tarvel and any other client attach to it.\n"
    "\n"
    "Commands, sent to the running server in the order given:\n"
    "  --open FILE           open a drawing, stencil or template\n"
    "  --close NAME          close the document NAME\n"
    "  --save NAME [FILE]    save the document NAME to its file, or as FILE (the\n"
    "                        extension chooses the format: .vsdx, .vssx, .vstx,\n"
    "                        .vsdm, .vssm, .vstm)\n"
    "  --select PAGE SHAPE...  show page PAGE in the active window and select the\n"
    "                        shapes named (a number is a shape ID)\n"
    "  --busy on|off         refuse every call, as Visio does behind a modal\n"
    "                        dialog, or accept them again\n"
    "  --quit                end the server\n"
    "\n"
    "  --regserver           let the session bus start tarvel-visio for a client\n"
    "                        (writes its activation file)\n"
    "  --unregserver         remove the activation file\n"
    "  --automation          (given by clients that start the server) end when the\n"
    "                        last client has gone\n";

using automation::AutomationError;
using automation::ObjectRef;
using automation::Variant;

int Usage(const std::string& problem) {
  std::cerr << "tarvel-visio: " << problem << '\n'
            << kUsage << "Try 'tarvel-visio --help' for more information.\n";
  return 2;
}

struct Command {
  std::string name;
  std::vector<std::string> args;
};

bool IsCommand(std::string_view arg) {
  return arg == "--open" || arg == "--close" || arg == "--save" || arg == "--select" ||
         arg == "--busy" || arg == "--quit";
}

std::optional<std::int32_t> ShapeId(const std::string& text) {
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

void Run(const ObjectRef& app, const Command& command) {
  if (command.name == "--open") {
    const std::string path =
        QFileInfo(QString::fromStdString(command.args[0])).absoluteFilePath().toStdString();
    app.Get("Documents").ToObject().Invoke("Open", {Variant(path)});
  } else if (command.name == "--close") {
    app.Get("Documents").ToObject().Get("Item", {Variant(command.args[0])}).ToObject().Invoke(
        "Close");
  } else if (command.name == "--save") {
    const ObjectRef doc =
        app.Get("Documents").ToObject().Get("Item", {Variant(command.args[0])}).ToObject();
    if (command.args.size() == 1) {
      doc.Invoke("Save");
    } else {
      const std::string path =
          QFileInfo(QString::fromStdString(command.args[1])).absoluteFilePath().toStdString();
      doc.Invoke("SaveAs", {Variant(path)});
    }
  } else if (command.name == "--select") {
    const ObjectRef window = app.Get("ActiveWindow").ToObject();
    if (!window) throw AutomationError(automation::E_FAIL, "no drawing window is active");
    window.Put("Page", Variant(command.args[0]));
    window.Invoke("DeselectAll");
    const ObjectRef shapes = window.Get("Page").ToObject().Get("Shapes").ToObject();
    for (std::size_t i = 1; i < command.args.size(); ++i) {
      const std::string& name = command.args[i];
      const std::optional<std::int32_t> id = ShapeId(name);
      const ObjectRef shape = id ? shapes.Get("ItemFromID", {Variant(*id)}).ToObject()
                                 : shapes.Get("Item", {Variant(name)}).ToObject();
      window.Invoke("Select", {Variant(shape), Variant(std::int16_t{2})});  // visSelect
    }
  } else if (command.name == "--quit") {
    app.Invoke("Quit");
  }
}

// The busy switch belongs to the server, not to Visio's object model.
void SetBusy(bool busy) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QString::fromLatin1(standin::kVisioBusName), QString::fromLatin1(standin::kVisioObjectPath),
      QString::fromLatin1(automation::dbus::kServerInterface), QStringLiteral("SetBusy"));
  call.setArguments({QVariant(busy)});
  const QDBusMessage reply = QDBusConnection::sessionBus().call(call);
  if (reply.type() == QDBusMessage::ErrorMessage) {
    throw AutomationError(automation::E_FAIL, reply.errorMessage().toStdString());
  }
}

// Visio's messages begin with two line breaks; on a terminal the message
// belongs on the line that names the command.
std::string_view OneLine(std::string_view text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

int RunCommands(const std::vector<Command>& commands) {
  ObjectRef app;
  automation::dbus::AttachOptions options;
  options.peerToPeer = false;  // a few calls: the bus will do
  try {
    app = automation::dbus::AttachToServer(QString::fromLatin1(standin::kVisioBusName),
                                           QString::fromLatin1(standin::kVisioObjectPath), options);
  } catch (const AutomationError&) {
    std::cerr << "tarvel-visio: no stand-in Visio runs on the session bus ("
              << standin::kVisioBusName << ")\n";
    return 1;
  }
  for (const Command& command : commands) {
    try {
      if (command.name == "--busy") {
        SetBusy(command.args[0] == "on");
      } else {
        Run(app, command);
      }
    } catch (const std::exception& e) {
      std::string what = command.name;
      for (const std::string& a : command.args) what += " " + a;
      std::cerr << "tarvel-visio: " << what << ": " << OneLine(e.what()) << '\n';
      return 1;
    }
  }
  return 0;
}

int Serve(int argc, char** argv, bool demo, bool automationMode,
          const std::vector<std::string>& files) {
  QCoreApplication qt(argc, argv);
  standin::StandinOptions options;
  options.onStart = [&](standin::Application& visio) {
    if (demo) standin::BuildDemoDrawing(visio);
    for (const std::string& file : files) {
      try {
        visio.OpenDocument(QFileInfo(QString::fromStdString(file)).absoluteFilePath().toStdString(),
                           0);
      } catch (const std::exception& e) {
        std::cerr << "tarvel-visio: cannot open \"" << file << "\": " << e.what() << '\n';
      }
    }
  };
  automation::Ref<standin::Application> visio = standin::StartVisio(options);
  visio->SetQuitHandler([] { QTimer::singleShot(0, qApp, &QCoreApplication::quit); });
  visio->SetUnsavedHandler([](const std::vector<std::string>& names) {
    std::cerr << "tarvel-visio: quitting with unsaved changes in";
    for (const std::string& name : names) std::cerr << " \"" << name << '"';
    std::cerr << '\n';
  });

  automation::dbus::ObjectServer server(visio, QString::fromLatin1(standin::kVisioObjectPath));
  try {
    server.Start(QString::fromLatin1(standin::kVisioBusName));
  } catch (const AutomationError& e) {
    std::cerr << "tarvel-visio: " << e.message() << '\n';
    return 1;
  }
  // Nobody can reach a server whose bus has gone (the session ended): end
  // with it. Qt tells of a lost bus connection only when asked.
  QTimer busCheck;
  QObject::connect(&busCheck, &QTimer::timeout, &qt, [] {
    if (!QDBusConnection::sessionBus().isConnected()) QCoreApplication::quit();
  });
  busCheck.start(1000);
  if (automationMode) {
    // Started for a client: end with the last one, or when none came.
    QObject::connect(&server, &automation::dbus::ObjectServer::ClientsGone, &qt,
                     &QCoreApplication::quit);
    QTimer::singleShot(60000, &qt, [&] {
      if (server.ClientCount() == 0) QCoreApplication::quit();
    });
  }
  const int status = QCoreApplication::exec();
  if (!visio->IsDeleted()) visio->Quit();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << kUsage << '\n' << kHelp;
    return 0;
  }
  if (args.size() == 1 && (args[0] == "--regserver" || args[0] == "--unregserver")) {
    const std::string error =
        args[0] == "--regserver"
            ? standin::WriteServiceFile(QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath())
            : standin::RemoveServiceFile();
    if (!error.empty()) {
      std::cerr << "tarvel-visio: " << error << '\n';
      return 1;
    }
    return 0;
  }

  bool demo = false;
  bool automationMode = false;
  std::vector<std::string> files;
  std::vector<Command> commands;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (IsCommand(arg)) {
      Command command{arg, {}};
      // A command's arguments run up to the next switch.
      while (i + 1 < args.size() && !args[i + 1].starts_with("--")) command.args.push_back(args[++i]);
      const std::size_t n = command.args.size();
      if ((arg == "--open" || arg == "--close" || arg == "--busy") && n != 1) {
        return Usage(arg + " takes one argument");
      }
      if (arg == "--busy" && command.args[0] != "on" && command.args[0] != "off") {
        return Usage("--busy takes on or off, not '" + command.args[0] + "'");
      }
      if (arg == "--save" && (n < 1 || n > 2)) return Usage("--save takes a document and a file");
      if (arg == "--select" && n < 1) return Usage("--select takes a page and shapes");
      if (arg == "--quit" && n != 0) return Usage("--quit takes no arguments");
      commands.push_back(std::move(command));
    } else if (arg == "--demo") {
      demo = true;
    } else if (arg == "--automation") {
      automationMode = true;
    } else if (arg.starts_with("-") && arg != "-") {
      return Usage("unknown option '" + arg + "'");
    } else {
      files.push_back(arg);
    }
  }
  if (!commands.empty()) {
    if (demo || automationMode || !files.empty()) {
      return Usage("commands cannot be combined with starting a server");
    }
    QCoreApplication qt(argc, argv);
    return RunCommands(commands);
  }
  return Serve(argc, argv, demo, automationMode, files);
}
