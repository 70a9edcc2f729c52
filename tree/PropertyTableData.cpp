// The property tables. Each table lists one interface's properties in
// display order: PropIndex (the property's ordinal among the interface's
// properties sorted by name), caption name, node class, access, NodeKind,
// value table, index style and index table. Each array property has one line
// in the interface's element table: the element class, NodeKind and
// ObjSource, which elements are made, and how the indexed getter takes the
// element's Index.
#include "lut/Tarvel_TLUT.h"
#include "lut/Tarvel_TreeNodeLUTs.h"
#include "tree/PropertyTables.h"
#include "tree/ValueText.h"

namespace property_tables {
namespace {

using enum TNodeClass;
using enum TNodeKind;
using enum TIndexStyle;
using enum TVisObjSource;
using enum TElementsMade;
using enum TIndexArg;
using enum TPut;

constexpr TAccessKind RW = TAccessKind::ReadWrite;
constexpr TAccessKind RO = TAccessKind::ReadOnly;
constexpr TAccessKind WO = TAccessKind::WriteOnly;

// The two tables that are not part of the catalogue, and the value table a
// cell node passes on to its ResultIU.
constexpr TLUTRef LUT_TrueFalse{TLUTRef::Kind::TrueFalse};
constexpr TLUTRef LUT_Hex{TLUTRef::Kind::Hex};
constexpr TLUTRef MakerValueLUT{TLUTRef::Kind::MakerValueLUT};

constexpr std::string_view NotAvail = kLUTSizeNotAvail;
constexpr std::string_view Unavaliable = kLUTSizeUnavaliable;

constexpr TIdentifying EmptyForm() {
  return {TIdentForm::Empty};
}
constexpr TIdentifying Quoted(std::string_view property, int cut = 0) {
  return {TIdentForm::QuotedProperty, property, cut};
}
constexpr TIdentifying CountForm() {
  return {TIdentForm::Count};
}
constexpr TIdentifying OwnForm() {
  return {TIdentForm::OwnForm};
}

template <class... E>
constexpr TKindSet Answers(E... kinds) {
  return static_cast<TKindSet>((TKindSet{0} | ... | KindBit(kinds)));
}

// clang-format off

// IVApplication (TND_IVApplication)
constexpr TPropRow IVApplicationRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {27, "ObjectType",         TND_Smallint,      RO, Id,                  LUT_VisObjectTypes,    NoIndex, {}},
    {29, "Path",               TND_WideString,    RO, Id,                  {},                    NoIndex, {}},
    {47, "Version",            TND_WideString,    RO, Id,                  {},                    NoIndex, {}},
    {5,  "Addons",             TND_IVAddons,      RO, VisCollection,       {},                    NoIndex, {}},
    {15, "Documents",          TND_IVDocuments,   RO, VisCollection,       {},                    NoIndex, {}},
    {18, "EventList",          TND_IVEventList,   RO, VisCollection,       {},                    NoIndex, {}},
    {50, "Windows",            TND_IVWindows,     RO, VisCollection,       {},                    NoIndex, {}},
    {9,  "BuiltInToolbars",    TND_Array,         RO, VisCollection,       {},                    LUT,     LUT_VisToolbarFlavors_Single},
    {1,  "ActiveDocument",     TND_IVDocument,    RO, VisObject,           {},                    NoIndex, {}},
    {2,  "ActivePage",         TND_IVPage,        RO, VisObject,           {},                    NoIndex, {}},
    {3,  "ActiveWindow",       TND_IVWindow,      RO, VisObject,           {},                    NoIndex, {}},
    {7,  "Application_",       TND_IVApplication, RO, VisObject,           {},                    NoIndex, {}},
    {8,  "BuiltInMenus",       TND_IVUIObject,    RO, VisObject,           {},                    NoIndex, {}},
    {10, "CustomMenus",        TND_IVUIObject,    RO, VisObject,           {},                    NoIndex, {}},
    {12, "CustomToolbars",     TND_IVUIObject,    RO, VisObject,           {},                    NoIndex, {}},
    {17, "EventInfo",          TND_Array,         RO, SimplePropertyArray, {},                    LUT,     {}},
    {0,  "Active",             TND_Smallint,      RO, SimpleProperty,      LUT_TrueFalse,         NoIndex, {}},
    {4,  "AddonPaths",         TND_WideString,    RW, SimpleProperty,      {},                    NoIndex, {}},
    {6,  "AlertResponse",      TND_Smallint,      RW, SimpleProperty,      {},                    NoIndex, {}},
    {11, "CustomMenusFile",    TND_WideString,    RW, SimpleProperty,      {},                    NoIndex, {}},
    {13, "CustomToolbarsFile", TND_WideString,    RW, SimpleProperty,      {},                    NoIndex, {}},
    {14, "DeferRecalc",        TND_Smallint,      RW, SimpleProperty,      LUT_TrueFalse,         NoIndex, {}},
    {16, "DrawingPaths",       TND_WideString,    RW, SimpleProperty,      {},                    NoIndex, {}},
    {19, "EventsEnabled",      TND_Smallint,      RW, SimpleProperty,      LUT_TrueFalse,         NoIndex, {}},
    {20, "FilterPaths",        TND_WideString,    RW, SimpleProperty,      {},                    NoIndex, {}},
    {21, "HelpPaths",          TND_WideString,    RW, SimpleProperty,      {},                    NoIndex, {}},
    {22, "InstanceHandle",     TND_Smallint,      RO, SimpleProperty,      {},                    NoIndex, {}},
    {23, "InstanceHandle32",   TND_Integer,       RO, SimpleProperty,      {},                    NoIndex, {}},
    {24, "IsVisio16",          TND_Smallint,      RO, SimpleProperty,      LUT_TrueFalse,         NoIndex, {}},
    {25, "IsVisio32",          TND_Smallint,      RO, SimpleProperty,      LUT_TrueFalse,         NoIndex, {}},
    {26, "Language",           TND_Integer,       RO, SimpleProperty,      {},                    NoIndex, {}},
    {28, "OnDataChangeDelay",  TND_Integer,       RW, SimpleProperty,      {},                    NoIndex, {}},
    {30, "PersistsEvents",     TND_Smallint,      RO, SimpleProperty,      LUT_TrueFalse,         NoIndex, {}},
    {31, "ProcessID",          TND_Integer,       RO, SimpleProperty,      {},                    NoIndex, {}},
    {32, "ProfileName",        TND_WideString,    RO, SimpleProperty,      {},                    NoIndex, {}},
    {33, "PromptForSummary",   TND_Smallint,      RW, SimpleProperty,      LUT_TrueFalse,         NoIndex, {}},
    {34, "ScreenUpdating",     TND_Smallint,      RW, SimpleProperty,      LUT_TrueFalse,         NoIndex, {}},
    {35, "ShowMenus",          TND_Smallint,      RW, SimpleProperty,      LUT_TrueFalse,         NoIndex, {}},
    {36, "ShowProgress",       TND_Smallint,      RW, SimpleProperty,      LUT_TrueFalse,         NoIndex, {}},
    {37, "ShowStatusBar",      TND_Smallint,      RW, SimpleProperty,      LUT_TrueFalse,         NoIndex, {}},
    {38, "ShowToolbar",        TND_Smallint,      RW, SimpleProperty,      LUT_TrueFalse,         NoIndex, {}},
    {39, "StartupPaths",       TND_WideString,    RW, SimpleProperty,      {},                    NoIndex, {}},
    {40, "Stat",               TND_Smallint,      RO, SimpleProperty,      LUT_Hex,               NoIndex, {}},
    {41, "StencilPaths",       TND_WideString,    RW, SimpleProperty,      {},                    NoIndex, {}},
    {42, "TemplatePaths",      TND_WideString,    RW, SimpleProperty,      {},                    NoIndex, {}},
    {43, "ToolbarStyle",       TND_Smallint,      RW, SimpleProperty,      LUT_VisToolbarFlavors, NoIndex, {}},
    {44, "TraceFlags",         TND_Integer,       RW, SimpleProperty,      {},                    NoIndex, {}},
    {45, "UserName",           TND_WideString,    RW, SimpleProperty,      {},                    NoIndex, {}},
    {46, "Vbe",                TND_IDispatch,     RO, SimpleProperty,      {},                    NoIndex, {}},
    {48, "WindowHandle",       TND_Smallint,      RO, SimpleProperty,      {},                    NoIndex, {}},
    {49, "WindowHandle32",     TND_Integer,       RO, SimpleProperty,      {},                    NoIndex, {}},
};
constexpr TElementRow IVApplicationElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"BuiltInToolbars", TND_IVUIObject, VisObject,      RefreshFromAncestor, EachEntry,        LUT_VisToolbarFlavors_Single, ArgSmallint},
    {"EventInfo",       TND_WideString, SimpleProperty, NoVisObject,         ExactlyOneIndex0, {},                           ArgLong,    Unavaliable},
};
constexpr TVisInterface IVApplicationInterface{
    .Name = "IVApplication",
    .Class = TND_IVApplication,
    .Identifying = Quoted("Path"),
    .IndexKinds = Answers(),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVApplicationRows,
    .Elements = IVApplicationElements,
};

// IVCell (TND_IVCell)
constexpr TPropRow IVCellRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {1,  "Column",             TND_Smallint,      RO, Id,                  {},                 NoIndex, {}},
    {9,  "LocalName",          TND_WideString,    RO, Id,                  {},                 NoIndex, {}},
    {10, "Name",               TND_WideString,    RO, Id,                  {},                 NoIndex, {}},
    {11, "ObjectType",         TND_Smallint,      RO, Id,                  LUT_VisObjectTypes, NoIndex, {}},
    {21, "Row",                TND_Smallint,      RO, Id,                  {},                 NoIndex, {}},
    {22, "RowName",            TND_WideString,    RW, Id,                  {},                 NoIndex, {}},
    {23, "Section",            TND_Smallint,      RO, Id,                  {},                 NoIndex, {}},
    {4,  "EventList",          TND_IVEventList,   RO, VisCollection,       {},                 NoIndex, {}},
    {0,  "Application_",       TND_IVApplication, RO, VisObject,           {},                 NoIndex, {}},
    {2,  "Document",           TND_IVDocument,    RO, VisObject,           {},                 NoIndex, {}},
    {24, "Shape",              TND_IVShape,       RO, VisObject,           {},                 NoIndex, {}},
    {26, "Style",              TND_IVStyle,       RO, VisObject,           {},                 NoIndex, {}},
    {13, "ResultForce",        TND_Array,         WO, SimplePropertyArray, {},                 LUT,     {}},
    {14, "ResultFromInt",      TND_Array,         WO, SimplePropertyArray, {},                 LUT,     {}},
    {15, "ResultFromIntForce", TND_Array,         WO, SimplePropertyArray, {},                 LUT,     {}},
    {18, "ResultInt",          TND_Array,         RO, SimplePropertyArray, {},                 LUT,     LUT_VisUnitCodes},
    {19, "ResultStr",          TND_Array,         RO, SimplePropertyArray, {},                 LUT,     LUT_VisUnitCodes},
    {20, "Result_",            TND_Array,         RW, SimplePropertyArray, {},                 LUT,     LUT_VisUnitCodes},
    {3,  "Error",              TND_Smallint,      RO, SimpleProperty,      LUT_VisCellError,   NoIndex, {}},
    {5,  "Formula",            TND_WideString,    RW, SimpleProperty,      {},                 NoIndex, {}},
    {6,  "FormulaForce",       TND_WideString,    WO, SimpleProperty,      {},                 NoIndex, {}},
    {7,  "IsConstant",         TND_Smallint,      RO, SimpleProperty,      LUT_TrueFalse,      NoIndex, {}},
    {8,  "IsInherited",        TND_Smallint,      RO, SimpleProperty,      LUT_TrueFalse,      NoIndex, {}},
    {12, "PersistsEvents",     TND_Smallint,      RO, SimpleProperty,      LUT_TrueFalse,      NoIndex, {}},
    {16, "ResultIU",           TND_Double,        RW, SimpleProperty,      MakerValueLUT,      NoIndex, {}},
    {17, "ResultIUForce",      TND_Double,        WO, SimpleProperty,      {},                 NoIndex, {}},
    {25, "Stat",               TND_Smallint,      RO, SimpleProperty,      LUT_Hex,            NoIndex, {}},
    {27, "Units",              TND_Smallint,      RO, SimpleProperty,      LUT_VisUnitCodes,   NoIndex, {}},
};
constexpr TElementRow IVCellElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"ResultForce",        TND_Double,     SimpleProperty, NoVisObject, ExactlyOneIndex0, {},               ArgUnitCode},
    {"ResultFromInt",      TND_Integer,    SimpleProperty, NoVisObject, ExactlyOneIndex0, {},               ArgUnitCode},
    {"ResultFromIntForce", TND_Integer,    SimpleProperty, NoVisObject, ExactlyOneIndex0, {},               ArgUnitCode},
    {"ResultInt",          TND_Integer,    SimpleProperty, NoVisObject, EachEntry,        LUT_VisUnitCodes, ArgUnitCodeRounded},
    {"ResultStr",          TND_WideString, SimpleProperty, NoVisObject, EachEntry,        LUT_VisUnitCodes, ArgUnitCode},
    {"Result_",            TND_Double,     SimpleProperty, NoVisObject, EachEntry,        LUT_VisUnitCodes, ArgUnitCode},
};
constexpr TVisInterface IVCellInterface{
    .Name = "IVCell",
    .Class = TND_IVCell,
    .Identifying = Quoted("Name"),
    .IndexKinds = Answers(TIndexKind::Section, TIndexKind::Row, TIndexKind::Column),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Cell,
    .Rows = IVCellRows,
    .Elements = IVCellElements,
};

// IVCharacters (TND_IVCharacters)
constexpr TPropRow IVCharactersRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {13, "ObjectType",     TND_Smallint,      RO, Id,                  LUT_VisObjectTypes,      NoIndex, {}},
    {7,  "EventList",      TND_IVEventList,   RO, VisCollection,       {},                      NoIndex, {}},
    {0,  "Application_",   TND_IVApplication, RO, VisObject,           {},                      NoIndex, {}},
    {5,  "Document",       TND_IVDocument,    RO, VisObject,           {},                      NoIndex, {}},
    {19, "Shape",          TND_IVShape,       RO, VisObject,           {},                      NoIndex, {}},
    {3,  "CharProps",      TND_Array,         WO, SimplePropertyArray, {},                      LUT,     {}},
    {4,  "CharPropsRow",   TND_Array,         RO, SimplePropertyArray, {},                      LUT,     LUT_VisCharsBias},
    {14, "ParaProps",      TND_Array,         WO, SimplePropertyArray, LUT_VisCellIndices_Para, LUT,     {}},
    {15, "ParaPropsRow",   TND_Array,         RO, SimplePropertyArray, {},                      LUT,     LUT_VisCharsBias},
    {17, "RunBegin",       TND_Array,         RO, SimplePropertyArray, {},                      LUT,     LUT_VisRunTypes},
    {18, "RunEnd",         TND_Array,         RO, SimplePropertyArray, {},                      LUT,     LUT_VisRunTypes},
    {21, "TabPropsRow",    TND_Array,         RO, SimplePropertyArray, {},                      LUT,     LUT_VisCharsBias},
    {1,  "Begin_",         TND_Integer,       RW, SimpleProperty,      {},                      NoIndex, {}},
    {2,  "CharCount",      TND_Integer,       RO, SimpleProperty,      {},                      NoIndex, {}},
    {6,  "End_",           TND_Integer,       RW, SimpleProperty,      {},                      NoIndex, {}},
    {8,  "FieldCategory",  TND_Smallint,      RO, SimpleProperty,      LUT_VisFieldCategories,  NoIndex, {}},
    {9,  "FieldCode",      TND_Smallint,      RO, SimpleProperty,      {},                      NoIndex, {}},
    {10, "FieldFormat",    TND_Smallint,      RO, SimpleProperty,      LUT_VisFieldFormats,     NoIndex, {}},
    {11, "FieldFormula",   TND_WideString,    RO, SimpleProperty,      {},                      NoIndex, {}},
    {12, "IsField",        TND_Smallint,      RO, SimpleProperty,      LUT_TrueFalse,           NoIndex, {}},
    {16, "PersistsEvents", TND_Smallint,      RO, SimpleProperty,      LUT_TrueFalse,           NoIndex, {}},
    {20, "Stat",           TND_Smallint,      RO, SimpleProperty,      LUT_Hex,                 NoIndex, {}},
    {22, "Text",           TND_OleVariant,    RW, SimpleProperty,      {},                      NoIndex, {},              NoPut},
    {23, "TextAsString",   TND_WideString,    RO, SimpleProperty,      {},                      NoIndex, {}},
};
constexpr TElementRow IVCharactersElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"CharProps",    TND_Smallint, SimpleProperty, NoVisObject, ExactlyOneIndex0, {},               ArgSmallint},
    {"CharPropsRow", TND_Smallint, SimpleProperty, NoVisObject, EachEntry,        LUT_VisCharsBias, ArgSmallint},
    {"ParaProps",    TND_Smallint, SimpleProperty, NoVisObject, ExactlyOneIndex0, {},               ArgSmallint},
    {"ParaPropsRow", TND_Smallint, SimpleProperty, NoVisObject, EachEntry,        LUT_VisCharsBias, ArgSmallint},
    {"RunBegin",     TND_Integer,  SimpleProperty, NoVisObject, EachEntry,        LUT_VisRunTypes,  ArgSmallint},
    {"RunEnd",       TND_Integer,  SimpleProperty, NoVisObject, EachEntry,        LUT_VisRunTypes,  ArgSmallint},
    {"TabPropsRow",  TND_Smallint, SimpleProperty, NoVisObject, EachEntry,        LUT_VisCharsBias, ArgSmallint},
};
constexpr TVisInterface IVCharactersInterface{
    .Name = "IVCharacters",
    .Class = TND_IVCharacters,
    .Identifying = Quoted("TextAsString", 70),
    .IndexKinds = Answers(),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVCharactersRows,
    .Elements = IVCharactersElements,
};

// IVConnect (TND_IVConnect)
constexpr TPropRow IVConnectRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {5,  "Index",        TND_Smallint,      RO, Id,             {},                 NoIndex, {}},
    {6,  "ObjectType",   TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {0,  "Application_", TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {1,  "Document",     TND_IVDocument,    RO, VisObject,      {},                 NoIndex, {}},
    {2,  "FromCell",     TND_IVCell,        RO, VisObject,      {},                 NoIndex, {}},
    {4,  "FromSheet",    TND_IVShape,       RO, VisObject,      {},                 NoIndex, {}},
    {8,  "ToCell",       TND_IVCell,        RO, VisObject,      {},                 NoIndex, {}},
    {10, "ToSheet",      TND_IVShape,       RO, VisObject,      {},                 NoIndex, {}},
    {3,  "FromPart",     TND_Smallint,      RO, SimpleProperty, LUT_VisFromParts,   NoIndex, {}},
    {7,  "Stat",         TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex, {}},
    {9,  "ToPart",       TND_Smallint,      RO, SimpleProperty, LUT_VisToParts,     NoIndex, {}},
};
constexpr TVisInterface IVConnectInterface{
    .Name = "IVConnect",
    .Class = TND_IVConnect,
    .Identifying = EmptyForm(),
    .IndexKinds = Answers(TIndexKind::Index),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Member,
    .Rows = IVConnectRows,
    .Elements = {},
};

// IVConnects (TND_IVConnects)
constexpr TPropRow IVConnectsRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {5, "ObjectType",   TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {1, "Count",        TND_Smallint,      RO, SimpleProperty, {},                 NoIndex, {}},
    {4, "Item",         TND_Array,         RO, VisCollection,  {},                 Item1,   {}},
    {0, "Application_", TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {2, "Document",     TND_IVDocument,    RO, VisObject,      {},                 NoIndex, {}},
    {3, "FromSheet",    TND_IVShape,       RO, VisObject,      {},                 NoIndex, {}},
    {7, "ToSheet",      TND_IVShape,       RO, VisObject,      {},                 NoIndex, {}},
    {6, "Stat",         TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex, {}},
};
constexpr TElementRow IVConnectsElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVConnect, VisObject, RefreshFromAncestor, Index1ToCount, {}, ArgItem},
};
constexpr TVisInterface IVConnectsInterface{
    .Name = "IVConnects",
    .Class = TND_IVConnects,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVConnectsRows,
    .Elements = IVConnectsElements,
};

// IVDocument (TND_IVDocument)
constexpr TPropRow IVDocumentRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {5,  "Company",            TND_WideString,    RW, Id,                  {},                           NoIndex, {}},
    {6,  "Creator",            TND_WideString,    RW, Id,                  {},                           NoIndex, {}},
    {15, "Description",        TND_WideString,    RW, Id,                  {},                           NoIndex, {}},
    {18, "FullName",           TND_WideString,    RO, Id,                  {},                           NoIndex, {}},
    {21, "Index",              TND_Smallint,      RO, Id,                  {},                           NoIndex, {}},
    {24, "Manager",            TND_WideString,    RW, Id,                  {},                           NoIndex, {}},
    {27, "Name",               TND_WideString,    RO, Id,                  {},                           NoIndex, {}},
    {29, "ObjectType",         TND_Smallint,      RO, Id,                  LUT_VisObjectTypes,           NoIndex, {}},
    {34, "Path",               TND_WideString,    RO, Id,                  {},                           NoIndex, {}},
    {49, "Subject",            TND_WideString,    RW, Id,                  {},                           NoIndex, {}},
    {51, "Title",              TND_WideString,    RW, Id,                  {},                           NoIndex, {}},
    {54, "Version",            TND_Integer,       RW, Id,                  {},                           NoIndex, LUT_VisDocVersions},
    {4,  "Colors",             TND_IVColors,      RO, VisCollection,       {},                           NoIndex, {}},
    {16, "EventList",          TND_IVEventList,   RO, VisCollection,       {},                           NoIndex, {}},
    {17, "Fonts",              TND_IVFonts,       RO, VisCollection,       {},                           NoIndex, {}},
    {25, "Masters",            TND_IVMasters,     RO, VisCollection,       {},                           NoIndex, {}},
    {28, "OLEObjects",         TND_IVOLEObjects,  RO, VisCollection,       {},                           NoIndex, {}},
    {30, "Pages",              TND_IVPages,       RO, VisCollection,       {},                           NoIndex, {}},
    {48, "Styles",             TND_IVStyles,      RO, VisCollection,       {},                           NoIndex, {}},
    {0,  "Application_",       TND_IVApplication, RO, VisObject,           {},                           NoIndex, {}},
    {7,  "CustomMenus",        TND_IVUIObject,    RO, VisObject,           {},                           NoIndex, {}},
    {9,  "CustomToolbars",     TND_IVUIObject,    RO, VisObject,           {},                           NoIndex, {}},
    {1,  "BottomMargin",       TND_Array,         RW, SimplePropertyArray, {},                           LUT,     LUT_VisUnitCodes},
    {23, "LeftMargin",         TND_Array,         RW, SimplePropertyArray, {},                           LUT,     LUT_VisUnitCodes},
    {31, "PaperHeight",        TND_Array,         RO, SimplePropertyArray, {},                           LUT,     LUT_VisUnitCodes},
    {33, "PaperWidth",         TND_Array,         RO, SimplePropertyArray, {},                           LUT,     LUT_VisUnitCodes},
    {44, "RightMargin",        TND_Array,         RW, SimplePropertyArray, {},                           LUT,     LUT_VisUnitCodes},
    {52, "TopMargin",          TND_Array,         RW, SimplePropertyArray, {},                           LUT,     LUT_VisUnitCodes},
    {2,  "Category",           TND_WideString,    RW, SimpleProperty,      {},                           NoIndex, {}},
    {3,  "CodeName",           TND_WideString,    RO, SimpleProperty,      {},                           NoIndex, {}},
    {8,  "CustomMenusFile",    TND_WideString,    RW, SimpleProperty,      {},                           NoIndex, {}},
    {10, "CustomToolbarsFile", TND_WideString,    RW, SimpleProperty,      {},                           NoIndex, {}},
    {11, "DefaultFillStyle",   TND_WideString,    RW, SimpleProperty,      {},                           NoIndex, {}},
    {12, "DefaultLineStyle",   TND_WideString,    RW, SimpleProperty,      {},                           NoIndex, {}},
    {13, "DefaultStyle",       TND_WideString,    RW, SimpleProperty,      {},                           NoIndex, {}},
    {14, "DefaultTextStyle",   TND_WideString,    RW, SimpleProperty,      {},                           NoIndex, {}},
    {19, "HyperlinkBase",      TND_WideString,    RW, SimpleProperty,      {},                           NoIndex, {}},
    {20, "InPlace",            TND_Smallint,      RO, SimpleProperty,      LUT_TrueFalse,                NoIndex, {}},
    {22, "Keywords",           TND_WideString,    RW, SimpleProperty,      {},                           NoIndex, {}},
    {26, "Mode",               TND_Smallint,      RW, SimpleProperty,      LUT_VisDocModeArgs,           NoIndex, {}},
    {32, "PaperSize",          TND_Smallint,      RW, SimpleProperty,      LUT_VisCellVals_PageSize,     NoIndex, {}},
    {35, "PersistsEvents",     TND_Smallint,      RO, SimpleProperty,      LUT_TrueFalse,                NoIndex, {}},
    {36, "PrintCenteredH",     TND_Smallint,      RW, SimpleProperty,      LUT_TrueFalse,                NoIndex, {}},
    {37, "PrintCenteredV",     TND_Smallint,      RW, SimpleProperty,      LUT_TrueFalse,                NoIndex, {}},
    {38, "PrintFitOnPages",    TND_Smallint,      RW, SimpleProperty,      LUT_TrueFalse,                NoIndex, {}},
    {39, "PrintLandscape",     TND_Smallint,      RW, SimpleProperty,      LUT_TrueFalse,                NoIndex, {}},
    {40, "PrintPagesAcross",   TND_Smallint,      RW, SimpleProperty,      {},                           NoIndex, {}},
    {41, "PrintPagesDown",     TND_Smallint,      RW, SimpleProperty,      {},                           NoIndex, {}},
    {42, "PrintScale",         TND_Double,        RW, SimpleProperty,      {},                           NoIndex, {}},
    {43, "ReadOnly",           TND_Smallint,      RO, SimpleProperty,      LUT_TrueFalse,                NoIndex, {}},
    {45, "SavePreviewMode",    TND_Smallint,      RW, SimpleProperty,      LUT_VisOpenSaveArgs_SavePrev, NoIndex, {}},
    {46, "Saved",              TND_Smallint,      RW, SimpleProperty,      LUT_TrueFalse,                NoIndex, {}},
    {47, "Stat",               TND_Smallint,      RO, SimpleProperty,      LUT_Hex,                      NoIndex, {}},
    {50, "Template",           TND_WideString,    RO, SimpleProperty,      {},                           NoIndex, {}},
    {53, "VBProject",          TND_IDispatch,     RO, SimpleProperty,      {},                           NoIndex, {}},
};
constexpr TElementRow IVDocumentElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"BottomMargin", TND_Double, SimpleProperty, NoVisObject, EachEntry, LUT_VisUnitCodes, ArgUnitCode},
    {"LeftMargin",   TND_Double, SimpleProperty, NoVisObject, EachEntry, LUT_VisUnitCodes, ArgUnitCode},
    {"PaperHeight",  TND_Double, SimpleProperty, NoVisObject, EachEntry, LUT_VisUnitCodes, ArgUnitCode},
    {"PaperWidth",   TND_Double, SimpleProperty, NoVisObject, EachEntry, LUT_VisUnitCodes, ArgUnitCode},
    {"RightMargin",  TND_Double, SimpleProperty, NoVisObject, EachEntry, LUT_VisUnitCodes, ArgUnitCode},
    {"TopMargin",    TND_Double, SimpleProperty, NoVisObject, EachEntry, LUT_VisUnitCodes, ArgUnitCode},
};
constexpr TVisInterface IVDocumentInterface{
    .Name = "IVDocument",
    .Class = TND_IVDocument,
    .Identifying = Quoted("Name"),
    .IndexKinds = Answers(TIndexKind::Index),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Member,
    .Rows = IVDocumentRows,
    .Elements = IVDocumentElements,
};

// IVDocuments (TND_IVDocuments)
constexpr TPropRow IVDocumentsRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {4, "ObjectType",     TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {1, "Count",          TND_Smallint,      RO, SimpleProperty, {},                 NoIndex, {}},
    {3, "Item",           TND_Array,         RO, VisCollection,  {},                 Item1,   {}},
    {2, "EventList",      TND_IVEventList,   RO, VisCollection,  {},                 NoIndex, {}},
    {0, "Application_",   TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {5, "PersistsEvents", TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,      NoIndex, {}},
};
constexpr TElementRow IVDocumentsElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVDocument, VisObject, RefreshFromAncestor, Index1ToCount, {}, ArgItem},
};
constexpr TVisInterface IVDocumentsInterface{
    .Name = "IVDocuments",
    .Class = TND_IVDocuments,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVDocumentsRows,
    .Elements = IVDocumentsElements,
};

// IVMaster (TND_IVMaster)
constexpr TPropRow IVMasterRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {5,  "ID",             TND_Smallint,      RO, Id,             {},                               NoIndex, {}},
    {8,  "Index",          TND_Smallint,      RO, Id,             {},                               NoIndex, {}},
    {11, "Name",           TND_WideString,    RW, Id,             {},                               NoIndex, {}},
    {13, "ObjectType",     TND_Smallint,      RO, Id,             LUT_VisObjectTypes,               NoIndex, {}},
    {21, "UniqueID",       TND_WideString,    RO, Id,             {},                               NoIndex, LUT_VisUniqueIDArgs},
    {2,  "Connects",       TND_IVConnects,    RO, VisCollection,  {},                               NoIndex, {}},
    {4,  "EventList",      TND_IVEventList,   RO, VisCollection,  {},                               NoIndex, {}},
    {9,  "Layers",         TND_IVLayers,      RO, VisCollection,  {},                               NoIndex, {}},
    {12, "OLEObjects",     TND_IVOLEObjects,  RO, VisCollection,  {},                               NoIndex, {}},
    {19, "Shapes",         TND_IVShapes,      RO, VisCollection,  {},                               NoIndex, {}},
    {1,  "Application_",   TND_IVApplication, RO, VisObject,      {},                               NoIndex, {}},
    {3,  "Document",       TND_IVDocument,    RO, VisObject,      {},                               NoIndex, {}},
    {15, "PageSheet",      TND_IVShape,       RO, VisObject,      {},                               NoIndex, {}},
    {0,  "AlignName",      TND_Smallint,      RW, SimpleProperty, LUT_VisMasterProperties_Horiz,    NoIndex, {}},
    {6,  "IconSize",       TND_Smallint,      RW, SimpleProperty, LUT_VisMasterProperties_IconSize, NoIndex, {}},
    {7,  "IconUpdate",     TND_Smallint,      RW, SimpleProperty, LUT_VisMasterProperties_Update,   NoIndex, {}},
    {10, "MatchByName",    TND_Smallint,      RW, SimpleProperty, LUT_TrueFalse,                    NoIndex, {}},
    {14, "OneD",           TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,                    NoIndex, {}},
    {16, "PatternFlags",   TND_Smallint,      RW, SimpleProperty, LUT_VisMasterProperties_Flags,    NoIndex, {}},
    {17, "PersistsEvents", TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,                    NoIndex, {}},
    {18, "Prompt",         TND_WideString,    RW, SimpleProperty, {},                               NoIndex, {}},
    {20, "Stat",           TND_Smallint,      RO, SimpleProperty, LUT_Hex,                          NoIndex, {}},
};
constexpr TVisInterface IVMasterInterface{
    .Name = "IVMaster",
    .Class = TND_IVMaster,
    .Identifying = Quoted("Name"),
    .IndexKinds = Answers(TIndexKind::Index),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Member,
    .Rows = IVMasterRows,
    .Elements = {},
};

// IVMasters (TND_IVMasters)
constexpr TPropRow IVMastersRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {5, "ObjectType",     TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {1, "Count",          TND_Smallint,      RO, SimpleProperty, {},                 NoIndex, {}},
    {4, "Item",           TND_Array,         RO, VisCollection,  {},                 Item1,   {}},
    {3, "EventList",      TND_IVEventList,   RO, VisCollection,  {},                 NoIndex, {}},
    {0, "Application_",   TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {2, "Document",       TND_IVDocument,    RO, VisObject,      {},                 NoIndex, {}},
    {6, "PersistsEvents", TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,      NoIndex, {}},
    {7, "Stat",           TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex, {}},
};
constexpr TElementRow IVMastersElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVMaster, VisObject, RefreshFromAncestor, Index1ToCount, {}, ArgItem},
};
constexpr TVisInterface IVMastersInterface{
    .Name = "IVMasters",
    .Class = TND_IVMasters,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVMastersRows,
    .Elements = IVMastersElements,
};

// IVPage (TND_IVPage)
constexpr TPropRow IVPageRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {8,  "ID",               TND_Smallint,      RO, Id,             {},                 NoIndex, {}},
    {9,  "Index",            TND_Smallint,      RO, Id,             {},                 NoIndex, {}},
    {11, "Name",             TND_WideString,    RW, Id,             {},                 NoIndex, {}},
    {13, "ObjectType",       TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {5,  "Connects",         TND_IVConnects,    RO, VisCollection,  {},                 NoIndex, {}},
    {7,  "EventList",        TND_IVEventList,   RO, VisCollection,  {},                 NoIndex, {}},
    {10, "Layers",           TND_IVLayers,      RO, VisCollection,  {},                 NoIndex, {}},
    {12, "OLEObjects",       TND_IVOLEObjects,  RO, VisCollection,  {},                 NoIndex, {}},
    {16, "Shapes",           TND_IVShapes,      RO, VisCollection,  {},                 NoIndex, {}},
    {0,  "Application_",     TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {2,  "BackPageAsObj",    TND_IVPage,        RO, VisObject,      {},                 NoIndex, {}},
    {6,  "Document",         TND_IVDocument,    RO, VisObject,      {},                 NoIndex, {}},
    {14, "PageSheet",        TND_IVShape,       RO, VisObject,      {},                 NoIndex, {}},
    {1,  "BackPage",         TND_OleVariant,    RW, SimpleProperty, {},                 NoIndex, {}, NoPut},
    {3,  "BackPageFromName", TND_WideString,    WO, SimpleProperty, {},                 NoIndex, {}},
    {4,  "Background",       TND_Smallint,      RW, SimpleProperty, LUT_TrueFalse,      NoIndex, {}},
    {15, "PersistsEvents",   TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,      NoIndex, {}},
    {17, "Stat",             TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex, {}},
};
constexpr TVisInterface IVPageInterface{
    .Name = "IVPage",
    .Class = TND_IVPage,
    .Identifying = Quoted("Name"),
    .IndexKinds = Answers(TIndexKind::Index),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Member,
    .Rows = IVPageRows,
    .Elements = {},
};

// IVPages (TND_IVPages)
constexpr TPropRow IVPagesRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {5, "ObjectType",     TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {1, "Count",          TND_Smallint,      RO, SimpleProperty, {},                 NoIndex, {}},
    {4, "Item",           TND_Array,         RO, VisCollection,  {},                 Item1,   {}},
    {3, "EventList",      TND_IVEventList,   RO, VisCollection,  {},                 NoIndex, {}},
    {0, "Application_",   TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {2, "Document",       TND_IVDocument,    RO, VisObject,      {},                 NoIndex, {}},
    {6, "PersistsEvents", TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,      NoIndex, {}},
    {7, "Stat",           TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex, {}},
};
constexpr TElementRow IVPagesElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVPage, VisObject, RefreshFromAncestor, Index1ToCount, {}, ArgItem},
};
constexpr TVisInterface IVPagesInterface{
    .Name = "IVPages",
    .Class = TND_IVPages,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVPagesRows,
    .Elements = IVPagesElements,
};

// IVSelection (TND_IVSelection)
constexpr TPropRow IVSelectionRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {12, "ObjectType",       TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {4,  "Count",            TND_Smallint,      RO, SimpleProperty, {},                 NoIndex, {}},
    {9,  "Item",             TND_Array,         RO, VisCollection,  {},                 Item1,   {}},
    {6,  "EventList",        TND_IVEventList,   RO, VisCollection,  {},                 NoIndex, {}},
    {0,  "Application_",     TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {1,  "ContainingMaster", TND_IVMaster,      RO, VisObject,      {},                 NoIndex, {}},
    {2,  "ContainingPage",   TND_IVPage,        RO, VisObject,      {},                 NoIndex, {}},
    {3,  "ContainingShape",  TND_IVShape,       RO, VisObject,      {},                 NoIndex, {}},
    {5,  "Document",         TND_IVDocument,    RO, VisObject,      {},                 NoIndex, {}},
    {7,  "FillStyle",        TND_WideString,    RW, SimpleProperty, {},                 NoIndex, {}},
    {8,  "FillStyleKeepFmt", TND_WideString,    WO, SimpleProperty, {},                 NoIndex, {}},
    {10, "LineStyle",        TND_WideString,    RW, SimpleProperty, {},                 NoIndex, {}},
    {11, "LineStyleKeepFmt", TND_WideString,    WO, SimpleProperty, {},                 NoIndex, {}},
    {13, "PersistsEvents",   TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,      NoIndex, {}},
    {14, "Stat",             TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex, {}},
    {15, "Style",            TND_WideString,    RW, SimpleProperty, {},                 NoIndex, {}},
    {16, "StyleKeepFmt",     TND_WideString,    WO, SimpleProperty, {},                 NoIndex, {}},
    {17, "TextStyle",        TND_WideString,    RW, SimpleProperty, {},                 NoIndex, {}},
    {18, "TextStyleKeepFmt", TND_WideString,    WO, SimpleProperty, {},                 NoIndex, {}},
};
constexpr TElementRow IVSelectionElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVShape, VisObject, RefreshFromAncestor, Index1ToCount, {}, ArgItem},
};
constexpr TVisInterface IVSelectionInterface{
    .Name = "IVSelection",
    .Class = TND_IVSelection,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVSelectionRows,
    .Elements = IVSelectionElements,
};

// IVShape (TND_IVShape)
constexpr TPropRow IVShapeRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {26, "ID",                TND_Smallint,      RO, Id,                  {},                 NoIndex,  {}},
    {27, "Index",             TND_Smallint,      RO, Id,                  {},                 NoIndex,  {}},
    {34, "Name",              TND_WideString,    RW, Id,                  {},                 NoIndex,  {}},
    {35, "NameID",            TND_WideString,    RO, Id,                  {},                 NoIndex,  {}},
    {37, "ObjectType",        TND_Smallint,      RO, Id,                  LUT_VisObjectTypes, NoIndex,  {}},
    {44, "ProgID",            TND_WideString,    RO, Id,                  {},                 NoIndex,  {}},
    {57, "Type_",             TND_Smallint,      RO, Id,                  LUT_VisShapeTypes,  NoIndex,  {}},
    {58, "UniqueID",          TND_Array,         RO, SimplePropertyArray, {},                 LUT,      LUT_VisUniqueIDArgs},
    {4,  "CellsSRC-Sections", TND_CellsSections, RO, Sheet,               {},                 CellsSRC, {}},
    {9,  "Connects",          TND_IVConnects,    RO, VisCollection,       {},                 NoIndex,  {}},
    {17, "EventList",         TND_IVEventList,   RO, VisCollection,       {},                 NoIndex,  {}},
    {21, "FromConnects",      TND_IVConnects,    RO, VisCollection,       {},                 NoIndex,  {}},
    {41, "Paths",             TND_IVPaths,       RO, VisCollection,       {},                 NoIndex,  {}},
    {42, "PathsLocal",        TND_IVPaths,       RO, VisCollection,       {},                 NoIndex,  {}},
    {50, "Shapes",            TND_IVShapes,      RO, VisCollection,       {},                 NoIndex,  {}},
    {28, "Layer",             TND_Array,         RO, VisCollection,       {},                 Layer1,   {}},
    {0,  "Application_",      TND_IVApplication, RO, VisObject,           {},                 NoIndex,  {}},
    {7,  "Characters",        TND_IVCharacters,  RO, VisObject,           {},                 NoIndex,  {}},
    {10, "ContainingMaster",  TND_IVMaster,      RO, VisObject,           {},                 NoIndex,  {}},
    {11, "ContainingPage",    TND_IVPage,        RO, VisObject,           {},                 NoIndex,  {}},
    {12, "ContainingShape",   TND_IVShape,       RO, VisObject,           {},                 NoIndex,  {}},
    {16, "Document",          TND_IVDocument,    RO, VisObject,           {},                 NoIndex,  {}},
    {25, "Hyperlink",         TND_IVHyperlink,   RO, VisObject,           {},                 NoIndex,  {}},
    {33, "Master",            TND_IVMaster,      RO, VisObject,           {},                 NoIndex,  {}},
    {22, "GeomExIf",          TND_Array,         RO, SimplePropertyArray, {},                 LUT,      {}},
    {1,  "AreaIU",            TND_Double,        RO, SimpleProperty,      {},                 NoIndex,  {}},
    {6,  "CharCount",         TND_Integer,       RO, SimpleProperty,      {},                 NoIndex,  {}},
    {8,  "ClassID",           TND_WideString,    RO, SimpleProperty,      {},                 NoIndex,  {}},
    {13, "Data1",             TND_WideString,    RW, SimpleProperty,      {},                 NoIndex,  {}},
    {14, "Data2",             TND_WideString,    RW, SimpleProperty,      {},                 NoIndex,  {}},
    {15, "Data3",             TND_WideString,    RW, SimpleProperty,      {},                 NoIndex,  {}},
    {18, "FillStyle",         TND_WideString,    RW, SimpleProperty,      {},                 NoIndex,  {}},
    {19, "FillStyleKeepFmt",  TND_WideString,    WO, SimpleProperty,      {},                 NoIndex,  {}},
    {20, "ForeignType",       TND_Smallint,      RO, SimpleProperty,      LUT_VisShapeTypes,  NoIndex,  {}},
    {23, "GeometryCount",     TND_Smallint,      RO, SimpleProperty,      {},                 NoIndex,  {}},
    {24, "Help",              TND_WideString,    RW, SimpleProperty,      {},                 NoIndex,  {}},
    {29, "LayerCount",        TND_Smallint,      RO, SimpleProperty,      {},                 NoIndex,  {}},
    {30, "LengthIU",          TND_Double,        RO, SimpleProperty,      {},                 NoIndex,  {}},
    {31, "LineStyle",         TND_WideString,    RW, SimpleProperty,      {},                 NoIndex,  {}},
    {32, "LineStyleKeepFmt",  TND_WideString,    WO, SimpleProperty,      {},                 NoIndex,  {}},
    {36, "ObjectIsInherited", TND_Smallint,      RO, SimpleProperty,      LUT_TrueFalse,      NoIndex,  {}},
    {38, "Object_",           TND_IDispatch,     RO, SimpleProperty,      {},                 NoIndex,  {}},
    {39, "OneD",              TND_Smallint,      RW, SimpleProperty,      LUT_TrueFalse,      NoIndex,  {}},
    {40, "Parent",            TND_IDispatch,     RO, SimpleProperty,      {},                 NoIndex,  {}},
    {43, "PersistsEvents",    TND_Smallint,      RO, SimpleProperty,      LUT_TrueFalse,      NoIndex,  {}},
    {51, "Stat",              TND_Smallint,      RO, SimpleProperty,      LUT_Hex,            NoIndex,  {}},
    {52, "Style",             TND_WideString,    RW, SimpleProperty,      {},                 NoIndex,  {}},
    {53, "StyleKeepFmt",      TND_WideString,    WO, SimpleProperty,      {},                 NoIndex,  {}},
    {54, "Text",              TND_WideString,    RW, SimpleProperty,      {},                 NoIndex,  {}},
    {55, "TextStyle",         TND_WideString,    RW, SimpleProperty,      {},                 NoIndex,  {}},
    {56, "TextStyleKeepFmt",  TND_WideString,    WO, SimpleProperty,      {},                 NoIndex,  {}},
};
constexpr TElementRow IVShapeElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"UniqueID", TND_WideString, SimpleProperty, NoVisObject,         EachEntry,          LUT_VisUniqueIDArgs, ArgSmallint},
    {"Layer",    TND_IVLayer,    VisObject,      RefreshFromAncestor, Index1ToLayerCount, {},                  ArgSmallint},
    {"GeomExIf", TND_IUnknown,   SimpleProperty, NoVisObject,         ExactlyOneIndex0,   {},                  ArgSmallint, Unavaliable},
};
constexpr TVisInterface IVShapeInterface{
    .Name = "IVShape",
    .Class = TND_IVShape,
    .Identifying = OwnForm(),
    .IndexKinds = Answers(TIndexKind::Index),
    .CountKinds = Answers(TCountKind::LayerCount),
    .Caption = TCaptionVariant::Member,
    .Rows = IVShapeRows,
    .Elements = IVShapeElements,
};

// IVShapes (TND_IVShapes)
constexpr TPropRow IVShapesRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {9,  "ObjectType",       TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {4,  "Count",            TND_Smallint,      RO, SimpleProperty, {},                 NoIndex, {}},
    {7,  "Item",             TND_Array,         RO, VisCollection,  {},                 Item1,   {}},
    {6,  "EventList",        TND_IVEventList,   RO, VisCollection,  {},                 NoIndex, {}},
    {8,  "ItemFromID",       TND_Array,         RO, VisCollection,  {},                 LUT,     {}},
    {0,  "Application_",     TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {1,  "ContainingMaster", TND_IVMaster,      RO, VisObject,      {},                 NoIndex, {}},
    {2,  "ContainingPage",   TND_IVPage,        RO, VisObject,      {},                 NoIndex, {}},
    {3,  "ContainingShape",  TND_IVShape,       RO, VisObject,      {},                 NoIndex, {}},
    {5,  "Document",         TND_IVDocument,    RO, VisObject,      {},                 NoIndex, {}},
    {10, "PersistsEvents",   TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,      NoIndex, {}},
    {11, "Stat",             TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex, {}},
};
constexpr TElementRow IVShapesElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item",       TND_IVShape, VisObject, RefreshFromAncestor, Index1ToCount,    {}, ArgItem},
    {"ItemFromID", TND_IVShape, VisObject, RefreshFromAncestor, ExactlyOneIndex0, {}, ArgLong, NotAvail},
};
constexpr TVisInterface IVShapesInterface{
    .Name = "IVShapes",
    .Class = TND_IVShapes,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVShapesRows,
    .Elements = IVShapesElements,
};

// IVStyle (TND_IVStyle)
constexpr TPropRow IVStyleRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {6,  "ID",             TND_Smallint,      RO, Id,             {},                 NoIndex,  {}},
    {10, "Index",          TND_Smallint,      RO, Id,             {},                 NoIndex,  {}},
    {12, "Name",           TND_WideString,    RW, Id,             {},                 NoIndex,  {}},
    {13, "ObjectType",     TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex,  {}},
    {2,  "Cells",          TND_Array,         RO, Sheet,          {},                 LUTStyle, LUT_StyleCellNames},
    {4,  "EventList",      TND_IVEventList,   RO, VisCollection,  {},                 NoIndex,  {}},
    {0,  "Application_",   TND_IVApplication, RO, VisObject,      {},                 NoIndex,  {}},
    {3,  "Document",       TND_IVDocument,    RO, VisObject,      {},                 NoIndex,  {}},
    {1,  "BasedOn",        TND_WideString,    RW, SimpleProperty, {},                 NoIndex,  {}},
    {5,  "FillBasedOn",    TND_WideString,    RW, SimpleProperty, {},                 NoIndex,  {}},
    {7,  "IncludesFill",   TND_Smallint,      RW, SimpleProperty, LUT_TrueFalse,      NoIndex,  {}},
    {8,  "IncludesLine",   TND_Smallint,      RW, SimpleProperty, LUT_TrueFalse,      NoIndex,  {}},
    {9,  "IncludesText",   TND_Smallint,      RW, SimpleProperty, LUT_TrueFalse,      NoIndex,  {}},
    {11, "LineBasedOn",    TND_WideString,    RW, SimpleProperty, {},                 NoIndex,  {}},
    {14, "PersistsEvents", TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,      NoIndex,  {}},
    {15, "Stat",           TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex,  {}},
    {16, "TextBasedOn",    TND_WideString,    RW, SimpleProperty, {},                 NoIndex,  {}},
};
constexpr TElementRow IVStyleElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Cells", TND_IVCell, SheetCell, RefreshFromAncestor, EachEntry, LUT_StyleCellNames, ArgStyleCellName},
};
constexpr TVisInterface IVStyleInterface{
    .Name = "IVStyle",
    .Class = TND_IVStyle,
    .Identifying = Quoted("Name"),
    .IndexKinds = Answers(TIndexKind::Index),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Member,
    .Rows = IVStyleRows,
    .Elements = IVStyleElements,
};

// IVStyles (TND_IVStyles)
constexpr TPropRow IVStylesRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {6, "ObjectType",     TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {1, "Count",          TND_Smallint,      RO, SimpleProperty, {},                 NoIndex, {}},
    {4, "Item",           TND_Array,         RO, VisCollection,  {},                 Item1,   {}},
    {3, "EventList",      TND_IVEventList,   RO, VisCollection,  {},                 NoIndex, {}},
    {5, "ItemFromID",     TND_Array,         RO, VisCollection,  {},                 LUT,     {}},
    {0, "Application_",   TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {2, "Document",       TND_IVDocument,    RO, VisObject,      {},                 NoIndex, {}},
    {7, "PersistsEvents", TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,      NoIndex, {}},
    {8, "Stat",           TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex, {}},
};
constexpr TElementRow IVStylesElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item",       TND_IVStyle, VisObject, RefreshFromAncestor, Index1ToCount,    {}, ArgItem},
    {"ItemFromID", TND_IVStyle, VisObject, RefreshFromAncestor, ExactlyOneIndex0, {}, ArgLong, NotAvail},
};
constexpr TVisInterface IVStylesInterface{
    .Name = "IVStyles",
    .Class = TND_IVStyles,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVStylesRows,
    .Elements = IVStylesElements,
};

// IVWindow (TND_IVWindow)
constexpr TPropRow IVWindowRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {4,  "Index",               TND_Smallint,       RO, Id,                  {},                 NoIndex, {}},
    {6,  "ObjectType",          TND_Smallint,       RO, Id,                  LUT_VisObjectTypes, NoIndex, {}},
    {19, "SubType",             TND_Smallint,       RO, Id,                  LUT_VisWinTypes,    NoIndex, {}},
    {20, "Type_",               TND_Smallint,       RO, Id,                  LUT_VisWinTypes,    NoIndex, {}},
    {1,  "DockedStencils_Func", TND_DockedStencils, RO, SimplePropertyArray, {},                 LUT,     {}},
    {3,  "EventList",           TND_IVEventList,    RO, VisCollection,       {},                 NoIndex, {}},
    {11, "Selection",           TND_IVSelection,    RO, VisCollection,       {},                 NoIndex, {}},
    {0,  "Application_",        TND_IVApplication,  RO, VisObject,           {},                 NoIndex, {}},
    {2,  "Document",            TND_IVDocument,     RO, VisObject,           {},                 NoIndex, {}},
    {8,  "PageAsObj",           TND_IVPage,         RO, VisObject,           {},                 NoIndex, {}},
    {5,  "Master",              TND_OleVariant,     RO, SimpleProperty,      {},                 NoIndex, {}},
    {7,  "Page",                TND_OleVariant,     RW, SimpleProperty,      {},                 NoIndex, {}, NoPut},
    {9,  "PageFromName",        TND_WideString,     WO, SimpleProperty,      {},                 NoIndex, {}},
    {10, "PersistsEvents",      TND_Smallint,       RO, SimpleProperty,      LUT_TrueFalse,      NoIndex, {}},
    {12, "ShowConnectPoints",   TND_Smallint,       RW, SimpleProperty,      LUT_TrueFalse,      NoIndex, {}},
    {13, "ShowGrid",            TND_Smallint,       RW, SimpleProperty,      LUT_TrueFalse,      NoIndex, {}},
    {14, "ShowGuides",          TND_Smallint,       RW, SimpleProperty,      LUT_TrueFalse,      NoIndex, {}},
    {15, "ShowPageBreaks",      TND_Smallint,       RW, SimpleProperty,      LUT_TrueFalse,      NoIndex, {}},
    {16, "ShowRulers",          TND_Smallint,       RW, SimpleProperty,      LUT_TrueFalse,      NoIndex, {}},
    {17, "ShowScrollBars",      TND_Smallint,       RW, SimpleProperty,      LUT_TrueFalse,      NoIndex, {}},
    {18, "Stat",                TND_Smallint,       RO, SimpleProperty,      LUT_Hex,            NoIndex, {}},
    {21, "WindowHandle",        TND_Smallint,       RO, SimpleProperty,      {},                 NoIndex, {}},
    {22, "WindowHandle32",      TND_Integer,        RO, SimpleProperty,      {},                 NoIndex, {}},
    {23, "Zoom",                TND_Double,         RW, SimpleProperty,      {},                 NoIndex, {}},
};
constexpr TElementRow IVWindowElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"DockedStencils_Func", TND_WideString, SimpleProperty, NoVisObject, MadeByNode, {}, NoArg},
};
constexpr TVisInterface IVWindowInterface{
    .Name = "IVWindow",
    .Class = TND_IVWindow,
    .Identifying = OwnForm(),
    .IndexKinds = Answers(TIndexKind::Index),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Member,
    .Rows = IVWindowRows,
    .Elements = IVWindowElements,
};

// IVWindows (TND_IVWindows)
constexpr TPropRow IVWindowsRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {4, "ObjectType",     TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {1, "Count",          TND_Smallint,      RO, SimpleProperty, {},                 NoIndex, {}},
    {3, "Item",           TND_Array,         RO, VisCollection,  {},                 Item1,   {}},
    {2, "EventList",      TND_IVEventList,   RO, VisCollection,  {},                 NoIndex, {}},
    {0, "Application_",   TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {5, "PersistsEvents", TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,      NoIndex, {}},
};
constexpr TElementRow IVWindowsElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVWindow, VisObject, RefreshFromAncestor, Index1ToCount, {}, ArgItem},
};
constexpr TVisInterface IVWindowsInterface{
    .Name = "IVWindows",
    .Class = TND_IVWindows,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVWindowsRows,
    .Elements = IVWindowsElements,
};

// IVLayer (TND_IVLayer)
constexpr TPropRow IVLayerRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {4,  "Index",          TND_Smallint,      RO, Id,             {},                 NoIndex, {}},
    {6,  "Name",           TND_WideString,    RW, Id,             {},                 NoIndex, {}},
    {7,  "ObjectType",     TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {10, "Row",            TND_Smallint,      RO, Id,             {},                 NoIndex, {}},
    {1,  "CellsC",         TND_Array,         RO, SheetRow,       {},                 LUT,     LUT_VisCellIndices_Layer},
    {3,  "EventList",      TND_IVEventList,   RO, VisCollection,  {},                 NoIndex, {}},
    {0,  "Application_",   TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {2,  "Document",       TND_IVDocument,    RO, VisObject,      {},                 NoIndex, {}},
    {5,  "Master",         TND_IVMaster,      RO, VisObject,      {},                 NoIndex, {}},
    {8,  "Page",           TND_IVPage,        RO, VisObject,      {},                 NoIndex, {}},
    {9,  "PersistsEvents", TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,      NoIndex, {}},
    {11, "Stat",           TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex, {}},
};
constexpr TElementRow IVLayerElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"CellsC", TND_IVCell, DontKnow, RefreshFromAncestor, EachEntry, LUT_VisCellIndices_Layer, ArgSmallint},
};
constexpr TVisInterface IVLayerInterface{
    .Name = "IVLayer",
    .Class = TND_IVLayer,
    .Identifying = Quoted("Name"),
    .IndexKinds = Answers(TIndexKind::Index, TIndexKind::Row),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Member,
    .Rows = IVLayerRows,
    .Elements = IVLayerElements,
};

// IVLayers (TND_IVLayers)
constexpr TPropRow IVLayersRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {6, "ObjectType",     TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {1, "Count",          TND_Smallint,      RO, SimpleProperty, {},                 NoIndex, {}},
    {4, "Item",           TND_Array,         RO, VisCollection,  {},                 Item1,   {}},
    {3, "EventList",      TND_IVEventList,   RO, VisCollection,  {},                 NoIndex, {}},
    {0, "Application_",   TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {2, "Document",       TND_IVDocument,    RO, VisObject,      {},                 NoIndex, {}},
    {5, "Master",         TND_IVMaster,      RO, VisObject,      {},                 NoIndex, {}},
    {7, "Page",           TND_IVPage,        RO, VisObject,      {},                 NoIndex, {}},
    {8, "PersistsEvents", TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,      NoIndex, {}},
    {9, "Stat",           TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex, {}},
};
constexpr TElementRow IVLayersElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVLayer, VisObject, RefreshFromAncestor, Index1ToCount, {}, ArgItem},
};
constexpr TVisInterface IVLayersInterface{
    .Name = "IVLayers",
    .Class = TND_IVLayers,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVLayersRows,
    .Elements = IVLayersElements,
};

// IVFont (TND_IVFont)
constexpr TPropRow IVFontRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {4, "ID",             TND_Smallint,      RO, Id,             {},                    NoIndex, {}},
    {5, "Index",          TND_Smallint,      RO, Id,             {},                    NoIndex, {}},
    {6, "Name",           TND_WideString,    RO, Id,             {},                    NoIndex, {}},
    {7, "ObjectType",     TND_Smallint,      RO, Id,             LUT_VisObjectTypes,    NoIndex, {}},
    {0, "Application_",   TND_IVApplication, RO, VisObject,      {},                    NoIndex, {}},
    {3, "Document",       TND_IVDocument,    RO, VisObject,      {},                    NoIndex, {}},
    {1, "Attributes",     TND_Smallint,      RO, SimpleProperty, LUT_VisFontAttributes, NoIndex, {}},
    {2, "CharSet",        TND_Smallint,      RO, SimpleProperty, {},                    NoIndex, {}},
    {8, "PitchAndFamily", TND_Smallint,      RO, SimpleProperty, LUT_Hex,               NoIndex, {}},
    {9, "Stat",           TND_Smallint,      RO, SimpleProperty, LUT_Hex,               NoIndex, {}},
};
constexpr TVisInterface IVFontInterface{
    .Name = "IVFont",
    .Class = TND_IVFont,
    .Identifying = Quoted("Name"),
    .IndexKinds = Answers(TIndexKind::Index),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Member,
    .Rows = IVFontRows,
    .Elements = {},
};

// IVFonts (TND_IVFonts)
constexpr TPropRow IVFontsRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {5, "ObjectType",   TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {1, "Count",        TND_Smallint,      RO, SimpleProperty, {},                 NoIndex, {}},
    {3, "Item",         TND_Array,         RO, VisCollection,  {},                 Item1,   {}},
    {4, "ItemFromID",   TND_Array,         RO, VisCollection,  {},                 LUT,     {}},
    {0, "Application_", TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {2, "Document",     TND_IVDocument,    RO, VisObject,      {},                 NoIndex, {}},
    {6, "Stat",         TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex, {}},
};
constexpr TElementRow IVFontsElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item",       TND_IVFont, VisObject, RefreshFromAncestor, Index1ToCount,    {}, ArgItem},
    {"ItemFromID", TND_IVFont, VisObject, RefreshFromAncestor, ExactlyOneIndex0, {}, ArgLong, NotAvail},
};
constexpr TVisInterface IVFontsInterface{
    .Name = "IVFonts",
    .Class = TND_IVFonts,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVFontsRows,
    .Elements = IVFontsElements,
};

// IVColor (TND_IVColor)
constexpr TPropRow IVColorRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {5, "Index",        TND_Smallint,      RO, Id,             {},                 NoIndex, {}},
    {6, "ObjectType",   TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {0, "Application_", TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {2, "Document",     TND_IVDocument,    RO, VisObject,      {},                 NoIndex, {}},
    {1, "Blue",         TND_Smallint,      RW, SimpleProperty, {},                 NoIndex, {}},
    {3, "Flags",        TND_Smallint,      RW, SimpleProperty, {},                 NoIndex, {}},
    {4, "Green",        TND_Smallint,      RW, SimpleProperty, {},                 NoIndex, {}},
    {7, "PaletteEntry", TND_Integer,       RW, SimpleProperty, {},                 NoIndex, {}},
    {8, "Red",          TND_Smallint,      RW, SimpleProperty, {},                 NoIndex, {}},
    {9, "Stat",         TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex, {}},
};
constexpr TVisInterface IVColorInterface{
    .Name = "IVColor",
    .Class = TND_IVColor,
    .Identifying = EmptyForm(),
    .IndexKinds = Answers(TIndexKind::Index),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Member,
    .Rows = IVColorRows,
    .Elements = {},
};

// IVColors (TND_IVColors)
constexpr TPropRow IVColorsRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {4, "ObjectType",   TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {1, "Count",        TND_Smallint,      RO, SimpleProperty, {},                 NoIndex, {}},
    {3, "Item",         TND_Array,         RO, VisCollection,  {},                 Item0,   {}},
    {0, "Application_", TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {2, "Document",     TND_IVDocument,    RO, VisObject,      {},                 NoIndex, {}},
    {5, "Stat",         TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex, {}},
};
constexpr TElementRow IVColorsElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVColor, VisObject, RefreshFromAncestor, Index0ToCountLess1, {}, ArgItem},
};
constexpr TVisInterface IVColorsInterface{
    .Name = "IVColors",
    .Class = TND_IVColors,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVColorsRows,
    .Elements = IVColorsElements,
};

// IVAddon (TND_IVAddon)
constexpr TPropRow IVAddonRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {2, "Index",        TND_Smallint,      RO, Id,             {},                 NoIndex, {}},
    {3, "Name",         TND_WideString,    RO, Id,             {},                 NoIndex, {}},
    {4, "ObjectType",   TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {0, "Application_", TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {1, "Enabled",      TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,      NoIndex, {}},
};
constexpr TVisInterface IVAddonInterface{
    .Name = "IVAddon",
    .Class = TND_IVAddon,
    .Identifying = Quoted("Name"),
    .IndexKinds = Answers(TIndexKind::Index),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Member,
    .Rows = IVAddonRows,
    .Elements = {},
};

// IVAddons (TND_IVAddons)
constexpr TPropRow IVAddonsRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {3, "ObjectType",   TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {1, "Count",        TND_Smallint,      RO, SimpleProperty, {},                 NoIndex, {}},
    {2, "Item",         TND_Array,         RO, VisCollection,  {},                 Item1,   {}},
    {0, "Application_", TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
};
constexpr TElementRow IVAddonsElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVAddon, VisObject, RefreshFromAncestor, Index1ToCount, {}, ArgItem},
};
constexpr TVisInterface IVAddonsInterface{
    .Name = "IVAddons",
    .Class = TND_IVAddons,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVAddonsRows,
    .Elements = IVAddonsElements,
};

// IVEvent (TND_IVEvent)
constexpr TPropRow IVEventRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {5,  "ID",           TND_Integer,       RO, Id,             {},                         NoIndex, {}},
    {6,  "Index",        TND_Smallint,      RO, Id,             {},                         NoIndex, {}},
    {7,  "ObjectType",   TND_Smallint,      RO, Id,             LUT_VisObjectTypes,         NoIndex, {}},
    {4,  "EventList",    TND_IVEventList,   RO, VisCollection,  {},                         NoIndex, {}},
    {1,  "Application_", TND_IVApplication, RO, VisObject,      {},                         NoIndex, {}},
    {0,  "Action",       TND_Smallint,      RW, SimpleProperty, LUT_VisEventCodes_ActCodes, NoIndex, {}},
    {2,  "Enabled",      TND_Smallint,      RW, SimpleProperty, LUT_TrueFalse,              NoIndex, {}},
    {3,  "Event",        TND_Smallint,      RW, SimpleProperty, LUT_Hex,                    NoIndex, {}},
    {8,  "Persistable",  TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,              NoIndex, {}},
    {9,  "Persistent",   TND_Smallint,      RW, SimpleProperty, LUT_TrueFalse,              NoIndex, {}},
    {10, "Target",       TND_WideString,    RW, SimpleProperty, {},                         NoIndex, {}},
    {11, "TargetArgs",   TND_WideString,    RW, SimpleProperty, {},                         NoIndex, {}},
};
constexpr TVisInterface IVEventInterface{
    .Name = "IVEvent",
    .Class = TND_IVEvent,
    .Identifying = EmptyForm(),
    .IndexKinds = Answers(TIndexKind::Index),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Member,
    .Rows = IVEventRows,
    .Elements = {},
};

// IVEventList (TND_IVEventList)
constexpr TPropRow IVEventListRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {4, "ObjectType",   TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {1, "Count",        TND_Smallint,      RO, SimpleProperty, {},                 NoIndex, {}},
    {2, "Item",         TND_Array,         RO, VisCollection,  {},                 Item1,   {}},
    {3, "ItemFromID",   TND_Array,         RO, VisCollection,  {},                 LUT,     {}},
    {0, "Application_", TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
};
constexpr TElementRow IVEventListElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item",       TND_IVEvent, VisObject, RefreshFromAncestor, Index1ToCount,    {}, ArgItem},
    {"ItemFromID", TND_IVEvent, VisObject, RefreshFromAncestor, ExactlyOneIndex0, {}, ArgLong, NotAvail},
};
constexpr TVisInterface IVEventListInterface{
    .Name = "IVEventList",
    .Class = TND_IVEventList,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVEventListRows,
    .Elements = IVEventListElements,
};

// IVMenuItem (TND_IVMenuItem)
constexpr TPropRow IVMenuItemRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0,  "ActionText",     TND_WideString,  RW, Id,             {},            NoIndex, {}},
    {2,  "AddOnName",      TND_WideString,  RW, Id,             {},            NoIndex, {}},
    {3,  "Caption",        TND_WideString,  RW, Id,             {},            NoIndex, {}},
    {8,  "Index",          TND_Integer,     RO, Id,             {},            NoIndex, {}},
    {11, "MenuItems",      TND_IVMenuItems, RO, VisCollection,  {},            NoIndex, {}},
    {13, "Parent",         TND_IVMenuItems, RO, VisCollection,  {},            NoIndex, {}},
    {1,  "AddOnArgs",      TND_WideString,  RW, SimpleProperty, {},            NoIndex, {}},
    {4,  "CmdNum",         TND_Smallint,    RW, SimpleProperty, LUT_VisUICmds, NoIndex, {}},
    {5,  "Default",        TND_WideString,  RO, SimpleProperty, {},            NoIndex, {}},
    {6,  "HelpContextID",  TND_Smallint,    RW, SimpleProperty, {},            NoIndex, {}},
    {7,  "HelpFile",       TND_WideString,  RW, SimpleProperty, {},            NoIndex, {}},
    {9,  "IsHierarchical", TND_Smallint,    RO, SimpleProperty, LUT_TrueFalse, NoIndex, {}},
    {10, "IsSeparator",    TND_Smallint,    RO, SimpleProperty, LUT_TrueFalse, NoIndex, {}},
    {12, "MiniHelp",       TND_WideString,  RW, SimpleProperty, {},            NoIndex, {}},
};
constexpr TVisInterface IVMenuItemInterface{
    .Name = "IVMenuItem",
    .Class = TND_IVMenuItem,
    .Identifying = Quoted("Caption"),
    .IndexKinds = Answers(TIndexKind::Index),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Member,
    .Rows = IVMenuItemRows,
    .Elements = {},
};

// IVMenuItems (TND_IVMenuItems)
constexpr TPropRow IVMenuItemsRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0, "Count",    TND_Integer,  RO, SimpleProperty, {}, NoIndex, {}},
    {1, "Item",     TND_Array,    RO, VisCollection,  {}, Item0,   {}},
    {2, "Parent",   TND_IVMenu,   RO, VisObject,      {}, NoIndex, {}},
    {3, "_NewEnum", TND_IUnknown, RO, SimpleProperty, {}, NoIndex, {}},
};
constexpr TElementRow IVMenuItemsElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVMenuItem, VisObject, RefreshFromAncestor, Index0ToCountLess1, {}, ArgItem},
};
constexpr TVisInterface IVMenuItemsInterface{
    .Name = "IVMenuItems",
    .Class = TND_IVMenuItems,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVMenuItemsRows,
    .Elements = IVMenuItemsElements,
};

// IVMenu (TND_IVMenu)
constexpr TPropRow IVMenuRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0, "Caption",       TND_WideString,  RW, Id,             {},            NoIndex, {}},
    {2, "Index",         TND_Integer,     RO, Id,             {},            NoIndex, {}},
    {4, "MenuItems",     TND_IVMenuItems, RO, VisCollection,  {},            NoIndex, {}},
    {5, "Parent",        TND_IVMenus,     RO, VisCollection,  {},            NoIndex, {}},
    {1, "Default",       TND_WideString,  RO, SimpleProperty, {},            NoIndex, {}},
    {3, "MDIWindowMenu", TND_Smallint,    RW, SimpleProperty, LUT_TrueFalse, NoIndex, {}},
};
constexpr TVisInterface IVMenuInterface{
    .Name = "IVMenu",
    .Class = TND_IVMenu,
    .Identifying = Quoted("Caption"),
    .IndexKinds = Answers(TIndexKind::Index),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Member,
    .Rows = IVMenuRows,
    .Elements = {},
};

// IVMenus (TND_IVMenus)
constexpr TPropRow IVMenusRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0, "Count",    TND_Integer,   RO, SimpleProperty, {}, NoIndex, {}},
    {1, "Item",     TND_Array,     RO, VisCollection,  {}, Item0,   {}},
    {2, "Parent",   TND_IVMenuSet, RO, VisObject,      {}, NoIndex, {}},
    {3, "_NewEnum", TND_IUnknown,  RO, SimpleProperty, {}, NoIndex, {}},
};
constexpr TElementRow IVMenusElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVMenu, VisObject, RefreshFromAncestor, Index0ToCountLess1, {}, ArgItem},
};
constexpr TVisInterface IVMenusInterface{
    .Name = "IVMenus",
    .Class = TND_IVMenus,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVMenusRows,
    .Elements = IVMenusElements,
};

// IVMenuSet (TND_IVMenuSet)
constexpr TPropRow IVMenuSetRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0, "Caption", TND_WideString, RW, Id,             {}, NoIndex, {}},
    {2, "Menus",   TND_IVMenus,    RO, VisCollection,  {}, NoIndex, {}},
    {3, "Parent",  TND_IVMenuSets, RO, VisCollection,  {}, NoIndex, {}},
    {1, "Default", TND_WideString, RO, SimpleProperty, {}, NoIndex, {}},
    {4, "SetID",   TND_Integer,    RO, SimpleProperty, {}, NoIndex, {}},
};
constexpr TVisInterface IVMenuSetInterface{
    .Name = "IVMenuSet",
    .Class = TND_IVMenuSet,
    .Identifying = Quoted("Caption"),
    .IndexKinds = Answers(),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVMenuSetRows,
    .Elements = {},
};

// IVMenuSets (TND_IVMenuSets)
constexpr TPropRow IVMenuSetsRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0, "Count",    TND_Integer,    RO, SimpleProperty, {}, NoIndex, {}},
    {1, "Item",     TND_Array,      RO, VisCollection,  {}, Item0,   {}},
    {2, "ItemAtID", TND_Array,      RO, VisCollection,  {}, LUT,     {}},
    {3, "Parent",   TND_IVUIObject, RO, VisObject,      {}, NoIndex, {}},
    {4, "_NewEnum", TND_IUnknown,   RO, SimpleProperty, {}, NoIndex, {}},
};
constexpr TElementRow IVMenuSetsElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item",     TND_IVMenuSet, VisObject, RefreshFromAncestor, Index0ToCountLess1, {}, ArgItem},
    {"ItemAtID", TND_IVMenuSet, VisObject, RefreshFromAncestor, ExactlyOneIndex0,   {}, ArgLong, NotAvail},
};
constexpr TVisInterface IVMenuSetsInterface{
    .Name = "IVMenuSets",
    .Class = TND_IVMenuSets,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVMenuSetsRows,
    .Elements = IVMenuSetsElements,
};

// IVToolbarItem (TND_IVToolbarItem)
constexpr TPropRow IVToolbarItemRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0,  "ActionText",    TND_WideString,     RW, Id,             {},                    NoIndex, {}},
    {2,  "AddOnName",     TND_WideString,     RW, Id,             {},                    NoIndex, {}},
    {9,  "Index",         TND_Integer,        RO, Id,             {},                    NoIndex, {}},
    {10, "Parent",        TND_IVToolbarItems, RO, VisCollection,  {},                    NoIndex, {}},
    {1,  "AddOnArgs",     TND_WideString,     RW, SimpleProperty, {},                    NoIndex, {}},
    {3,  "CmdNum",        TND_Smallint,       RW, SimpleProperty, LUT_VisUICmds,         NoIndex, {}},
    {4,  "CntrlID",       TND_Smallint,       RW, SimpleProperty, {},                    NoIndex, {}},
    {5,  "CntrlType",     TND_Smallint,       RW, SimpleProperty, LUT_VisUICtrlTypes,    NoIndex, {}},
    {6,  "Default",       TND_WideString,     RO, SimpleProperty, {},                    NoIndex, {}},
    {7,  "HelpContextID", TND_Smallint,       RW, SimpleProperty, {},                    NoIndex, {}},
    {8,  "HelpFile",      TND_WideString,     RW, SimpleProperty, {},                    NoIndex, {}},
    {11, "Priority",      TND_Smallint,       RW, SimpleProperty, {},                    NoIndex, {}},
    {12, "Spacing",       TND_Smallint,       RW, SimpleProperty, LUT_VisUISpacingTypes, NoIndex, {}},
    {13, "TypeSpecific1", TND_Smallint,       RW, SimpleProperty, {},                    NoIndex, {}},
    {14, "TypeSpecific2", TND_Smallint,       RW, SimpleProperty, {},                    NoIndex, {}},
};
constexpr TVisInterface IVToolbarItemInterface{
    .Name = "IVToolbarItem",
    .Class = TND_IVToolbarItem,
    .Identifying = Quoted("ActionText", 70),
    .IndexKinds = Answers(TIndexKind::Index),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Member,
    .Rows = IVToolbarItemRows,
    .Elements = {},
};

// IVToolbarItems (TND_IVToolbarItems)
constexpr TPropRow IVToolbarItemsRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0, "Count",    TND_Integer,   RO, SimpleProperty, {}, NoIndex, {}},
    {1, "Item",     TND_Array,     RO, VisCollection,  {}, Item0,   {}},
    {2, "Parent",   TND_IVToolbar, RO, VisObject,      {}, NoIndex, {}},
    {3, "_NewEnum", TND_IUnknown,  RO, SimpleProperty, {}, NoIndex, {}},
};
constexpr TElementRow IVToolbarItemsElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVToolbarItem, VisObject, RefreshFromAncestor, Index0ToCountLess1, {}, ArgItem},
};
constexpr TVisInterface IVToolbarItemsInterface{
    .Name = "IVToolbarItems",
    .Class = TND_IVToolbarItems,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVToolbarItemsRows,
    .Elements = IVToolbarItemsElements,
};

// IVToolbar (TND_IVToolbar)
constexpr TPropRow IVToolbarRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0, "Caption",      TND_WideString,     RW, Id,             {}, NoIndex, {}},
    {2, "Index",        TND_Integer,        RO, Id,             {}, NoIndex, {}},
    {3, "Parent",       TND_IVToolbars,     RO, VisCollection,  {}, NoIndex, {}},
    {4, "ToolbarItems", TND_IVToolbarItems, RO, VisCollection,  {}, NoIndex, {}},
    {1, "Default",      TND_WideString,     RO, SimpleProperty, {}, NoIndex, {}},
};
constexpr TVisInterface IVToolbarInterface{
    .Name = "IVToolbar",
    .Class = TND_IVToolbar,
    .Identifying = Quoted("Caption"),
    .IndexKinds = Answers(TIndexKind::Index),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Member,
    .Rows = IVToolbarRows,
    .Elements = {},
};

// IVToolbars (TND_IVToolbars)
constexpr TPropRow IVToolbarsRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0, "Count",    TND_Integer,      RO, SimpleProperty, {}, NoIndex, {}},
    {1, "Item",     TND_Array,        RO, VisCollection,  {}, Item0,   {}},
    {2, "Parent",   TND_IVToolbarSet, RO, VisObject,      {}, NoIndex, {}},
    {3, "_NewEnum", TND_IUnknown,     RO, SimpleProperty, {}, NoIndex, {}},
};
constexpr TElementRow IVToolbarsElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVToolbar, VisObject, RefreshFromAncestor, Index0ToCountLess1, {}, ArgItem},
};
constexpr TVisInterface IVToolbarsInterface{
    .Name = "IVToolbars",
    .Class = TND_IVToolbars,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVToolbarsRows,
    .Elements = IVToolbarsElements,
};

// IVToolbarSet (TND_IVToolbarSet)
constexpr TPropRow IVToolbarSetRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0, "Caption",  TND_WideString,    RW, Id,             {}, NoIndex, {}},
    {2, "Parent",   TND_IVToolbarSets, RO, VisCollection,  {}, NoIndex, {}},
    {4, "Toolbars", TND_IVToolbars,    RO, VisCollection,  {}, NoIndex, {}},
    {1, "Default",  TND_WideString,    RO, SimpleProperty, {}, NoIndex, {}},
    {3, "SetID",    TND_Integer,       RO, SimpleProperty, {}, NoIndex, {}},
};
constexpr TVisInterface IVToolbarSetInterface{
    .Name = "IVToolbarSet",
    .Class = TND_IVToolbarSet,
    .Identifying = Quoted("Caption"),
    .IndexKinds = Answers(),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVToolbarSetRows,
    .Elements = {},
};

// IVToolbarSets (TND_IVToolbarSets)
constexpr TPropRow IVToolbarSetsRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0, "Count",    TND_Integer,    RO, SimpleProperty, {}, NoIndex, {}},
    {1, "Item",     TND_Array,      RO, VisCollection,  {}, Item0,   {}},
    {2, "ItemAtID", TND_Array,      RO, VisCollection,  {}, LUT,     {}},
    {3, "Parent",   TND_IVUIObject, RO, VisObject,      {}, NoIndex, {}},
    {4, "_NewEnum", TND_IUnknown,   RO, SimpleProperty, {}, NoIndex, {}},
};
constexpr TElementRow IVToolbarSetsElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item",     TND_IVToolbarSet, VisObject, RefreshFromAncestor, Index0ToCountLess1, {}, ArgItem},
    {"ItemAtID", TND_IVToolbarSet, VisObject, RefreshFromAncestor, ExactlyOneIndex0,   {}, ArgLong, NotAvail},
};
constexpr TVisInterface IVToolbarSetsInterface{
    .Name = "IVToolbarSets",
    .Class = TND_IVToolbarSets,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVToolbarSetsRows,
    .Elements = IVToolbarSetsElements,
};

// IVStatusBarItem (TND_IVStatusBarItem)
constexpr TPropRow IVStatusBarItemRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0,  "ActionText",    TND_WideString,       RW, Id,             {},                    NoIndex, {}},
    {2,  "AddOnName",     TND_WideString,       RW, Id,             {},                    NoIndex, {}},
    {9,  "Index",         TND_Integer,          RO, Id,             {},                    NoIndex, {}},
    {10, "Parent",        TND_IVStatusBarItems, RO, VisCollection,  {},                    NoIndex, {}},
    {1,  "AddOnArgs",     TND_WideString,       RW, SimpleProperty, {},                    NoIndex, {}},
    {3,  "CmdNum",        TND_Smallint,         RW, SimpleProperty, LUT_VisUICmds,         NoIndex, {}},
    {4,  "CntrlID",       TND_Smallint,         RW, SimpleProperty, {},                    NoIndex, {}},
    {5,  "CntrlType",     TND_Smallint,         RW, SimpleProperty, LUT_VisUICtrlTypes,    NoIndex, {}},
    {6,  "Default",       TND_WideString,       RO, SimpleProperty, {},                    NoIndex, {}},
    {7,  "HelpContextID", TND_Smallint,         RW, SimpleProperty, {},                    NoIndex, {}},
    {8,  "HelpFile",      TND_WideString,       RW, SimpleProperty, {},                    NoIndex, {}},
    {11, "Priority",      TND_Smallint,         RW, SimpleProperty, {},                    NoIndex, {}},
    {12, "Spacing",       TND_Smallint,         RW, SimpleProperty, LUT_VisUISpacingTypes, NoIndex, {}},
    {13, "TypeSpecific1", TND_Smallint,         RW, SimpleProperty, {},                    NoIndex, {}},
    {14, "TypeSpecific2", TND_Smallint,         RW, SimpleProperty, {},                    NoIndex, {}},
};
constexpr TVisInterface IVStatusBarItemInterface{
    .Name = "IVStatusBarItem",
    .Class = TND_IVStatusBarItem,
    .Identifying = Quoted("ActionText", 70),
    .IndexKinds = Answers(TIndexKind::Index),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Member,
    .Rows = IVStatusBarItemRows,
    .Elements = {},
};

// IVStatusBarItems (TND_IVStatusBarItems)
constexpr TPropRow IVStatusBarItemsRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0, "Count",    TND_Integer,     RO, SimpleProperty, {}, NoIndex, {}},
    {1, "Item",     TND_Array,       RO, VisCollection,  {}, Item0,   {}},
    {2, "Parent",   TND_IVStatusBar, RO, VisObject,      {}, NoIndex, {}},
    {3, "_NewEnum", TND_IUnknown,    RO, SimpleProperty, {}, NoIndex, {}},
};
constexpr TElementRow IVStatusBarItemsElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVStatusBarItem, VisObject, RefreshFromAncestor, Index0ToCountLess1, {}, ArgItem},
};
constexpr TVisInterface IVStatusBarItemsInterface{
    .Name = "IVStatusBarItems",
    .Class = TND_IVStatusBarItems,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVStatusBarItemsRows,
    .Elements = IVStatusBarItemsElements,
};

// IVStatusBar (TND_IVStatusBar)
constexpr TPropRow IVStatusBarRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0, "Caption",        TND_WideString,       RW, Id,             {}, NoIndex, {}},
    {2, "Parent",         TND_IVStatusBars,     RO, VisCollection,  {}, NoIndex, {}},
    {4, "StatusBarItems", TND_IVStatusBarItems, RO, VisCollection,  {}, NoIndex, {}},
    {1, "Default",        TND_WideString,       RO, SimpleProperty, {}, NoIndex, {}},
    {3, "SetID",          TND_Integer,          RO, SimpleProperty, {}, NoIndex, {}},
};
constexpr TVisInterface IVStatusBarInterface{
    .Name = "IVStatusBar",
    .Class = TND_IVStatusBar,
    .Identifying = Quoted("Caption"),
    .IndexKinds = Answers(),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVStatusBarRows,
    .Elements = {},
};

// IVStatusBars (TND_IVStatusBars)
constexpr TPropRow IVStatusBarsRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0, "Count",    TND_Integer,    RO, SimpleProperty, {}, NoIndex, {}},
    {1, "Item",     TND_Array,      RO, VisCollection,  {}, Item0,   {}},
    {2, "ItemAtID", TND_Array,      RO, VisCollection,  {}, LUT,     {}},
    {3, "Parent",   TND_IVUIObject, RO, VisObject,      {}, NoIndex, {}},
    {4, "_NewEnum", TND_IUnknown,   RO, SimpleProperty, {}, NoIndex, {}},
};
constexpr TElementRow IVStatusBarsElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item",     TND_IVStatusBar, VisObject, RefreshFromAncestor, Index0ToCountLess1, {}, ArgItem},
    {"ItemAtID", TND_IVStatusBar, VisObject, RefreshFromAncestor, ExactlyOneIndex0,   {}, ArgLong, NotAvail},
};
constexpr TVisInterface IVStatusBarsInterface{
    .Name = "IVStatusBars",
    .Class = TND_IVStatusBars,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVStatusBarsRows,
    .Elements = IVStatusBarsElements,
};

// IVAccelItem (TND_IVAccelItem)
constexpr TPropRow IVAccelItemRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {5, "Parent",  TND_IVAccelItems, RO, VisCollection,  {},            NoIndex, {}},
    {0, "Alt",     TND_Smallint,     RW, SimpleProperty, LUT_TrueFalse, NoIndex, {}},
    {1, "CmdNum",  TND_Smallint,     RW, SimpleProperty, LUT_VisUICmds, NoIndex, {}},
    {2, "Control", TND_Smallint,     RW, SimpleProperty, LUT_TrueFalse, NoIndex, {}},
    {3, "Default", TND_Smallint,     RO, SimpleProperty, LUT_TrueFalse, NoIndex, {}},
    {4, "Key",     TND_Smallint,     RW, SimpleProperty, {},            NoIndex, {}},
    {6, "Shift",   TND_Smallint,     RW, SimpleProperty, LUT_TrueFalse, NoIndex, {}},
};
constexpr TVisInterface IVAccelItemInterface{
    .Name = "IVAccelItem",
    .Class = TND_IVAccelItem,
    .Identifying = EmptyForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVAccelItemRows,
    .Elements = {},
};

// IVAccelItems (TND_IVAccelItems)
constexpr TPropRow IVAccelItemsRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0, "Count",    TND_Integer,      RO, SimpleProperty, {}, NoIndex, {}},
    {1, "Item",     TND_Array,        RO, VisCollection,  {}, Item0,   {}},
    {2, "Parent",   TND_IVAccelTable, RO, VisObject,      {}, NoIndex, {}},
    {3, "_NewEnum", TND_IUnknown,     RO, SimpleProperty, {}, NoIndex, {}},
};
constexpr TElementRow IVAccelItemsElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVAccelItem, VisObject, RefreshFromAncestor, Index0ToCountLess1, {}, ArgItem},
};
constexpr TVisInterface IVAccelItemsInterface{
    .Name = "IVAccelItems",
    .Class = TND_IVAccelItems,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVAccelItemsRows,
    .Elements = IVAccelItemsElements,
};

// IVAccelTable (TND_IVAccelTable)
constexpr TPropRow IVAccelTableRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0, "AccelItems", TND_IVAccelItems,  RO, VisCollection,  {}, NoIndex, {}},
    {2, "Parent",     TND_IVAccelTables, RO, VisCollection,  {}, NoIndex, {}},
    {1, "Default",    TND_WideString,    RO, SimpleProperty, {}, NoIndex, {}},
    {3, "SetID",      TND_Integer,       RO, SimpleProperty, {}, NoIndex, {}},
    {4, "TableName",  TND_WideString,    RW, SimpleProperty, {}, NoIndex, {}},
};
constexpr TVisInterface IVAccelTableInterface{
    .Name = "IVAccelTable",
    .Class = TND_IVAccelTable,
    .Identifying = EmptyForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVAccelTableRows,
    .Elements = {},
};

// IVAccelTables (TND_IVAccelTables)
constexpr TPropRow IVAccelTablesRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {0, "Count",    TND_Integer,    RO, SimpleProperty, {}, NoIndex, {}},
    {1, "Item",     TND_Array,      RO, VisCollection,  {}, Item0,   {}},
    {2, "ItemAtID", TND_Array,      RO, VisCollection,  {}, LUT,     {}},
    {3, "Parent",   TND_IVUIObject, RO, VisObject,      {}, NoIndex, {}},
    {4, "_NewEnum", TND_IUnknown,   RO, SimpleProperty, {}, NoIndex, {}},
};
constexpr TElementRow IVAccelTablesElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item",     TND_IVAccelTable, VisObject, RefreshFromAncestor, Index0ToCountLess1, {}, ArgItem},
    {"ItemAtID", TND_IVAccelTable, VisObject, RefreshFromAncestor, ExactlyOneIndex0,   {}, ArgLong, NotAvail},
};
constexpr TVisInterface IVAccelTablesInterface{
    .Name = "IVAccelTables",
    .Class = TND_IVAccelTables,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVAccelTablesRows,
    .Elements = IVAccelTablesElements,
};

// IVUIObject (TND_IVUIObject)
constexpr TPropRow IVUIObjectRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {4, "Name",        TND_WideString,    RW, Id,             {},                           NoIndex, {}},
    {0, "AccelTables", TND_IVAccelTables, RO, VisCollection,  {},                           NoIndex, {}},
    {3, "MenuSets",    TND_IVMenuSets,    RO, VisCollection,  {},                           NoIndex, {}},
    {5, "StatusBars",  TND_IVStatusBars,  RO, VisCollection,  {},                           NoIndex, {}},
    {6, "ToolbarSets", TND_IVToolbarSets, RO, VisCollection,  {},                           NoIndex, {}},
    {1, "Default",     TND_WideString,    RO, SimpleProperty, {},                           NoIndex, {}},
    {2, "Flavor",      TND_Smallint,      RW, SimpleProperty, LUT_VisToolbarFlavors_Single, NoIndex, {}},
};
constexpr TVisInterface IVUIObjectInterface{
    .Name = "IVUIObject",
    .Class = TND_IVUIObject,
    .Identifying = Quoted("Name"),
    .IndexKinds = Answers(),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVUIObjectRows,
    .Elements = {},
};

// IVHyperlink (TND_IVHyperlink)
constexpr TPropRow IVHyperlinkRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {2, "Description",  TND_WideString,    RW, Id,             {},                 NoIndex, {}},
    {6, "ObjectType",   TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {1, "Application_", TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {7, "Shape",        TND_IVShape,       RO, VisObject,      {},                 NoIndex, {}},
    {0, "Address",      TND_WideString,    RW, SimpleProperty, {},                 NoIndex, {}},
    {3, "ExtraInfo",    TND_WideString,    RW, SimpleProperty, {},                 NoIndex, {}},
    {4, "Frame",        TND_WideString,    RW, SimpleProperty, {},                 NoIndex, {}},
    {5, "NewWindow",    TND_Smallint,      RW, SimpleProperty, LUT_TrueFalse,      NoIndex, {}},
    {8, "Stat",         TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex, {}},
    {9, "SubAddress",   TND_WideString,    RW, SimpleProperty, {},                 NoIndex, {}},
};
constexpr TVisInterface IVHyperlinkInterface{
    .Name = "IVHyperlink",
    .Class = TND_IVHyperlink,
    .Identifying = EmptyForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVHyperlinkRows,
    .Elements = {},
};

// IVOLEObjects (TND_IVOLEObjects)
constexpr TPropRow IVOLEObjectsRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {3, "ObjectType",   TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {1, "Count",        TND_Smallint,      RO, SimpleProperty, {},                 NoIndex, {}},
    {2, "Item",         TND_Array,         RO, VisCollection,  {},                 Item1,   {}},
    {0, "Application_", TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {4, "Stat",         TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex, {}},
};
constexpr TElementRow IVOLEObjectsElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVOLEObject, VisObject, RefreshFromAncestor, Index1ToCount, {}, ArgItem},
};
constexpr TVisInterface IVOLEObjectsInterface{
    .Name = "IVOLEObjects",
    .Class = TND_IVOLEObjects,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVOLEObjectsRows,
    .Elements = IVOLEObjectsElements,
};

// IVOLEObject (TND_IVOLEObject)
constexpr TPropRow IVOLEObjectRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {3, "ObjectType",   TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {5, "ProgID",       TND_WideString,    RO, Id,             {},                 NoIndex, {}},
    {0, "Application_", TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {6, "Shape",        TND_IVShape,       RO, VisObject,      {},                 NoIndex, {}},
    {1, "ClassID",      TND_WideString,    RO, SimpleProperty, {},                 NoIndex, {}},
    {2, "ForeignType",  TND_Smallint,      RO, SimpleProperty, LUT_VisShapeTypes,  NoIndex, {}},
    {4, "Object_",      TND_IDispatch,     RO, SimpleProperty, {},                 NoIndex, {}},
    {7, "Stat",         TND_Smallint,      RO, SimpleProperty, LUT_Hex,            NoIndex, {}},
};
constexpr TVisInterface IVOLEObjectInterface{
    .Name = "IVOLEObject",
    .Class = TND_IVOLEObject,
    .Identifying = EmptyForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVOLEObjectRows,
    .Elements = {},
};

// IVPaths (TND_IVPaths)
constexpr TPropRow IVPathsRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {3, "ObjectType",   TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {1, "Count",        TND_Smallint,      RO, SimpleProperty, {},                 NoIndex, {}},
    {2, "Item",         TND_Array,         RO, VisCollection,  {},                 Item1,   {}},
    {0, "Application_", TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
};
constexpr TElementRow IVPathsElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVPath, VisObject, RefreshFromAncestor, Index1ToCount, {}, ArgItem},
};
constexpr TVisInterface IVPathsInterface{
    .Name = "IVPaths",
    .Class = TND_IVPaths,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVPathsRows,
    .Elements = IVPathsElements,
};

// IVPath (TND_IVPath)
constexpr TPropRow IVPathRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {4, "ObjectType",   TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {2, "Count",        TND_Smallint,      RO, SimpleProperty, {},                 NoIndex, {}},
    {3, "Item",         TND_Array,         RO, VisCollection,  {},                 Item1,   {}},
    {0, "Application_", TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {1, "Closed",       TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,      NoIndex, {}},
};
constexpr TElementRow IVPathElements[] = {
    // Array, element class, NodeKind, ObjSource, elements made, from, index argument
    {"Item", TND_IVCurve, VisObject, RefreshFromAncestor, Index1ToCount, {}, ArgItem},
};
constexpr TVisInterface IVPathInterface{
    .Name = "IVPath",
    .Class = TND_IVPath,
    .Identifying = CountForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(TCountKind::Count),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVPathRows,
    .Elements = IVPathElements,
};

// IVCurve (TND_IVCurve)
constexpr TPropRow IVCurveRows[] = {
    // No. Property, node class, access, NodeKind, ValueLUT, IndexStyle, IndexLUT
    {3, "ObjectType",   TND_Smallint,      RO, Id,             LUT_VisObjectTypes, NoIndex, {}},
    {0, "Application_", TND_IVApplication, RO, VisObject,      {},                 NoIndex, {}},
    {1, "Closed",       TND_Smallint,      RO, SimpleProperty, LUT_TrueFalse,      NoIndex, {}},
    {2, "End_",         TND_Double,        RO, SimpleProperty, {},                 NoIndex, {}},
    {4, "Start",        TND_Double,        RO, SimpleProperty, {},                 NoIndex, {}},
};
constexpr TVisInterface IVCurveInterface{
    .Name = "IVCurve",
    .Class = TND_IVCurve,
    .Identifying = EmptyForm(),
    .IndexKinds = Answers(),
    .CountKinds = Answers(),
    .Caption = TCaptionVariant::Plain,
    .Rows = IVCurveRows,
    .Elements = {},
};

constexpr TVisInterface kInterfaces[] = {
    IVApplicationInterface,
    IVCellInterface,
    IVCharactersInterface,
    IVConnectInterface,
    IVConnectsInterface,
    IVDocumentInterface,
    IVDocumentsInterface,
    IVMasterInterface,
    IVMastersInterface,
    IVPageInterface,
    IVPagesInterface,
    IVSelectionInterface,
    IVShapeInterface,
    IVShapesInterface,
    IVStyleInterface,
    IVStylesInterface,
    IVWindowInterface,
    IVWindowsInterface,
    IVLayerInterface,
    IVLayersInterface,
    IVFontInterface,
    IVFontsInterface,
    IVColorInterface,
    IVColorsInterface,
    IVAddonInterface,
    IVAddonsInterface,
    IVEventInterface,
    IVEventListInterface,
    IVMenuItemInterface,
    IVMenuItemsInterface,
    IVMenuInterface,
    IVMenusInterface,
    IVMenuSetInterface,
    IVMenuSetsInterface,
    IVToolbarItemInterface,
    IVToolbarItemsInterface,
    IVToolbarInterface,
    IVToolbarsInterface,
    IVToolbarSetInterface,
    IVToolbarSetsInterface,
    IVStatusBarItemInterface,
    IVStatusBarItemsInterface,
    IVStatusBarInterface,
    IVStatusBarsInterface,
    IVAccelItemInterface,
    IVAccelItemsInterface,
    IVAccelTableInterface,
    IVAccelTablesInterface,
    IVUIObjectInterface,
    IVHyperlinkInterface,
    IVOLEObjectsInterface,
    IVOLEObjectInterface,
    IVPathsInterface,
    IVPathInterface,
    IVCurveInterface,
};

// clang-format on

// VisInterfaceOf finds an interface at its class's place in the list.
constexpr bool InClassOrder() {
  for (std::size_t i = 0; i < std::size(kInterfaces); ++i) {
    if (static_cast<std::size_t>(kInterfaces[i].Class) != kFirstVisObjectClass + i) return false;
  }
  return true;
}
static_assert(std::size(kInterfaces) == kVisInterfaceCount, "one table per object class");
static_assert(InClassOrder(), "the tables in the order of TNodeClass");

}  // namespace
}  // namespace property_tables

std::span<const TVisInterface> VisInterfaces() {
  return property_tables::kInterfaces;
}
