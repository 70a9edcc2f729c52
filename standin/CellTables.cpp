#include "standin/CellTables.h"

#include <string>

#include "automation/Text.h"
#include "standin/SheetInternals.h"

namespace standin {

using namespace detail;

namespace {

using K = CellKind;

// Object section rows, by row index. Names are Visio's ShapeSheet names.
const CellDefs kXFormOut = {
    {0, "PinX", K::Length, "0 in"},         {1, "PinY", K::Length, "0 in"},
    {2, "Width", K::Length, "0 in"},        {3, "Height", K::Length, "0 in"},
    {4, "LocPinX", K::Length, "Width*0.5"}, {5, "LocPinY", K::Length, "Height*0.5"},
    {6, "Angle", K::Angle, "0 deg"},        {7, "FlipX", K::Bool, "FALSE"},
    {8, "FlipY", K::Bool, "FALSE"},         {9, "ResizeMode", K::Number, "0"}};
const CellDefs kLine = {
    {0, "LineWeight", K::Length, "0.01 in"}, {1, "LineColor", K::Number, "0"},
    {2, "LinePattern", K::Number, "1"},      {3, "Rounding", K::Length, "0 in"},
    {4, "EndArrowSize", K::Number, "2"},     {5, "BeginArrow", K::Number, "0"},
    {6, "EndArrow", K::Number, "0"},         {7, "LineCap", K::Number, "0"},
    {8, "BeginArrowSize", K::Number, "2"},   {9, "LineColorTrans", K::Number, "0"},
    {10, "CompoundType", K::Number, "0"}};
const CellDefs kFill = {{0, "FillForegnd", K::Number, "1"},
                        {1, "FillBkgnd", K::Number, "0"},
                        {2, "FillPattern", K::Number, "1"},
                        {3, "ShdwForegnd", K::Number, "0"},
                        {4, "ShdwBkgnd", K::Number, "1"},
                        {5, "ShdwPattern", K::Number, "0"},
                        {6, "FillForegndTrans", K::Number, "0"},
                        {7, "FillBkgndTrans", K::Number, "0"},
                        {8, "ShdwForegndTrans", K::Number, "0"},
                        {9, "ShdwBkgndTrans", K::Number, "0"},
                        {10, "ShapeShdwType", K::Number, "0"},
                        {11, "ShapeShdwOffsetX", K::Length, "0 in"},
                        {12, "ShapeShdwOffsetY", K::Length, "0 in"},
                        {13, "ShapeShdwObliqueAngle", K::Angle, "0 deg"},
                        {14, "ShapeShdwScaleFactor", K::Number, "1"},
                        {15, "ShapeShdwBlur", K::Length, "0 pt"},
                        {16, "ShapeShdwShow", K::Number, "0"}};
const CellDefs kXForm1D = {{0, "BeginX", K::Length, "0 in"},
                           {1, "BeginY", K::Length, "0 in"},
                           {2, "EndX", K::Length, "0 in"},
                           {3, "EndY", K::Length, "0 in"}};
const CellDefs kEvent = {
    {0, "TheData", K::Number, ""},       {1, "TheText", K::Number, ""},
    {2, "EventDblClick", K::Number, ""}, {3, "EventXFMod", K::Number, ""},
    {4, "EventDrop", K::Number, ""},     {22, "EventMultiDrop", K::Number, ""}};
const CellDefs kLayerMem = {{0, "LayerMember", K::String, "\"\""}};
const CellDefs kGuide = {{0, "GuideX", K::Length, "0 in"},
                         {1, "GuideY", K::Length, "0 in"},
                         {2, "GuideFlags", K::Number, "0"}};
const CellDefs kStyle = {{0, "EnableLineProps", K::Bool, "TRUE"},
                         {1, "EnableFillProps", K::Bool, "TRUE"},
                         {2, "EnableTextProps", K::Bool, "TRUE"},
                         {3, "HideForApply", K::Bool, "FALSE"}};
const CellDefs kForeign = {{0, "ImgOffsetX", K::Length, "0 in"},
                           {1, "ImgOffsetY", K::Length, "0 in"},
                           {2, "ImgWidth", K::Length, "Width*1"},
                           {3, "ImgHeight", K::Length, "Height*1"},
                           {4, "ClippingPath", K::Number, ""}};
const CellDefs kPage = {{0, "PageWidth", K::Length, "8.5 in"},
                        {1, "PageHeight", K::Length, "11 in"},
                        {2, "ShdwOffsetX", K::Length, "0.125 in"},
                        {3, "ShdwOffsetY", K::Length, "-0.125 in"},
                        {4, "PageScale", K::Length, "1 in"},
                        {5, "DrawingScale", K::Length, "1 in"},
                        {6, "DrawingSizeType", K::Number, "0"},
                        {7, "DrawingScaleType", K::Number, "0"},
                        {26, "InhibitSnap", K::Bool, "FALSE"},
                        {27, "PageLockReplace", K::Bool, "FALSE"},
                        {28, "PageLockDuplicate", K::Bool, "FALSE"},
                        {34, "UIVisibility", K::Number, "0"},
                        {35, "ShdwType", K::Number, "0"},
                        {36, "ShdwObliqueAngle", K::Angle, "0 deg"},
                        {37, "ShdwScaleFactor", K::Number, "1"},
                        {38, "DrawingResizeType", K::Number, "0"}};
const CellDefs kText = {
    {0, "LeftMargin", K::Length, "0 in"},       {1, "RightMargin", K::Length, "0 in"},
    {2, "TopMargin", K::Length, "0 in"},        {3, "BottomMargin", K::Length, "0 in"},
    {4, "VerticalAlign", K::Number, "1"},       {5, "TextBkgnd", K::Number, "0"},
    {6, "DefaultTabStop", K::Length, "0.5 in"}, {10, "TextDirection", K::Number, "0"},
    {11, "TextBkgndTrans", K::Number, "0"}};
const CellDefs kTextXForm = {{0, "TxtPinX", K::Length, "Width*0.5"},
                             {1, "TxtPinY", K::Length, "Height*0.5"},
                             {2, "TxtWidth", K::Length, "Width*1"},
                             {3, "TxtHeight", K::Length, "Height*1"},
                             {4, "TxtLocPinX", K::Length, "TxtWidth*0.5"},
                             {5, "TxtLocPinY", K::Length, "TxtHeight*0.5"},
                             {6, "TxtAngle", K::Angle, "0 deg"}};
const CellDefs kAlign = {{0, "AlignLeft", K::Length, ""},   {1, "AlignCenter", K::Length, ""},
                         {2, "AlignRight", K::Length, ""},  {3, "AlignTop", K::Length, ""},
                         {4, "AlignMiddle", K::Length, ""}, {5, "AlignBottom", K::Length, ""}};
const CellDefs kLock = {{0, "LockWidth", K::Number, "0"},
                        {1, "LockHeight", K::Number, "0"},
                        {2, "LockMoveX", K::Number, "0"},
                        {3, "LockMoveY", K::Number, "0"},
                        {4, "LockAspect", K::Number, "0"},
                        {5, "LockDelete", K::Number, "0"},
                        {6, "LockBegin", K::Number, "0"},
                        {7, "LockEnd", K::Number, "0"},
                        {8, "LockRotate", K::Number, "0"},
                        {9, "LockCrop", K::Number, "0"},
                        {10, "LockVtxEdit", K::Number, "0"},
                        {11, "LockTextEdit", K::Number, "0"},
                        {12, "LockFormat", K::Number, "0"},
                        {13, "LockGroup", K::Number, "0"},
                        {14, "LockCalcWH", K::Number, "0"},
                        {15, "LockSelect", K::Number, "0"},
                        {16, "LockCustProp", K::Number, "0"},
                        {17, "LockFromGroupFormat", K::Number, "0"},
                        {18, "LockThemeColors", K::Number, "0"},
                        {19, "LockThemeEffects", K::Number, "0"},
                        {20, "LockThemeConnectors", K::Number, "0"},
                        {21, "LockThemeFonts", K::Number, "0"},
                        {22, "LockThemeIndex", K::Number, "0"},
                        {23, "LockReplace", K::Number, "0"},
                        {24, "LockVariation", K::Number, "0"}};
const CellDefs kMisc = {
    {0, "NoObjHandles", K::Bool, "FALSE"},    {1, "NonPrinting", K::Bool, "FALSE"},
    {2, "NoCtlHandles", K::Bool, "FALSE"},    {3, "NoAlignBox", K::Bool, "FALSE"},
    {4, "UpdateAlignBox", K::Bool, "FALSE"},  {5, "HideText", K::Bool, "FALSE"},
    {8, "DynFeedback", K::Number, "0"},       {9, "GlueType", K::Number, "0"},
    {10, "WalkPreference", K::Number, "0"},   {11, "BegTrigger", K::Number, "0"},
    {12, "EndTrigger", K::Number, "0"},       {13, "LOFlags", K::Number, "0"},
    {14, "LOInteraction", K::Number, "0"},    {15, "LOBehavior", K::Number, "0"},
    {16, "Comment", K::String, "\"\""},       {17, "IsDropSource", K::Bool, "FALSE"},
    {18, "NoLiveDynamics", K::Bool, "FALSE"}, {19, "LocalizeMerge", K::Bool, "FALSE"},
    {20, "NoProofing", K::Bool, "FALSE"},     {25, "Calendar", K::Number, "0"},
    {26, "LangID", K::Number, "1033"},        {27, "ShapeKeywords", K::String, "\"\""},
    {28, "DropOnPageScale", K::Number, "1"}};
const CellDefs kRulerGrid = {
    {0, "XRulerDensity", K::Number, "32"},  {1, "YRulerDensity", K::Number, "32"},
    {4, "XRulerOrigin", K::Length, "0 in"}, {5, "YRulerOrigin", K::Length, "0 in"},
    {6, "XGridDensity", K::Number, "8"},    {7, "YGridDensity", K::Number, "8"},
    {8, "XGridSpacing", K::Length, "0 in"}, {9, "YGridSpacing", K::Length, "0 in"},
    {10, "XGridOrigin", K::Length, "0 in"}, {11, "YGridOrigin", K::Length, "0 in"}};

// Rows of the Object section that today's Visio adds (Visio 2002 to 2013).
const CellDefs kHelpCopyright = {{0, "HelpTopic", K::String, "\"\""},
                                 {1, "Copyright", K::String, "\"\""}};
const CellDefs kDoc = {{0, "OutputFormat", K::Number, "0"},
                       {1, "LockPreview", K::Bool, "FALSE"},
                       {3, "AddMarkup", K::Bool, "FALSE"},
                       {4, "ViewMarkup", K::Bool, "FALSE"},
                       {5, "DocLockReplace", K::Bool, "FALSE"},
                       {6, "NoCoauth", K::Bool, "FALSE"},
                       {7, "DocLockDuplicatePage", K::Bool, "FALSE"},
                       {9, "PreviewQuality", K::Number, "0"},
                       {10, "PreviewScope", K::Number, "0"},
                       {19, "DocLangID", K::Number, "1033"}};
const CellDefs kImage = {{0, "Gamma", K::Number, "1"},        {1, "Contrast", K::Number, "0.5"},
                         {2, "Brightness", K::Number, "0.5"}, {3, "Sharpen", K::Number, "0"},
                         {4, "Blur", K::Number, "0"},         {5, "Denoise", K::Number, "0"},
                         {6, "Transparency", K::Number, "0"}};
const CellDefs kGroup = {
    {0, "SelectMode", K::Number, "1"},        {1, "DisplayMode", K::Number, "2"},
    {2, "IsDropTarget", K::Bool, "FALSE"},    {3, "IsSnapTarget", K::Bool, "TRUE"},
    {4, "IsTextEditTarget", K::Bool, "TRUE"}, {5, "DontMoveChildren", K::Bool, "FALSE"}};
const CellDefs kShapeLayout = {
    {0, "ShapePermeableX", K::Bool, "FALSE"},     {1, "ShapePermeableY", K::Bool, "FALSE"},
    {2, "ShapePermeablePlace", K::Bool, "FALSE"}, {3, "Relationships", K::Number, "0"},
    {8, "ShapeFixedCode", K::Number, "0"},        {9, "ShapePlowCode", K::Number, "0"},
    {10, "ShapeRouteStyle", K::Number, "0"},      {11, "ShapePlaceStyle", K::Number, "0"},
    {12, "ConFixedCode", K::Number, "0"},         {13, "ConLineJumpCode", K::Number, "0"},
    {14, "ConLineJumpStyle", K::Number, "0"},     {16, "ConLineJumpDirX", K::Number, "0"},
    {17, "ConLineJumpDirY", K::Number, "0"},      {18, "ShapePlaceFlip", K::Number, "0"},
    {19, "ConLineRouteExt", K::Number, "0"},      {20, "ShapeSplit", K::Number, "0"},
    {21, "ShapeSplittable", K::Number, "0"},      {22, "DisplayLevel", K::Number, "0"}};
const CellDefs kPageLayout = {{0, "ResizePage", K::Bool, "FALSE"},
                              {1, "EnableGrid", K::Bool, "FALSE"},
                              {2, "DynamicsOff", K::Bool, "FALSE"},
                              {3, "CtrlAsInput", K::Bool, "FALSE"},
                              {4, "AvoidPageBreaks", K::Bool, "FALSE"},
                              {8, "PlaceStyle", K::Number, "0"},
                              {9, "RouteStyle", K::Number, "0"},
                              {10, "PlaceDepth", K::Number, "0"},
                              {11, "PlowCode", K::Number, "0"},
                              {12, "LineJumpCode", K::Number, "1"},
                              {13, "LineJumpStyle", K::Number, "0"},
                              {14, "PageLineJumpDirX", K::Number, "0"},
                              {15, "PageLineJumpDirY", K::Number, "0"},
                              {16, "LineToNodeX", K::Length, "0.125 in"},
                              {17, "LineToNodeY", K::Length, "0.125 in"},
                              {18, "BlockSizeX", K::Length, "0.25 in"},
                              {19, "BlockSizeY", K::Length, "0.25 in"},
                              {20, "AvenueSizeX", K::Length, "0.375 in"},
                              {21, "AvenueSizeY", K::Length, "0.375 in"},
                              {22, "LineToLineX", K::Length, "0.125 in"},
                              {23, "LineToLineY", K::Length, "0.125 in"},
                              {24, "LineJumpFactorX", K::Number, "0.66666"},
                              {25, "LineJumpFactorY", K::Number, "0.66666"},
                              {26, "LineAdjustFrom", K::Number, "0"},
                              {27, "LineAdjustTo", K::Number, "0"},
                              {28, "PlaceFlip", K::Number, "0"},
                              {29, "LineRouteExt", K::Number, "0"},
                              {30, "PageShapeSplit", K::Number, "0"}};
const CellDefs kPrintProperties = {{0, "PageLeftMargin", K::Length, "0.25 in"},
                                   {1, "PageRightMargin", K::Length, "0.25 in"},
                                   {2, "PageTopMargin", K::Length, "0.25 in"},
                                   {3, "PageBottomMargin", K::Length, "0.25 in"},
                                   {4, "ScaleX", K::Number, "1"},
                                   {5, "ScaleY", K::Number, "1"},
                                   {6, "PagesX", K::Number, "1"},
                                   {7, "PagesY", K::Number, "1"},
                                   {8, "CenterX", K::Bool, "FALSE"},
                                   {9, "CenterY", K::Bool, "FALSE"},
                                   {10, "OnPage", K::Bool, "FALSE"},
                                   {11, "PrintGrid", K::Bool, "FALSE"},
                                   {16, "PrintPageOrientation", K::Number, "1"},
                                   {17, "PaperKind", K::Number, "1"},
                                   {18, "PaperSource", K::Number, "7"}};
const CellDefs kGradientProperties = {
    {0, "LineGradientDir", K::Number, "0"},          {1, "LineGradientAngle", K::Angle, "90 deg"},
    {2, "FillGradientDir", K::Number, "0"},          {3, "FillGradientAngle", K::Angle, "90 deg"},
    {4, "LineGradientEnabled", K::Bool, "FALSE"},    {5, "FillGradientEnabled", K::Bool, "FALSE"},
    {6, "RotateGradientWithShape", K::Bool, "TRUE"}, {7, "UseGroupGradient", K::Bool, "FALSE"}};
const CellDefs kQuickStyleProperties = {{0, "QuickStyleLineColor", K::Number, "100"},
                                        {1, "QuickStyleFillColor", K::Number, "100"},
                                        {2, "QuickStyleShadowColor", K::Number, "100"},
                                        {3, "QuickStyleFontColor", K::Number, "100"},
                                        {4, "QuickStyleLineMatrix", K::Number, "100"},
                                        {5, "QuickStyleFillMatrix", K::Number, "100"},
                                        {6, "QuickStyleEffectsMatrix", K::Number, "100"},
                                        {7, "QuickStyleFontMatrix", K::Number, "100"},
                                        {8, "QuickStyleType", K::Number, "0"},
                                        {9, "QuickStyleVariation", K::Number, "0"}};
const CellDefs kOtherEffectProperties = {
    {0, "ReflectionTrans", K::Number, "0"},   {1, "ReflectionSize", K::Number, "0"},
    {2, "ReflectionDist", K::Length, "0 pt"}, {3, "ReflectionBlur", K::Length, "0 pt"},
    {4, "GlowColor", K::Number, "0"},         {5, "GlowColorTrans", K::Number, "0"},
    {6, "GlowSize", K::Length, "0 pt"},       {7, "SoftEdgesSize", K::Length, "0 pt"},
    {8, "SketchSeed", K::Number, "0"},        {9, "SketchEnabled", K::Bool, "FALSE"},
    {10, "SketchAmount", K::Number, "5"},     {11, "SketchLineWeight", K::Length, "0 pt"},
    {12, "SketchLineChange", K::Number, "0"}, {13, "SketchFillChange", K::Number, "0"}};
const CellDefs kBevelProperties = {
    {0, "BevelTopType", K::Number, "0"},          {1, "BevelTopWidth", K::Length, "0 pt"},
    {2, "BevelTopHeight", K::Length, "0 pt"},     {3, "BevelBottomType", K::Number, "0"},
    {4, "BevelBottomWidth", K::Length, "0 pt"},   {5, "BevelBottomHeight", K::Length, "0 pt"},
    {6, "BevelDepthColor", K::Number, "1"},       {7, "BevelDepthSize", K::Length, "0 pt"},
    {8, "BevelContourColor", K::Number, "0"},     {9, "BevelContourSize", K::Length, "0 pt"},
    {10, "BevelMaterialType", K::Number, "0"},    {11, "BevelLightingType", K::Number, "0"},
    {12, "BevelLightingAngle", K::Angle, "0 deg"}};
const CellDefs k3DRotationProperties = {
    {0, "RotationXAngle", K::Angle, "0 deg"}, {1, "RotationYAngle", K::Angle, "0 deg"},
    {2, "RotationZAngle", K::Angle, "0 deg"}, {3, "RotationType", K::Number, "0"},
    {4, "Perspective", K::Number, "0"},       {5, "DistanceFromGround", K::Length, "0 pt"},
    {6, "KeepTextFlat", K::Bool, "FALSE"}};
const CellDefs kThemeProperties = {
    {0, "ColorSchemeIndex", K::Number, "0"},     {1, "EffectSchemeIndex", K::Number, "0"},
    {2, "ConnectorSchemeIndex", K::Number, "0"}, {3, "FontSchemeIndex", K::Number, "0"},
    {4, "ThemeIndex", K::Number, "0"},           {5, "VariationColorIndex", K::Number, "0"},
    {6, "VariationStyleIndex", K::Number, "0"},  {7, "EmbellishmentIndex", K::Number, "0"}};
const CellDefs kReplaceBehaviors = {{0, "ReplaceLockShapeData", K::Number, "0"},
                                    {1, "ReplaceLockText", K::Number, "0"},
                                    {2, "ReplaceLockFormat", K::Number, "0"},
                                    {3, "ReplaceCopyCells", K::Number, "0"}};
const CellDefs kNone = {};

// The other sections. Names are the short names inside a row.
// NoQuickDrag (visCompNoQuickDrag, Visio 2010) is in most of today's files.
const CellDefs kComponent = {{0, "NoFill", K::Bool, "FALSE"},
                             {1, "NoLine", K::Bool, "FALSE"},
                             {2, "NoShow", K::Bool, "FALSE"},
                             {3, "NoSnap", K::Bool, "FALSE"},
                             {5, "NoQuickDrag", K::Bool, "FALSE"}};
const CellDefs kVertexXY = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"}};
const CellDefs kArcTo = {
    {0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"}, {2, "A", K::Length, "0 in"}};
const CellDefs kEllipticalArcTo = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"},
                                   {2, "A", K::Length, "0 in"}, {3, "B", K::Length, "0 in"},
                                   {4, "C", K::Angle, "0 deg"}, {5, "D", K::Number, "1"}};
const CellDefs kSplineBeg = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"},
                             {2, "A", K::Number, "0"},    {3, "B", K::Number, "0"},
                             {4, "C", K::Number, "0"},    {5, "D", K::Number, "3"}};
const CellDefs kSplineSpan = {
    {0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"}, {2, "A", K::Number, "0"}};
// The row types of today's Visio. Rows whose X and Y are relative hold
// fractions of the shape's width and height; PolylineTo's A and NURBSTo's
// E hold the POLYLINE() and NURBS() that give their points.
const CellDefs kInfiniteLine = {{0, "X", K::Length, "0 in"},
                                {1, "Y", K::Length, "0 in"},
                                {2, "A", K::Length, "0 in"},
                                {3, "B", K::Length, "0 in"}};
const CellDefs kEllipse = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"},
                           {2, "A", K::Length, "0 in"}, {3, "B", K::Length, "0 in"},
                           {4, "C", K::Length, "0 in"}, {5, "D", K::Length, "0 in"}};
const CellDefs kPolylineTo = {
    {0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"}, {2, "A", K::Number, ""}};
const CellDefs kNURBSTo = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"},
                           {2, "A", K::Number, "0"},    {3, "B", K::Number, "1"},
                           {4, "C", K::Number, "0"},    {5, "D", K::Number, "1"},
                           {6, "E", K::Number, ""}};
const CellDefs kRelVertex = {{0, "X", K::Number, "0"}, {1, "Y", K::Number, "0"}};
const CellDefs kRelCubBezTo = {{0, "X", K::Number, "0"}, {1, "Y", K::Number, "0"},
                               {2, "A", K::Number, "0"}, {3, "B", K::Number, "0"},
                               {4, "C", K::Number, "0"}, {5, "D", K::Number, "0"}};
const CellDefs kRelQuadBezTo = {{0, "X", K::Number, "0"},
                                {1, "Y", K::Number, "0"},
                                {2, "A", K::Number, "0"},
                                {3, "B", K::Number, "0"}};
const CellDefs kRelEllipticalArcTo = {{0, "X", K::Number, "0"},    {1, "Y", K::Number, "0"},
                                      {2, "A", K::Number, "0"},    {3, "B", K::Number, "0"},
                                      {4, "C", K::Angle, "0 deg"}, {5, "D", K::Number, "1"}};
// Every name a geometry row's cells have, whatever the row's type.
const CellDefs kGeometryNames = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"},
                                 {2, "A", K::Length, "0 in"}, {3, "B", K::Length, "0 in"},
                                 {4, "C", K::Angle, "0 deg"}, {5, "D", K::Number, "1"},
                                 {6, "E", K::Number, ""}};
const CellDefs kChar = {{0, "Font", K::Number, "0"},
                        {1, "Color", K::Number, "0"},
                        {2, "Style", K::Number, "0"},
                        {3, "Case", K::Number, "0"},
                        {4, "Pos", K::Number, "0"},
                        {5, "FontScale", K::Number, "1"},
                        {7, "Size", K::Length, "12 pt"},
                        {8, "DblUnderline", K::Bool, "FALSE"},
                        {9, "Overline", K::Bool, "FALSE"},
                        {10, "Strikethru", K::Bool, "FALSE"},
                        {12, "Perpendicular", K::Bool, "FALSE"},
                        {13, "DoubleStrikethrough", K::Bool, "FALSE"},
                        {14, "RTLText", K::Bool, "FALSE"},
                        {15, "UseVertical", K::Bool, "FALSE"},
                        {16, "Letterspace", K::Length, "0 pt"},
                        {17, "ColorTrans", K::Number, "0"},
                        {51, "AsianFont", K::Number, "0"},
                        {52, "ComplexScriptFont", K::Number, "0"},
                        {53, "LocalizeFont", K::Number, "0"},
                        {54, "ComplexScriptSize", K::Length, "-1 pt"},
                        {57, "LangID", K::Number, "1033"}};
const CellDefs kPara = {{0, "IndFirst", K::Length, "0 in"},
                        {1, "IndLeft", K::Length, "0 in"},
                        {2, "IndRight", K::Length, "0 in"},
                        {3, "SpLine", K::Length, "0 pt"},
                        {4, "SpBefore", K::Length, "0 pt"},
                        {5, "SpAfter", K::Length, "0 pt"},
                        {6, "HorzAlign", K::Number, "1"},
                        {7, "Bullet", K::Number, "0"},
                        {8, "BulletStr", K::String, "\"\""},
                        {9, "BulletFont", K::Number, "0"},
                        {10, "LocalizeBulletFont", K::Number, "0"},
                        {11, "BulletFontSize", K::Number, "-1"},
                        {12, "TextPosAfterBullet", K::Length, "0 in"},
                        {13, "Flags", K::Number, "0"}};
const CellDefs kScratch = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"},
                           {2, "A", K::Number, "0"},    {3, "B", K::Number, "0"},
                           {4, "C", K::Number, "0"},    {5, "D", K::Number, "0"}};
const CellDefs kConnection = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"}};
const CellDefs kConnectionABCD = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"},
                                  {2, "A", K::Number, "0"},    {3, "B", K::Number, "0"},
                                  {4, "C", K::Number, "0"},    {5, "D", K::Number, "0"}};
const CellDefs kField = {{0, "Value", K::Number, ""},       {1, "EditMode", K::Number, "0"},
                         {2, "Format", K::String, "\"\""},  {3, "Type", K::Number, "0"},
                         {4, "UICat", K::Number, "0"},      {5, "UICod", K::Number, "0"},
                         {6, "UIFmt", K::Number, "0"},      {7, "Calendar", K::Number, "0"},
                         {10, "ObjectKind", K::Number, "0"}};
const CellDefs kControl = {
    {0, "X", K::Length, "0 in"},     {1, "Y", K::Length, "0 in"}, {2, "XDyn", K::Length, "0 in"},
    {3, "YDyn", K::Length, "0 in"},  {4, "XCon", K::Number, "0"}, {5, "YCon", K::Number, "0"},
    {6, "CanGlue", K::Bool, "TRUE"}, {7, "Type", K::Number, "0"}, {8, "Prompt", K::String, "\"\""}};
const CellDefs kAction = {
    {0, "Menu", K::String, "\"\""},      {1, "Prompt", K::String, "\"\""},
    {2, "Help", K::String, "\"\""},      {3, "Action", K::Number, "0"},
    {4, "Checked", K::Bool, "FALSE"},    {5, "Disabled", K::Bool, "FALSE"},
    {6, "ReadOnly", K::Bool, "FALSE"},   {7, "Invisible", K::Bool, "FALSE"},
    {8, "BeginGroup", K::Bool, "FALSE"}, {9, "FlyoutChild", K::Bool, "FALSE"},
    {14, "TagName", K::String, "\"\""},  {15, "ButtonFace", K::String, "\"\""},
    {16, "SortKey", K::String, "\"\""}};
const CellDefs kLayer = {{0, "Name", K::String, "\"\""},    {2, "Color", K::Number, "255"},
                         {3, "Status", K::Number, "0"},     {4, "Visible", K::Number, "1"},
                         {5, "Print", K::Number, "1"},      {6, "Active", K::Number, "0"},
                         {7, "Lock", K::Number, "0"},       {8, "Snap", K::Number, "1"},
                         {9, "Glue", K::Number, "1"},       {10, "NameUniv", K::String, "\"\""},
                         {11, "ColorTrans", K::Number, "0"}};
const CellDefs kUser = {{0, "Value", K::Number, "0"}, {1, "Prompt", K::String, "\"\""}};
const CellDefs kProp = {{0, "Value", K::Number, ""},         {1, "Prompt", K::String, "\"\""},
                        {2, "Label", K::String, "\"\""},     {3, "Format", K::String, "\"\""},
                        {4, "SortKey", K::String, "\"\""},   {5, "Type", K::Number, "0"},
                        {6, "Invisible", K::Bool, "FALSE"},  {7, "Verify", K::Bool, "FALSE"},
                        {8, "DataLinked", K::Bool, "FALSE"}, {14, "LangID", K::Number, "1033"},
                        {15, "Calendar", K::Number, "0"}};
const CellDefs kHyperlink = {
    {0, "Description", K::String, "\"\""}, {1, "Address", K::String, "\"\""},
    {2, "SubAddress", K::String, "\"\""},  {3, "ExtraInfo", K::String, "\"\""},
    {4, "Frame", K::String, "\"\""},       {5, "NewWindow", K::Bool, "FALSE"},
    {7, "Default", K::Bool, "FALSE"},      {8, "Invisible", K::Bool, "FALSE"},
    {15, "SortKey", K::String, "\"\""}};

// The sections of reviewers' comments, smart tags and gradient stops.
const CellDefs kReviewer = {{0, "Name", K::String, "\"\""},
                            {1, "Initials", K::String, "\"\""},
                            {2, "Color", K::Number, "0"},
                            {3, "ReviewerID", K::Number, "0"},
                            {4, "CurrentIndex", K::Number, "0"}};
const CellDefs kAnnotation = {{0, "X", K::Length, "0 in"},       {1, "Y", K::Length, "0 in"},
                              {2, "ReviewerID", K::Number, "0"}, {3, "MarkerIndex", K::Number, "0"},
                              {4, "Date", K::Number, "0"},       {5, "Comment", K::String, "\"\""},
                              {6, "LangID", K::Number, "1033"}};
const CellDefs kSmartTag = {
    {0, "X", K::Length, "0 in"},           {1, "Y", K::Length, "0 in"},
    {2, "TagName", K::String, "\"\""},     {3, "XJustify", K::Number, "0"},
    {4, "YJustify", K::Number, "0"},       {5, "DisplayMode", K::Number, "0"},
    {6, "ButtonFace", K::String, "\"\""},  {7, "Disabled", K::Bool, "FALSE"},
    {15, "Description", K::String, "\"\""}};
const CellDefs kGradientStop = {{0, "GradientStopColor", K::Number, "0"},
                                {1, "GradientStopColorTrans", K::Number, "0"},
                                {2, "GradientStopPosition", K::Number, "0"}};

// Tab rows: the count of stops, then position, alignment and a reserved
// cell per stop.
CellDefs MakeTabCells(int stops) {
  // The names must outlive the tables that point at them.
  static std::vector<std::unique_ptr<std::string>> names;
  CellDefs d = {{0, "StopCount", K::Number, "0"}};
  std::int16_t col = 1;
  for (int k = 1; k <= stops; ++k) {
    for (const char* part : {"Position", "Alignment", "Reserved"}) {
      names.push_back(std::make_unique<std::string>(part + std::to_string(k)));
      const bool position = part[0] == 'P';
      d.push_back({col++, names.back()->c_str(), position ? K::Length : K::Number,
                   position ? "0 in" : "0"});
    }
  }
  return d;
}

const CellDefs& Tab2Cells() {
  static const CellDefs defs = MakeTabCells(TabStopsOf(visTagTab2));
  return defs;
}

const CellDefs& Tab10Cells() {
  static const CellDefs defs = MakeTabCells(TabStopsOf(visTagTab10));
  return defs;
}

}  // namespace

namespace detail {

const CellDefs& ObjectRowCells(std::int16_t row) {
  switch (row) {
    case visRowXFormOut:
      return kXFormOut;
    case visRowLine:
      return kLine;
    case visRowFill:
      return kFill;
    case visRowXForm1D:
      return kXForm1D;
    case visRowEvent:
      return kEvent;
    case visRowLayerMem:
      return kLayerMem;
    case visRowGuide:
      return kGuide;
    case visRowStyle:
      return kStyle;
    case visRowForeign:
      return kForeign;
    case visRowPage:
      return kPage;
    case visRowText:
      return kText;
    case visRowTextXForm:
      return kTextXForm;
    case visRowAlign:
      return kAlign;
    case visRowLock:
      return kLock;
    case visRowMisc:
      return kMisc;
    case visRowRulerGrid:
      return kRulerGrid;
    case visRowHelpCopyright:
      return kHelpCopyright;
    case visRowDoc:
      return kDoc;
    case visRowImage:
      return kImage;
    case visRowGroup:
      return kGroup;
    case visRowShapeLayout:
      return kShapeLayout;
    case visRowPageLayout:
      return kPageLayout;
    case visRowPrintProperties:
      return kPrintProperties;
    case visRowGradientProperties:
      return kGradientProperties;
    case visRowQuickStyleProperties:
      return kQuickStyleProperties;
    case visRowOtherEffectProperties:
      return kOtherEffectProperties;
    case visRowBevelProperties:
      return kBevelProperties;
    case visRow3DRotationProperties:
      return k3DRotationProperties;
    case visRowThemeProperties:
      return kThemeProperties;
    case visRowReplaceBehaviors:
      return kReplaceBehaviors;
    default:
      return kNone;
  }
}

bool ValidObjectRow(std::int16_t row) {
  return row >= visRowXFormOut && row <= visRowLastObject && row != 13 &&
         row != visRowHyperlinkBase;
}

bool ValidSection(std::int16_t s) {
  return (s >= visSectionObject && s <= visSectionLastComponent) ||
         (s >= visSectionAction && s <= visSectionLastRows);
}

// Every cell name a section's rows can have, whatever their type.
const CellDefs& AllCellsOf(std::int16_t section) {
  // Vertex rows name their cells X, Y, A to E whatever their type.
  if (IsGeometrySection(section)) return kGeometryNames;
  switch (section) {
    case visSectionTab:
      return Tab10Cells();
    case visSectionConnectionPts:
      return kConnectionABCD;
    default:
      return RowCells(section, 0);
  }
}

std::optional<std::int16_t> ColumnIn(const CellDefs& defs, std::string_view name) {
  for (const auto& d : defs) {
    if (automation::NamesEqual(d.name, name)) return d.column;
  }
  return std::nullopt;
}

}  // namespace detail

bool FixedObjectRow(SheetHost::Kind kind, std::int16_t row) {
  using Kd = SheetHost::Kind;
  switch (kind) {
    case Kd::PageSheet:
    case Kd::MasterSheet:
      return row == visRowEvent || row == visRowPage || row == visRowRulerGrid;
    case Kd::DocumentSheet:
      return row == visRowDoc;
    case Kd::Style:
      return row == visRowLine || row == visRowFill || row == visRowStyle || row == visRowText;
    default:
      break;
  }
  switch (row) {
    case visRowXFormOut:
    case visRowLine:
    case visRowFill:
    case visRowEvent:
    case visRowLayerMem:
    case visRowText:
    case visRowTextXForm:
    case visRowLock:
    case visRowMisc:
      return true;
    case visRowXForm1D:
      return kind == Kd::OneD;
    case visRowGuide:
      return kind == Kd::Guide;
    case visRowForeign:
      return kind == Kd::Foreign;
    default:
      return false;
  }
}

int TabStopsOf(std::int16_t tag) {
  switch (tag) {
    case visTagTab2:
      return 3;
    case visTagTab10:
      return kMaxTabStops;
    default:
      return 0;
  }
}

std::int16_t TabRowTypeFor(int stops) {
  if (stops <= 0) return visTagTab0;
  return stops <= TabStopsOf(visTagTab2) ? visTagTab2 : visTagTab10;
}

const std::vector<CellDef>& RowCells(std::int16_t section, std::int16_t rowOrTag) {
  if (section == visSectionObject) return ObjectRowCells(rowOrTag);
  if (IsGeometrySection(section)) {
    switch (rowOrTag) {
      case visTagComponent:
        return kComponent;
      case visTagMoveTo:
      case visTagLineTo:
        return kVertexXY;
      case visTagArcTo:
        return kArcTo;
      case visTagEllipticalArcTo:
        return kEllipticalArcTo;
      case visTagSplineBeg:
        return kSplineBeg;
      case visTagSplineSpan:
        return kSplineSpan;
      case visTagInfiniteLine:
        return kInfiniteLine;
      case visTagEllipse:
        return kEllipse;
      case visTagPolylineTo:
        return kPolylineTo;
      case visTagNURBSTo:
        return kNURBSTo;
      case visTagRelMoveTo:
      case visTagRelLineTo:
        return kRelVertex;
      case visTagRelCubBezTo:
        return kRelCubBezTo;
      case visTagRelQuadBezTo:
        return kRelQuadBezTo;
      case visTagRelEllipticalArcTo:
        return kRelEllipticalArcTo;
      default:
        return kNone;
    }
  }
  switch (section) {
    case visSectionCharacter:
      return kChar;
    case visSectionParagraph:
      return kPara;
    case visSectionTab:
      if (rowOrTag == visTagTab2) return Tab2Cells();
      if (rowOrTag == visTagTab10) return Tab10Cells();
      return kNone;
    case visSectionScratch:
      return kScratch;
    case visSectionConnectionPts:
      return rowOrTag == visTagCnnctPtABCD || rowOrTag == visTagCnnctNamedABCD ? kConnectionABCD
                                                                               : kConnection;
    case visSectionTextField:
      return kField;
    case visSectionControls:
      return kControl;
    case visSectionAction:
      return kAction;
    case visSectionLayer:
      return kLayer;
    case visSectionUser:
      return kUser;
    case visSectionProp:
      return kProp;
    case visSectionHyperlink:
      return kHyperlink;
    case visSectionReviewer:
      return kReviewer;
    case visSectionAnnotation:
      return kAnnotation;
    case visSectionSmartTag:
      return kSmartTag;
    case visSectionLineGradientStops:
    case visSectionFillGradientStops:
      return kGradientStop;
    default:
      return kNone;
  }
}

bool IsVertexTag(std::int16_t tag) {
  switch (tag) {
    case visTagMoveTo:
    case visTagLineTo:
    case visTagArcTo:
    case visTagInfiniteLine:
    case visTagEllipse:
    case visTagEllipticalArcTo:
    case visTagSplineBeg:
    case visTagSplineSpan:
    case visTagPolylineTo:
    case visTagNURBSTo:
    case visTagRelCubBezTo:
    case visTagRelQuadBezTo:
    case visTagRelMoveTo:
    case visTagRelLineTo:
    case visTagRelEllipticalArcTo:
      return true;
    default:
      return false;
  }
}

const CellDef* FindRowCell(std::int16_t section, std::int16_t rowOrTag, std::int16_t column) {
  for (const auto& d : RowCells(section, rowOrTag)) {
    if (d.column == column) return &d;
  }
  return nullptr;
}

std::optional<std::int16_t> ColumnOfName(std::int16_t section, std::int16_t rowOrTag,
                                         std::string_view name) {
  return ColumnIn(RowCells(section, rowOrTag), name);
}

}  // namespace standin
