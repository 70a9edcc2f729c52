// Visio's section, row, tag and cell indices, and the cells each kind of
// row has: the tables a ShapeSheet, its names and its formulas are made
// from.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "standin/Model.h"
#include "standin/Units.h"

namespace standin {

// ---- Visio's section, row, tag and cell indices ----

constexpr std::int16_t visSectionObject = 1;
constexpr std::int16_t visSectionMember = 2;
constexpr std::int16_t visSectionCharacter = 3;
constexpr std::int16_t visSectionParagraph = 4;
constexpr std::int16_t visSectionTab = 5;
constexpr std::int16_t visSectionScratch = 6;
constexpr std::int16_t visSectionConnectionPts = 7;
constexpr std::int16_t visSectionTextField = 8;
constexpr std::int16_t visSectionControls = 9;
constexpr std::int16_t visSectionFirstComponent = 10;
constexpr std::int16_t visSectionLastComponent = 239;
constexpr std::int16_t visSectionAction = 240;
constexpr std::int16_t visSectionLayer = 241;
constexpr std::int16_t visSectionUser = 242;
constexpr std::int16_t visSectionProp = 243;
constexpr std::int16_t visSectionHyperlink = 244;
constexpr std::int16_t visSectionReviewer = 245;
constexpr std::int16_t visSectionAnnotation = 246;
constexpr std::int16_t visSectionSmartTag = 247;
constexpr std::int16_t visSectionLineGradientStops = 248;
constexpr std::int16_t visSectionFillGradientStops = 249;
// The last section with rows (the sections after the geometry ones run
// from visSectionAction to here).
constexpr std::int16_t visSectionLastRows = visSectionFillGradientStops;

constexpr std::int16_t visRowFirst = 0;
constexpr std::int16_t visRowLast = -2;
constexpr std::int16_t visRowNone = -1;
constexpr std::int16_t visRowXFormOut = 1;
constexpr std::int16_t visRowLine = 2;
constexpr std::int16_t visRowFill = 3;
constexpr std::int16_t visRowXForm1D = 4;
constexpr std::int16_t visRowEvent = 5;
constexpr std::int16_t visRowLayerMem = 6;
constexpr std::int16_t visRowGuide = 7;
constexpr std::int16_t visRowStyle = 8;
constexpr std::int16_t visRowForeign = 9;
constexpr std::int16_t visRowPage = 10;
constexpr std::int16_t visRowText = 11;
constexpr std::int16_t visRowTextXForm = 12;
constexpr std::int16_t visRowAlign = 14;
constexpr std::int16_t visRowLock = 15;
constexpr std::int16_t visRowData123 = 16;
constexpr std::int16_t visRowMisc = 17;
constexpr std::int16_t visRowRulerGrid = 18;
constexpr std::int16_t visRowHelpCopyright = 16;
// Row 19 (visRowHyperlink) holds no cells a file names.
constexpr std::int16_t visRowHyperlinkBase = 19;
constexpr std::int16_t visRowDoc = 20;
constexpr std::int16_t visRowImage = 21;
constexpr std::int16_t visRowGroup = 22;
constexpr std::int16_t visRowShapeLayout = 23;
constexpr std::int16_t visRowPageLayout = 24;
constexpr std::int16_t visRowPrintProperties = 25;
constexpr std::int16_t visRowGradientProperties = 26;
constexpr std::int16_t visRowQuickStyleProperties = 27;
constexpr std::int16_t visRowOtherEffectProperties = 28;
constexpr std::int16_t visRowBevelProperties = 29;
constexpr std::int16_t visRow3DRotationProperties = 30;
constexpr std::int16_t visRowThemeProperties = 31;
constexpr std::int16_t visRowReplaceBehaviors = 32;
constexpr std::int16_t visRowLastObject = visRowReplaceBehaviors;
constexpr std::int16_t visRowComponent = 0;
constexpr std::int16_t visRowVertex = 1;

// Row tags (RowType). Rows of sections without types answer visTagDefault.
constexpr std::int16_t visTagDefault = 0;
constexpr std::int16_t visTagTab0 = 136;
constexpr std::int16_t visTagComponent = 137;
constexpr std::int16_t visTagMoveTo = 138;
constexpr std::int16_t visTagLineTo = 139;
constexpr std::int16_t visTagArcTo = 140;
constexpr std::int16_t visTagInfiniteLine = 141;
constexpr std::int16_t visTagEllipse = 143;
constexpr std::int16_t visTagEllipticalArcTo = 144;
constexpr std::int16_t visTagTab2 = 150;
constexpr std::int16_t visTagTab10 = 151;
constexpr std::int16_t visTagCnnctPt = 153;
constexpr std::int16_t visTagCtlPt = 162;
constexpr std::int16_t visTagSplineBeg = 165;
constexpr std::int16_t visTagSplineSpan = 166;
constexpr std::int16_t visTagCtlPtTip = 170;
constexpr std::int16_t visTagCnnctNamed = 185;
constexpr std::int16_t visTagCnnctPtABCD = 186;
constexpr std::int16_t visTagCnnctNamedABCD = 187;
constexpr std::int16_t visTagPolylineTo = 193;
constexpr std::int16_t visTagNURBSTo = 195;
constexpr std::int16_t visTagRelCubBezTo = 236;
constexpr std::int16_t visTagRelQuadBezTo = 237;
constexpr std::int16_t visTagRelMoveTo = 238;
constexpr std::int16_t visTagRelLineTo = 239;
constexpr std::int16_t visTagRelEllipticalArcTo = 240;
// Whether a geometry row's X and Y are fractions of the shape's width and
// height rather than lengths.
constexpr bool IsRelativeRow(std::int16_t tag) {
  return tag >= visTagRelCubBezTo && tag <= visTagRelEllipticalArcTo;
}
// Whether a geometry row type exists (a vertex row, not the component row).
bool IsVertexTag(std::int16_t tag);

// Cells of the Object section's rows.
constexpr std::int16_t visXFormPinX = 0, visXFormPinY = 1, visXFormWidth = 2, visXFormHeight = 3,
                       visXFormLocPinX = 4, visXFormLocPinY = 5, visXFormAngle = 6,
                       visXFormFlipX = 7, visXFormFlipY = 8, visXFormResizeMode = 9;
constexpr std::int16_t visLineWeight = 0, visLineColor = 1, visLinePattern = 2, visLineRounding = 3,
                       visLineEndArrowSize = 4, visLineBeginArrow = 5, visLineEndArrow = 6,
                       visLineEndCap = 7, visLineBeginArrowSize = 8;
constexpr std::int16_t visFillForegnd = 0, visFillBkgnd = 1, visFillPattern = 2,
                       visFillShdwForegnd = 3, visFillShdwBkgnd = 4, visFillShdwPattern = 5;
constexpr std::int16_t vis1DBeginX = 0, vis1DBeginY = 1, vis1DEndX = 2, vis1DEndY = 3;
constexpr std::int16_t visEvtCellTheData = 0, visEvtCellTheText = 1, visEvtCellDblClick = 2,
                       visEvtCellXFMod = 3, visEvtCellDrop = 4;
constexpr std::int16_t visLayerMember = 0;
constexpr std::int16_t visGuideX = 0, visGuideY = 1, visGuideFlags = 2;
constexpr std::int16_t visStyleIncludesLine = 0, visStyleIncludesFill = 1, visStyleIncludesText = 2;
constexpr std::int16_t visFrgnImgOffsetX = 0, visFrgnImgOffsetY = 1, visFrgnImgWidth = 2,
                       visFrgnImgHeight = 3;
constexpr std::int16_t visPageWidth = 0, visPageHeight = 1, visPageShdwOffsetX = 2,
                       visPageShdwOffsetY = 3, visPageScale = 4, visPageDrawingScale = 5,
                       visPageDrawSizeType = 6, visPageDrawScaleType = 7;
constexpr std::int16_t visTxtBlkLeftMargin = 0, visTxtBlkRightMargin = 1, visTxtBlkTopMargin = 2,
                       visTxtBlkBottomMargin = 3, visTxtBlkVerticalAlign = 4, visTxtBlkBkgnd = 5;
// Cells of the other sections.
constexpr std::int16_t visCompNoFill = 0, visCompNoLine = 1, visCompNoShow = 2, visCompNoSnap = 3,
                       visCompNoQuickDrag = 5;
constexpr std::int16_t visX = 0, visY = 1, visBow = 2, visControlX = 2, visControlY = 3,
                       visEccentricityAngle = 4, visAspectRatio = 5;
constexpr std::int16_t visNURBSKnot = 2, visNURBSWeight = 3, visNURBSKnotPrev = 4,
                       visNURBSWeightPrev = 5, visNURBSData = 6, visPolylineData = 2;
constexpr std::int16_t visSplineKnot = 2, visSplineKnot2 = 3, visSplineKnot3 = 4,
                       visSplineDegree = 5;
constexpr std::int16_t visCharacterFont = 0, visCharacterColor = 1, visCharacterStyle = 2,
                       visCharacterCase = 3, visCharacterPos = 4, visCharacterSize = 7,
                       visCharacterLetterspace = 16;
constexpr std::int16_t visFieldCell = 0, visFieldEditMode = 1, visFieldFormat = 2, visFieldType = 3,
                       visFieldUICategory = 4, visFieldUICode = 5, visFieldUIFormat = 6;
// A tab row: the count of its stops, then three cells per stop k at
// visTabPos + 3k (position), visTabAlign + 3k (alignment) and the one
// after (reserved).
constexpr std::int16_t visTabStopCount = 0, visTabPos = 1, visTabAlign = 2;
constexpr std::int16_t visLayerName = 0, visLayerColor = 2, visLayerStatus = 3, visLayerVisible = 4,
                       visLayerPrint = 5, visLayerActive = 6, visLayerLock = 7, visLayerSnap = 8,
                       visLayerGlue = 9, visLayerNameUniv = 10;
constexpr std::int16_t visUserValue = 0, visUserPrompt = 1;
constexpr std::int16_t visCustPropsValue = 0, visCustPropsPrompt = 1, visCustPropsLabel = 2,
                       visCustPropsFormat = 3, visCustPropsSortKey = 4, visCustPropsType = 5,
                       visCustPropsInvis = 6, visCustPropsAsk = 7;
constexpr std::int16_t visHLinkDescription = 0, visHLinkAddress = 1, visHLinkSubAddress = 2,
                       visHLinkExtraInfo = 3, visHLinkFrame = 4, visHLinkNewWin = 5,
                       visHLinkDefault = 7, visHLinkInvisible = 8;

// visCellError values of Cell.Error.
constexpr std::int16_t visErrorSuccess = 0, visErrorDivideByZero = 39, visErrorValue = 47,
                       visErrorReference = 55, visErrorName = 61, visErrorNumber = 68,
                       visErrorNotAvailable = 74;

// ---- kinds of sections and rows ----

inline bool IsGeometrySection(std::int16_t s) {
  return s >= visSectionFirstComponent && s <= visSectionLastComponent;
}
// Whether the Object section row exists for every sheet of the kind.
bool FixedObjectRow(SheetHost::Kind kind, std::int16_t row);

// The tab stops each type of tab row has cells for (visTagTab0 none,
// visTagTab2 three, visTagTab10 ten), and the smallest type for a number
// of stops; more than a row can hold get visTagTab10.
constexpr int kMaxTabStops = 10;
int TabStopsOf(std::int16_t tag);
std::int16_t TabRowTypeFor(int stops);
struct CellAddress {
  std::int16_t section = 0;
  std::int16_t row = 0;
  std::int16_t column = 0;
  friend bool operator==(const CellAddress&, const CellAddress&) = default;
};

// The kind of value a cell holds, for its unit when a formula gives none
// and for how its result is shown.
enum class CellKind : std::uint8_t { Number, Length, Angle, Bool, String };

// ---- the names of cells, from one table ----
//
// Cell.Name and Cells() use Visio's universal names, made from the row
// tables below: Object section cells by their own name ("PinX",
// "LineWeight", "EventDblClick", "PageWidth"); geometry as "Geometry2.X3"
// (section, cell, row) and "Geometry2.NoFill" for the component row;
// Character, Paragraph, Tabs, Text Fields and Layers rows as "Char.Font",
// "Char.Font[2]" for later rows; Scratch and unnamed connection rows as
// "Scratch.X1", "Connections.X2"; rows with names as "User.Cost" for the
// first cell (User, Prop, Controls) and "User.Cost.Prompt",
// "Actions.Row_1.Action", "Hyperlink.Row_1.Address", "Connections.In.X"
// for every cell. Names match ignoring case.
// The cells a row has: its section, and for typed rows its tag (the
// Object section's rows by row index). Column names are the short names
// files use inside a row ("X", "Prompt", "PinX" in the Object section).
struct CellDef {
  std::int16_t column;
  const char* name;
  CellKind kind;
  const char* initial;  // the formula a cell has when nothing sets it
};
// The cells of a row; empty for a row Visio has without cells.
const std::vector<CellDef>& RowCells(std::int16_t section, std::int16_t rowOrTag);
const CellDef* FindRowCell(std::int16_t section, std::int16_t rowOrTag, std::int16_t column);
// The column of a short cell name in a row ("Prompt" in a User row: 1).
std::optional<std::int16_t> ColumnOfName(std::int16_t section, std::int16_t rowOrTag,
                                         std::string_view name);
// An Object section cell by its name ("PinX": row 1, column 0); accepts a
// few older names ("ArrowSize").
std::optional<CellAddress> FindObjectCell(std::string_view name);

}  // namespace standin
