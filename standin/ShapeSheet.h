// The ShapeSheet of a shape, a page or master sheet, or a style: sections
// of rows of cells, each cell a formula and its result, and Visio's
// queries over them.
//
// Inheritance. A sheet holds only what is local to it; everything else it
// sees through SheetHost::InheritedSource (a master's shape, then a
// style). Rows of an inherited section line up by position: a local row
// either stands over the inherited row at the same position (overriding
// some of its cells, or deleting it, as a file's Del flag does) or is a
// row of the sheet's own after the inherited ones. Geometry sections line
// up the same way among themselves. The Object section's rows are fixed by
// index: which exist depends on the kind of host (see FixedObjectRow), and
// optional ones (1-D endpoints, alignment, ...) exist once added locally or
// in the sheet inherited from. Inserting a row among inherited rows makes
// the section local: its rows and cells are copied and it stops following
// the inherited section.
//
// "Local" existence, as SectionExists/RowExists/CellExists ask it with a
// non-zero flag: the sheet itself holds the section (a row of it), the row
// (an override of it, or a row of its own), or a formula for the cell. The
// Object section, its fixed rows and the Character, Paragraph and Tabs
// sections' first row of a shape or style always exist; the fixed object
// rows count as local.
//
// Results. A constant formula (a number with a unit, a string, TRUE or
// FALSE) is its own result. Other formulas are computed when read, in the
// sheet that reads them (an inherited "Width*0.5" uses this shape's
// Width), for the arithmetic, comparisons and functions Visio formulas use
// most (GUARD, IF, MIN, MAX, ABS, SQRT, INT, ROUND, NOT, AND, OR, PI) over
// cells of the same sheet. A formula beyond that (references to other
// sheets, other functions) keeps the result it was given last (SetResult,
// a file's value).
//
// Cell objects. CellObject hands out one Cell object per cell while a
// client holds it. A cell object belongs to its row, not to a position:
// when rows or geometry sections before it go, it follows its row to the
// new index (its Section and Row change), and when its own row goes it
// answers as deleted. So after the second of three geometry sections is
// deleted, CellsSRC(11,0,0) is the object that used to be (12,0,0), not the
// one handed out for (11,0,0) before.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
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
constexpr std::int16_t visCompNoFill = 0, visCompNoLine = 1, visCompNoShow = 2, visCompNoSnap = 3;
constexpr std::int16_t visX = 0, visY = 1, visBow = 2, visControlX = 2, visControlY = 3,
                       visEccentricityAngle = 4, visAspectRatio = 5;
constexpr std::int16_t visNURBSKnot = 2, visNURBSWeight = 3, visNURBSKnotPrev = 4,
                       visNURBSWeightPrev = 5, visNURBSData = 6, visPolylineData = 2;
constexpr std::int16_t visSplineKnot = 2, visSplineKnot2 = 3, visSplineKnot3 = 4,
                       visSplineDegree = 5;
constexpr std::int16_t visCharacterFont = 0, visCharacterColor = 1, visCharacterStyle = 2,
                       visCharacterCase = 3, visCharacterPos = 4, visCharacterSize = 7,
                       visCharacterLetterspace = 16;
constexpr std::int16_t visFieldCell = 0, visFieldFormat = 2, visFieldType = 3;
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

// ---- helpers for formulas ----

// A string as a formula: quoted, inner quotes doubled ("a""b").
std::string QuoteFormula(std::string_view text);
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

// Raises "Document is read-only." when the host's document was opened
// read-only: what every change a client makes through a sheet checks
// first. Loaders and the model's own code write regardless.
void CheckWritable(SheetHost& host);

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

class Cell;
class ShapeSheet;

// A text that costs one pointer while it is empty, as the text of most
// cells is (only cells with a string result have one).
class CompactText {
 public:
  CompactText() = default;
  CompactText(std::string s) { *this = std::move(s); }
  CompactText(const CompactText& o) : p_(o.p_ ? std::make_unique<std::string>(*o.p_) : nullptr) {}
  CompactText(CompactText&&) noexcept = default;
  CompactText& operator=(const CompactText& o) {
    if (this != &o) p_ = o.p_ ? std::make_unique<std::string>(*o.p_) : nullptr;
    return *this;
  }
  CompactText& operator=(CompactText&&) noexcept = default;
  CompactText& operator=(std::string s) {
    if (s.empty()) {
      p_.reset();
    } else if (p_) {
      *p_ = std::move(s);
    } else {
      p_ = std::make_unique<std::string>(std::move(s));
    }
    return *this;
  }
  const std::string& str() const { return p_ ? *p_ : Empty(); }
  operator const std::string&() const { return str(); }
  bool empty() const { return !p_; }
  void clear() { p_.reset(); }
  friend bool operator==(const CompactText& a, const CompactText& b) { return a.str() == b.str(); }

 private:
  static const std::string& Empty() {
    static const std::string empty;
    return empty;
  }
  std::unique_ptr<std::string> p_;  // never an empty string
};

// What a cell holds, as a file records it: a formula, the result it had
// (internal units; text for strings), the result's unit, and its error.
struct CellValue {
  std::string formula;
  double result = 0;
  CompactText text;
  bool isString = false;
  bool isBool = false;
  std::int16_t unit = visNumber;
  std::int16_t error = 0;
  // The formula is inherited; the value is this sheet's own, as a file
  // records it (F="Inh" with a V). Writing the cell makes it a plain local
  // cell again.
  bool inheritedFormula = false;
  // The formula is the constant the value itself gives (a file's V without
  // an F, a result written by a client): `formula` stays empty and
  // FormulaOf writes it when asked. Most cells of a drawing are such
  // constants; their text would cost more than their value.
  bool constant = false;
};

// A cell's formula: its own text, or the constant its value gives ("1.5
// in", "TRUE", "\"text\"").
std::string FormulaOf(const CellValue& v);

class ShapeSheet {
 private:
  struct Memo;
  class Scope {
   public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    bool owner_ = false;  // the outermost scope, which empties the memo at its end
  };
  // What a member that changes the sheet opens instead of a Scope: the
  // change counts before and after it.
  struct Change {
    Change();
    ~Change();
    Change(const Change&) = delete;
    Change& operator=(const Change&) = delete;
    Scope scope;
  };

 public:
  explicit ShapeSheet(SheetHost& host);
  ~ShapeSheet();
  ShapeSheet(const ShapeSheet&) = delete;
  ShapeSheet& operator=(const ShapeSheet&) = delete;

  // Working out which rows a section has (its own and the inherited ones)
  // takes a pass over the section and the sheets it inherits from. Within
  // one call of a member below, that is done once per section and kept;
  // a Batch keeps it from one call to the next while it lives, for a
  // caller that makes many (a loader filling a sheet row by row). While a
  // Batch lives, sheets may change only through these members: nothing
  // may change where a sheet inherits from (masters, styles).
  class Batch {
   public:
    Batch() = default;

   private:
    Scope scope_;
  };

  SheetHost& Host() const { return *host_; }

  // ---- what exists (the members of the same names) ----
  bool SectionExists(std::int16_t s, bool local) const;
  bool RowExists(std::int16_t s, std::int16_t r, bool local) const;
  bool CellExists(std::int16_t s, std::int16_t r, std::int16_t c, bool local) const;
  // Rows as the host sees them, inherited ones included; 0 for a section
  // that does not exist. The Object section counts its existing rows.
  std::int16_t RowCount(std::int16_t s) const;
  // Raise "Unexpected end of file." for a row that does not exist.
  std::int16_t RowType(std::int16_t s, std::int16_t r) const;
  std::int16_t RowsCellCount(std::int16_t s, std::int16_t r) const;
  std::string RowName(std::int16_t s, std::int16_t r) const;  // "" for unnamed rows
  std::int16_t GeometryCount() const;
  // Existing sections in index order; the Object section's existing rows.
  std::vector<std::int16_t> SectionIndices() const;
  std::vector<std::int16_t> ObjectRows() const;
  std::optional<std::int16_t> RowIndexByName(std::int16_t s, std::string_view name) const;

  // ---- names ----
  // A cell name as Cells() takes it, resolved against this sheet: nullopt
  // when the name is well formed but the row or cell does not exist here;
  // raises "Bad cell name." for a name no sheet has.
  std::optional<CellAddress> FindCell(std::string_view name) const;
  std::string CellName(std::int16_t s, std::int16_t r, std::int16_t c) const;

  // ---- values (every reader raises "Unexpected end of file." for a cell
  // that does not exist) ----
  std::string Formula(std::int16_t s, std::int16_t r, std::int16_t c) const;
  // The result, computed now; see the header comment.
  CellValue Value(std::int16_t s, std::int16_t r, std::int16_t c) const;
  double ResultIU(std::int16_t s, std::int16_t r, std::int16_t c) const;
  double ResultIU(std::string_view name) const;
  // The result as text: a string's text, a number as ResultStr(visNoCast).
  std::string ResultString(std::int16_t s, std::int16_t r, std::int16_t c) const;
  bool IsInherited(std::int16_t s, std::int16_t r, std::int16_t c) const;
  bool IsGuarded(std::int16_t s, std::int16_t r, std::int16_t c) const;
  // A formula computed in this sheet as a cell's would be; nullopt when it
  // fails or is beyond what the sheet computes.
  std::optional<CellValue> Evaluate(std::string_view formula) const;
  // The kind of value the cell is made for (its row's definition).
  CellKind KindOf(std::int16_t s, std::int16_t r, std::int16_t c) const;

  // ---- values files record for inherited formulas (F="Inh" with a V) ----
  // Such a value is what Visio shows until it recalculates the cell: the
  // cells that hold one; the value a cell gets when recalculated (its
  // inherited formula computed here, or the value where it inherits from);
  // and letting the recorded value go, after which the cell is inherited
  // as any other.
  std::vector<CellAddress> RecordedCells() const;
  CellValue Recalculated(std::int16_t s, std::int16_t r, std::int16_t c) const;
  void ForgetRecorded(std::int16_t s, std::int16_t r, std::int16_t c);

  // ---- writing ----
  // Cell.Formula: a plain write to a GUARDed cell raises "Cell is
  // guarded."; force writes anyway (FormulaForce). The formula is checked
  // as Visio checks it ("#NAME?" for names it does not know). Writing an
  // inherited cell makes it local.
  void SetFormula(std::int16_t s, std::int16_t r, std::int16_t c, std::string formula, bool force);
  // Cell.Result and friends: a constant formula of v in unit.
  void SetResultIn(std::int16_t s, std::int16_t r, std::int16_t c, double v, std::int16_t unit,
                   bool force);
  // The result a formula gave, for formulas this sheet does not compute.
  void SetResult(std::int16_t s, std::int16_t r, std::int16_t c, double iu);
  // A cell exactly as a file holds it: no checks, no guard.
  void LoadCell(std::int16_t s, std::int16_t r, std::int16_t c, CellValue value);
  // The same for several cells of one row (column, value), at the cost of
  // one look-up of the row.
  void LoadCells(std::int16_t s, std::int16_t r,
                 std::vector<std::pair<std::int16_t, CellValue>> cells);
  // A row a file holds, with or without cells: it becomes the sheet's own
  // (RowExists with the local flag), standing over the inherited row.
  void LoadRow(std::int16_t s, std::int16_t r);
  // Gives back the room kept for growth, once a loader has filled the
  // sheet: a large drawing holds many sheets that seldom change after.
  void Compact();
  void SetRowType(std::int16_t s, std::int16_t r, std::int16_t tag);
  // Names a row of a section whose rows have names; raises "Invalid
  // parameter." for names Visio refuses (empty, taken, not a name).
  void SetRowName(std::int16_t s, std::int16_t r, const std::string& name);

  // ---- structure (the members of the same names) ----
  // A new geometry section goes after the others; another section is
  // made if it does not exist yet. Returns the section's index.
  std::int16_t AddSection(std::int16_t s);
  // Inserts at r, or appends for visRowLast; a tag of 0 gives the
  // section's usual row type. Makes the section if it is missing (not a
  // geometry section). Rows of User, Prop, Action, Controls and Hyperlink
  // sections are named Row_1, Row_2, ... Returns the row's index.
  std::int16_t AddRow(std::int16_t s, std::int16_t r, std::int16_t tag);
  std::int16_t AddRows(std::int16_t s, std::int16_t r, std::int16_t tag, std::int16_t count);
  std::int16_t AddNamedRow(std::int16_t s, const std::string& name, std::int16_t tag);
  // Deleting an inherited section or row marks it deleted in this sheet;
  // a loader applying a file's Del flags deletes from the highest row down.
  void DeleteSection(std::int16_t s);
  void DeleteRow(std::int16_t s, std::int16_t r);
  // Deletes rows of a section (not the Object section) as DeleteRow one
  // by one from the highest down would, in one pass; rows DeleteRow would
  // refuse, or that do not exist, stay.
  void DeleteRows(std::int16_t s, std::vector<std::int16_t> rows);

  // Copies another sheet's local content (master edit copies); cell
  // objects of rows that both have keep their identity.
  void CopyFrom(const ShapeSheet& other);
  // Applying a style without keeping formatting: drops the local cells of
  // the line, fill or text parts.
  void ClearLocalFormatting(bool line, bool fill, bool text);

  // ---- cell objects ----
  Ref<Cell> CellObject(std::int16_t s, std::int16_t r, std::int16_t c);

 private:
  friend class Cell;
  class CellMap;
  struct RowData;
  struct SectionData;
  struct SectionRef;
  struct RowRef;
  struct Evaluator;
  // A cell object's binding: the kind of section, its row's identity and
  // its column.
  struct CellKey {
    std::int16_t sectionClass;
    std::uint64_t row;
    std::int16_t column;
    auto operator<=>(const CellKey&) const = default;
  };

  // Snapshots: what a section's rows or the geometry sections were when
  // asked; pointers in them hold until the sheets they come from change.
  using RowList = std::shared_ptr<const std::vector<RowRef>>;
  using GeometryList = std::shared_ptr<const std::vector<SectionRef>>;

  std::optional<SectionRef> Resolve(std::int16_t s, int depth = 0) const;
  std::optional<SectionRef> ResolveNow(std::int16_t s, int depth) const;
  // The formula a cell inherits: its source's, or the cell's initial one.
  std::string InheritedFormula(std::int16_t s, std::int16_t r, std::int16_t c) const;
  RowList Rows(const SectionRef& sec, int depth = 0) const;
  std::vector<RowRef> RowsNow(const SectionRef& sec, int depth) const;
  GeometryList Geometry(int depth = 0) const;
  std::vector<SectionRef> GeometryNow(int depth) const;
  SheetHost* Source(std::int16_t s, std::int16_t r) const;
  // Whether the rows of the section come, at some depth, from this sheet
  // itself (inheritance that goes round).
  bool InheritsFromItself(const SectionRef& sec) const;
  // Keeping the memo right after a change. ForgetRows drops all of it.
  // MendableRows: this sheet's list of section s, ready to be mended in
  // place, when it has one that can be; every other list of the section
  // goes (those of sheets that inherit from this one). The others mend it
  // after a row went into the section's storage at `at` (which was at
  // oldBase before), was retyped or renamed, or left the section (erased
  // from `local` at `at`, or an inherited row marked deleted).
  void ForgetRows() const;
  struct RowsEntry;
  RowsEntry* MendableRows(std::int16_t s) const;
  RowsEntry* RowInserted(std::int16_t s, const SectionData& local, const RowData* oldBase,
                         std::size_t at) const;
  void RowChanged(std::int16_t s, std::int16_t r, const RowData& row, bool renamed) const;
  void RowRemoved(std::int16_t s, std::int16_t r, const SectionData* local, std::size_t at) const;
  SectionData& SectionSlot(std::int16_t s);
  std::int16_t InsertRow(std::int16_t s, std::int16_t r, std::int16_t tag, std::string name);
  bool ObjectRowExists(std::int16_t r, int depth = 0) const;
  const RowData* LocalObjectRow(std::int16_t r) const;
  bool FixedSection(std::int16_t s) const;
  // Where the cell's value lives (this sheet or one it inherits from);
  // null when nothing holds it.
  // `own`: false leaves this sheet's own cell aside and looks where it
  // inherits from.
  // `holder`, when given, is set to the sheet that holds it.
  const CellValue* Stored(std::int16_t s, std::int16_t r, std::int16_t c, int depth = 0,
                          bool own = true, const ShapeSheet** holder = nullptr) const;
  std::int16_t TagOf(std::int16_t s, std::int16_t r) const;
  const CellDef& CheckedDef(std::int16_t s, std::int16_t r, std::int16_t c) const;
  CellValue Compute(std::int16_t s, std::int16_t r, std::int16_t c, Evaluator& ev) const;
  CellValue ComputeNow(std::int16_t s, std::int16_t r, std::int16_t c, Evaluator& ev) const;
  // Results kept while nothing changes (see the memo).
  const CellValue* KeptValue(std::int16_t s, std::int16_t r, std::int16_t c) const;
  void KeepValue(std::int16_t s, std::int16_t r, std::int16_t c, const CellValue& v) const;
  RowData& LocalRow(std::int16_t s, std::int16_t r);
  SectionData& LocalSection(std::int16_t s, const SectionRef* resolved = nullptr);
  void Detach(std::int16_t s);
  std::string NewRowName(std::int16_t s) const;
  std::optional<CellAddress> Locate(const CellKey& key) const;
  CellKey KeyOf(std::int16_t s, std::int16_t r, std::int16_t c) const;
  void Forget(const CellKey& key, const Cell* cell);
  void CheckFormula(std::string_view formula) const;

  SheetHost* host_;
  std::map<std::int16_t, SectionData> sections_;  // by index; geometry apart
  std::vector<SectionData> geometry_;             // in order of their keys
  std::map<CellKey, Cell*> cells_;                // cell objects alive
};

// ---- the sheet members IVShape and IVStyle share ----

namespace sheetmembers {
Variant CellsSRC(SheetHost& h, Args a);
Variant Cells(SheetHost& h, Args a);
Variant CellExists(SheetHost& h, Args a);
Variant CellsSRCExists(SheetHost& h, Args a);
Variant CellsRowIndex(SheetHost& h, Args a);
Variant SectionExists(SheetHost& h, Args a);
Variant RowExists(SheetHost& h, Args a);
Variant RowType(SheetHost& h, Args a);
void PutRowType(SheetHost& h, Args a, const Variant& v);
Variant RowCount(SheetHost& h, Args a);
Variant RowsCellCount(SheetHost& h, Args a);
Variant GeometryCount(SheetHost& h);
Variant AddSection(SheetHost& h, Args a);
Variant AddRow(SheetHost& h, Args a);
Variant AddRows(SheetHost& h, Args a);
Variant AddNamedRow(SheetHost& h, Args a);
Variant DeleteSection(SheetHost& h, Args a);
Variant DeleteRow(SheetHost& h, Args a);
}  // namespace sheetmembers

// Registers CellsSRC, Cells, CellsU, CellExists, CellExistsU,
// CellsSRCExists, CellsRowIndex, CellsRowIndexU, SectionExists,
// RowExists, RowType (read and write), RowCount, RowsCellCount,
// GeometryCount, AddSection, AddRow, AddRows, AddNamedRow, DeleteSection
// and DeleteRow for a class that is a VisioObject and a SheetHost.
template <class T>
void AddSheetMembers(MemberTableBuilder<T>& b) {
  namespace m = sheetmembers;
  auto host = [](T& t) -> SheetHost& { return t; };
  b.Get("CellsSRC", [=](T& t, Args a) { return m::CellsSRC(host(t), a); })
      .Get("Cells", [=](T& t, Args a) { return m::Cells(host(t), a); })
      .Get("CellsU", [=](T& t, Args a) { return m::Cells(host(t), a); })
      .Get("CellExists", [=](T& t, Args a) { return m::CellExists(host(t), a); })
      .Get("CellExistsU", [=](T& t, Args a) { return m::CellExists(host(t), a); })
      .Get("CellsSRCExists", [=](T& t, Args a) { return m::CellsSRCExists(host(t), a); })
      .Get("CellsRowIndex", [=](T& t, Args a) { return m::CellsRowIndex(host(t), a); })
      .Get("CellsRowIndexU", [=](T& t, Args a) { return m::CellsRowIndex(host(t), a); })
      .Get("SectionExists", [=](T& t, Args a) { return m::SectionExists(host(t), a); })
      .Get("RowExists", [=](T& t, Args a) { return m::RowExists(host(t), a); })
      .Prop(
          "RowType", [=](T& t, Args a) { return m::RowType(host(t), a); },
          [=](T& t, Args a, const Variant& v) { m::PutRowType(host(t), a, v); })
      .Get("RowCount", [=](T& t, Args a) { return m::RowCount(host(t), a); })
      .Get("RowsCellCount", [=](T& t, Args a) { return m::RowsCellCount(host(t), a); })
      .Get("GeometryCount", [=](T& t) { return m::GeometryCount(host(t)); })
      .Method("AddSection", [=](T& t, Args a) { return m::AddSection(host(t), a); })
      .Method("AddRow", [=](T& t, Args a) { return m::AddRow(host(t), a); })
      .Method("AddRows", [=](T& t, Args a) { return m::AddRows(host(t), a); })
      .Method("AddNamedRow", [=](T& t, Args a) { return m::AddNamedRow(host(t), a); })
      .Method("DeleteSection", [=](T& t, Args a) { return m::DeleteSection(host(t), a); })
      .Method("DeleteRow", [=](T& t, Args a) { return m::DeleteRow(host(t), a); });
}

}  // namespace standin
