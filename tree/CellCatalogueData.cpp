// The cell catalogue's contents: one line per section, row, row type and
// cell, in the order the tree shows them.
#include <string>

#include "lut/Tarvel_TLUT.h"
#include "lut/Tarvel_TreeNodeLUTs.h"
#include "tree/AllSectionsData.h"
#include "tree/Tarvel_Cells01.h"

const TCellsStruc* CellCatalogue = nullptr;
const TCellsStruc* AllSectionsCatalogue = nullptr;

namespace {

// The catalogue's row of exactly this index and kind, if it has one.
const TRowClass* KnownRow(const TSectionClass* section, const TSheetRowData& row) {
  if (section == nullptr) return nullptr;
  for (const auto& known : section->Rows) {
    if (known->RowIndex == row.index && (known->Repeats != 0) == row.repeats) return known.get();
  }
  return nullptr;
}

const TRowType* KnownType(const TRowClass* row, std::int32_t tag) {
  if (row == nullptr) return nullptr;
  for (const auto& type : row->RowTypes) {
    if (type->Tag == tag) return type.get();
  }
  return nullptr;
}

// The value table the catalogue decodes a column with: its type of the same
// tag, or its only type when it does not tell rows apart by tag.
const TLUT* KnownValueLUT(const TRowClass* row, const TRowType* type, std::int32_t column) {
  if (type == nullptr && row != nullptr && row->RowTypes.Count() == 1) type = &row->RowTypes[0];
  if (type == nullptr) return nullptr;
  for (const auto& cell : type->Cells) {
    if (cell->Column == column) return cell->ValueLUT;
  }
  return nullptr;
}

// Today's sheet from its data, in the data's order. Names the old
// catalogue has too stay as the tree has always shown them.
const TCellsStruc& BuildAllSections(const TCellsStruc& known) {
  const auto data = AllSectionsData();
  auto& cat = *new TCellsStruc(static_cast<int>(data.size()));
  for (const TSheetSectionData& s : data) {
    std::int32_t offset = -1;
    std::string displayName;
    const TSectionClass* knownSection = FindSection(known, s.index, offset, displayName);
    TSectionClass& section = AddSection(cat, knownSection != nullptr ? knownSection->Name : s.name,
                                        s.index, static_cast<int>(s.rows.size()), s.repeats);
    for (const TSheetRowData& r : s.rows) {
      const TRowClass* knownRow = KnownRow(knownSection, r);
      TRowClass& row = AddRow(section, knownRow != nullptr ? knownRow->Name : r.name, r.index,
                              static_cast<int>(r.types.size()), r.repeats);
      for (const TSheetRowTypeData& t : r.types) {
        const TRowType* knownType = KnownType(knownRow, t.tag);
        TRowType& type = AddRowType(row, knownType != nullptr ? knownType->Name : t.name, t.tag,
                                    static_cast<int>(t.cells.size()));
        for (const TSheetCellData& c : t.cells) {
          AddCell(type, c.name, c.column, KnownValueLUT(knownRow, knownType, c.column));
        }
      }
    }
  }
  return cat;
}

}  // namespace

void BuildCellCatalogue() {
  if (CellCatalogue != nullptr) return;
  auto& cat = *new TCellsStruc(14);
  TSectionClass* s = nullptr;
  TRowClass* r = nullptr;
  TRowType* t = nullptr;

  s = &AddSection(cat, "Object", 1, 18, false);
  r = &AddRow(*s, "Shape Transform", 1, 1, false);
  t = &AddRowType(*r, "Default", -1, 10);
  AddCell(*t, "XFormPinX", 0, nullptr);
  AddCell(*t, "XFormPinY", 1, nullptr);
  AddCell(*t, "XFormWidth", 2, nullptr);
  AddCell(*t, "XFormHeight", 3, nullptr);
  AddCell(*t, "XFormLocPinX", 4, nullptr);
  AddCell(*t, "XFormLocPinY", 5, nullptr);
  AddCell(*t, "XFormAngle", 6, nullptr);
  AddCell(*t, "XFormFlipX", 7, &LUT_TrueFalse);
  AddCell(*t, "XFormFlipY", 8, &LUT_TrueFalse);
  AddCell(*t, "XFormResizeMode", 9, LUT_VisCellVals_XForm);
  r = &AddRow(*s, "Line Format", 2, 1, false);
  t = &AddRowType(*r, "Default", -1, 8);
  AddCell(*t, "LineWeight", 0, nullptr);
  AddCell(*t, "LineColor", 1, LUT_VisDefaultColors_MinusTrans);
  AddCell(*t, "LinePattern", 2, LUT_VisCellVals_Line);
  AddCell(*t, "LineRounding", 3, nullptr);
  AddCell(*t, "LineArrowSize", 4, nullptr);
  AddCell(*t, "LineBeginArrow", 5, nullptr);
  AddCell(*t, "LineEndArrow", 6, nullptr);
  AddCell(*t, "LineEndCap", 7, nullptr);
  r = &AddRow(*s, "Fill Format", 3, 1, false);
  t = &AddRowType(*r, "Default", -1, 6);
  AddCell(*t, "FillForegnd", 0, LUT_VisDefaultColors_MinusTrans);
  AddCell(*t, "FillBkgnd", 1, LUT_VisDefaultColors_MinusTrans);
  AddCell(*t, "FillPattern", 2, LUT_VisCellVals_Line);
  AddCell(*t, "FillShdwForegnd", 3, LUT_VisDefaultColors_MinusTrans);
  AddCell(*t, "FillShdwBkgnd", 4, LUT_VisDefaultColors_MinusTrans);
  AddCell(*t, "FillShdwPattern", 5, LUT_VisCellVals_Line);
  r = &AddRow(*s, "1-D Endpoints", 4, 1, false);
  t = &AddRowType(*r, "Default", -1, 4);
  AddCell(*t, "1DBeginX", 0, nullptr);
  AddCell(*t, "1DBeginY", 1, nullptr);
  AddCell(*t, "1DEndX", 2, nullptr);
  AddCell(*t, "1DEndY", 3, nullptr);
  r = &AddRow(*s, "Events", 5, 1, false);
  t = &AddRowType(*r, "Default", -1, 5);
  AddCell(*t, "EvtCellTheData", 0, nullptr);
  AddCell(*t, "EvtCellTheText", 1, nullptr);
  AddCell(*t, "EvtCellDblClick", 2, nullptr);
  AddCell(*t, "EvtCellXFMod", 3, nullptr);
  AddCell(*t, "EvtCellDrop", 4, nullptr);
  r = &AddRow(*s, "Layer Member", 6, 1, false);
  t = &AddRowType(*r, "Default", -1, 1);
  AddCell(*t, "LayerMember", 0, nullptr);
  r = &AddRow(*s, "Guide Info", 7, 1, false);
  t = &AddRowType(*r, "Default", -1, 3);
  AddCell(*t, "X", 0, nullptr);
  AddCell(*t, "Y", 1, nullptr);
  AddCell(*t, "GuideFlags", 2, LUT_VisGuideTypes);
  r = &AddRow(*s, "Style", 8, 1, false);
  t = &AddRowType(*r, "Default", -1, 3);
  AddCell(*t, "StyleIncludesLine", 0, &LUT_TrueFalse);
  AddCell(*t, "StyleIncludesFill", 1, &LUT_TrueFalse);
  AddCell(*t, "StyleIncludesText", 2, &LUT_TrueFalse);
  r = &AddRow(*s, "Image Info", 9, 1, false);
  t = &AddRowType(*r, "Default", -1, 4);
  AddCell(*t, "FrgnImgOffsetX", 0, nullptr);
  AddCell(*t, "FrgnImgOffsetY", 1, nullptr);
  AddCell(*t, "FrgnImgWidth", 2, nullptr);
  AddCell(*t, "FrgnImgHeight", 3, nullptr);
  r = &AddRow(*s, "Page Properties", 10, 1, false);
  t = &AddRowType(*r, "Default", -1, 8);
  AddCell(*t, "PageWidth", 0, nullptr);
  AddCell(*t, "PageHeight", 1, nullptr);
  AddCell(*t, "PageShdwOffsetX", 2, nullptr);
  AddCell(*t, "PageShdwOffsetY", 3, nullptr);
  AddCell(*t, "PageScale", 4, nullptr);
  AddCell(*t, "PageDrawingScale", 5, nullptr);
  AddCell(*t, "PageDrawSizeType", 6, LUT_VisCellVals_PageSize);
  AddCell(*t, "PageDrawScaleType", 7, LUT_VisCellVals_Scale);
  r = &AddRow(*s, "Text Block Format", 11, 1, false);
  t = &AddRowType(*r, "Default", -1, 6);
  AddCell(*t, "TxtBlkLeftMargin", 0, nullptr);
  AddCell(*t, "TxtBlkRightMargin", 1, nullptr);
  AddCell(*t, "TxtBlkTopMargin", 2, nullptr);
  AddCell(*t, "TxtBlkBottomMargin", 3, nullptr);
  AddCell(*t, "TxtBlkVerticalAlign", 4, LUT_VisCellVals_Vert);
  AddCell(*t, "TxtBlkBkgnd", 5, nullptr);
  r = &AddRow(*s, "Text Transform", 12, 1, false);
  t = &AddRowType(*r, "Default", -1, 7);
  AddCell(*t, "XFormPinX", 0, nullptr);
  AddCell(*t, "XFormPinY", 1, nullptr);
  AddCell(*t, "XFormWidth", 2, nullptr);
  AddCell(*t, "XFormHeight", 3, nullptr);
  AddCell(*t, "XFormLocPinX", 4, nullptr);
  AddCell(*t, "XFormLocPinY", 5, nullptr);
  AddCell(*t, "XFormAngle", 6, nullptr);
  r = &AddRow(*s, "Alignment", 14, 1, false);
  t = &AddRowType(*r, "Default", -1, 6);
  AddCell(*t, "AlignLeft", 0, nullptr);
  AddCell(*t, "AlignCenter", 1, nullptr);
  AddCell(*t, "AlignRight", 2, nullptr);
  AddCell(*t, "AlignTop", 3, nullptr);
  AddCell(*t, "AlignMiddle", 4, nullptr);
  AddCell(*t, "AlignBottom", 5, nullptr);
  r = &AddRow(*s, "Protection", 15, 1, false);
  t = &AddRowType(*r, "Default", -1, 16);
  AddCell(*t, "LockWidth", 0, &LUT_TrueFalse);
  AddCell(*t, "LockHeight", 1, &LUT_TrueFalse);
  AddCell(*t, "LockMoveX", 2, &LUT_TrueFalse);
  AddCell(*t, "LockMoveY", 3, &LUT_TrueFalse);
  AddCell(*t, "LockAspect", 4, &LUT_TrueFalse);
  AddCell(*t, "LockDelete", 5, &LUT_TrueFalse);
  AddCell(*t, "LockBegin", 6, &LUT_TrueFalse);
  AddCell(*t, "LockEnd", 7, &LUT_TrueFalse);
  AddCell(*t, "LockRotate", 8, &LUT_TrueFalse);
  AddCell(*t, "LockCrop", 9, &LUT_TrueFalse);
  AddCell(*t, "LockVtxEdit", 10, &LUT_TrueFalse);
  AddCell(*t, "LockTextEdit", 11, &LUT_TrueFalse);
  AddCell(*t, "LockFormat", 12, &LUT_TrueFalse);
  AddCell(*t, "LockGroup", 13, &LUT_TrueFalse);
  AddCell(*t, "LockCalcWH", 14, &LUT_TrueFalse);
  AddCell(*t, "LockSelect", 15, &LUT_TrueFalse);
  r = &AddRow(*s, "Data", 16, 1, false);
  t = &AddRowType(*r, "Default", -1, 0);
  r = &AddRow(*s, "Miscellaneous", 17, 1, false);
  t = &AddRowType(*r, "Default", -1, 14);
  AddCell(*t, "NoObjHandles", 0, &LUT_TrueFalse);
  AddCell(*t, "NonPrinting", 1, &LUT_TrueFalse);
  AddCell(*t, "NoCtlHandles", 2, &LUT_TrueFalse);
  AddCell(*t, "NoAlignBox", 3, &LUT_TrueFalse);
  AddCell(*t, "UpdateAlignBox", 4, &LUT_TrueFalse);
  AddCell(*t, "HideText", 5, &LUT_TrueFalse);
  AddCell(*t, "DynFeedback", 8, LUT_VisCellVals_DynFB);
  AddCell(*t, "GlueType", 9, LUT_VisCellVals_GlueType);
  AddCell(*t, "WalkPref", 10, LUT_VisCellVals_WalkPref);
  AddCell(*t, "BegTrigger", 11, nullptr);
  AddCell(*t, "EndTrigger", 12, nullptr);
  AddCell(*t, "LOFlags", 13, LUT_VisCellVals_LOFlags);
  AddCell(*t, "LOInteraction", 14, nullptr);
  AddCell(*t, "LOBehavior", 15, LUT_VisCellVals_LOILOB);
  r = &AddRow(*s, "Ruler & Grid", 18, 1, false);
  t = &AddRowType(*r, "Default", -1, 10);
  AddCell(*t, "XRulerDensity", 0, LUT_VisCellVals_Ruler);
  AddCell(*t, "YRulerDensity", 1, LUT_VisCellVals_Ruler);
  AddCell(*t, "XRulerOrigin", 4, nullptr);
  AddCell(*t, "YRulerOrigin", 5, nullptr);
  AddCell(*t, "XGridDensity", 6, LUT_VisCellVals_Grid);
  AddCell(*t, "YGridDensity", 7, LUT_VisCellVals_Grid);
  AddCell(*t, "XGridSpacing", 8, nullptr);
  AddCell(*t, "YGridSpacing", 9, nullptr);
  AddCell(*t, "XGridOrigin", 10, nullptr);
  AddCell(*t, "YGridOrigin", 11, nullptr);
  r = &AddRow(*s, "Hyperlink", 19, 1, false);
  t = &AddRowType(*r, "Default", -1, 6);
  AddCell(*t, "HLinkDescription", 0, nullptr);
  AddCell(*t, "HLinkAddress", 1, nullptr);
  AddCell(*t, "HLinkSubAddress", 2, nullptr);
  AddCell(*t, "HLinkExtraInfo", 3, nullptr);
  AddCell(*t, "HLinkFrame", 4, nullptr);
  AddCell(*t, "HLinkNewWin", 5, &LUT_TrueFalse);

  s = &AddSection(cat, "Member", 2, 1, false);
  r = &AddRow(*s, "Members", 0, 1, true);
  t = &AddRowType(*r, "Default", -1, 0);

  s = &AddSection(cat, "Character", 3, 1, false);
  r = &AddRow(*s, "Character Format", 0, 1, true);
  t = &AddRowType(*r, "Default", -1, 6);
  AddCell(*t, "CharacterFont", 0, nullptr);
  AddCell(*t, "CharacterColor", 1, LUT_VisDefaultColors_MinusTrans);
  AddCell(*t, "CharacterStyle", 2, LUT_VisCellVals_CharFormat);
  AddCell(*t, "CharacterCase", 3, LUT_VisCellVals_Case);
  AddCell(*t, "CharacterPos", 4, LUT_VisCellVals_Pos);
  AddCell(*t, "CharacterSize", 7, nullptr);

  s = &AddSection(cat, "Paragraph", 4, 1, false);
  r = &AddRow(*s, "Paragraph Format", 0, 1, true);
  t = &AddRowType(*r, "Default", -1, 7);
  AddCell(*t, "IndentFirst", 0, nullptr);
  AddCell(*t, "IndentLeft", 1, nullptr);
  AddCell(*t, "IndentRight", 2, nullptr);
  AddCell(*t, "SpaceLine", 3, nullptr);
  AddCell(*t, "SpaceBefore", 4, nullptr);
  AddCell(*t, "SpaceAfter", 5, nullptr);
  AddCell(*t, "HorzAlign", 6, LUT_VisCellVals_Horz);

  s = &AddSection(cat, "Tab", 5, 1, false);
  r = &AddRow(*s, "Tabs", 0, 3, true);
  t = &AddRowType(*r, "Tab0", 136, 0);
  t = &AddRowType(*r, "Tab2", 150, 10);
  AddCell(*t, "TabStopCount", 0, nullptr);
  for (int k = 0; k < 3; ++k) {
    AddCell(*t, "TabPos" + std::to_string(k), 3 * k + 1, nullptr);
    AddCell(*t, "TabAlign" + std::to_string(k), 3 * k + 2, nullptr);
    AddCell(*t, "TabRsrv" + std::to_string(k), 3 * k + 3, nullptr);
  }
  t = &AddRowType(*r, "Tab10", 151, 31);
  AddCell(*t, "TabStopCount", 0, nullptr);
  for (int k = 0; k < 10; ++k) {
    AddCell(*t, "TabPos" + std::to_string(k), 3 * k + 1, nullptr);
    AddCell(*t, "TabAlign" + std::to_string(k), 3 * k + 2, LUT_VisCellVals_TabStop);
    AddCell(*t, "TabRsrv" + std::to_string(k), 3 * k + 3, nullptr);
  }

  s = &AddSection(cat, "Scratch", 6, 1, false);
  r = &AddRow(*s, "Scratch", 0, 1, true);
  t = &AddRowType(*r, "Default", -1, 6);
  AddCell(*t, "ScratchX", 0, nullptr);
  AddCell(*t, "ScratchY", 1, nullptr);
  AddCell(*t, "ScratchA", 2, nullptr);
  AddCell(*t, "ScratchB", 3, nullptr);
  AddCell(*t, "ScratchC", 4, nullptr);
  AddCell(*t, "ScratchD", 5, nullptr);

  s = &AddSection(cat, "ConnectionPts", 7, 1, false);
  r = &AddRow(*s, "Connection Points", 0, 1, true);
  t = &AddRowType(*r, "Default", -1, 6);
  AddCell(*t, "X", 0, nullptr);
  AddCell(*t, "Y", 1, nullptr);
  AddCell(*t, "CnnctA", 2, nullptr);
  AddCell(*t, "CnnctB", 3, nullptr);
  AddCell(*t, "CnnctC", 4, nullptr);
  AddCell(*t, "CnnctD", 5, nullptr);

  s = &AddSection(cat, "TextField", 8, 1, false);
  r = &AddRow(*s, "Text Fields", 0, 1, true);
  t = &AddRowType(*r, "Default", -1, 1);
  AddCell(*t, "FieldCell", 0, nullptr);

  s = &AddSection(cat, "Controls", 9, 1, false);
  r = &AddRow(*s, "Controls", 0, 1, true);
  t = &AddRowType(*r, "Default", -1, 9);
  AddCell(*t, "CtlX", 0, nullptr);
  AddCell(*t, "CtlY", 1, nullptr);
  AddCell(*t, "CtlXDyn", 2, nullptr);
  AddCell(*t, "CtlYDyn", 3, nullptr);
  AddCell(*t, "CtlXCon", 4, LUT_VisCellVals_Ctl);
  AddCell(*t, "CtlYCon", 5, LUT_VisCellVals_Ctl);
  AddCell(*t, "CtlGlue", 6, &LUT_TrueFalse);
  AddCell(*t, "CtlType", 7, nullptr);
  AddCell(*t, "CtlTip", 8, nullptr);

  s = &AddSection(cat, "Geometry", 10, 2, true);
  r = &AddRow(*s, "Component", 0, 1, false);
  t = &AddRowType(*r, "Start", 137, 2);
  AddCell(*t, "CompNoFill", 0, &LUT_TrueFalse);
  AddCell(*t, "CompNoShow", 2, &LUT_TrueFalse);
  r = &AddRow(*s, "Vertex", 1, 6, true);
  t = &AddRowType(*r, "Start", 138, 2);
  AddCell(*t, "X", 0, nullptr);
  AddCell(*t, "Y", 1, nullptr);
  t = &AddRowType(*r, "LineTo", 139, 2);
  AddCell(*t, "X", 0, nullptr);
  AddCell(*t, "Y", 1, nullptr);
  t = &AddRowType(*r, "ArcTo", 140, 3);
  AddCell(*t, "X", 0, nullptr);
  AddCell(*t, "Y", 1, nullptr);
  AddCell(*t, "Bow", 2, nullptr);
  t = &AddRowType(*r, "EllipticalArcTo", 144, 7);
  AddCell(*t, "X", 0, nullptr);
  AddCell(*t, "Y", 1, nullptr);
  AddCell(*t, "Bow", 2, nullptr);
  AddCell(*t, "ControlX", 2, nullptr);
  AddCell(*t, "ControlY", 3, nullptr);
  AddCell(*t, "EccentricityAngle", 4, nullptr);
  AddCell(*t, "AspectRatio", 5, nullptr);
  t = &AddRowType(*r, "SplineBeg", 165, 6);
  AddCell(*t, "X", 0, nullptr);
  AddCell(*t, "Y", 1, nullptr);
  AddCell(*t, "SplineKnot", 2, nullptr);
  AddCell(*t, "SplineKnot2", 3, nullptr);
  AddCell(*t, "SplineKnot3", 4, nullptr);
  AddCell(*t, "SplineDegree", 5, nullptr);
  t = &AddRowType(*r, "SplineSpan", 166, 3);
  AddCell(*t, "X", 0, nullptr);
  AddCell(*t, "Y", 1, nullptr);
  AddCell(*t, "SplineKnot", 2, nullptr);

  s = &AddSection(cat, "Action", 240, 1, false);
  r = &AddRow(*s, "Actions", 0, 1, true);
  t = &AddRowType(*r, "Default", -1, 6);
  AddCell(*t, "ActionMenu", 0, nullptr);
  AddCell(*t, "ActionPrompt", 1, nullptr);
  AddCell(*t, "ActionHelp", 2, nullptr);
  AddCell(*t, "ActionAction", 3, nullptr);
  AddCell(*t, "ActionChecked", 4, &LUT_TrueFalse);
  AddCell(*t, "ActionDisabled", 5, &LUT_TrueFalse);

  s = &AddSection(cat, "Layer", 241, 1, false);
  r = &AddRow(*s, "Layers", 0, 1, true);
  t = &AddRowType(*r, "Default", -1, 9);
  AddCell(*t, "LayerName", 0, nullptr);
  AddCell(*t, "LayerColor", 2, LUT_VisDefaultColors_MinusTrans);
  AddCell(*t, "LayerStatus", 3, LUT_VisCellVals_Layer);
  AddCell(*t, "LayerVisible", 4, &LUT_TrueFalse);
  AddCell(*t, "LayerPrint", 5, &LUT_TrueFalse);
  AddCell(*t, "LayerActive", 6, &LUT_TrueFalse);
  AddCell(*t, "LayerLock", 7, &LUT_TrueFalse);
  AddCell(*t, "LayerSnap", 8, &LUT_TrueFalse);
  AddCell(*t, "LayerGlue", 9, &LUT_TrueFalse);

  s = &AddSection(cat, "User", 242, 1, false);
  r = &AddRow(*s, "User-Defined Cells", 0, 1, true);
  t = &AddRowType(*r, "Default", -1, 2);
  AddCell(*t, "UserValue", 0, nullptr);
  AddCell(*t, "UserPrompt", 1, nullptr);

  s = &AddSection(cat, "Prop", 243, 1, false);
  r = &AddRow(*s, "Custom Properties", 0, 1, true);
  t = &AddRowType(*r, "Default", -1, 8);
  AddCell(*t, "CustPropsValue", 0, nullptr);
  AddCell(*t, "CustPropsPrompt", 1, nullptr);
  AddCell(*t, "CustPropsLabel", 2, nullptr);
  AddCell(*t, "CustPropsFormat", 3, nullptr);
  AddCell(*t, "CustPropsSortKey", 4, nullptr);
  AddCell(*t, "CustPropsType", 5, LUT_VisCellVals_PropType);
  AddCell(*t, "CustPropsInvis", 6, &LUT_TrueFalse);
  AddCell(*t, "CustPropsAsk", 7, &LUT_TrueFalse);

  CellCatalogue = &cat;
  AllSectionsCatalogue = &BuildAllSections(cat);
}
