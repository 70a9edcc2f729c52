#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation/Runtime.h"
#include "tests/support/FakeVisio.h"
#include "visio/KTVisio_Controller.h"

namespace {

using automation::ObjectRef;
using automation::Variant;
using fake::FakeRef;

// Registers Visio's ProgID for the test, and optionally a running instance
// and a class factory, undoing all of it afterwards.
class VisioRegistration {
 public:
  VisioRegistration() { automation::RegisterProgID(kVisioProgID, CLSID_VisioApplication); }
  ~VisioRegistration() {
    if (runningCookie_ != 0) automation::RevokeActiveObject(runningCookie_);
    if (factoryCookie_ != 0) automation::CoRevokeClassObject(factoryCookie_);
    automation::UnregisterProgID(kVisioProgID);
  }

  void Run(const FakeRef& app) {
    ASSERT_EQ(
        automation::RegisterActiveObject(ObjectRef(app), CLSID_VisioApplication, &runningCookie_),
        automation::S_OK);
  }
  void StopRunning() {
    automation::RevokeActiveObject(runningCookie_);
    runningCookie_ = 0;
  }

  // New instances come from `make`; `created` counts them.
  void InstallFactory(std::function<FakeRef()> make) {
    auto factory = std::make_shared<Factory>();
    factory->make = std::move(make);
    factory->created = &created;
    ASSERT_EQ(automation::CoRegisterClassObject(CLSID_VisioApplication, factory,
                                                automation::CLSCTX_INPROC_SERVER,
                                                automation::REGCLS_MULTIPLEUSE, &factoryCookie_),
              automation::S_OK);
  }

  int created = 0;

 private:
  struct Factory : automation::ClassFactory {
    automation::HResult CreateInstance(const automation::Guid& iid, ObjectRef* object) override {
      ++*created;
      FakeRef app = make();
      if (!app->Supports(iid)) return automation::E_NOINTERFACE;
      *object = ObjectRef(app);
      return automation::S_OK;
    }
    std::function<FakeRef()> make;
    int* created = nullptr;
  };

  std::uint32_t runningCookie_ = 0;
  std::uint32_t factoryCookie_ = 0;
};

FakeRef MakeVisioApp() {
  FakeRef app = fake::Make();
  app->Offer(IID_IVApplication);
  return app;
}

class ControllerTest : public testing::Test {
 protected:
  void SetUp() override { ResetController(); }
  void TearDown() override { ResetController(); }
  static void ResetController() {
    VisioController.Disconnect();
    VisioController.OnStatusChange = nullptr;
    VisioController.SetCallRefused(false);
  }
};

TEST_F(ControllerTest, ConnectAttachesToTheRunningVisioWithoutStartingAnother) {
  VisioRegistration visio;
  const FakeRef running = MakeVisioApp();
  visio.Run(running);
  visio.InstallFactory(MakeVisioApp);

  EXPECT_EQ(VisioController.Connect(3), automation::S_OK);
  EXPECT_TRUE(VisioController.IsConnected());
  EXPECT_TRUE(automation::SameObject(VisioController.App, ObjectRef(running)));
  EXPECT_EQ(visio.created, 0);
}

TEST_F(ControllerTest, ConnectStartsVisioOnlyWhenAskedAndNoneIsAttached) {
  VisioRegistration visio;
  visio.InstallFactory(MakeVisioApp);

  EXPECT_EQ(VisioController.Connect(2), automation::E_FAIL);
  EXPECT_EQ(visio.created, 0);
  EXPECT_EQ(VisioController.Connect(3), automation::S_OK);
  EXPECT_EQ(visio.created, 1);

  // Mode 1 alone starts a new instance even when one is running.
  visio.Run(MakeVisioApp());
  EXPECT_EQ(VisioController.Connect(1), automation::S_OK);
  EXPECT_EQ(visio.created, 2);
}

TEST_F(ControllerTest, ConnectFailsQuietlyWhenVisioCannotBeReached) {
  {
    // Not installed: no ProgID, no class.
    EXPECT_EQ(VisioController.Connect(3), automation::E_FAIL);
    EXPECT_FALSE(VisioController.IsConnected());
  }
  {
    // Running, and startable, but neither offers IVApplication.
    VisioRegistration visio;
    visio.Run(fake::Make());
    visio.InstallFactory([] { return fake::Make(); });
    EXPECT_EQ(VisioController.Connect(3), automation::E_FAIL);
    EXPECT_FALSE(VisioController.IsConnected());
  }
}

TEST_F(ControllerTest, AFailedReconnectLeavesTheControllerDetached) {
  VisioRegistration visio;
  visio.Run(MakeVisioApp());
  ASSERT_EQ(VisioController.Connect(2), automation::S_OK);
  visio.StopRunning();

  EXPECT_EQ(VisioController.Connect(2), automation::E_FAIL);
  EXPECT_FALSE(VisioController.IsConnected());
  EXPECT_EQ(VisioController.Disconnect(), 0);
}

TEST_F(ControllerTest, TheObserverHearsOfEveryChangeOfTheRefusedFlagAndOnlyOfChanges) {
  int calls = 0;
  VisioController.OnStatusChange = [&] { ++calls; };

  VisioController.SetCallRefused(false);
  EXPECT_EQ(calls, 0);
  VisioController.SetCallRefused(true);
  VisioController.SetCallRefused(true);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(VisioController.CallRefused());

  // A successful connect clears the flag, and says so.
  VisioRegistration visio;
  visio.Run(MakeVisioApp());
  ASSERT_EQ(VisioController.Connect(3), automation::S_OK);
  EXPECT_FALSE(VisioController.CallRefused());
  EXPECT_EQ(calls, 2);
}

TEST_F(ControllerTest, SetValueStatusTexts) {
  const std::vector<std::pair<TSetValueStatus, std::string>> cases = {
      {svsOK, "OK"},
      {svsNoContainingMaster, "OK - No containing Master"},
      {svsMasterOpenFailed, "Error - Master.Open failed"},
      {svsMasterCloseFailed, "Error - Master.Close failed"},
      {svsSetValueFailed, "Error - Set value failed"},
      {svsCallRefused, "Error - Call refused by Visio"},
      {svsMisc, "Error - Misc"}};
  for (const auto& [status, text] : cases) {
    EXPECT_EQ(SetValueStatusText[status], text);
    EXPECT_EQ(SetValueSucceeded(status), status <= 1) << text;
  }
}

TEST_F(ControllerTest, AShapeOutsideAnyMasterIsEditedItself) {
  const FakeRef shape = fake::Make();
  shape->Set("ContainingMaster", Variant());
  const FakeRef cell = fake::Make();
  cell->Set("Shape", Variant(shape)).Set("Name", "Width");

  IVShape editShape;
  IVCell editCell;
  IVMaster opened;
  std::string err;
  EXPECT_EQ(VisioController.LocateMasterShape(IVShape(ObjectRef(shape)), editShape, opened, err),
            svsNoContainingMaster);
  EXPECT_EQ(VisioController.LocateMasterCell(IVCell(ObjectRef(cell)), editCell, opened, err),
            svsNoContainingMaster);
  EXPECT_FALSE(editShape);
  EXPECT_FALSE(editCell);
  EXPECT_FALSE(opened);
  EXPECT_EQ(err, "");
}

TEST_F(ControllerTest, LocateFindsTheCounterpartInTheOpenedMaster) {
  for (const bool inGroup : {false, true}) {
    SCOPED_TRACE(inGroup ? "in a group" : "at the top level");
    fake::FakeMasterShape m(inGroup);
    IVCell editCell;
    IVMaster opened;
    std::string err;
    EXPECT_EQ(VisioController.LocateMasterCell(IVCell(ObjectRef(m.cell)), editCell, opened, err),
              svsOK);
    EXPECT_TRUE(automation::SameObject(editCell.Object(), ObjectRef(m.copyCell)));
    EXPECT_TRUE(automation::SameObject(opened.Object(), ObjectRef(m.copy)));
    EXPECT_EQ(err, "");
    EXPECT_EQ(std::count(m.master->calls.begin(), m.master->calls.end(), "Call Open"), 1);
  }
}

// Every level that passes an error on wraps it once more in " {...}".
TEST_F(ControllerTest, AMasterThatRefusesOpenGivesNestedBraceTexts) {
  struct Case {
    bool inGroup;
    std::string shapeText;
    std::string cellText;
  };
  const std::vector<Case> cases = {
      {false, " {Master is locked. }", " { {Master is locked. }}"},
      {true, " { {Master is locked. }}", " { { {Master is locked. }}}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.inGroup ? "in a group" : "at the top level");
    fake::FakeMasterShape m(c.inGroup);
    m.master->Fail("Open", automation::E_FAIL, "Master is locked. ");

    IVShape editShape;
    IVCell editCell;
    IVMaster opened;
    std::string err;
    EXPECT_EQ(
        VisioController.LocateMasterShape(IVShape(ObjectRef(m.shape)), editShape, opened, err),
        svsMasterOpenFailed);
    EXPECT_EQ(err, c.shapeText);
    EXPECT_FALSE(editShape);
    EXPECT_EQ(VisioController.LocateMasterCell(IVCell(ObjectRef(m.cell)), editCell, opened, err),
              svsMasterOpenFailed);
    EXPECT_EQ(err, c.cellText);
    EXPECT_FALSE(editCell);
    EXPECT_FALSE(opened);
  }
}

TEST_F(ControllerTest, AnyOtherFailureWhileLocatingIsMisc) {
  fake::FakeMasterShape m(false);
  m.shape->Fail("ContainingShape", automation::E_FAIL, "Gone.");
  IVShape editShape;
  IVMaster opened;
  std::string err;
  EXPECT_EQ(VisioController.LocateMasterShape(IVShape(ObjectRef(m.shape)), editShape, opened, err),
            svsMisc);
  EXPECT_EQ(err, " {Gone.}");
}

TEST_F(ControllerTest, SetValueProtocolStatuses) {
  const auto run = [](fake::FakeMasterShape& m, std::string& err) {
    const TLocateCounterpart locate = [&](ObjectRef& counterpart, IVMaster& opened,
                                          std::string& text) {
      IVCell editCell;
      const TSetValueStatus status =
          VisioController.LocateMasterCell(IVCell(ObjectRef(m.cell)), editCell, opened, text);
      counterpart = editCell.Object();
      return status;
    };
    return SetValueProtocol(
        locate, ObjectRef(m.cell),
        [](const ObjectRef& target) { target.Put("Formula", Variant("2 in")); }, err);
  };
  std::string err;
  {
    fake::FakeMasterShape m(false);
    EXPECT_EQ(run(m, err), svsOK);
    EXPECT_EQ(m.copyCell->writes.size(), 1u);
    EXPECT_TRUE(m.cell->writes.empty());
    EXPECT_EQ(m.copy->calls.back(), "Call Close");
  }
  {
    // The master will not open: the node's own cell is written instead.
    fake::FakeMasterShape m(false);
    m.master->Fail("Open", automation::E_FAIL, "Locked.");
    EXPECT_EQ(run(m, err), svsMasterOpenFailed);
    EXPECT_EQ(err, " { {Locked.}}");
    EXPECT_EQ(m.cell->writes.size(), 1u);
    // ... and when that is refused too, the write's message follows.
    m.cell->Fail("Formula", automation::E_FAIL, "  Protected.  ");
    EXPECT_EQ(run(m, err), svsSetValueFailed);
    EXPECT_EQ(err, " { {Locked.}} {Protected.}");
  }
  {
    // A failed write closes nothing: the edit is not committed.
    fake::FakeMasterShape m(false);
    m.copyCell->Fail("Formula", automation::E_FAIL, "Bad formula.");
    EXPECT_EQ(run(m, err), svsSetValueFailed);
    EXPECT_EQ(err, " {Bad formula.}");
    EXPECT_EQ(std::count(m.copy->calls.begin(), m.copy->calls.end(), "Call Close"), 0);
  }
  {
    fake::FakeMasterShape m(false);
    m.copy->Fail("Close", automation::E_FAIL, "Cannot save.");
    EXPECT_EQ(run(m, err), svsMasterCloseFailed);
    EXPECT_EQ(err, " {Cannot save.}");
  }
}

TEST_F(ControllerTest, DockedStencilNamesListsTheWindowsStencilsInOrder) {
  const FakeRef window = fake::Make();
  std::vector<std::string> list = {"stale"};

  window->Set("DockedStencils",
              Variant(automation::StringArray(1, {"Basic Shapes", "Arrows", "Callouts"})));
  VisioController.DockedStencilNames(ObjectRef(window), list);
  EXPECT_EQ(list, (std::vector<std::string>{"Basic Shapes", "Arrows", "Callouts"}));

  window->Fail("DockedStencils", automation::E_FAIL, "No window.");
  VisioController.DockedStencilNames(ObjectRef(window), list);
  EXPECT_TRUE(list.empty());
}

}  // namespace
