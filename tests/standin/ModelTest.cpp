// The stand-in's object model as a client sees it: collections, Nothing,
// deleted objects, inheritance from masters, the master edit protocol,
// windows, selection, registration and the busy state.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "InterfaceRows.h"

#include "automation/Runtime.h"
#include "standin/Application.h"
#include "standin/Demo.h"
#include "standin/Page.h"
#include "standin/Shape.h"
#include "tests/support/SharedFile.h"

namespace standin {
namespace {

using automation::AutomationError;
using automation::HResult;
using automation::SameObject;

HResult CodeOf(const std::function<void()>& call, std::string* message = nullptr) {
  const testrows::Failure f = testrows::FailureOf(call);
  if (message) *message = f.message;
  return f.code;
}

class DemoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = MakeRef<Application>();
    BuildDemoDrawing(*app_);
    app = app_;
  }
  void TearDown() override { app_->Quit(); }

  ObjectRef Doc(int i) { return app.Get("Documents").ToObject().Get("Item", {Variant(i)}).ToObject(); }
  ObjectRef Page1() { return Doc(1).Get("Pages").ToObject().Get("Item", {Variant(1)}).ToObject(); }
  ObjectRef Shape(int i) { return Page1().Get("Shapes").ToObject().Get("Item", {Variant(i)}).ToObject(); }

  Ref<Application> app_;
  ObjectRef app;
};

TEST_F(DemoTest, CollectionsCountAndIndexLikeVisio) {
  ObjectRef docs = app.Get("Documents").ToObject();
  EXPECT_EQ(docs.Get("Count"), I2(2));
  EXPECT_EQ(Doc(1).Get("Name"), Variant("Demo Drawing.vsdx"));
  EXPECT_EQ(Doc(1).Get("Type"), I2(1));
  EXPECT_EQ(Doc(2).Get("Type"), I2(2));
  EXPECT_TRUE(SameObject(docs.Get("Item", {Variant("demo shapes.vssx")}).ToObject(), Doc(2)));
  for (int bad : {0, 3, -1}) {
    std::string message;
    EXPECT_EQ(CodeOf([&] { docs.Get("Item", {Variant(bad)}); }, &message),
              VisioErrorCode(VisioErrorKind::InvalidDocumentId));
    EXPECT_EQ(message, "\n\nInvalid document identifier.");
  }
  ObjectRef pages = Doc(1).Get("Pages").ToObject();
  EXPECT_EQ(pages.Get("Count"), I2(3));
  EXPECT_EQ(pages.Get("Item", {Variant(3)}).ToObject().Get("Background"), VisBool(true));
  EXPECT_EQ(pages.Get("Item", {Variant(2)}).ToObject().Get("Index"), I2(2));
  EXPECT_TRUE(SameObject(Page1().Get("BackPageAsObj").ToObject(), pages.Get("Item", {Variant(3)}).ToObject()));
  // Index, ID and ObjectType of the first shape.
  ObjectRef first = Shape(1);
  EXPECT_EQ(first.Get("Index"), I2(1));
  EXPECT_EQ(first.Get("ObjectType"), I2(17));
  EXPECT_EQ(first.Get("NameID"), Variant("Sheet." + first.Get("ID").ToString()));
  EXPECT_TRUE(SameObject(Page1().Get("Shapes").ToObject().Get("ItemFromID", {first.Get("ID")}).ToObject(), first));
}

TEST_F(DemoTest, AbsentObjectsAreNothing) {
  Ref<Application> empty = MakeRef<Application>();
  ObjectRef e = empty;
  for (const char* m : {"ActiveDocument", "ActivePage", "ActiveWindow", "CustomMenus"}) {
    const Variant v = e.Get(m);
    EXPECT_EQ(v.type(), VarType::Dispatch) << m;
    EXPECT_FALSE(v.ToObject()) << m;
  }
  EXPECT_EQ(e.Get("Documents").ToObject().Get("Count"), I2(0));
  empty->Quit();
  // A drawn rectangle has no master and no hyperlink.
  ObjectRef rect = Page1().Invoke("DrawRectangle", {Variant(1.0), Variant(1.0), Variant(2.0), Variant(2.0)}).ToObject();
  EXPECT_FALSE(rect.Get("Master").ToObject());
  EXPECT_FALSE(rect.Get("Hyperlink").ToObject());
  EXPECT_TRUE(Shape(1).Get("Master").ToObject());
  EXPECT_TRUE(Shape(1).Get("Hyperlink").ToObject());
}

TEST_F(DemoTest, DeletedObjectsAnswerStatAndRaiseOtherwise) {
  ObjectRef shape = Shape(2);
  ObjectRef shapes = Page1().Get("Shapes").ToObject();
  const int before = shapes.Get("Count").ToInt32();
  shape.Invoke("Delete");
  EXPECT_EQ(shapes.Get("Count").ToInt32(), before - 1);
  EXPECT_EQ(shape.Get("Stat"), I2(kStatDeleted));
  EXPECT_EQ(CodeOf([&] { shape.Get("Name"); }), VisioErrorCode(VisioErrorKind::ObjectDeleted));

  // Closing a document deletes everything in it.
  ObjectRef page = Page1();
  ObjectRef first = Shape(1);
  Doc(1).Invoke("Close");
  EXPECT_EQ(app.Get("Documents").ToObject().Get("Count"), I2(1));
  EXPECT_EQ(page.Get("Stat"), I2(kStatDeleted));
  EXPECT_EQ(first.Get("Stat"), I2(kStatDeleted));
  EXPECT_NE(CodeOf([&] { first.Get("Text"); }), automation::S_OK);
}

TEST_F(DemoTest, InstancesInheritFromTheirMasterShape) {
  ObjectRef order = Shape(1);
  // Owner is inherited from the master's shape; Cost was set on the shape.
  ObjectRef owner = order.Get("Cells", {Variant("Prop.Owner")}).ToObject();
  ObjectRef cost = order.Get("Cells", {Variant("Prop.Cost")}).ToObject();
  EXPECT_EQ(owner.Get("IsInherited"), VisBool(true));
  EXPECT_EQ(cost.Get("IsInherited"), VisBool(false));
  EXPECT_EQ(cost.Get("ResultIU"), Variant(125.5));
  // Section existence: Prop is local (the shape overrides a row), the
  // Connection points only inherited.
  EXPECT_NE(order.Get("SectionExists", {I2(243), I2(-1)}).ToInt32(), 0);
  EXPECT_EQ(order.Get("SectionExists", {I2(7), I2(-1)}).ToInt32(), 0);
  EXPECT_NE(order.Get("SectionExists", {I2(7), I2(0)}).ToInt32(), 0);
  EXPECT_EQ(order.Get("RowCount", {I2(7)}), I2(4));
  // Styles and geometry come from the master too.
  EXPECT_EQ(order.Get("FillStyle"), Variant("Demo Accent"));
  EXPECT_EQ(order.Get("AreaIU"), Variant(1.5));
  EXPECT_EQ(order.Get("LengthIU"), Variant(5.0));
  EXPECT_EQ(order.Get("ProgID"), Variant(""));

  // An edit of the master through Open/Close reaches the instance.
  ObjectRef master = order.Get("Master").ToObject();
  ObjectRef copy = master.Invoke("Open").ToObject();
  EXPECT_EQ(copy.Get("Index"), I2(0));
  ObjectRef masterShape = copy.Get("Shapes").ToObject().Get("Item", {Variant(1)}).ToObject();
  masterShape.Get("Cells", {Variant("Prop.Owner")}).ToObject().Put("FormulaU", Variant("\"Sales\""));
  // Not committed yet.
  EXPECT_EQ(owner.Get("ResultStr", {Variant(0)}), Variant(""));
  copy.Invoke("Close");
  EXPECT_EQ(owner.Get("ResultStr", {Variant(0)}), Variant("Sales"));
  EXPECT_EQ(copy.Get("Stat"), I2(kStatDeleted));
  EXPECT_NE(CodeOf([&] { copy.Invoke("Close"); }), automation::S_OK);
}

// What the edit window does for a cell of a shape inside a group inside a
// master: find the shape's counterpart in an opened copy by walking up to
// the master's page, then down by index.
TEST_F(DemoTest, MasterEditRoundTripForANestedShape) {
  ObjectRef stencil = Doc(2);
  ObjectRef server = stencil.Get("Masters").ToObject().Get("Item", {Variant("Server")}).ToObject();
  ObjectRef group = server.Get("Shapes").ToObject().Get("Item", {Variant(1)}).ToObject();
  ObjectRef bays = group.Get("Shapes").ToObject().Get("Item", {Variant(2)}).ToObject();
  ObjectRef bay = bays.Get("Shapes").ToObject().Get("Item", {Variant(2)}).ToObject();

  EXPECT_TRUE(SameObject(bay.Get("ContainingMaster").ToObject(), server));
  EXPECT_TRUE(SameObject(bay.Get("ContainingShape").ToObject(), bays));
  EXPECT_EQ(bays.Get("ContainingShape").ToObject().Get("ContainingShape").ToObject().Get("Type"),
            I2(1));  // the master's sheet stands for its page
  EXPECT_EQ(bay.Get("Index"), I2(2));

  ObjectRef copy = server.Invoke("Open").ToObject();
  ObjectRef cg = copy.Get("Shapes").ToObject().Get("Item", {Variant(group.Get("Index").ToInt32())}).ToObject();
  ObjectRef cb = cg.Get("Shapes").ToObject().Get("Item", {Variant(bays.Get("Index").ToInt32())}).ToObject();
  ObjectRef cbay = cb.Get("Shapes").ToObject().Get("Item", {Variant(bay.Get("Index").ToInt32())}).ToObject();
  cbay.Get("Cells", {Variant("Width")}).ToObject().Put("FormulaForce", Variant("0.3 in"));
  copy.Invoke("Close");
  EXPECT_EQ(bay.Get("Cells", {Variant("Width")}).ToObject().Get("Formula"), Variant("0.3 in"));
  EXPECT_EQ(bay.Get("Stat"), I2(kStatNormal));  // the same shape, changed

  // A master made to refuse Open.
  InjectFault(dynamic_cast<VisioObject&>(*server), "Open", VisioErrorCode(VisioErrorKind::NoSuchMaster),
              VisioErrorMessage(VisioErrorKind::NoSuchMaster));
  EXPECT_EQ(CodeOf([&] { server.Invoke("Open"); }), VisioErrorCode(VisioErrorKind::NoSuchMaster));
}

TEST_F(DemoTest, CellsSrcGivesTheSameCellObjectTwice) {
  ObjectRef s = Shape(1);
  const std::initializer_list<Variant> src = {I2(1), I2(1), I2(0)};
  ObjectRef a = s.Get("CellsSRC", src).ToObject();
  ObjectRef b = s.Get("CellsSRC", src).ToObject();
  EXPECT_TRUE(SameObject(a, b));
  EXPECT_EQ(a.Get("Name"), Variant("PinX"));
  EXPECT_FALSE(SameObject(a, s.Get("CellsSRC", {I2(1), I2(1), I2(1)}).ToObject()));
}

TEST_F(DemoTest, WindowsDockStencilsAndSelectOneShape) {
  ObjectRef window = app.Get("ActiveWindow").ToObject();
  EXPECT_EQ(window.Get("Type"), I2(1));
  const StringArray docked = window.Get("DockedStencils").ToStringArray();
  ASSERT_EQ(docked.Count(), 1);
  EXPECT_EQ(docked.LBound(), 0);
  EXPECT_EQ(docked.Get(0), Doc(2).Get("FullName").ToString());
  ObjectRef sel = window.Get("Selection").ToObject();
  ASSERT_EQ(sel.Get("Count"), I2(1));
  EXPECT_TRUE(SameObject(sel.Get("Item", {Variant(1)}).ToObject(), Shape(1)));
  EXPECT_TRUE(SameObject(app.Get("ActivePage").ToObject(), Page1()));
  EXPECT_TRUE(SameObject(app.Get("ActiveDocument").ToObject(), Doc(1)));

  // Selecting through the window, and grouping the selection.
  window.Invoke("Select", {Variant(Shape(2)), I2(2)});
  ObjectRef sel2 = window.Get("Selection").ToObject();
  EXPECT_EQ(sel2.Get("Count"), I2(2));
  const int before = Page1().Get("Shapes").ToObject().Get("Count").ToInt32();
  ObjectRef group = sel2.Invoke("Group").ToObject();
  EXPECT_EQ(group.Get("Type"), I2(2));
  EXPECT_EQ(group.Get("Shapes").ToObject().Get("Count"), I2(2));
  EXPECT_EQ(Page1().Get("Shapes").ToObject().Get("Count").ToInt32(), before - 1);
  // The old selection object is a snapshot; the window now selects the group.
  EXPECT_EQ(sel.Get("Count"), I2(1));
  EXPECT_TRUE(SameObject(window.Get("Selection").ToObject().Get("Item", {Variant(1)}).ToObject(), group));
}

TEST_F(DemoTest, ClientsChangeTheDrawing) {
  ObjectRef doc = Doc(1);
  ObjectRef pages = doc.Get("Pages").ToObject();
  ObjectRef added = pages.Invoke("Add").ToObject();
  EXPECT_EQ(pages.Get("Count"), I2(4));
  EXPECT_EQ(added.Get("Index"), I2(3));  // before the background page
  ObjectRef master = Doc(2).Get("Masters").ToObject().Get("Item", {Variant("Process")}).ToObject();
  ObjectRef dropped = added.Invoke("Drop", {Variant(master), Variant(2.0), Variant(3.0)}).ToObject();
  EXPECT_TRUE(SameObject(dropped.Get("Master").ToObject(), master));
  EXPECT_EQ(dropped.Get("Cells", {Variant("PinX")}).ToObject().Get("ResultIU"), Variant(2.0));
  dropped.Put("Text", Variant("Hello"));
  EXPECT_EQ(dropped.Get("Text"), Variant("Hello"));
  dropped.Invoke("AddSection", {I2(242)});
  dropped.Invoke("AddRow", {I2(242), I2(-2), I2(0)});
  EXPECT_EQ(dropped.Get("RowCount", {I2(242)}).ToInt32(), 2);  // the master's row and the new one
  added.Invoke("Delete", {I2(0)});
  EXPECT_EQ(pages.Get("Count"), I2(3));
  EXPECT_EQ(added.Get("Stat"), I2(kStatDeleted));
}

// FindShape answers from an index of the page's shapes: after every kind of
// change to them it must answer as a walk of the shapes does.
TEST_F(DemoTest, FindShapeFollowsShapesAddedDeletedGroupedAndUngrouped) {
  Page& page = dynamic_cast<Page&>(*Page1().get());
  std::function<standin::Shape*(const std::vector<Ref<standin::Shape>>&, std::int16_t)> walk =
      [&](const std::vector<Ref<standin::Shape>>& list, std::int16_t id) -> standin::Shape* {
    for (const auto& s : list) {
      if (s->id() == id) return s.get();
      if (standin::Shape* inner = walk(s->Children(), id)) return inner;
    }
    return nullptr;
  };
  auto agree = [&](const char* step) {
    for (std::int16_t id = 1; id < 40; ++id)
      ASSERT_EQ(page.FindShape(id), walk(page.TopShapes(), id)) << step << ", ID " << id;
    EXPECT_EQ(page.FindShape(0), &page.Sheet());
  };
  agree("as built");
  Ref<standin::Shape> a = page.DrawRectangle(0, 0, 1, 1);
  Ref<standin::Shape> b = page.DrawRectangle(1, 1, 2, 2);
  agree("drawn");
  ASSERT_EQ(page.FindShape(b->id()), b.get());

  Ref<standin::Shape> group = page.NewShape(visTypeGroup, "");
  group->AdoptChild(a);
  group->AdoptChild(b);
  Ref<standin::Shape> inner = group->AddChild(visTypeShape, "");
  agree("grouped");
  ASSERT_EQ(page.FindShape(inner->id()), inner.get());

  const std::int16_t gone = a->id();
  a->Delete();
  agree("a member deleted");
  EXPECT_EQ(page.FindShape(gone), nullptr);
  group->Ungroup();
  agree("ungrouped");
  EXPECT_EQ(page.FindShape(group->id()), nullptr);
  EXPECT_EQ(page.FindShape(b->id()), b.get());
  b->Restack(false);
  inner->Delete();
  agree("restacked and deleted");
}

TEST_F(DemoTest, BusyStateAndInjectedFaults) {
  ObjectRef shape = Shape(1);
  app_->session()->busy = true;
  EXPECT_EQ(CodeOf([&] { app.Get("Documents"); }), automation::RPC_E_CALL_REJECTED);
  EXPECT_EQ(CodeOf([&] { shape.Get("Name"); }), automation::RPC_E_CALL_REJECTED);
  app_->session()->busy = false;
  EXPECT_EQ(shape.Get("Index"), I2(1));

  InjectFault(dynamic_cast<VisioObject&>(*shape), "Text", automation::E_FAIL, "\n\nInjected.");
  std::string message;
  EXPECT_EQ(CodeOf([&] { shape.Get("Text"); }, &message), automation::E_FAIL);
  EXPECT_EQ(message, "\n\nInjected.");
  EXPECT_EQ(shape.Get("Index"), I2(1));
}

TEST(RegistrationTest, StartThenAttachFindsTheSameApplication) {
  automation::Guid clsid;
  ObjectRef obj;
  ASSERT_EQ(automation::GetActiveObject(CLSID_VisioApplication, &obj), automation::MK_E_UNAVAILABLE);
  const std::uint32_t cookie = RegisterVisio({.onStart = [](Application& a) { BuildDemoDrawing(a); }});
  ASSERT_EQ(automation::CLSIDFromProgID("Visio.Application", &clsid), automation::S_OK);
  EXPECT_EQ(clsid.ToString(), "{00021A20-0000-0000-C000-000000000046}");

  ObjectRef created;
  ASSERT_EQ(automation::CoCreateInstance(clsid, automation::CLSCTX_INPROC_SERVER | automation::CLSCTX_LOCAL_SERVER,
                                         automation::IID_IUnknown, &created),
            automation::S_OK);
  EXPECT_EQ(created.Get("Documents").ToObject().Get("Count"), I2(2));
  EXPECT_EQ(created.QueryInterface(IID_IVApplication).get(), created.get());
  const automation::Object* raw = created.get();
  created.Reset();  // releasing every reference does not end Visio
  ASSERT_EQ(automation::GetActiveObject(clsid, &obj), automation::S_OK);
  EXPECT_EQ(obj.get(), raw);
  obj.Invoke("Quit");
  // A reference kept past Quit answers as a server that has gone.
  EXPECT_EQ(CodeOf([&] { obj.Get("Documents"); }), automation::RPC_E_DISCONNECTED);
  obj.Reset();
  EXPECT_EQ(automation::GetActiveObject(clsid, &obj), automation::MK_E_UNAVAILABLE);
  UnregisterVisio(cookie);
  EXPECT_EQ(automation::CLSIDFromProgID("visio.application", &clsid), automation::CO_E_CLASSSTRING);
}

// A program's own Visio (Tarvel's or tarvel-tree's without a bus) starts
// with the demo drawing and the drawings given; one that does not open is
// told with the name given and Visio's message, and the others still open.
TEST(RegistrationTest, AProgramsOwnVisioStartsWithTheDemoAndTheDrawingsGiven) {
  const std::string missing = "no-such-drawing.vsdx";
  std::vector<std::string> files = {missing};
  const std::string drawing = tarvel_test::SharedFile("vsdx/aspose_Layers_Drawing1.vsdx");
  const bool haveDrawing = !drawing.empty();
  if (haveDrawing) files.push_back(drawing);
  std::vector<std::string> failures;
  const auto failed = [&](const std::string& file, const std::string& message) {
    failures.push_back(file + ": " + message);
  };
  const auto documentCount = [](const Ref<Application>& app) {
    return ObjectRef(app).Get("Documents").ToObject().Get("Count").ToInt32();
  };

  Ref<Application> app = StartVisio(StartWithDrawings(files, true, failed));
  EXPECT_EQ(failures, std::vector<std::string>{missing + ": \n\nFile not found: " + missing});
  EXPECT_EQ(documentCount(app), haveDrawing ? 3 : 2);  // the demo's two, and the drawing
  app->Quit();

  // Without the demo only the drawings open; with neither, nothing.
  app = StartVisio(StartWithDrawings(files, false, failed));
  EXPECT_EQ(failures.size(), 2u);
  EXPECT_EQ(documentCount(app), haveDrawing ? 1 : 0);
  app->Quit();
  app = StartVisio(StartWithDrawings({}, false, failed));
  EXPECT_EQ(documentCount(app), 0);
  app->Quit();
}

}  // namespace
}  // namespace standin
