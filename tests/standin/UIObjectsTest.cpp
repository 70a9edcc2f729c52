// Visio's user-interface objects as a client sees them: the built-in
// menus, toolbars, status bars and accelerators, 0-based collections with
// their set IDs, adding and deleting, copies, and the file form.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "standin/Application.h"
#include "standin/UIObjects.h"
#include "tests/standin/InterfaceRows.h"

namespace standin {
namespace {

using automation::SameObject;
using testrows::Failure;
using testrows::FailureOf;

ObjectRef Obj(const Variant& v) {
  return v.ToObject();
}
ObjectRef Item(const ObjectRef& list, int i) {
  return Obj(list.Get("Item", {Variant(i)}));
}

std::vector<std::string> Captions(const ObjectRef& list, const char* member = "Caption") {
  std::vector<std::string> out;
  const int n = list.Get("Count").ToInt32();
  for (int i = 0; i < n; ++i) out.push_back(Item(list, i).Get(member).ToString());
  return out;
}

class UIObjectsTest : public ::testing::Test {
 protected:
  ObjectRef MenuSet(int id) {
    return Obj(Obj(menus.Get("MenuSets")).Get("ItemAtID", {Variant(id)}));
  }
  ObjectRef DrawingMenus() { return Obj(MenuSet(visUIObjSetDrawing).Get("Menus")); }
  ObjectRef ToolbarsOf(int setId) {
    return Obj(
        Obj(Obj(toolbars.Get("ToolbarSets")).Get("ItemAtID", {Variant(setId)})).Get("Toolbars"));
  }

  Ref<Application> app = MakeRef<Application>();
  ObjectRef menus = MakeBuiltInMenus(app->session());
  ObjectRef toolbars = MakeBuiltInToolbars(app->session(), visToolBarMSOffice);
};

TEST_F(UIObjectsTest, DrawingMenuSetHoldsVisiosMenusAndCommands) {
  ObjectRef drawing = MenuSet(visUIObjSetDrawing);
  EXPECT_EQ(drawing.Get("SetID"), I4(visUIObjSetDrawing));
  EXPECT_EQ(drawing.Get("Caption"), Variant("Drawing"));
  EXPECT_EQ(Captions(DrawingMenus()),
            (std::vector<std::string>{"&File", "&Edit", "&View", "&Insert", "F&ormat", "&Tools",
                                      "&Shape", "&Window", "&Help"}));

  ObjectRef fileItems = Obj(Item(DrawingMenus(), 0).Get("MenuItems"));
  ObjectRef open = Item(fileItems, 1);
  EXPECT_EQ(open.Get("Caption"), Variant("&Open..."));
  EXPECT_EQ(open.Get("CmdNum"), I2(1002));  // visCmdFileOpen
  EXPECT_EQ(open.Get("Index"), I4(1));
  EXPECT_EQ(open.Get("ActionText"), Variant("Open"));
  EXPECT_EQ(open.Get("IsSeparator"), VisBool(false));
  EXPECT_EQ(open.Get("IsHierarchical"), VisBool(false));
  EXPECT_EQ(Item(fileItems, 4).Get("IsSeparator"), VisBool(true));

  // File > Send To is a submenu; its collection's parent is the item.
  ObjectRef sendTo = Item(fileItems, 15);
  EXPECT_EQ(sendTo.Get("Caption"), Variant("Sen&d To"));
  EXPECT_EQ(sendTo.Get("CmdNum"), I2(visCmdHierarchical));
  EXPECT_EQ(sendTo.Get("IsHierarchical"), VisBool(true));
  ObjectRef sub = Obj(sendTo.Get("MenuItems"));
  EXPECT_EQ(Captions(sub), (std::vector<std::string>{"&Mail Recipient...", "&Routing Recipient...",
                                                     "&Exchange Folder..."}));
  EXPECT_TRUE(SameObject(Obj(sub.Get("Parent")), sendTo));

  // Only the Window menu lists the open windows.
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(Item(DrawingMenus(), i).Get("MDIWindowMenu"), VisBool(i == 7)) << i;
  }
}

TEST_F(UIObjectsTest, EveryCollectionCountsFromZeroAndRefusesOtherIndices) {
  ObjectRef toolbarSet = Obj(Obj(toolbars.Get("ToolbarSets")).Get("ItemAtID", {Variant(2)}));
  ObjectRef statusBar = Obj(Obj(toolbars.Get("StatusBars")).Get("ItemAtID", {Variant(2)}));
  ObjectRef accelTable = Obj(Obj(menus.Get("AccelTables")).Get("ItemAtID", {Variant(2)}));
  struct Case {
    const char* what;
    ObjectRef list;
    bool indexed;  // its items have an Index property
  };
  const Case cases[] = {
      {"MenuSets", Obj(menus.Get("MenuSets")), false},
      {"Menus", DrawingMenus(), true},
      {"MenuItems", Obj(Item(DrawingMenus(), 1).Get("MenuItems")), true},
      {"ToolbarSets", Obj(toolbars.Get("ToolbarSets")), false},
      {"Toolbars", Obj(toolbarSet.Get("Toolbars")), true},
      {"ToolbarItems", Obj(Item(Obj(toolbarSet.Get("Toolbars")), 0).Get("ToolbarItems")), true},
      {"StatusBars", Obj(toolbars.Get("StatusBars")), false},
      {"StatusBarItems", Obj(statusBar.Get("StatusBarItems")), true},
      {"AccelTables", Obj(menus.Get("AccelTables")), false},
      {"AccelItems", Obj(accelTable.Get("AccelItems")), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Variant count = c.list.Get("Count");
    ASSERT_EQ(count.type(), VarType::I4);
    ASSERT_GE(count.ToInt32(), 3);
    const int last = count.ToInt32() - 1;
    EXPECT_TRUE(SameObject(Obj(Item(c.list, last).Get("Parent")), c.list));
    if (c.indexed) {
      EXPECT_EQ(Item(c.list, last).Get("Index"), I4(last));
    }
    for (int bad : {-1, last + 1}) {
      const Failure f = FailureOf([&] { c.list.Get("Item", {Variant(bad)}); });
      EXPECT_EQ(f.code, VisioErrorCode(VisioErrorKind::InvalidParameter)) << bad;
      EXPECT_EQ(f.message, "\n\nInvalid parameter.");
    }
  }
}

TEST_F(UIObjectsTest, SetsAreFoundByIdAndNewSetsTakeFreeIds) {
  ObjectRef sets = Obj(menus.Get("MenuSets"));
  std::vector<int> ids;
  for (int i = 0; i < sets.Get("Count").ToInt32(); ++i) {
    ids.push_back(Item(sets, i).Get("SetID").ToInt32());
  }
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4, 7, 9, 11}));
  EXPECT_EQ(FailureOf([&] { sets.Get("ItemAtID", {Variant(0)}); }).code,
            VisioErrorCode(VisioErrorKind::InvalidParameter));
  EXPECT_EQ(FailureOf([&] { sets.Get("ItemAtID", {Variant(visUIObjSetIcon)}); }).code,
            VisioErrorCode(VisioErrorKind::InvalidParameter));

  ObjectRef icon = Obj(sets.Invoke("AddAtID", {Variant(visUIObjSetIcon)}));
  EXPECT_EQ(icon.Get("SetID"), I4(visUIObjSetIcon));
  EXPECT_EQ(Obj(icon.Get("Menus")).Get("Count"), I4(0));
  EXPECT_TRUE(SameObject(Obj(sets.Get("ItemAtID", {Variant(visUIObjSetIcon)})), icon));
  EXPECT_EQ(FailureOf([&] { sets.Invoke("AddAtID", {Variant(visUIObjSetDrawing)}); }).code,
            VisioErrorCode(VisioErrorKind::InvalidParameter));
  EXPECT_EQ(Obj(sets.Invoke("Add")).Get("SetID"), I4(12));
  EXPECT_EQ(sets.Get("Count"), I4(9));
}

TEST_F(UIObjectsTest, AddAtAndDeleteRenumberTheItems) {
  ObjectRef items = Obj(Item(DrawingMenus(), 0).Get("MenuItems"));
  const int before = items.Get("Count").ToInt32();
  ObjectRef first = Item(items, 0);

  ObjectRef added = Obj(items.Invoke("AddAt", {Variant(0)}));
  added.Put("Caption", Variant("&Recent"));
  added.Put("AddOnName", Variant("Organization Chart Wizard"));
  EXPECT_EQ(items.Get("Count"), I4(before + 1));
  EXPECT_EQ(added.Get("Index"), I4(0));
  EXPECT_EQ(first.Get("Index"), I4(1));
  // An added item is no built-in one: it has no default text.
  EXPECT_EQ(added.Get("BuiltIn"), VisBool(false));
  EXPECT_EQ(added.Get("Default"), Variant(""));
  EXPECT_EQ(Obj(items.Invoke("Add")).Get("Index"), I4(before + 1));
  EXPECT_EQ(FailureOf([&] { items.Invoke("AddAt", {Variant(before + 3)}); }).code,
            VisioErrorCode(VisioErrorKind::InvalidParameter));

  first.Invoke("Delete");
  EXPECT_EQ(items.Get("Count"), I4(before + 1));
  EXPECT_EQ(Item(items, 1).Get("Caption"), Variant("&Open..."));
  // A deleted UI object fails every member; it has no Stat to ask.
  const Failure f = FailureOf([&] { first.Get("Caption"); });
  EXPECT_EQ(f.code, VisioErrorCode(VisioErrorKind::ObjectDeleted));
  EXPECT_EQ(f.message, "\n\nObject has been deleted.");
  EXPECT_EQ(FailureOf([&] { first.Get("Stat"); }).code, automation::DISP_E_MEMBERNOTFOUND);
}

TEST_F(UIObjectsTest, DeletingAContainerDeletesWhatItHolds) {
  ObjectRef file = Item(DrawingMenus(), 0);
  ObjectRef items = Obj(file.Get("MenuItems"));
  ObjectRef sendTo = Item(items, 15);
  ObjectRef mail = Item(Obj(sendTo.Get("MenuItems")), 0);
  file.Invoke("Delete");
  EXPECT_EQ(DrawingMenus().Get("Count"), I4(8));
  for (const ObjectRef& gone : {items, sendTo, mail}) {
    EXPECT_EQ(FailureOf([&] { gone.Get("Count"); }).code,
              VisioErrorCode(VisioErrorKind::ObjectDeleted));
  }

  // Objects held by a client outlive the UI object they came from, but only
  // as deleted objects.
  ObjectRef accel = Item(Obj(Item(Obj(menus.Get("AccelTables")), 0).Get("AccelItems")), 0);
  menus.Reset();
  EXPECT_EQ(FailureOf([&] { accel.Get("Key"); }).code,
            VisioErrorCode(VisioErrorKind::ObjectDeleted));
}

TEST_F(UIObjectsTest, CaptionsChangeButDefaultsKeepWhatVisioShipped) {
  ObjectRef edit = Item(DrawingMenus(), 1);
  edit.Put("Caption", Variant("&Bearbeiten"));
  EXPECT_EQ(edit.Get("Caption"), Variant("&Bearbeiten"));
  EXPECT_EQ(edit.Get("Default"), Variant("&Edit"));
  EXPECT_EQ(FailureOf([&] { edit.Put("Default", Variant("x")); }).code,
            automation::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(FailureOf([&] { edit.Put("Index", I4(3)); }).code, automation::DISP_E_MEMBERNOTFOUND);
  // Values convert as OLE converts them.
  ObjectRef undo = Item(Obj(edit.Get("MenuItems")), 0);
  undo.Put("CmdNum", Variant("1018"));
  EXPECT_EQ(undo.Get("CmdNum"), I2(1018));
  EXPECT_EQ(FailureOf([&] { undo.Put("CmdNum", Variant("redo")); }).code,
            automation::DISP_E_TYPEMISMATCH);
}

TEST_F(UIObjectsTest, ToolbarsAndStatusBarsCarryTheirControls) {
  EXPECT_EQ(toolbars.Get("Name"), Variant("Built-In Toolbars"));
  EXPECT_EQ(toolbars.Get("Flavor"), I2(visToolBarMSOffice));
  EXPECT_EQ(Obj(toolbars.Get("MenuSets")).Get("Count"), I4(0));
  EXPECT_EQ(Obj(menus.Get("ToolbarSets")).Get("Count"), I4(0));
  EXPECT_EQ(Captions(ToolbarsOf(visUIObjSetDrawing)),
            (std::vector<std::string>{"Standard", "Formatting", "Drawing", "Shape", "Developer"}));

  ObjectRef formatting = Obj(Item(ToolbarsOf(visUIObjSetDrawing), 1).Get("ToolbarItems"));
  struct Expected {
    int index;
    const char* action;
    int cmd, ctrlId, type, spacing, ts1, ts2;
  };
  const Expected rows[] = {
      // The font name box: visCtrlIDFONTCOMBO, a combo box 120 wide.
      {1, "Font", 1129, 205, visCtrlTypeCOMBOBOX, visCtrlSpacingFIXED_BEFORE, 120, 0},
      // Bold: a two-state button with its icon, visIconIXBOLD.
      {3, "Bold", 1131, 50, visCtrlTypeSTATE_BUTTON, visCtrlSpacingFIXED_BEFORE, 50, 0},
      {4, "Italic", 1132, 51, visCtrlTypeSTATE_BUTTON, visCtrlSpacingNONE, 51, 0},
      // Fill colour opens the fill colour palette.
      {11, "Fill Color", 1385, 43, visCtrlTypePALETTEBUTTON, visCtrlSpacingFIXED_BEFORE, 43,
       visUIObjSetPal_FillColors},
  };
  for (const Expected& e : rows) {
    SCOPED_TRACE(e.action);
    ObjectRef item = Item(formatting, e.index);
    EXPECT_EQ(item.Get("ActionText"), Variant(e.action));
    EXPECT_EQ(item.Get("CmdNum"), I2(e.cmd));
    EXPECT_EQ(item.Get("CntrlID"), I2(e.ctrlId));
    EXPECT_EQ(item.Get("CntrlType"), I2(e.type));
    EXPECT_EQ(item.Get("Spacing"), I2(e.spacing));
    EXPECT_EQ(item.Get("TypeSpecific1"), I2(e.ts1));
    EXPECT_EQ(item.Get("TypeSpecific2"), I2(e.ts2));
  }

  ObjectRef status =
      Obj(Obj(Obj(toolbars.Get("StatusBars")).Get("ItemAtID", {Variant(2)})).Get("StatusBarItems"));
  EXPECT_EQ(Captions(status, "ActionText"),
            (std::vector<std::string>{"Ready", "Width", "Height", "Angle", "Page"}));
  EXPECT_EQ(Item(status, 0).Get("CntrlType"), I2(visCtrlTypeMESSAGE));
  EXPECT_EQ(Item(status, 0).Get("CntrlID"), I2(500));  // visCtrlIDSTATUSREADOUT
}

TEST_F(UIObjectsTest, FlavorsOtherThanVisiosAreRefused) {
  EXPECT_EQ(MakeBuiltInToolbars(app->session(), visToolBarLotusSS)->Flavor(), visToolBarLotusSS);
  EXPECT_EQ(FailureOf([&] { MakeBuiltInToolbars(app->session(), 2); }).code,
            VisioErrorCode(VisioErrorKind::InvalidParameter));
  EXPECT_EQ(FailureOf([&] { toolbars.Put("Flavor", I2(-1)); }).code,
            VisioErrorCode(VisioErrorKind::InvalidParameter));
  toolbars.Put("Flavor", I2(visToolBarLotusSS));
  EXPECT_EQ(toolbars.Get("Flavor"), I2(visToolBarLotusSS));
}

TEST_F(UIObjectsTest, AcceleratorsNameKeysAndModifiers) {
  ObjectRef table = Obj(Obj(menus.Get("AccelTables")).Get("ItemAtID", {Variant(2)}));
  EXPECT_EQ(table.Get("TableName"), Variant("Drawing"));
  ObjectRef items = Obj(table.Get("AccelItems"));
  ObjectRef copy;
  ObjectRef altF11;
  for (int i = 0; i < items.Get("Count").ToInt32(); ++i) {
    ObjectRef a = Item(items, i);
    if (a.Get("CmdNum") == I2(1021)) copy = a;    // visCmdUFEditCopy
    if (a.Get("CmdNum") == I2(1576)) altF11 = a;  // visCmdToolsRunVBE
  }
  ASSERT_TRUE(copy && altF11);
  EXPECT_EQ(copy.Get("Key"), I2('C'));
  EXPECT_EQ(copy.Get("Control"), VisBool(true));
  EXPECT_EQ(copy.Get("Alt"), VisBool(false));
  EXPECT_EQ(copy.Get("Shift"), VisBool(false));
  EXPECT_EQ(copy.Get("Default"), VisBool(true));
  EXPECT_EQ(altF11.Get("Key"), I2(122));  // VK_F11
  EXPECT_EQ(altF11.Get("Alt"), VisBool(true));

  ObjectRef added = Obj(items.Invoke("Add"));
  EXPECT_EQ(added.Get("Default"), VisBool(false));
  EXPECT_EQ(added.Get("Key"), I2(0));
  // Accelerators have no order of their own to insert at.
  EXPECT_EQ(FailureOf([&] { items.Invoke("AddAt", {Variant(0)}); }).code,
            automation::DISP_E_MEMBERNOTFOUND);
}

TEST_F(UIObjectsTest, CloneIsADeepIndependentCopy) {
  ObjectRef clone = Obj(menus.Invoke("Clone"));
  ASSERT_FALSE(SameObject(clone, menus));
  EXPECT_EQ(clone.Get("Name"), Variant("Built-In Menus"));
  ObjectRef cloneEdit =
      Item(Obj(Obj(Obj(clone.Get("MenuSets")).Get("ItemAtID", {Variant(2)})).Get("Menus")), 1);
  cloneEdit.Put("Caption", Variant("&Changed"));
  Obj(cloneEdit.Get("MenuItems")).Invoke("Add");
  EXPECT_EQ(Item(DrawingMenus(), 1).Get("Caption"), Variant("&Edit"));
  EXPECT_EQ(Obj(Item(DrawingMenus(), 1).Get("MenuItems")).Get("Count"),
            Obj(cloneEdit.Get("MenuItems")).Get("Count").ToInt32() - 1);
  EXPECT_EQ(cloneEdit.Get("Default"), Variant("&Edit"));
  EXPECT_TRUE(SameObject(Obj(Obj(clone.Get("MenuSets")).Get("Parent")), clone));

  // SetCustomMenus takes such a copy; it refuses what is no UI object.
  Ref<UIObject> custom = CloneUIObject(*clone);
  EXPECT_EQ(custom->MenuSetsOf().AtId(2).MenusOf().At(1).StoredValue("Caption"),
            Variant("&Changed"));
  EXPECT_EQ(FailureOf([&] { CloneUIObject(*app); }).code,
            VisioErrorCode(VisioErrorKind::InvalidParameter));
}

TEST_F(UIObjectsTest, NewEnumWalksASnapshotOfTheItems) {
  ObjectRef list = DrawingMenus();
  const Variant e = list.Get("_NewEnum");
  ASSERT_EQ(e.type(), VarType::Unknown);
  ObjectRef en = e.ToObject();
  std::vector<std::string> seen;
  for (Variant v = en.Invoke("Next"); !v.IsEmpty(); v = en.Invoke("Next")) {
    seen.push_back(v.ToObject().Get("Caption").ToString());
  }
  EXPECT_EQ(seen, Captions(list));
  en.Invoke("Reset");
  EXPECT_EQ(en.Invoke("Skip", {Variant(8)}), VisBool(true));
  EXPECT_EQ(en.Invoke("Next").ToObject().Get("Caption"), Variant("&Help"));
  EXPECT_EQ(en.Invoke("Skip", {Variant(1)}), VisBool(false));
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

class UIFileTest : public UIObjectsTest {
 protected:
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() /
      ("tarvel-ui-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
  std::string PathOf(const char* name) {
    std::filesystem::create_directories(dir);
    return (dir / name).string();
  }
};

TEST_F(UIFileTest, SavedObjectsLoadBackWithTheirChanges) {
  ObjectRef tabbed = Item(Obj(Item(DrawingMenus(), 0).Get("MenuItems")), 0);
  tabbed.Put("Caption", Variant("Line\tone\\two"));
  tabbed.Put("MiniHelp", Variant("Makes a\nnew drawing"));
  Obj(Obj(menus.Get("MenuSets")).Invoke("AddAtID", {Variant(20)})).Put("Caption", Variant("Mine"));
  const std::string path = PathOf("menus.txt");
  menus.Invoke("SaveToFile", {Variant(path)});

  ObjectRef other = MakeBuiltInToolbars(app->session(), visToolBarLotusSS);
  other.Invoke("LoadFromFile", {Variant(path)});
  EXPECT_EQ(other.Get("Name"), Variant("Built-In Menus"));
  EXPECT_EQ(other.Get("Flavor"), I2(visToolBarMSOffice));
  EXPECT_EQ(Obj(other.Get("ToolbarSets")).Get("Count"), I4(0));
  ObjectRef sets = Obj(other.Get("MenuSets"));
  EXPECT_EQ(sets.Get("Count"), I4(8));
  EXPECT_EQ(Obj(sets.Get("ItemAtID", {Variant(20)})).Get("Caption"), Variant("Mine"));
  ObjectRef loadedFile = Item(Obj(Obj(sets.Get("ItemAtID", {Variant(2)})).Get("Menus")), 0);
  ObjectRef loaded = Item(Obj(loadedFile.Get("MenuItems")), 0);
  EXPECT_EQ(loaded.Get("Caption"), Variant("Line\tone\\two"));
  EXPECT_EQ(loaded.Get("MiniHelp"), Variant("Makes a\nnew drawing"));
  EXPECT_EQ(loaded.Get("Default"), Variant("&New"));
  EXPECT_EQ(Obj(Item(Obj(loadedFile.Get("MenuItems")), 15).Get("MenuItems")).Get("Count"), I4(3));
  EXPECT_EQ(Obj(Obj(other.Get("AccelTables")).Get("ItemAtID", {Variant(2)})).Get("TableName"),
            Variant("Drawing"));
}

TEST_F(UIFileTest, ABadFileIsRefusedAndChangesNothing) {
  const std::string path = PathOf("bad.txt");
  const std::string good = "Visio UI objects, text form 1\n{IVUIObject\nName\tx\n";
  const struct {
    const char* what;
    std::string text;
    std::string message;
  } cases[] = {
      {"no header", "{IVUIObject\n}\n", "line 1: unknown form"},
      {"unknown part", good + "{IVToolbar\n}\n}\n", "line 4: unexpected IVToolbar"},
      {"unknown value", good + "Colour\tred\n}\n", "line 4: unknown value Colour"},
      {"bad number", good + "Flavor\tfive\n}\n", "line 4: bad value for Flavor"},
      {"cut short", good, "line 3: unexpected end"},
      {"nested too deep",
       good + "{IVMenuSets\n{IVMenuSet\n{IVMenus\n{IVMenu\n{IVMenuItems\n" +
           Repeat("{IVMenuItem\n{IVMenuItems\n", 40),
       "line 67: nested more than 64 deep"},
      {"too large", good + "Name\t" + std::string(std::size_t{16} << 20, 'x') + "\n}\n",
       "line 4: larger than 16 MiB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << c.text;
    const Failure f = FailureOf([&] { menus.Invoke("LoadFromFile", {Variant(path)}); });
    EXPECT_EQ(f.code, VisioErrorCode(VisioErrorKind::InvalidParameter));
    EXPECT_EQ(f.message,
              "\n\nThe file " + path + " is not a menu and toolbar file (" + c.message + ").");
    EXPECT_EQ(menus.Get("Name"), Variant("Built-In Menus"));
    EXPECT_EQ(Obj(menus.Get("MenuSets")).Get("Count"), I4(7));
  }
  EXPECT_EQ(FailureOf([&] { menus.Invoke("LoadFromFile", {Variant(PathOf("none.txt"))}); }).code,
            VisioErrorCode(VisioErrorKind::FileNotFound));
}

TEST_F(UIObjectsTest, EveryMemberTheTreeReadsAnswersWithItsType) {
  ObjectRef menuSets = Obj(menus.Get("MenuSets"));
  ObjectRef menuSet = Obj(menuSets.Get("ItemAtID", {Variant(2)}));
  ObjectRef menuItems = Obj(Item(DrawingMenus(), 0).Get("MenuItems"));
  ObjectRef toolbarSets = Obj(toolbars.Get("ToolbarSets"));
  ObjectRef toolbarSet = Item(toolbarSets, 1);
  ObjectRef toolbarItems = Obj(Item(ToolbarsOf(2), 1).Get("ToolbarItems"));
  ObjectRef statusBars = Obj(toolbars.Get("StatusBars"));
  ObjectRef statusItems = Obj(Item(statusBars, 1).Get("StatusBarItems"));
  ObjectRef accelTables = Obj(menus.Get("AccelTables"));
  ObjectRef accelItems = Obj(Item(accelTables, 1).Get("AccelItems"));
  const std::pair<const char*, ObjectRef> samples[] = {
      {"IVUIObject", menus},
      {"IVUIObject", toolbars},
      {"IVMenuSets", menuSets},
      {"IVMenuSet", menuSet},
      {"IVMenus", DrawingMenus()},
      {"IVMenu", Item(DrawingMenus(), 0)},
      {"IVMenuItems", menuItems},
      {"IVMenuItem", Item(menuItems, 1)},
      {"IVMenuItem", Item(menuItems, 15)},
      {"IVToolbarSets", toolbarSets},
      {"IVToolbarSet", toolbarSet},
      {"IVToolbars", ToolbarsOf(2)},
      {"IVToolbar", Item(ToolbarsOf(2), 1)},
      {"IVToolbarItems", toolbarItems},
      {"IVToolbarItem", Item(toolbarItems, 1)},
      {"IVStatusBars", statusBars},
      {"IVStatusBar", Item(statusBars, 1)},
      {"IVStatusBarItems", statusItems},
      {"IVStatusBarItem", Item(statusItems, 0)},
      {"IVAccelTables", accelTables},
      {"IVAccelTable", Item(accelTables, 1)},
      {"IVAccelItems", accelItems},
      {"IVAccelItem", Item(accelItems, 0)},
  };
  for (const auto& [iface, obj] : samples) {
    EXPECT_EQ(testrows::CheckInterfaceRows(iface, obj), std::vector<std::string>{}) << iface;
  }
}

}  // namespace
}  // namespace standin
