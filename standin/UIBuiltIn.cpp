// The interface Visio ships: its menu sets, toolbar sets, status bars and
// accelerator tables as data, and the factories that build a fresh copy
// of them for BuiltInMenus and BuiltInToolbars.
#include <cstdint>
#include <string>
#include <vector>

#include "standin/UIObjects.h"

namespace standin {

namespace {

// A menu item: a caption starting with '>' is an item of the submenu of
// the item before it; an empty caption with command 0 is a separator.
struct ItemDef {
  const char* caption;
  std::int16_t cmd;
};

struct MenuDef {
  const char* caption;
  std::vector<ItemDef> items;
  bool windowMenu = false;
};

struct MenuSetDef {
  std::int16_t id;
  const char* caption;
  std::vector<MenuDef> menus;
};

constexpr ItemDef kSeparator{"", 0};

MenuDef HelpMenu() {
  return {"&Help",
          {{"Microsoft Visio &Help", 1092},
           {"&Developer Reference", 1584},
           {"What's &This?", 1386},
           kSeparator,
           {"&About Microsoft Visio", 1100}}};
}

MenuDef WindowMenu() {
  return {"&Window",
          {{"&New Window", 1085},
           {"&Cascade", 1086},
           {"&Tile", 1087},
           kSeparator,
           {"Show Shape&Sheet", 1088}},
          true};
}

MenuDef ToolsMenuShort() {
  return {
      "&Tools",
      {{"&Macros...", 1577}, {"&Visual Basic Editor", 1576}, kSeparator, {"&Options...", 1081}}};
}

std::vector<MenuSetDef> MenuSetDefs() {
  const MenuDef drawingFile{"&File",
                            {{"&New", 1001},
                             {"&Open...", 1002},
                             {"Open &Stencil...", 1442},
                             {"&Close", 1003},
                             kSeparator,
                             {"&Save", 1004},
                             {"Save &As...", 1005},
                             {"Save &Workspace...", 1006},
                             kSeparator,
                             {"Propert&ies...", 1009},
                             kSeparator,
                             {"Page Set&up...", 1076},
                             {"Print Pre&view", 1490},
                             {"&Print...", 1010},
                             kSeparator,
                             {"Sen&d To", visCmdHierarchical},
                             {">&Mail Recipient...", 1292},
                             {">&Routing Recipient...", 1588},
                             {">&Exchange Folder...", 1589},
                             kSeparator,
                             {"E&xit", 1016}}};
  const MenuDef drawingEdit{"&Edit",
                            {{"&Undo", 1017},
                             {"&Redo", 1018},
                             kSeparator,
                             {"Cu&t", 1020},
                             {"&Copy", 1021},
                             {"&Paste", 1022},
                             {"Paste &Special...", 1027},
                             {"Paste as &Hyperlink", 1620},
                             kSeparator,
                             {"Cl&ear", 1023},
                             {"D&uplicate", 1024},
                             {"Select &All", 1025},
                             {"Select by &Type...", 1026},
                             kSeparator,
                             {"&Find...", 1043},
                             {"R&eplace...", 1179},
                             kSeparator,
                             {"Lin&ks...", 1030}}};
  const MenuDef drawingView{"&View",
                            {{"&Whole Page", 1033},
                             {"&Zoom", visCmdHierarchical},
                             {">&50%", 1279},
                             {">&75%", 1034},
                             {">&100%", 1035},
                             {">15&0%", 1036},
                             {">&200%", 1037},
                             {">&400%", 1280},
                             {">&Last Zoom", 1495},
                             kSeparator,
                             {"&Rulers", 1039},
                             {"&Grid", 1040},
                             {"G&uides", 1041},
                             {"Connection &Points", 1042},
                             {"Page &Breaks", 1509},
                             kSeparator,
                             {"&Toolbars...", 1500},
                             {"&Status Bar", 1044},
                             {"&Full Screen", 1492}}};
  const MenuDef drawingInsert{"&Insert",
                              {{"New &Page...", 1078},
                               kSeparator,
                               {"&Object...", 1031},
                               {"&Field...", 1032},
                               {"&Control...", 1522},
                               {"&Hyperlinks...", 1585}}};
  const MenuDef drawingFormat{"F&ormat",
                              {{"&Text...", 1067},
                               {"&Line...", 1065},
                               {"&Fill...", 1066},
                               {"S&hadow...", 1333},
                               {"&Corner Rounding...", 1334},
                               kSeparator,
                               {"St&yle...", 1063},
                               {"&Define Styles...", 1064},
                               kSeparator,
                               {"&Behavior...", 1071},
                               {"&Protection...", 1072},
                               {"Spe&cial...", 1073},
                               {"Double-Clic&k...", 1118}}};
  const MenuDef drawingTools{"&Tools",
                             {{"&Spelling...", 1270},
                              kSeparator,
                              {"Snap && &Glue...", 1084},
                              {"&Ruler && Grid...", 1318},
                              {"&Layer Properties...", 1448},
                              {"La&yout Shapes...", 1574},
                              kSeparator,
                              {"&Macros...", 1577},
                              {"&Visual Basic Editor", 1576},
                              kSeparator,
                              {"Color &Palette...", 1082},
                              {"Protect &Document...", 1083},
                              {"&Options...", 1081}}};
  const MenuDef drawingShape{"&Shape",
                             {{"&Group", 1051},
                              {"&Ungroup", 1052},
                              {"&Add to Group", 1053},
                              {"&Remove from Group", 1054},
                              {"Con&vert to Group", 1055},
                              kSeparator,
                              {"Bring to &Front", 1046},
                              {"Bring For&ward", 1045},
                              {"Send to &Back", 1048},
                              {"Send Back&ward", 1047},
                              kSeparator,
                              {"Rotate &Left", 1056},
                              {"Rotate R&ight", 1494},
                              {"Flip &Vertical", 1057},
                              {"Flip &Horizontal", 1058},
                              kSeparator,
                              {"&Align Shapes...", 1049},
                              {"&Distribute Shapes...", 1230},
                              {"C&onnect Shapes", 1050},
                              kSeparator,
                              {"O&perations", visCmdHierarchical},
                              {">&Union", 1060},
                              {">&Combine", 1061},
                              {">&Fragment", 1062},
                              {">&Intersect", 1453},
                              {">&Subtract", 1454},
                              {">&Join", 1533},
                              {">&Trim", 1534},
                              {">&Offset...", 1387},
                              {">Fit &Curve...", 1538},
                              {">&Reverse Ends", 1059}}};
  const MenuDef shortEdit{"&Edit",
                          {{"&Undo", 1017},
                           kSeparator,
                           {"Cu&t", 1020},
                           {"&Copy", 1021},
                           {"&Paste", 1022},
                           {"Cl&ear", 1023},
                           {"Select &All", 1025}}};
  const MenuDef shortFile{"&File",
                          {{"&Close", 1003},
                           {"&Save", 1004},
                           {"Save &As...", 1005},
                           kSeparator,
                           {"&Print...", 1010},
                           kSeparator,
                           {"E&xit", 1016}}};

  return {
      {visUIObjSetNoDocument,
       "No Document",
       {{"&File",
         {{"&New", 1001},
          {"&Open...", 1002},
          {"Open &Stencil...", 1442},
          kSeparator,
          {"E&xit", 1016}}},
        ToolsMenuShort(),
        HelpMenu()}},
      {visUIObjSetDrawing,
       "Drawing",
       {drawingFile, drawingEdit, drawingView, drawingInsert, drawingFormat, drawingTools,
        drawingShape, WindowMenu(), HelpMenu()}},
      {visUIObjSetStencil,
       "Stencil",
       {{"&File",
         {{"&New Stencil", 1582},
          {"&Open...", 1002},
          {"&Close", 1003},
          kSeparator,
          {"&Save", 1004},
          {"Save &As...", 1005},
          {"Propert&ies...", 1009},
          kSeparator,
          {"&Print...", 1010},
          kSeparator,
          {"E&xit", 1016}}},
        {"&Edit",
         {{"&Undo", 1017},
          kSeparator,
          {"Cu&t", 1020},
          {"&Copy", 1021},
          {"&Paste", 1022},
          {"Cl&ear", 1023},
          {"D&uplicate", 1024},
          {"Select &All", 1025},
          kSeparator,
          {"Edit &Icon Image", 1101},
          {"Edit &Drawing", 1102}}},
        {"&View",
         {{"Icons &and Names", 1480},
          {"&Icons Only", 1481},
          {"&Names Only", 1482},
          kSeparator,
          {"A&rrange Icons", 1483}}},
        {"&Masters",
         {{"&New Master...", 1104},
          {"Master &Properties...", 1103},
          {"&Image Master...", 1105},
          {"&Clean Up", 1106}}},
        ToolsMenuShort(),
        WindowMenu(),
        HelpMenu()}},
      {visUIObjSetShapeSheet,
       "ShapeSheet",
       {shortFile,
        {"&Edit",
         {{"&Undo", 1017},
          kSeparator,
          {"Cu&t", 1020},
          {"&Copy", 1021},
          {"&Paste", 1022},
          kSeparator,
          {"Paste &Name...", 1110},
          {"Paste &Function...", 1111},
          kSeparator,
          {"C&hange Row Type...", 1114},
          {"&Delete Row", 1115},
          {"Delete &Section", 1117}}},
        {"&View", {{"&Values", 1107}, {"&Formulas", 1108}, kSeparator, {"&Sections...", 1109}}},
        {"&Insert", {{"&Section...", 1116}, {"&Row", 1112}, {"Row &After", 1113}}},
        ToolsMenuShort(),
        WindowMenu(),
        HelpMenu()}},
      {visUIObjSetPrintPreview,
       "Print Preview",
       {{"&File", {{"&Print...", 1010}, {"Page Set&up...", 1076}, kSeparator, {"&Close", 1361}}},
        {"&View",
         {{"&Single Tile", 1512},
          {"&Whole Page", 1033},
          kSeparator,
          {"Zoom &In", 1216},
          {"Zoom &Out", 1217}}},
        HelpMenu()}},
      {visUIObjSetCntx_DrawObjSel,
       "Drawing Object Selected",
       {{"Shape",
         {{"Cu&t", 1020},
          {"&Copy", 1021},
          {"&Paste", 1022},
          kSeparator,
          {"F&ormat", visCmdHierarchical},
          {">&Text...", 1067},
          {">&Line...", 1065},
          {">&Fill...", 1066},
          {"&Shape", visCmdHierarchical},
          {">&Group", 1051},
          {">&Ungroup", 1052},
          {">Bring to &Front", 1046},
          {">Send to &Back", 1048},
          kSeparator,
          {"P&roperties...", 1312},
          {"&Help", 1428}}}}},
      {visUIObjSetCntx_DrawNoObjSel,
       "Drawing No Object Selected",
       {{"Page",
         {{"&Paste", 1022},
          {"Select &All", 1025},
          kSeparator,
          {"&View", visCmdHierarchical},
          {">&Whole Page", 1033},
          {">&50%", 1279},
          {">&100%", 1035},
          {">&200%", 1037},
          {"&Grid", 1040},
          kSeparator,
          {"Page Set&up...", 1076},
          {"&Help", 1092}}}}},
  };
}

void FillMenuItems(MenuItems& list, const std::vector<ItemDef>& defs) {
  MenuItem* last = nullptr;
  for (const ItemDef& d : defs) {
    const std::string caption = d.caption;
    MenuItem& item = caption.starts_with('>') ? last->SubItems().Insert() : list.Insert();
    item.SetBuiltIn(caption.starts_with('>') ? caption.substr(1) : caption, d.cmd);
    if (d.cmd == visCmdHierarchical) {
      item.SetStoredValue("CntrlType", I2(visCtrlTypeHIERBUTTON));
    }
    if (!caption.starts_with('>')) last = &item;
  }
}

void BuildMenuSets(MenuSets& sets) {
  for (const MenuSetDef& sd : MenuSetDefs()) {
    MenuSet& set = sets.AddAtId(sd.id);
    set.SetStoredValue("Caption", Variant(sd.caption));
    set.SetStoredValue("Default", Variant(sd.caption));
    for (const MenuDef& md : sd.menus) {
      Menu& menu = set.MenusOf().Insert();
      menu.SetStoredValue("Caption", Variant(md.caption));
      menu.SetStoredValue("Default", Variant(md.caption));
      menu.SetStoredValue("MDIWindowMenu", VisBool(md.windowMenu));
      FillMenuItems(menu.Items(), md.items);
    }
  }
}

// A toolbar or status bar control.
struct ControlDef {
  const char* caption;
  std::int16_t cmd;
  std::int16_t ctrlId;  // visCtrlID...
  std::int16_t icon;    // visIconIX..., -1 for none
  std::int16_t type = visCtrlTypeBUTTON;
  bool groupStart = false;
  std::int16_t width = 0;     // combo boxes
  std::int16_t palette = 0;   // palette buttons: the visUIObjSetPal_... they open
  std::int16_t priority = 1;  // 2: hidden first when the bar is short of room
};

struct BarDef {
  const char* caption;
  std::int16_t position;  // visBarTop 1, visBarBottom 3...
  std::vector<ControlDef> controls;
};

struct BarSetDef {
  std::int16_t id;
  const char* caption;
  std::vector<BarDef> bars;
};

constexpr std::int16_t kState = visCtrlTypeSTATE_BUTTON;
constexpr std::int16_t kCombo = visCtrlTypeCOMBOBOX;
constexpr std::int16_t kPalette = visCtrlTypePALETTEBUTTON;

std::vector<ControlDef> FileButtons() {
  return {{"New", 1001, 8383, 0},
          {"Open", 1002, 1, 1},
          {"Save", 1004, 3, 3},
          {"Print Page", 1443, 4, 4}};
}

std::vector<BarSetDef> ToolbarSetDefs() {
  std::vector<ControlDef> standard = FileButtons();
  const std::vector<ControlDef> more{
      {"Print Preview", 1490, 5, 5, visCtrlTypeBUTTON, false, 0, 0, 2},
      {"Spelling", 1270, 100, 100, visCtrlTypeBUTTON, true, 0, 0, 2},
      {"Cut", 1020, 6, 6, visCtrlTypeBUTTON, true},
      {"Copy", 1021, 7, 7},
      {"Paste", 1022, 8, 8},
      {"Format Painter", 1271, 101, 101, kState},
      {"Undo", 1017, 10, 10, visCtrlTypeBUTTON, true},
      {"Redo", 1018, 11, 11},
      {"Insert Hyperlink", 1585, 105, 105, visCtrlTypeBUTTON, true, 0, 0, 2},
      {"Pointer Tool", 1219, 20, 20, kState, true},
      {"Connector Tool", 1225, 96, 96, kState},
      {"Text Tool", 1227, 27, 27, kState},
      {"Zoom", 1126, 204, -1, kCombo, true, 60},
      {"Help", 1386, 102, 102, kState, true, 0, 0, 2}};
  standard.insert(standard.end(), more.begin(), more.end());

  const std::vector<ControlDef> formatting{
      {"Text Style", 1128, 201, -1, kCombo, false, 110},
      {"Font", 1129, 205, -1, kCombo, true, 120},
      {"Font Size", 1130, 206, -1, kCombo, false, 40},
      {"Bold", 1131, 50, 50, kState, true},
      {"Italic", 1132, 51, 51, kState},
      {"Underline", 1136, 52, 52, kState},
      {"Align Left", 1407, 56, 56, kState, true},
      {"Center", 1408, 57, 57, kState},
      {"Align Right", 1409, 58, 58, kState},
      {"Line Style", 1122, 202, -1, kCombo, true, 110, 0, 2},
      {"Fill Style", 1123, 203, -1, kCombo, false, 110, 0, 2},
      {"Fill Color", 1385, 43, 43, kPalette, true, 0, visUIObjSetPal_FillColors},
      {"Line Color", 1359, 44, 44, kPalette, false, 0, visUIObjSetPal_LineColors},
      {"Line Weight", 1355, 45, 45, kPalette, false, 0, visUIObjSetPal_LineWeights},
      {"Line Pattern", 1356, 46, 46, kPalette, false, 0, visUIObjSetPal_LinePatterns},
      {"Text Color", 1404, 55, 55, kPalette, false, 0, visUIObjSetPal_TextColors}};

  const std::vector<ControlDef> drawing{{"Pencil Tool", 1220, 21, 21, kState},
                                        {"Line Tool", 1221, 22, 22, kState},
                                        {"Arc Tool", 1222, 23, 23, kState},
                                        {"Rectangle Tool", 1223, 24, 24, kState},
                                        {"Ellipse Tool", 1224, 25, 25, kState},
                                        {"Freeform Tool", 1311, 79, 79, kState},
                                        {"Connection Point Tool", 1226, 30, 30, kState, true},
                                        {"Rotation Tool", 1228, 28, 28, kState},
                                        {"Crop Tool", 1449, 29, 29, kState}};

  const std::vector<ControlDef> shape{{"Group", 1051, 92, 92},
                                      {"Ungroup", 1052, 93, 93},
                                      {"Bring to Front", 1046, 90, 90, visCtrlTypeBUTTON, true},
                                      {"Send to Back", 1048, 91, 91},
                                      {"Rotate Left", 1056, 38, 38, visCtrlTypeBUTTON, true},
                                      {"Rotate Right", 1494, 37, 37},
                                      {"Flip Horizontal", 1058, 18, 18},
                                      {"Flip Vertical", 1057, 19, 19},
                                      {"Align Shapes", 1049, 63, 63, visCtrlTypeBUTTON, true},
                                      {"Distribute Shapes", 1230, 70, 70},
                                      {"Connect Shapes", 1050, 75, 75}};

  const std::vector<ControlDef> developer{
      {"Macros", 1577, 121, 121},
      {"Visual Basic Editor", 1576, 122, 122},
      {"Design Mode", 1388, 119, 119, kState, true},
      {"Insert Control", 1522, 118, 118},
      {"Show ShapeSheet", 1088, 120, 120, visCtrlTypeBUTTON, true}};

  std::vector<ControlDef> stencil = FileButtons();
  const std::vector<ControlDef> stencilMore{{"Cut", 1020, 6, 6, visCtrlTypeBUTTON, true},
                                            {"Copy", 1021, 7, 7},
                                            {"Paste", 1022, 8, 8},
                                            {"Undo", 1017, 10, 10, visCtrlTypeBUTTON, true},
                                            {"Icons and Names", 1480, 80, 80, kState, true},
                                            {"Icons Only", 1481, 81, 81, kState},
                                            {"Names Only", 1482, 82, 82, kState},
                                            {"Arrange Icons", 1483, 83, 83}};
  stencil.insert(stencil.end(), stencilMore.begin(), stencilMore.end());

  return {
      {visUIObjSetNoDocument,
       "No Document",
       {{"Standard",
         1,
         {{"New", 1001, 8383, 0},
          {"Open", 1002, 1, 1},
          {"Open Stencil", 1442, 2, 2},
          {"Help", 1386, 102, 102, kState, true}}}}},
      {visUIObjSetDrawing,
       "Drawing",
       {{"Standard", 1, standard},
        {"Formatting", 1, formatting},
        {"Drawing", 1, drawing},
        {"Shape", 1, shape},
        {"Developer", 1, developer}}},
      {visUIObjSetStencil, "Stencil", {{"Stencil", 1, stencil}}},
      {visUIObjSetShapeSheet,
       "ShapeSheet",
       {{"ShapeSheet",
         1,
         {{"Cancel", 1139, 84, 84},
          {"Accept", 1140, 85, 85},
          {"Formula", 1141, 190, -1, 64 /* visCtrlTypeEDITBOX */, false, 300}}}}},
      {visUIObjSetIcon,
       "Icon Editing",
       {{"Icon Editing",
         1,
         {{"Pencil", 1145, 86, 86, kState},
          {"Bucket", 1543, 87, 87, kState},
          {"Lasso", 1544, 88, 88, kState},
          {"Select Net", 1545, 89, 89, kState},
          {"Left Color", 1143, 300, -1, 1024 /* visCtrlTypeCOLORBOX */, true}}}}},
      {visUIObjSetPrintPreview,
       "Print Preview",
       {{"Print Preview",
         1,
         {{"Print Page", 1443, 4, 4},
          {"First Page", 1515, 76, 76, visCtrlTypeBUTTON, true},
          {"Previous Page", 1513, 13, 13},
          {"Next Page", 1514, 14, 14},
          {"Last Page", 1516, 77, 77},
          {"Single Tile", 1512, 99, 99, kState, true},
          {"Whole Page", 1033, 98, 98, kState},
          {"Zoom In", 1216, 16, 16, visCtrlTypeBUTTON, true},
          {"Zoom Out", 1217, 15, 15},
          {"Close", 1361, 240, -1, 32 /* visCtrlTypePUSHBUTTON */, true}}}}},
  };
}

std::vector<BarSetDef> StatusBarDefs() {
  const ControlDef readout{"Ready", 0, 500, -1, visCtrlTypeMESSAGE};
  return {
      {visUIObjSetNoDocument, "No Document", {{"No Document", 3, {readout}}}},
      {visUIObjSetDrawing,
       "Drawing",
       {{"Drawing",
         3,
         {readout,
          {"Width", 0, 501, -1, visCtrlTypeMESSAGE, true, 100},
          {"Height", 0, 502, -1, visCtrlTypeMESSAGE, false, 100},
          {"Angle", 0, 503, -1, visCtrlTypeMESSAGE, false, 80},
          {"Page", 0, 510, -1, visCtrlTypeLABEL, true, 120}}}}},
      {visUIObjSetStencil, "Stencil", {{"Stencil", 3, {readout}}}},
      {visUIObjSetShapeSheet, "ShapeSheet", {{"ShapeSheet", 3, {readout}}}},
      {visUIObjSetPrintPreview,
       "Print Preview",
       {{"Print Preview", 3, {readout, {"Page", 0, 510, -1, visCtrlTypeLABEL, true, 120}}}}},
  };
}

template <class Item>
void FillControl(Item& item, const ControlDef& d) {
  item.SetBuiltIn(d.caption, d.cmd);
  item.SetStoredValue("CntrlID", Variant(d.ctrlId));
  item.SetStoredValue("CntrlType", Variant(d.type));
  item.SetStoredValue("Priority", Variant(d.priority));
  if (d.groupStart) {
    item.SetStoredValue("BeginGroup", VisBool(true));
    item.SetStoredValue("Spacing", I2(visCtrlSpacingFIXED_BEFORE));
  }
  if (d.icon >= 0) {
    // Buttons name their icon twice: the old TypeSpecific1 and FaceID.
    item.SetStoredValue("FaceID", Variant(d.icon));
    item.SetStoredValue("TypeSpecific1", Variant(d.icon));
  }
  if (d.width) {
    item.SetStoredValue("Width", Variant(d.width));
    item.SetStoredValue("TypeSpecific1", Variant(d.width));
  }
  if (d.palette) {
    item.SetStoredValue("TypeSpecific2", Variant(d.palette));
    item.SetStoredValue("PaletteWidth", I2(8));
  }
}

void BuildToolbarSets(ToolbarSets& sets) {
  for (const BarSetDef& sd : ToolbarSetDefs()) {
    ToolbarSet& set = sets.AddAtId(sd.id);
    set.SetStoredValue("Caption", Variant(sd.caption));
    set.SetStoredValue("Default", Variant(sd.caption));
    std::int16_t row = 0;
    for (const BarDef& bd : sd.bars) {
      Toolbar& bar = set.ToolbarsOf().Insert();
      bar.SetStoredValue("Caption", Variant(bd.caption));
      bar.SetStoredValue("Default", Variant(bd.caption));
      bar.SetStoredValue("Position", Variant(bd.position));
      bar.SetStoredValue("RowIndex", Variant(row++));
      for (const ControlDef& d : bd.controls) FillControl(bar.Items().Insert(), d);
    }
  }
}

void BuildStatusBars(StatusBars& bars) {
  for (const BarSetDef& sd : StatusBarDefs()) {
    StatusBar& bar = bars.AddAtId(sd.id);
    bar.SetStoredValue("Caption", Variant(sd.caption));
    bar.SetStoredValue("Default", Variant(sd.caption));
    for (const ControlDef& d : sd.bars.front().controls) FillControl(bar.Items().Insert(), d);
  }
}

struct AccelDef {
  std::int16_t key;  // virtual-key code
  bool alt, control, shift;
  std::int16_t cmd;
};

struct AccelTableDef {
  std::int16_t id;
  const char* name;
  std::vector<AccelDef> items;
};

// Ctrl+letter.
constexpr AccelDef Ctrl(char letter, std::int16_t cmd) {
  return {static_cast<std::int16_t>(letter), false, true, false, cmd};
}
constexpr AccelDef CtrlShift(char letter, std::int16_t cmd) {
  return {static_cast<std::int16_t>(letter), false, true, true, cmd};
}
constexpr AccelDef Plain(std::int16_t key, std::int16_t cmd) {
  return {key, false, false, false, cmd};
}

constexpr std::int16_t VK_RETURN = 13;
constexpr std::int16_t VK_ESCAPE = 27;
constexpr std::int16_t VK_DELETE = 46;
constexpr std::int16_t VK_F1 = 112;
constexpr std::int16_t VK_OEM_COMMA = 188;
constexpr std::int16_t VK_OEM_PERIOD = 190;

std::vector<AccelTableDef> AccelTableDefs() {
  const auto F = [](int n) { return static_cast<std::int16_t>(VK_F1 + n - 1); };
  return {
      {visUIObjSetNoDocument,
       "No Document",
       {Ctrl('N', 1001), Ctrl('O', 1002), Plain(VK_F1, 1092)}},
      {visUIObjSetDrawing,
       "Drawing",
       {Ctrl('N', 1001),
        Ctrl('O', 1002),
        Ctrl('S', 1004),
        Plain(F(12), 1005),
        Ctrl('P', 1010),
        Ctrl('Z', 1017),
        Ctrl('Y', 1018),
        Plain(F(4), 1019),
        Ctrl('X', 1020),
        Ctrl('C', 1021),
        Ctrl('V', 1022),
        Plain(VK_DELETE, 1023),
        Ctrl('D', 1024),
        Ctrl('A', 1025),
        Ctrl('F', 1043),
        Ctrl('K', 1585),
        Ctrl('G', 1051),
        CtrlShift('U', 1052),
        CtrlShift('F', 1046),
        CtrlShift('B', 1048),
        Ctrl('L', 1056),
        Ctrl('R', 1494),
        Ctrl('H', 1058),
        Ctrl('J', 1057),
        Ctrl('W', 1033),
        Plain(F(3), 1066),
        {F(3), false, false, true, 1065},
        Plain(F(11), 1067),
        Plain(F(7), 1270),
        Plain(F(5), 1492),
        {F(8), true, false, false, 1577},
        {F(11), true, false, false, 1576},
        Ctrl('1', 1219),
        Ctrl('2', 1227),
        Ctrl('3', 1225),
        Ctrl('4', 1220),
        Ctrl('6', 1221),
        Ctrl('8', 1223),
        Ctrl('9', 1224),
        Plain(VK_F1, 1092),
        {VK_F1, false, false, true, 1386}}},
      {visUIObjSetStencil,
       "Stencil",
       {Ctrl('N', 1001), Ctrl('O', 1002), Ctrl('S', 1004), Ctrl('X', 1020), Ctrl('C', 1021),
        Ctrl('V', 1022), Plain(VK_DELETE, 1023), Ctrl('A', 1025), Plain(VK_F1, 1092)}},
      {visUIObjSetShapeSheet,
       "ShapeSheet",
       {Plain(VK_RETURN, 1140), Plain(VK_ESCAPE, 1139), Ctrl('Z', 1017), Ctrl('X', 1020),
        Ctrl('C', 1021), Ctrl('V', 1022), Plain(F(3), 1110), Plain(VK_F1, 1092)}},
      {visUIObjSetText,
       "Text Edit",
       {Ctrl('B', 1131),
        Ctrl('I', 1132),
        Ctrl('U', 1136),
        CtrlShift('K', 1133),
        CtrlShift('L', 1407),
        CtrlShift('C', 1408),
        CtrlShift('R', 1409),
        CtrlShift('J', 1412),
        {VK_OEM_COMMA, false, true, true, 1406},
        {VK_OEM_PERIOD, false, true, true, 1405}}},
  };
}

void BuildAccelTables(AccelTables& tables) {
  for (const AccelTableDef& td : AccelTableDefs()) {
    AccelTable& table = tables.AddAtId(td.id);
    table.SetStoredValue("TableName", Variant(td.name));
    table.SetStoredValue("Default", Variant(td.name));
    for (const AccelDef& d : td.items) {
      table.Items().Insert().SetBuiltIn(d.key, d.alt, d.control, d.shift, d.cmd);
    }
  }
}

void NameUIObject(UIObject& ui, const char* name) {
  ui.SetStoredValue("Name", Variant(name));
  ui.SetStoredValue("Default", Variant(name));
}

}  // namespace

Ref<UIObject> MakeBuiltInMenus(const SessionPtr& session) {
  auto ui = MakeRef<UIObject>(session);
  NameUIObject(*ui, "Built-In Menus");
  BuildMenuSets(ui->MenuSetsOf());
  BuildAccelTables(ui->AccelTablesOf());
  return ui;
}

Ref<UIObject> MakeBuiltInToolbars(const SessionPtr& session, std::int16_t flavor) {
  auto ui = MakeRef<UIObject>(session);
  ui->SetFlavor(flavor);
  NameUIObject(*ui, "Built-In Toolbars");
  BuildToolbarSets(ui->ToolbarSetsOf());
  BuildStatusBars(ui->StatusBarsOf());
  return ui;
}

}  // namespace standin
