// tarvel-visio.exe as COM's Visio: registered with /regserver, started by
// CoCreateInstance through the automation layer, compared call for call
// with the stand-in in this process, attached to by a second client, and
// gone when its last client lets go.
// The layer's headers before Windows' (see automation/com/ComHeaders.h).
#include "visio/KTVisio_AddOnSink.h"
#include "visio/Tarvel_AutomationServer.h"
// Then COM's.
#include "SinkTest.h"
#include "automation/com/Apartment.h"
#include "automation/com/Convert.h"
// Then the rest.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "standin/Application.h"
#include "standin/Demo.h"
#include "standin/Document.h"

namespace {

using automation::AutomationError;
using automation::ObjectRef;
using automation::Variant;

constexpr const wchar_t* kClassesRoot = L"Software\\Classes\\";
constexpr const wchar_t* kClsidText = L"{00021A20-0000-0000-C000-000000000046}";
constexpr const wchar_t* kIVApplicationText = L"{000D0700-0000-0000-C000-000000000046}";
constexpr DWORD kProgramMs = 30000;  // what /regserver may take under Wine
constexpr DWORD kEndMs = 10000;      // from the last release to the server's end

std::wstring ServerProgram() {
  wchar_t self[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::filesystem::path path =
      std::filesystem::path(std::wstring(self, n)).parent_path() / TARVEL_VISIO_RELATIVE;
  return path.lexically_normal().wstring();
}

// Starts the server program with a command line; its process, or null.
HANDLE StartServerProgram(const std::wstring& arguments) {
  std::wstring line = L"\"" + ServerProgram() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return nullptr;
  }
  ::CloseHandle(process.hThread);
  return process.hProcess;
}

// Runs the server program to its end; its exit status, or -1.
int RunServerProgram(const std::wstring& arguments) {
  const HANDLE process = StartServerProgram(arguments);
  if (!process) return -1;
  DWORD status = static_cast<DWORD>(-1);
  if (::WaitForSingleObject(process, kProgramMs) != WAIT_OBJECT_0 ||
      !::GetExitCodeProcess(process, &status)) {
    ::TerminateProcess(process, 1);
    status = static_cast<DWORD>(-1);
  }
  ::CloseHandle(process);
  return static_cast<int>(status);
}

// The default value of a key under HKLM\Software\Classes; nullopt when
// the key is not there.
std::optional<std::wstring> ClassesValue(const std::wstring& key) {
  return sinktest::RegistryText(HKEY_LOCAL_MACHINE, kClassesRoot + key);
}

const std::vector<std::wstring>& WrittenKeys() {
  static const std::vector<std::wstring> keys = {
      L"Visio.Application",
      L"Visio.Application\\CLSID",
      L"Visio.Application\\CurVer",
      L"Visio.Application.16",
      L"Visio.Application.16\\CLSID",
      std::wstring(L"CLSID\\") + kClsidText,
      std::wstring(L"CLSID\\") + kClsidText + L"\\LocalServer32",
      std::wstring(L"CLSID\\") + kClsidText + L"\\ProgID",
      std::wstring(L"CLSID\\") + kClsidText + L"\\VersionIndependentProgID",
      std::wstring(L"Interface\\") + kIVApplicationText,
      std::wstring(L"Interface\\") + kIVApplicationText + L"\\TypeLib",
  };
  return keys;
}

std::string Text(const Variant& v) {
  if (v.type() == automation::VarType::R8) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v.ToDouble());
    return buf;
  }
  return v.ToString();
}

// A cell of the transform row of the Object section (PinX 0 .. Angle 6).
ObjectRef TransformCell(const ObjectRef& shape, std::int16_t cell) {
  return shape.Get("CellsSRC", {Variant(std::int16_t{1}), Variant(std::int16_t{1}), Variant(cell)})
      .ToObject();
}

ObjectRef FirstShape(const ObjectRef& app) {
  return app.Get("ActivePage")
      .ToObject()
      .Get("Shapes")
      .ToObject()
      .Get("Item", {Variant(1)})
      .ToObject();
}

// A document's pages, shapes and the cells every shape has, the same way
// on either Visio: one line per answer.
void WalkDocument(const ObjectRef& doc, std::vector<std::string>& lines) {
  auto item = [](const ObjectRef& collection, std::int32_t i) {
    return collection.Get("Item", {Variant(i)}).ToObject();
  };
  lines.push_back("document " + doc.Get("Name").ToString());
  const ObjectRef pages = doc.Get("Pages").ToObject();
  for (std::int32_t p = 1; p <= pages.Get("Count").ToInt32(); ++p) {
    const ObjectRef page = item(pages, p);
    lines.push_back(" page " + page.Get("Name").ToString());
    const ObjectRef shapes = page.Get("Shapes").ToObject();
    for (std::int32_t s = 1; s <= shapes.Get("Count").ToInt32(); ++s) {
      const ObjectRef shape = item(shapes, s);
      std::string line = "  shape " + shape.Get("Name").ToString() + " rows";
      // Geometry 1, User-defined Cells, Shape Data.
      for (const std::int16_t section : {std::int16_t{10}, std::int16_t{242}, std::int16_t{243}}) {
        line += " " + Text(shape.Get("RowCount", {Variant(section)}));
      }
      lines.push_back(line);
      for (std::int16_t cell = 0; cell <= 6; ++cell) {
        const ObjectRef c = TransformCell(shape, cell);
        lines.push_back("   " + c.Get("Formula").ToString() + " = " + Text(c.Get("ResultIU")));
      }
    }
  }
}

std::vector<std::string> Walk(const ObjectRef& app) {
  std::vector<std::string> lines;
  const ObjectRef docs = app.Get("Documents").ToObject();
  for (std::int32_t d = 1; d <= docs.Get("Count").ToInt32(); ++d) {
    WalkDocument(docs.Get("Item", {Variant(d)}).ToObject(), lines);
  }
  return lines;
}

// The code and message of a failing call, or its answer.
std::string Outcome(const std::function<Variant()>& call) {
  try {
    return "answered " + Text(call());
  } catch (const AutomationError& e) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(e.code()));
    return std::string(code) + " " + e.message();
  }
}

class VisioServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { registered_ = RunServerProgram(L"/regserver --demo"); }
  static void TearDownTestSuite() { RunServerProgram(L"/unregserver"); }

  void SetUp() override {
    ASSERT_EQ(registered_, 0) << "tarvel-visio /regserver failed";
    local_ = automation::MakeRef<standin::Application>();
    standin::BuildDemoDrawing(*local_);
  }
  void TearDown() override {
    if (local_ && !local_->IsDeleted()) local_->Quit();
  }

  // Visio's class from its ProgID, and a new Visio from it, as a client
  // finds them: the registry, then COM starts the server.
  ObjectRef StartServer() {
    automation::Guid clsid;
    EXPECT_EQ(automation::CLSIDFromProgID("Visio.Application", &clsid), S_OK);
    EXPECT_EQ(clsid, standin::CLSID_VisioApplication);
    ObjectRef app;
    const automation::HResult hr = automation::CoCreateInstance(
        clsid, automation::CLSCTX_LOCAL_SERVER, automation::IID_IDispatch, &app);
    EXPECT_EQ(hr, S_OK);
    if (app)
      server_ =
          ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(app.Get("ProcessID").ToInt32()));
    return app;
  }

  // Whether the server ended within the bound once every reference is gone.
  // This thread pumps meanwhile: a server that held objects of this
  // process (a sink, its type description) lets go of them on its way out,
  // with calls into this apartment.
  bool ServerEnds() {
    if (!server_) return false;
    const bool ended = sinktest::PumpUntil(
        [&] { return ::WaitForSingleObject(server_, 0) == WAIT_OBJECT_0; }, kEndMs);
    ::CloseHandle(server_);
    server_ = nullptr;
    return ended;
  }

  static inline int registered_ = -1;
  automation::Ref<standin::Application> local_;
  HANDLE server_ = nullptr;
};

TEST_F(VisioServerTest, RegistersItsClassAsVisioDoes) {
  const std::wstring cls = std::wstring(L"CLSID\\") + kClsidText;
  EXPECT_EQ(ClassesValue(L"Visio.Application\\CLSID"), kClsidText);
  EXPECT_EQ(ClassesValue(L"Visio.Application\\CurVer"), L"Visio.Application.16");
  EXPECT_EQ(ClassesValue(L"Visio.Application.16\\CLSID"), kClsidText);
  EXPECT_EQ(ClassesValue(cls + L"\\LocalServer32"), L"\"" + ServerProgram() + L"\" --demo");
  EXPECT_EQ(ClassesValue(cls + L"\\ProgID"), L"Visio.Application.16");
  EXPECT_EQ(ClassesValue(cls + L"\\VersionIndependentProgID"), L"Visio.Application");
  // IVApplication's description, which COM needs to hand the interface over.
  EXPECT_EQ(ClassesValue(std::wstring(L"Interface\\") + kIVApplicationText), L"IVApplication");
  EXPECT_EQ(RunServerProgram(L"/unregserver extra"), 2);
  EXPECT_EQ(RunServerProgram(L"--no-such-option"), 2);
}

TEST_F(VisioServerTest, ServesTheDrawingAsTheStandinDoes) {
  ObjectRef app = StartServer();
  ASSERT_TRUE(app);
  const std::vector<std::string> served = Walk(app);
  EXPECT_EQ(served, Walk(ObjectRef(local_)));
  EXPECT_GT(served.size(), 20u);
  // Clients that check for Visio's application interface (the controller
  // does) get it across the process boundary, as from Visio.
  EXPECT_NO_THROW(app.QueryInterface(standin::IID_IVApplication));
  app.Reset();
  EXPECT_TRUE(ServerEnds());
}

// A sink advised on a document of the served Visio is called back in this
// process, as Visio calls an add-on's sink: by name through IDispatch,
// which the sink answers from its type library.
TEST_F(VisioServerTest, AdvisedSinkIsCalledBackAcrossProcesses) {
  constexpr std::int16_t kCellChanged = 10240;  // visEvtCell | visEvtMod
  RegisterAddOnSinkClass();
  // This program carries the library, as Tarvel does.
  ASSERT_EQ(StartAutomationServer(std::vector<std::string>{"/REGSERVER"}, ProgramFilePath()).error,
            "");
  auto sink = automation::MakeRef<TVisioAddOnSink>();
  std::vector<std::unique_ptr<TKTVisio_EventInfo>> events;
  sink->OnVisioEvent = [&](std::unique_ptr<TKTVisio_EventInfo> e) {
    events.push_back(std::move(e));
  };
  ObjectRef app = StartServer();
  ASSERT_TRUE(app);
  ObjectRef doc = app.Get("ActiveDocument").ToObject();
  ObjectRef event = doc.Get("EventList")
                        .ToObject()
                        .Get("AddAdvise", {Variant(kCellChanged), Variant(ObjectRef(sink)),
                                           Variant(""), Variant("")})
                        .ToObject();
  const std::int32_t id = event.Get("ID").ToInt32();
  ObjectRef width = TransformCell(FirstShape(app), 2);
  for (const char* formula : {"3 in", "4 in"}) {
    const std::size_t before = events.size();
    width.Put("Formula", Variant(formula));
    EXPECT_TRUE(sinktest::PumpUntil([&] { return events.size() > before; }, 10000)) << formula;
  }
  ASSERT_EQ(events.size(), 2u);
  for (const auto& e : events) {
    EXPECT_EQ(e->Event, kCellChanged);
    EXPECT_EQ(e->ID, id);
    // Both objects are the served Visio's, read back through their proxies.
    ASSERT_TRUE(e->Subject);
    EXPECT_EQ(e->Subject.Get("Name").ToString(), "Width");
    ASSERT_TRUE(e->Source);
    EXPECT_EQ(e->Source.Get("Name").ToString(), doc.Get("Name").ToString());
  }
  EXPECT_GT(events[1]->Seq, events[0]->Seq);

  sink->OnVisioEvent = nullptr;
  events.clear();
  event.Invoke("Delete");
  event.Reset();
  width.Reset();
  doc.Reset();
  app.Reset();
  EXPECT_TRUE(ServerEnds());
  StartAutomationServer(std::vector<std::string>{"/UNREGSERVER"}, ProgramFilePath());
}

TEST_F(VisioServerTest, ErrorsCarryVisiosCodeAndMessage) {
  ObjectRef app = StartServer();
  ASSERT_TRUE(app);
  using Call = std::function<Variant(const ObjectRef&)>;
  const std::vector<std::pair<const char*, Call>> calls = {
      {"missing cell",
       [](const ObjectRef& a) { return Variant(TransformCell(FirstShape(a), 99)); }},
      {"missing section",
       [](const ObjectRef& a) {
         return FirstShape(a).Get("CellsSRC", {Variant(std::int16_t{200}), Variant(std::int16_t{0}),
                                               Variant(std::int16_t{0})});
       }},
      {"page 999",
       [](const ObjectRef& a) {
         return a.Get("ActiveDocument")
             .ToObject()
             .Get("Pages")
             .ToObject()
             .Get("Item", {Variant(999)});
       }},
      {"no such document",
       [](const ObjectRef& a) {
         return a.Get("Documents").ToObject().Get("Item", {Variant("No Such Drawing.vsdx")});
       }},
      {"shape 0",
       [](const ObjectRef& a) {
         return a.Get("ActivePage").ToObject().Get("Shapes").ToObject().Get("Item", {Variant(0)});
       }},
  };
  for (const auto& [name, call] : calls) {
    SCOPED_TRACE(name);
    const std::string expected = Outcome([&] { return call(ObjectRef(local_)); });
    // A failure with Visio's code and a description.
    EXPECT_EQ(expected.rfind("0x86DB", 0), 0u) << expected;
    EXPECT_GT(expected.size(), std::string("0x86DB0000 \n\n").size()) << expected;
    EXPECT_EQ(Outcome([&] { return call(app); }), expected);
  }
  app.Reset();
  EXPECT_TRUE(ServerEnds());
}

TEST_F(VisioServerTest, AttachingClientsShareTheRunningServer) {
  ObjectRef app = StartServer();
  ASSERT_TRUE(app);
  ObjectRef active;
  ASSERT_EQ(automation::GetActiveObject(standin::CLSID_VisioApplication, &active), S_OK);
  EXPECT_TRUE(automation::SameObject(active, app));
  active.Reset();

  // A shape's width, changed by this client and read by another one in an
  // apartment (so a connection) of its own.
  ObjectRef width = TransformCell(FirstShape(app), 2);
  width.Put("Formula", Variant("3 in"));
  const std::string formula = width.Get("Formula").ToString();
  std::string seen;
  std::thread other([&] {
    try {
      automation::com::Apartment apartment;
      ObjectRef attached;
      automation::Check(automation::GetActiveObject(standin::CLSID_VisioApplication, &attached));
      const ObjectRef cell = TransformCell(FirstShape(attached), 2);
      seen = cell.Get("Formula").ToString() + " = " + Text(cell.Get("ResultIU"));
    } catch (const AutomationError& e) {
      seen = std::string("failed: ") + e.what();
    }
  });
  other.join();
  EXPECT_EQ(seen, formula + " = 3");

  // A client that keeps only a cell still holds the server.
  app.Reset();
  EXPECT_EQ(::WaitForSingleObject(server_, 500), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(width.Get("Formula").ToString(), formula);
  width.Reset();
  EXPECT_TRUE(ServerEnds());
}

TEST_F(VisioServerTest, ServedDrawingsSaveOverAndOpenAgain) {
  ObjectRef app = StartServer();
  ASSERT_TRUE(app);
  // A name Windows' ANSI code page cannot spell: paths travel as UTF-8.
  wchar_t folder[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, folder);
  const std::wstring wide = std::wstring(folder, n) + L"Zeichnung \u00E4\u4E2D " +
                            std::to_wstring(::GetCurrentProcessId()) + L".vsdx";
  const std::string path = automation::com::Narrow(wide.c_str(), wide.size());
  ObjectRef doc = app.Get("ActiveDocument").ToObject();
  // The second save replaces the file the first one wrote.
  doc.Invoke("SaveAs", {Variant(path)});
  doc.Invoke("SaveAs", {Variant(path)});
  std::vector<std::string> served;
  WalkDocument(doc, served);

  std::vector<std::string> reopened;
  WalkDocument(ObjectRef(local_->OpenDocument(path, 0)), reopened);
  EXPECT_EQ(reopened, served);
  EXPECT_EQ(served.front(), "document " + path.substr(path.find("Zeichnung")));
  local_->Quit();
  EXPECT_TRUE(::DeleteFileW(wide.c_str()));
  // Nothing left beside it.
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW((wide + L".tmp-*").c_str(), &found);
  EXPECT_EQ(search, INVALID_HANDLE_VALUE);
  if (search != INVALID_HANDLE_VALUE) ::FindClose(search);

  doc.Reset();
  app.Reset();
  EXPECT_TRUE(ServerEnds());
}

TEST_F(VisioServerTest, CreateObjectRunsANewVisioBesideOneStartedByHand) {
  const HANDLE byHand = StartServerProgram(L"--demo");
  ASSERT_TRUE(byHand);
  // Found in the running object table once it is up.
  ObjectRef attached;
  for (int i = 0; i < 100 && !attached; ++i) {
    if (automation::GetActiveObject(standin::CLSID_VisioApplication, &attached) != S_OK) {
      ::Sleep(100);
    }
  }
  ASSERT_TRUE(attached);
  EXPECT_EQ(static_cast<DWORD>(attached.Get("ProcessID").ToInt32()), ::GetProcessId(byHand));

  ObjectRef created = StartServer();
  ASSERT_TRUE(created);
  EXPECT_NE(created.Get("ProcessID").ToInt32(), attached.Get("ProcessID").ToInt32());
  created.Reset();
  EXPECT_TRUE(ServerEnds());

  // Started by hand, it outlives its clients until Quit.
  EXPECT_EQ(::WaitForSingleObject(byHand, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  attached.Invoke("Quit");
  attached.Reset();
  EXPECT_EQ(::WaitForSingleObject(byHand, kEndMs), static_cast<DWORD>(WAIT_OBJECT_0));
  ::CloseHandle(byHand);
}

// Another program that holds Visio's class (a real Visio) keeps it.
TEST(VisioServerRegistrationTest, LeavesAnotherProgramsClassAlone) {
  const std::wstring key =
      std::wstring(kClassesRoot) + L"CLSID\\" + kClsidText + L"\\LocalServer32";
  wchar_t self[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring other = L"\"" + std::wstring(self, n) + L"\" /Automation";
  ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, REG_SZ, other.c_str(),
                              static_cast<DWORD>((other.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  EXPECT_EQ(RunServerProgram(L"/regserver"), 1);
  EXPECT_EQ(RunServerProgram(L"/unregserver"), 1);
  EXPECT_EQ(ClassesValue(std::wstring(L"CLSID\\") + kClsidText + L"\\LocalServer32"), other);
  EXPECT_FALSE(ClassesValue(L"Visio.Application"));
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                   (std::wstring(kClassesRoot) + L"CLSID\\" + kClsidText).c_str());
}

// Runs after the suite above has unregistered.
TEST(VisioServerRegistrationTest, UnregisteringLeavesNoKeys) {
  ASSERT_EQ(RunServerProgram(L"/regserver"), 0);
  ASSERT_TRUE(ClassesValue(L"Visio.Application\\CLSID"));
  EXPECT_EQ(RunServerProgram(L"/unregserver"), 0);
  for (const std::wstring& key : WrittenKeys()) {
    EXPECT_FALSE(ClassesValue(key)) << automation::com::Narrow(key.c_str(), key.size());
  }
  // Nothing left to remove is no failure.
  EXPECT_EQ(RunServerProgram(L"/unregserver"), 0);
}

}  // namespace
