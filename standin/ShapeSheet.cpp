#include "standin/ShapeSheet.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <set>
#include <tuple>
#include <unordered_map>
#include <utility>

#include "standin/Numbers.h"
#include "standin/Cell.h"

namespace standin {

using automation::AutomationError;

// ======================================================================
// The cells of each kind of row, and their names
// ======================================================================

namespace {

using K = CellKind;
using Defs = std::vector<CellDef>;

// Object section rows, by row index. Names are Visio's ShapeSheet names.
const Defs kXFormOut = {
    {0, "PinX", K::Length, "0 in"},         {1, "PinY", K::Length, "0 in"},
    {2, "Width", K::Length, "0 in"},        {3, "Height", K::Length, "0 in"},
    {4, "LocPinX", K::Length, "Width*0.5"}, {5, "LocPinY", K::Length, "Height*0.5"},
    {6, "Angle", K::Angle, "0 deg"},        {7, "FlipX", K::Bool, "FALSE"},
    {8, "FlipY", K::Bool, "FALSE"},         {9, "ResizeMode", K::Number, "0"}};
const Defs kLine = {{0, "LineWeight", K::Length, "0.01 in"}, {1, "LineColor", K::Number, "0"},
                    {2, "LinePattern", K::Number, "1"},      {3, "Rounding", K::Length, "0 in"},
                    {4, "EndArrowSize", K::Number, "2"},     {5, "BeginArrow", K::Number, "0"},
                    {6, "EndArrow", K::Number, "0"},         {7, "LineCap", K::Number, "0"},
                    {8, "BeginArrowSize", K::Number, "2"},   {9, "LineColorTrans", K::Number, "0"},
    {10, "CompoundType", K::Number, "0"}};
const Defs kFill = {{0, "FillForegnd", K::Number, "1"},      {1, "FillBkgnd", K::Number, "0"},
                    {2, "FillPattern", K::Number, "1"},      {3, "ShdwForegnd", K::Number, "0"},
                    {4, "ShdwBkgnd", K::Number, "1"},        {5, "ShdwPattern", K::Number, "0"},
                    {6, "FillForegndTrans", K::Number, "0"}, {7, "FillBkgndTrans", K::Number, "0"},
                    {8, "ShdwForegndTrans", K::Number, "0"}, {9, "ShdwBkgndTrans", K::Number, "0"},
    {10, "ShapeShdwType", K::Number, "0"}, {11, "ShapeShdwOffsetX", K::Length, "0 in"},
    {12, "ShapeShdwOffsetY", K::Length, "0 in"}, {13, "ShapeShdwObliqueAngle", K::Angle, "0 deg"},
    {14, "ShapeShdwScaleFactor", K::Number, "1"}, {15, "ShapeShdwBlur", K::Length, "0 pt"},
    {16, "ShapeShdwShow", K::Number, "0"}};
const Defs kXForm1D = {{0, "BeginX", K::Length, "0 in"},
                       {1, "BeginY", K::Length, "0 in"},
                       {2, "EndX", K::Length, "0 in"},
                       {3, "EndY", K::Length, "0 in"}};
const Defs kEvent = {{0, "TheData", K::Number, ""},
                     {1, "TheText", K::Number, ""},
                     {2, "EventDblClick", K::Number, ""},
                     {3, "EventXFMod", K::Number, ""},
                     {4, "EventDrop", K::Number, ""},
    {22, "EventMultiDrop", K::Number, ""}};
const Defs kLayerMem = {{0, "LayerMember", K::String, "\"\""}};
const Defs kGuide = {{0, "GuideX", K::Length, "0 in"},
                     {1, "GuideY", K::Length, "0 in"},
                     {2, "GuideFlags", K::Number, "0"}};
const Defs kStyle = {{0, "EnableLineProps", K::Bool, "TRUE"},
                     {1, "EnableFillProps", K::Bool, "TRUE"},
                     {2, "EnableTextProps", K::Bool, "TRUE"},
    {3, "HideForApply", K::Bool, "FALSE"}};
const Defs kForeign = {{0, "ImgOffsetX", K::Length, "0 in"},
                       {1, "ImgOffsetY", K::Length, "0 in"},
                       {2, "ImgWidth", K::Length, "Width*1"},
                       {3, "ImgHeight", K::Length, "Height*1"},
    {4, "ClippingPath", K::Number, ""}};
const Defs kPage = {
    {0, "PageWidth", K::Length, "8.5 in"},     {1, "PageHeight", K::Length, "11 in"},
    {2, "ShdwOffsetX", K::Length, "0.125 in"}, {3, "ShdwOffsetY", K::Length, "-0.125 in"},
    {4, "PageScale", K::Length, "1 in"},       {5, "DrawingScale", K::Length, "1 in"},
    {6, "DrawingSizeType", K::Number, "0"},    {7, "DrawingScaleType", K::Number, "0"},
    {26, "InhibitSnap", K::Bool, "FALSE"}, {27, "PageLockReplace", K::Bool, "FALSE"},
    {28, "PageLockDuplicate", K::Bool, "FALSE"}, {34, "UIVisibility", K::Number, "0"},
    {35, "ShdwType", K::Number, "0"}, {36, "ShdwObliqueAngle", K::Angle, "0 deg"},
    {37, "ShdwScaleFactor", K::Number, "1"}, {38, "DrawingResizeType", K::Number, "0"}};
const Defs kText = {{0, "LeftMargin", K::Length, "0 in"}, {1, "RightMargin", K::Length, "0 in"},
                    {2, "TopMargin", K::Length, "0 in"},  {3, "BottomMargin", K::Length, "0 in"},
                    {4, "VerticalAlign", K::Number, "1"}, {5, "TextBkgnd", K::Number, "0"},
    {6, "DefaultTabStop", K::Length, "0.5 in"}, {10, "TextDirection", K::Number, "0"},
    {11, "TextBkgndTrans", K::Number, "0"}};
const Defs kTextXForm = {{0, "TxtPinX", K::Length, "Width*0.5"},
                         {1, "TxtPinY", K::Length, "Height*0.5"},
                         {2, "TxtWidth", K::Length, "Width*1"},
                         {3, "TxtHeight", K::Length, "Height*1"},
                         {4, "TxtLocPinX", K::Length, "TxtWidth*0.5"},
                         {5, "TxtLocPinY", K::Length, "TxtHeight*0.5"},
                         {6, "TxtAngle", K::Angle, "0 deg"}};
const Defs kAlign = {{0, "AlignLeft", K::Length, ""},   {1, "AlignCenter", K::Length, ""},
                     {2, "AlignRight", K::Length, ""},  {3, "AlignTop", K::Length, ""},
                     {4, "AlignMiddle", K::Length, ""}, {5, "AlignBottom", K::Length, ""}};
const Defs kLock = {{0, "LockWidth", K::Number, "0"},    {1, "LockHeight", K::Number, "0"},
                    {2, "LockMoveX", K::Number, "0"},    {3, "LockMoveY", K::Number, "0"},
                    {4, "LockAspect", K::Number, "0"},   {5, "LockDelete", K::Number, "0"},
                    {6, "LockBegin", K::Number, "0"},    {7, "LockEnd", K::Number, "0"},
                    {8, "LockRotate", K::Number, "0"},   {9, "LockCrop", K::Number, "0"},
                    {10, "LockVtxEdit", K::Number, "0"}, {11, "LockTextEdit", K::Number, "0"},
                    {12, "LockFormat", K::Number, "0"},  {13, "LockGroup", K::Number, "0"},
                    {14, "LockCalcWH", K::Number, "0"},  {15, "LockSelect", K::Number, "0"},
    {16, "LockCustProp", K::Number, "0"}, {17, "LockFromGroupFormat", K::Number, "0"},
    {18, "LockThemeColors", K::Number, "0"}, {19, "LockThemeEffects", K::Number, "0"},
    {20, "LockThemeConnectors", K::Number, "0"}, {21, "LockThemeFonts", K::Number, "0"},
    {22, "LockThemeIndex", K::Number, "0"}, {23, "LockReplace", K::Number, "0"},
    {24, "LockVariation", K::Number, "0"}};
const Defs kMisc = {{0, "NoObjHandles", K::Bool, "FALSE"},   {1, "NonPrinting", K::Bool, "FALSE"},
                    {2, "NoCtlHandles", K::Bool, "FALSE"},   {3, "NoAlignBox", K::Bool, "FALSE"},
                    {4, "UpdateAlignBox", K::Bool, "FALSE"}, {5, "HideText", K::Bool, "FALSE"},
                    {8, "DynFeedback", K::Number, "0"},      {9, "GlueType", K::Number, "0"},
                    {10, "WalkPreference", K::Number, "0"},  {11, "BegTrigger", K::Number, "0"},
                    {12, "EndTrigger", K::Number, "0"},      {13, "LOFlags", K::Number, "0"},
                    {14, "LOInteraction", K::Number, "0"},   {15, "LOBehavior", K::Number, "0"},
    {16, "Comment", K::String, "\"\""}, {17, "IsDropSource", K::Bool, "FALSE"},
    {18, "NoLiveDynamics", K::Bool, "FALSE"},
    {19, "LocalizeMerge", K::Bool, "FALSE"}, {20, "NoProofing", K::Bool, "FALSE"},
    {25, "Calendar", K::Number, "0"}, {26, "LangID", K::Number, "1033"},
    {27, "ShapeKeywords", K::String, "\"\""}, {28, "DropOnPageScale", K::Number, "1"}};
const Defs kRulerGrid = {
    {0, "XRulerDensity", K::Number, "32"},  {1, "YRulerDensity", K::Number, "32"},
    {4, "XRulerOrigin", K::Length, "0 in"}, {5, "YRulerOrigin", K::Length, "0 in"},
    {6, "XGridDensity", K::Number, "8"},    {7, "YGridDensity", K::Number, "8"},
    {8, "XGridSpacing", K::Length, "0 in"}, {9, "YGridSpacing", K::Length, "0 in"},
    {10, "XGridOrigin", K::Length, "0 in"}, {11, "YGridOrigin", K::Length, "0 in"}};

// Rows of the Object section that today's Visio adds (Visio 2002 to 2013).
const Defs kHelpCopyright = {{0, "HelpTopic", K::String, "\"\""},
                             {1, "Copyright", K::String, "\"\""}};
const Defs kDoc = {{0, "OutputFormat", K::Number, "0"},   {1, "LockPreview", K::Bool, "FALSE"},
                   {3, "AddMarkup", K::Bool, "FALSE"},   {4, "ViewMarkup", K::Bool, "FALSE"},
                   {5, "DocLockReplace", K::Bool, "FALSE"}, {6, "NoCoauth", K::Bool, "FALSE"},
                   {7, "DocLockDuplicatePage", K::Bool, "FALSE"},
                   {9, "PreviewQuality", K::Number, "0"}, {10, "PreviewScope", K::Number, "0"},
                   {19, "DocLangID", K::Number, "1033"}};
const Defs kImage = {{0, "Gamma", K::Number, "1"},     {1, "Contrast", K::Number, "0.5"},
                     {2, "Brightness", K::Number, "0.5"}, {3, "Sharpen", K::Number, "0"},
                     {4, "Blur", K::Number, "0"},      {5, "Denoise", K::Number, "0"},
                     {6, "Transparency", K::Number, "0"}};
const Defs kGroup = {{0, "SelectMode", K::Number, "1"},        {1, "DisplayMode", K::Number, "2"},
                     {2, "IsDropTarget", K::Bool, "FALSE"},     {3, "IsSnapTarget", K::Bool, "TRUE"},
                     {4, "IsTextEditTarget", K::Bool, "TRUE"}, {5, "DontMoveChildren", K::Bool, "FALSE"}};
const Defs kShapeLayout = {
    {0, "ShapePermeableX", K::Bool, "FALSE"},  {1, "ShapePermeableY", K::Bool, "FALSE"},
    {2, "ShapePermeablePlace", K::Bool, "FALSE"}, {3, "Relationships", K::Number, "0"},
    {8, "ShapeFixedCode", K::Number, "0"},     {9, "ShapePlowCode", K::Number, "0"},
    {10, "ShapeRouteStyle", K::Number, "0"},   {11, "ShapePlaceStyle", K::Number, "0"},
    {12, "ConFixedCode", K::Number, "0"},      {13, "ConLineJumpCode", K::Number, "0"},
    {14, "ConLineJumpStyle", K::Number, "0"},  {16, "ConLineJumpDirX", K::Number, "0"},
    {17, "ConLineJumpDirY", K::Number, "0"},   {18, "ShapePlaceFlip", K::Number, "0"},
    {19, "ConLineRouteExt", K::Number, "0"},   {20, "ShapeSplit", K::Number, "0"},
    {21, "ShapeSplittable", K::Number, "0"},   {22, "DisplayLevel", K::Number, "0"}};
const Defs kPageLayout = {
    {0, "ResizePage", K::Bool, "FALSE"},      {1, "EnableGrid", K::Bool, "FALSE"},
    {2, "DynamicsOff", K::Bool, "FALSE"},     {3, "CtrlAsInput", K::Bool, "FALSE"},
    {4, "AvoidPageBreaks", K::Bool, "FALSE"}, {8, "PlaceStyle", K::Number, "0"},
    {9, "RouteStyle", K::Number, "0"},        {10, "PlaceDepth", K::Number, "0"},
    {11, "PlowCode", K::Number, "0"},         {12, "LineJumpCode", K::Number, "1"},
    {13, "LineJumpStyle", K::Number, "0"},    {14, "PageLineJumpDirX", K::Number, "0"},
    {15, "PageLineJumpDirY", K::Number, "0"}, {16, "LineToNodeX", K::Length, "0.125 in"},
    {17, "LineToNodeY", K::Length, "0.125 in"}, {18, "BlockSizeX", K::Length, "0.25 in"},
    {19, "BlockSizeY", K::Length, "0.25 in"}, {20, "AvenueSizeX", K::Length, "0.375 in"},
    {21, "AvenueSizeY", K::Length, "0.375 in"}, {22, "LineToLineX", K::Length, "0.125 in"},
    {23, "LineToLineY", K::Length, "0.125 in"}, {24, "LineJumpFactorX", K::Number, "0.66666"},
    {25, "LineJumpFactorY", K::Number, "0.66666"}, {26, "LineAdjustFrom", K::Number, "0"},
    {27, "LineAdjustTo", K::Number, "0"},     {28, "PlaceFlip", K::Number, "0"},
    {29, "LineRouteExt", K::Number, "0"},     {30, "PageShapeSplit", K::Number, "0"}};
const Defs kPrintProperties = {
    {0, "PageLeftMargin", K::Length, "0.25 in"}, {1, "PageRightMargin", K::Length, "0.25 in"},
    {2, "PageTopMargin", K::Length, "0.25 in"},  {3, "PageBottomMargin", K::Length, "0.25 in"},
    {4, "ScaleX", K::Number, "1"},               {5, "ScaleY", K::Number, "1"},
    {6, "PagesX", K::Number, "1"},               {7, "PagesY", K::Number, "1"},
    {8, "CenterX", K::Bool, "FALSE"},            {9, "CenterY", K::Bool, "FALSE"},
    {10, "OnPage", K::Bool, "FALSE"},            {11, "PrintGrid", K::Bool, "FALSE"},
    {16, "PrintPageOrientation", K::Number, "1"}, {17, "PaperKind", K::Number, "1"},
    {18, "PaperSource", K::Number, "7"}};
const Defs kGradientProperties = {
    {0, "LineGradientDir", K::Number, "0"},      {1, "LineGradientAngle", K::Angle, "90 deg"},
    {2, "FillGradientDir", K::Number, "0"},      {3, "FillGradientAngle", K::Angle, "90 deg"},
    {4, "LineGradientEnabled", K::Bool, "FALSE"}, {5, "FillGradientEnabled", K::Bool, "FALSE"},
    {6, "RotateGradientWithShape", K::Bool, "TRUE"}, {7, "UseGroupGradient", K::Bool, "FALSE"}};
const Defs kQuickStyleProperties = {
    {0, "QuickStyleLineColor", K::Number, "100"}, {1, "QuickStyleFillColor", K::Number, "100"},
    {2, "QuickStyleShadowColor", K::Number, "100"}, {3, "QuickStyleFontColor", K::Number, "100"},
    {4, "QuickStyleLineMatrix", K::Number, "100"}, {5, "QuickStyleFillMatrix", K::Number, "100"},
    {6, "QuickStyleEffectsMatrix", K::Number, "100"}, {7, "QuickStyleFontMatrix", K::Number, "100"},
    {8, "QuickStyleType", K::Number, "0"},        {9, "QuickStyleVariation", K::Number, "0"}};
const Defs kOtherEffectProperties = {
    {0, "ReflectionTrans", K::Number, "0"},   {1, "ReflectionSize", K::Number, "0"},
    {2, "ReflectionDist", K::Length, "0 pt"}, {3, "ReflectionBlur", K::Length, "0 pt"},
    {4, "GlowColor", K::Number, "0"},         {5, "GlowColorTrans", K::Number, "0"},
    {6, "GlowSize", K::Length, "0 pt"},       {7, "SoftEdgesSize", K::Length, "0 pt"},
    {8, "SketchSeed", K::Number, "0"},        {9, "SketchEnabled", K::Bool, "FALSE"},
    {10, "SketchAmount", K::Number, "5"},     {11, "SketchLineWeight", K::Length, "0 pt"},
    {12, "SketchLineChange", K::Number, "0"}, {13, "SketchFillChange", K::Number, "0"}};
const Defs kBevelProperties = {
    {0, "BevelTopType", K::Number, "0"},       {1, "BevelTopWidth", K::Length, "0 pt"},
    {2, "BevelTopHeight", K::Length, "0 pt"},  {3, "BevelBottomType", K::Number, "0"},
    {4, "BevelBottomWidth", K::Length, "0 pt"}, {5, "BevelBottomHeight", K::Length, "0 pt"},
    {6, "BevelDepthColor", K::Number, "1"},    {7, "BevelDepthSize", K::Length, "0 pt"},
    {8, "BevelContourColor", K::Number, "0"},  {9, "BevelContourSize", K::Length, "0 pt"},
    {10, "BevelMaterialType", K::Number, "0"}, {11, "BevelLightingType", K::Number, "0"},
    {12, "BevelLightingAngle", K::Angle, "0 deg"}};
const Defs k3DRotationProperties = {
    {0, "RotationXAngle", K::Angle, "0 deg"}, {1, "RotationYAngle", K::Angle, "0 deg"},
    {2, "RotationZAngle", K::Angle, "0 deg"}, {3, "RotationType", K::Number, "0"},
    {4, "Perspective", K::Number, "0"},       {5, "DistanceFromGround", K::Length, "0 pt"},
    {6, "KeepTextFlat", K::Bool, "FALSE"}};
const Defs kThemeProperties = {
    {0, "ColorSchemeIndex", K::Number, "0"},     {1, "EffectSchemeIndex", K::Number, "0"},
    {2, "ConnectorSchemeIndex", K::Number, "0"}, {3, "FontSchemeIndex", K::Number, "0"},
    {4, "ThemeIndex", K::Number, "0"},           {5, "VariationColorIndex", K::Number, "0"},
    {6, "VariationStyleIndex", K::Number, "0"},  {7, "EmbellishmentIndex", K::Number, "0"}};
const Defs kReplaceBehaviors = {{0, "ReplaceLockShapeData", K::Number, "0"},
                                {1, "ReplaceLockText", K::Number, "0"},
                                {2, "ReplaceLockFormat", K::Number, "0"},
                                {3, "ReplaceCopyCells", K::Number, "0"}};
const Defs kNone = {};

// The other sections. Names are the short names inside a row.
const Defs kComponent = {{0, "NoFill", K::Bool, "FALSE"},
                         {1, "NoLine", K::Bool, "FALSE"},
                         {2, "NoShow", K::Bool, "FALSE"},
                         {3, "NoSnap", K::Bool, "FALSE"}};
const Defs kVertexXY = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"}};
const Defs kArcTo = {
    {0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"}, {2, "A", K::Length, "0 in"}};
const Defs kEllipticalArcTo = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"},
                               {2, "A", K::Length, "0 in"}, {3, "B", K::Length, "0 in"},
                               {4, "C", K::Angle, "0 deg"}, {5, "D", K::Number, "1"}};
const Defs kSplineBeg = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"},
                         {2, "A", K::Number, "0"},    {3, "B", K::Number, "0"},
                         {4, "C", K::Number, "0"},    {5, "D", K::Number, "3"}};
const Defs kSplineSpan = {
    {0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"}, {2, "A", K::Number, "0"}};
// The row types of today's Visio. Rows whose X and Y are relative hold
// fractions of the shape's width and height; PolylineTo's A and NURBSTo's
// E hold the POLYLINE() and NURBS() that give their points.
const Defs kInfiniteLine = {{0, "X", K::Length, "0 in"},
                            {1, "Y", K::Length, "0 in"},
                            {2, "A", K::Length, "0 in"},
                            {3, "B", K::Length, "0 in"}};
const Defs kEllipse = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"},
                       {2, "A", K::Length, "0 in"}, {3, "B", K::Length, "0 in"},
                       {4, "C", K::Length, "0 in"}, {5, "D", K::Length, "0 in"}};
const Defs kPolylineTo = {
    {0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"}, {2, "A", K::Number, ""}};
const Defs kNURBSTo = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"},
                       {2, "A", K::Number, "0"},    {3, "B", K::Number, "1"},
                       {4, "C", K::Number, "0"},    {5, "D", K::Number, "1"},
                       {6, "E", K::Number, ""}};
const Defs kRelVertex = {{0, "X", K::Number, "0"}, {1, "Y", K::Number, "0"}};
const Defs kRelCubBezTo = {{0, "X", K::Number, "0"}, {1, "Y", K::Number, "0"},
                           {2, "A", K::Number, "0"}, {3, "B", K::Number, "0"},
                           {4, "C", K::Number, "0"}, {5, "D", K::Number, "0"}};
const Defs kRelQuadBezTo = {{0, "X", K::Number, "0"},
                            {1, "Y", K::Number, "0"},
                            {2, "A", K::Number, "0"},
                            {3, "B", K::Number, "0"}};
const Defs kRelEllipticalArcTo = {{0, "X", K::Number, "0"}, {1, "Y", K::Number, "0"},
                                  {2, "A", K::Number, "0"}, {3, "B", K::Number, "0"},
                                  {4, "C", K::Angle, "0 deg"}, {5, "D", K::Number, "1"}};
// Every name a geometry row's cells have, whatever the row's type.
const Defs kGeometryNames = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"},
                             {2, "A", K::Length, "0 in"}, {3, "B", K::Length, "0 in"},
                             {4, "C", K::Angle, "0 deg"}, {5, "D", K::Number, "1"},
                             {6, "E", K::Number, ""}};
const Defs kChar = {{0, "Font", K::Number, "0"},
                    {1, "Color", K::Number, "0"},
                    {2, "Style", K::Number, "0"},
                    {3, "Case", K::Number, "0"},
                    {4, "Pos", K::Number, "0"},
                    {5, "FontScale", K::Number, "1"},
                    {7, "Size", K::Length, "12 pt"},
    {8, "DblUnderline", K::Bool, "FALSE"}, {9, "Overline", K::Bool, "FALSE"},
    {10, "Strikethru", K::Bool, "FALSE"}, {12, "Perpendicular", K::Bool, "FALSE"},
    {13, "DoubleStrikethrough", K::Bool, "FALSE"}, {14, "RTLText", K::Bool, "FALSE"},
    {15, "UseVertical", K::Bool, "FALSE"},
    {16, "Letterspace", K::Length, "0 pt"}, {17, "ColorTrans", K::Number, "0"},
    {51, "AsianFont", K::Number, "0"},
    {52, "ComplexScriptFont", K::Number, "0"}, {53, "LocalizeFont", K::Number, "0"},
    {54, "ComplexScriptSize", K::Length, "-1 pt"},
    {57, "LangID", K::Number, "1033"}};
const Defs kPara = {{0, "IndFirst", K::Length, "0 in"}, {1, "IndLeft", K::Length, "0 in"},
                    {2, "IndRight", K::Length, "0 in"}, {3, "SpLine", K::Length, "0 pt"},
                    {4, "SpBefore", K::Length, "0 pt"}, {5, "SpAfter", K::Length, "0 pt"},
                    {6, "HorzAlign", K::Number, "1"},
    {7, "Bullet", K::Number, "0"}, {8, "BulletStr", K::String, "\"\""},
    {9, "BulletFont", K::Number, "0"}, {10, "LocalizeBulletFont", K::Number, "0"},
    {11, "BulletFontSize", K::Number, "-1"},
    {12, "TextPosAfterBullet", K::Length, "0 in"}, {13, "Flags", K::Number, "0"}};
const Defs kScratch = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"},
                       {2, "A", K::Number, "0"},    {3, "B", K::Number, "0"},
                       {4, "C", K::Number, "0"},    {5, "D", K::Number, "0"}};
const Defs kConnection = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"}};
const Defs kConnectionABCD = {{0, "X", K::Length, "0 in"}, {1, "Y", K::Length, "0 in"},
                              {2, "A", K::Number, "0"},    {3, "B", K::Number, "0"},
                              {4, "C", K::Number, "0"},    {5, "D", K::Number, "0"}};
const Defs kField = {{0, "Value", K::Number, ""},
    {2, "Format", K::String, "\"\""}, {3, "Type", K::Number, "0"},
    {4, "UICat", K::Number, "0"}, {5, "UICod", K::Number, "0"}, {6, "UIFmt", K::Number, "0"},
    {7, "Calendar", K::Number, "0"}, {10, "ObjectKind", K::Number, "0"}};
const Defs kControl = {
    {0, "X", K::Length, "0 in"},     {1, "Y", K::Length, "0 in"}, {2, "XDyn", K::Length, "0 in"},
    {3, "YDyn", K::Length, "0 in"},  {4, "XCon", K::Number, "0"}, {5, "YCon", K::Number, "0"},
    {6, "CanGlue", K::Bool, "TRUE"}, {7, "Type", K::Number, "0"}, {8, "Prompt", K::String, "\"\""}};
const Defs kAction = {{0, "Menu", K::String, "\"\""},   {1, "Prompt", K::String, "\"\""},
                      {2, "Help", K::String, "\"\""},   {3, "Action", K::Number, "0"},
                      {4, "Checked", K::Bool, "FALSE"}, {5, "Disabled", K::Bool, "FALSE"},
    {6, "ReadOnly", K::Bool, "FALSE"}, {7, "Invisible", K::Bool, "FALSE"},
    {8, "BeginGroup", K::Bool, "FALSE"}, {9, "FlyoutChild", K::Bool, "FALSE"},
    {14, "TagName", K::String, "\"\""}, {15, "ButtonFace", K::String, "\"\""},
    {16, "SortKey", K::String, "\"\""}};
const Defs kLayer = {
    {0, "Name", K::String, "\"\""}, {2, "Color", K::Number, "255"}, {3, "Status", K::Number, "0"},
    {4, "Visible", K::Number, "1"}, {5, "Print", K::Number, "1"},   {6, "Active", K::Number, "0"},
    {7, "Lock", K::Number, "0"},    {8, "Snap", K::Number, "1"},    {9, "Glue", K::Number, "1"},
    {10, "NameUniv", K::String, "\"\""}, {11, "ColorTrans", K::Number, "0"}};
const Defs kUser = {{0, "Value", K::Number, "0"}, {1, "Prompt", K::String, "\"\""}};
const Defs kProp = {{0, "Value", K::Number, ""},        {1, "Prompt", K::String, "\"\""},
                    {2, "Label", K::String, "\"\""},    {3, "Format", K::String, "\"\""},
                    {4, "SortKey", K::String, "\"\""},  {5, "Type", K::Number, "0"},
                    {6, "Invisible", K::Bool, "FALSE"}, {7, "Verify", K::Bool, "FALSE"},
    {8, "DataLinked", K::Bool, "FALSE"}, {14, "LangID", K::Number, "1033"}, {15, "Calendar", K::Number, "0"}};
const Defs kHyperlink = {{0, "Description", K::String, "\"\""}, {1, "Address", K::String, "\"\""},
                         {2, "SubAddress", K::String, "\"\""},  {3, "ExtraInfo", K::String, "\"\""},
                         {4, "Frame", K::String, "\"\""},       {5, "NewWindow", K::Bool, "FALSE"},
                         {7, "Default", K::Bool, "FALSE"},      {8, "Invisible", K::Bool, "FALSE"},
                         {15, "SortKey", K::String, "\"\""}};

// The sections of reviewers' comments, smart tags and gradient stops.
const Defs kReviewer = {{0, "Name", K::String, "\"\""},
                        {1, "Initials", K::String, "\"\""},
                        {2, "Color", K::Number, "0"},
                        {3, "ReviewerID", K::Number, "0"},
                        {4, "CurrentIndex", K::Number, "0"}};
const Defs kAnnotation = {{0, "X", K::Length, "0 in"},     {1, "Y", K::Length, "0 in"},
                          {2, "ReviewerID", K::Number, "0"}, {3, "MarkerIndex", K::Number, "0"},
                          {4, "Date", K::Number, "0"},       {5, "Comment", K::String, "\"\""},
                          {6, "LangID", K::Number, "1033"}};
const Defs kSmartTag = {{0, "X", K::Length, "0 in"},           {1, "Y", K::Length, "0 in"},
                        {2, "TagName", K::String, "\"\""},     {3, "XJustify", K::Number, "0"},
                        {4, "YJustify", K::Number, "0"},       {5, "DisplayMode", K::Number, "0"},
                        {6, "ButtonFace", K::String, "\"\""},  {7, "Disabled", K::Bool, "FALSE"},
                        {15, "Description", K::String, "\"\""}};
const Defs kGradientStop = {{0, "GradientStopColor", K::Number, "0"},
                            {1, "GradientStopColorTrans", K::Number, "0"},
                            {2, "GradientStopPosition", K::Number, "0"}};

// Tab rows: the count of stops, then position, alignment and a reserved
// cell per stop.
Defs MakeTabCells(int stops) {
  // The names must outlive the tables that point at them.
  static std::vector<std::unique_ptr<std::string>> names;
  Defs d = {{0, "StopCount", K::Number, "0"}};
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

const Defs& Tab2Cells() {
  static const Defs defs = MakeTabCells(TabStopsOf(visTagTab2));
  return defs;
}

const Defs& Tab10Cells() {
  static const Defs defs = MakeTabCells(TabStopsOf(visTagTab10));
  return defs;
}

const Defs& ObjectRowCells(std::int16_t row) {
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
  return row >= visRowXFormOut && row <= visRowLastObject && row != 13 && row != visRowHyperlinkBase;
}

bool ValidSection(std::int16_t s) {
  return (s >= visSectionObject && s <= visSectionLastComponent) ||
         (s >= visSectionAction && s <= visSectionLastRows);
}

// How the cells of a section are named.
enum class Scheme {
  Bracketed,    // Char.Font, Char.Font[2]
  Indexed,      // Scratch.X1
  Named,        // User.Row_1.Prompt
  Connections,  // Connections.X1, or Connections.Name.X for named rows
  None,         // no names (group members)
};

struct Family {
  std::int16_t section;
  Scheme scheme;
  const char* prefix;
  // The row's first cell is named by the row alone (User.Row_1).
  bool bareFirst;
};

const auto kFamilies = std::to_array<Family>({
    {visSectionMember, Scheme::None, "", false},
    {visSectionCharacter, Scheme::Bracketed, "Char", false},
    {visSectionParagraph, Scheme::Bracketed, "Para", false},
    {visSectionTab, Scheme::Bracketed, "Tabs", false},
    {visSectionScratch, Scheme::Indexed, "Scratch", false},
    {visSectionConnectionPts, Scheme::Connections, "Connections", false},
    {visSectionTextField, Scheme::Bracketed, "Fields", false},
    {visSectionControls, Scheme::Named, "Controls", true},
    {visSectionAction, Scheme::Named, "Actions", false},
    {visSectionLayer, Scheme::Bracketed, "Layers", false},
    {visSectionUser, Scheme::Named, "User", true},
    {visSectionProp, Scheme::Named, "Prop", true},
    {visSectionHyperlink, Scheme::Named, "Hyperlink", false},
    {visSectionReviewer, Scheme::Named, "Reviewer", false},
    {visSectionAnnotation, Scheme::Bracketed, "Annotation", false},
    {visSectionSmartTag, Scheme::Named, "SmartTags", false},
    {visSectionLineGradientStops, Scheme::Bracketed, "LineGradient", false},
    {visSectionFillGradientStops, Scheme::Bracketed, "FillGradient", false},
});

const Family* FamilyOf(std::int16_t section) {
  for (const auto& f : kFamilies) {
    if (f.section == section) return &f;
  }
  return nullptr;
}

bool RowsHaveNames(std::int16_t s) {
  const Family* f = FamilyOf(s);
  return f && (f->scheme == Scheme::Named || f->scheme == Scheme::Connections);
}

bool RowsAreNamedAlways(std::int16_t s) {
  const Family* f = FamilyOf(s);
  return f && f->scheme == Scheme::Named;
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool Same(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// Names compared as Same() compares them, for tables of names.
std::string LowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Lower(c);
  return out;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsNameChar(char c) {
  return IsDigit(c) || (Lower(c) >= 'a' && Lower(c) <= 'z') || c == '_' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// "X12" -> ("X", 12); nullopt without a number at the end.
std::optional<std::pair<std::string_view, int>> SplitNumber(std::string_view s) {
  std::size_t i = s.size();
  while (i > 0 && IsDigit(s[i - 1])) --i;
  if (i == s.size() || i == 0 || s.size() - i > 4) return std::nullopt;
  int n = 0;
  for (std::size_t k = i; k < s.size(); ++k) n = n * 10 + (s[k] - '0');
  return std::make_pair(s.substr(0, i), n);
}

// "Font[3]" -> ("Font", 3); "Font" -> ("Font", 1).
std::optional<std::pair<std::string_view, int>> SplitBracket(std::string_view s) {
  if (s.empty() || s.back() != ']') return std::make_pair(s, 1);
  const std::size_t open = s.rfind('[');
  if (open == std::string_view::npos || open + 2 > s.size() - 1) return std::nullopt;
  int n = 0;
  for (std::size_t k = open + 1; k + 1 < s.size(); ++k) {
    if (!IsDigit(s[k])) return std::nullopt;
    n = n * 10 + (s[k] - '0');
  }
  return std::make_pair(s.substr(0, open), n);
}

// Every cell name a section's rows can have, whatever their type.
const Defs& AllCellsOf(std::int16_t section) {
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

std::optional<std::int16_t> ColumnIn(const Defs& defs, std::string_view name) {
  for (const auto& d : defs) {
    if (Same(d.name, name)) return d.column;
  }
  return std::nullopt;
}

[[noreturn]] void BadName() {
  ThrowVisio(VisioErrorKind::BadCellName);
}
[[noreturn]] void NoSuchCell() {
  ThrowVisio(VisioErrorKind::UnexpectedEndOfFile);
}
[[noreturn]] void Refuse() {
  ThrowVisio(VisioErrorKind::InvalidParameter);
}

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
}

// The formula as it is kept: without blanks around it and without a
// leading "=".
std::string Normalize(std::string_view formula) {
  std::string f = Trim(formula);
  if (!f.empty() && f[0] == '=') f = Trim(std::string_view(f).substr(1));
  return f;
}

// A string literal's text; nullopt for anything else.
std::optional<std::string> StringLiteral(std::string_view f) {
  if (f.size() < 2 || f.front() != '"' || f.back() != '"') return std::nullopt;
  std::string out;
  for (std::size_t i = 1; i + 1 < f.size(); ++i) {
    if (f[i] == '"') {
      if (i + 2 < f.size() && f[i + 1] == '"') {
        out += '"';
        ++i;
        continue;
      }
      return std::nullopt;  // a quote closes the string before the end
    }
    out += f[i];
  }
  return out;
}

std::uint64_t NewUid() {
  static std::atomic<std::uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

// Rows that exist before anything is stored: the Object section's by row
// index, the first rows of Character, Paragraph and Tabs by section.
constexpr std::uint64_t kDefaultRowUid = std::uint64_t{1} << 62;

constexpr int kMaxDepth = 24;

}  // namespace

// ---- the public face of the table ----

std::string QuoteFormula(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string FormulaOf(const CellValue& v) {
  if (!v.constant) return v.formula;
  if (v.isString) return QuoteFormula(v.text.str());
  if (v.isBool) return v.result != 0 ? "TRUE" : "FALSE";
  return FormatConstant(v.result, v.unit);
}

bool FixedObjectRow(SheetHost::Kind kind, std::int16_t row) {
  using Kd = SheetHost::Kind;
  switch (kind) {
    case Kd::PageSheet:
    case Kd::MasterSheet:
      return row == visRowEvent || row == visRowPage || row == visRowRulerGrid;
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

std::optional<CellAddress> FindObjectCell(std::string_view name) {
  // Formulas name these cells more than any other ("Width*0.5"): one
  // table, not a walk over every row's cells.
  static const auto* const byName = [] {
    auto* table = new std::unordered_map<std::string, CellAddress>();
    for (std::int16_t row = visRowXFormOut; row <= visRowLastObject; ++row) {
      for (const CellDef& d : ObjectRowCells(row))
        table->try_emplace(LowerCase(d.name), CellAddress{visSectionObject, row, d.column});
    }
    // The name of the end arrow's size before begin and end had their own.
    table->try_emplace("arrowsize", CellAddress{visSectionObject, visRowLine, visLineEndArrowSize});
    // Today's names of cells the table knows by older ones.
    table->try_emplace("objtype", CellAddress{visSectionObject, visRowMisc, 13});
    return table;
  }();
  auto it = byName->find(LowerCase(name));
  if (it == byName->end()) return std::nullopt;
  return it->second;
}

// ======================================================================
// Storage and the sheet as its host sees it
// ======================================================================

// A row's cells by column, in a sorted vector: a row holds a few cells and
// a drawing hundreds of thousands, where a map would spend a node on each.
class ShapeSheet::CellMap {
 public:
  using value_type = std::pair<std::int16_t, CellValue>;
  using iterator = std::vector<value_type>::iterator;
  using const_iterator = std::vector<value_type>::const_iterator;

 private:
  template <class V>
  static auto LowerBound(V& v, std::int16_t c) -> decltype(v.begin()) {
    return std::lower_bound(v.begin(), v.end(), c,
                            [](const value_type& e, std::int16_t k) { return e.first < k; });
  }

 public:
  iterator begin() { return cells_.begin(); }
  iterator end() { return cells_.end(); }
  const_iterator begin() const { return cells_.begin(); }
  const_iterator end() const { return cells_.end(); }
  iterator find(std::int16_t c) {
    auto it = LowerBound(cells_, c);
    return it != cells_.end() && it->first == c ? it : cells_.end();
  }
  const_iterator find(std::int16_t c) const {
    auto it = LowerBound(cells_, c);
    return it != cells_.end() && it->first == c ? it : cells_.end();
  }
  CellValue& operator[](std::int16_t c) {
    auto it = LowerBound(cells_, c);
    if (it == cells_.end() || it->first != c) it = cells_.insert(it, value_type(c, CellValue{}));
    return it->second;
  }
  void clear() { cells_.clear(); }
  void erase(iterator it) { cells_.erase(it); }
  void reserve(std::size_t n) { cells_.reserve(n); }
  void shrink_to_fit() { cells_.shrink_to_fit(); }
  // Takes the cells of an empty map as they come (a loader's row), sorted
  // by column, the last of a column winning.
  void Adopt(std::vector<value_type>&& cells) {
    std::stable_sort(cells.begin(), cells.end(),
                     [](const value_type& a, const value_type& b) { return a.first < b.first; });
    cells_ = std::move(cells);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < cells_.size(); ++i) {
      if (kept > 0 && cells_[kept - 1].first == cells_[i].first) {
        cells_[kept - 1] = std::move(cells_[i]);
      } else {
        if (kept != i) cells_[kept] = std::move(cells_[i]);
        ++kept;
      }
    }
    cells_.erase(cells_.begin() + static_cast<std::ptrdiff_t>(kept), cells_.end());
  }
  std::size_t size() const { return cells_.size(); }

 private:
  std::vector<value_type> cells_;
};

struct ShapeSheet::RowData {
  std::uint64_t uid = 0;
  // A row of the sheet's own comes after the inherited rows, in the order
  // of its key; any other row stands over the inherited row at position
  // key.
  bool own = false;
  std::int32_t key = 0;
  std::int16_t tag = 0;  // 0: the inherited row's
  std::string name;      // "": the inherited row's
  bool deleted = false;  // an inherited row this sheet deletes
  CellMap cells;
};

struct ShapeSheet::SectionData {
  // Geometry sections, as rows: the sheet's own after the inherited ones,
  // or standing over the inherited section at position key.
  bool own = false;
  std::int32_t key = 0;
  bool deleted = false;       // an inherited section this sheet deletes
  bool detached = false;      // its rows no longer follow the inherited section
  std::int32_t nextOwn = 0;   // above the key of every row of its own
  std::vector<RowData> rows;  // ordered by key
};

struct ShapeSheet::SectionRef {
  std::int16_t index = 0;              // as this sheet sees it
  const SectionData* local = nullptr;  // what the sheet holds of it
  SheetHost* source = nullptr;         // where inherited rows come from
  std::int16_t sourceIndex = 0;        // the section's index there
  bool own = false;                    // geometry: a section of the sheet's own
  std::int32_t key = 0;                // geometry: its key
};

// A row as a sheet sees it, for as long as nothing changes the sheets it
// comes from (it points into them).
struct ShapeSheet::RowRef {
  const RowData* local = nullptr;
  std::int32_t sourceRow = -1;  // -1: the sheet's own row
  std::uint64_t uid = 0;
  std::int16_t tag = 0;
  std::string_view name;
};

namespace {

std::int16_t DefaultTag(std::int16_t s, std::size_t position) {
  if (IsGeometrySection(s)) return position == 0 ? visTagComponent : visTagLineTo;
  switch (s) {
    case visSectionTab:
      return visTagTab0;
    case visSectionConnectionPts:
      return visTagCnnctPt;
    case visSectionControls:
      return visTagCtlPt;
    default:
      return visTagDefault;
  }
}

}  // namespace

// ---- what a call has worked out, kept for the rest of it ----
//
// Rows(), Resolve() and Geometry() build their answer from this sheet and
// the sheets it inherits from. A formula that refers to ten cells of a
// section would otherwise build the section's rows some fifty times, and
// a loader adding rows one by one would build them once per row. So the
// outermost call of a public member opens a memo (a Scope), and until it
// ends every answer is built once. Nothing but this class's own members
// changes a sheet while a scope is open, and each of them keeps the memo
// right: it drops what a change makes wrong, and mends this sheet's list
// of the changed section in place when a row is added or made local, so
// that filling a section row by row costs each row the same.
//
// A client reading a sheet cell by cell makes calls that each would build
// the same answers again, and compute the same formulas the cells refer
// to. So the memo outlives its scope for as long as nothing changes: every
// change to a sheet, and to what sheets inherit from (masters, styles, a
// shape's kind), counts as a change of all of them (SheetsChanged), and the
// next outermost call after one starts afresh. Results of cells computed
// within it are kept too, those that met no circular reference or limit
// (see Evaluator): they are the same whichever cell asked first.

struct ShapeSheet::RowsEntry {
  std::shared_ptr<std::vector<RowRef>> rows;
  // Lower-cased row names -> the first row of each, made when first asked.
  std::unique_ptr<std::unordered_map<std::string, std::int16_t>> names;
  int nameLookups = 0;    // before the table was made
  bool mendable = false;  // the rows do not come round from this sheet itself
};

struct ShapeSheet::Memo {
  struct Key {
    const ShapeSheet* sheet;
    std::int32_t depth;
    std::int16_t section;
    std::int16_t row;
    bool operator==(const Key&) const = default;
  };
  // A call meets a handful of sections of a few sheets, a loader filling a
  // sheet some dozens: a list searched in turn beats a hash table here, and
  // emptying it frees nothing.
  // Kept from one call to the next, a table holds a sheet's sections with
  // those of its masters and styles: a list with a small open-addressed
  // index, which emptying leaves its room.
  template <class V>
  struct Table {
    std::vector<std::pair<Key, V>> items;
    std::vector<std::int32_t> slots;  // positions in items, -1 free; a power of two long

    static std::size_t HashOf(const Key& k) {
      auto h = reinterpret_cast<std::uintptr_t>(k.sheet) >> 4;
      h ^= (static_cast<std::size_t>(static_cast<std::uint32_t>(k.depth)) << 32) ^
           (static_cast<std::size_t>(static_cast<std::uint16_t>(k.section)) << 16) ^
           static_cast<std::uint16_t>(k.row);
      return h * 0x9E3779B97F4A7C15u >> 20;
    }
    V* Find(const Key& key) {
      if (slots.empty()) return nullptr;
      const std::size_t mask = slots.size() - 1;
      for (std::size_t i = HashOf(key) & mask;; i = (i + 1) & mask) {
        const std::int32_t at = slots[i];
        if (at < 0) return nullptr;
        if (items[static_cast<std::size_t>(at)].first == key)
          return &items[static_cast<std::size_t>(at)].second;
      }
    }
    void Add(const Key& key, V value) {
      items.emplace_back(key, std::move(value));
      if (items.size() * 2 > slots.size()) {
        Reindex();
      } else {
        Place(items.size() - 1);
      }
    }
    void Clear() {
      items.clear();
      std::fill(slots.begin(), slots.end(), -1);
    }
    // After entries were taken out of items.
    void Reindex() {
      std::size_t n = 16;
      while (n < items.size() * 2) n *= 2;
      slots.assign(n, -1);
      for (std::size_t i = 0; i < items.size(); ++i) Place(i);
    }

   private:
    void Place(std::size_t at) {
      const std::size_t mask = slots.size() - 1;
      std::size_t i = HashOf(items[at].first) & mask;
      while (slots[i] >= 0) i = (i + 1) & mask;
      slots[i] = static_cast<std::int32_t>(at);
    }
  };

  Table<std::optional<SectionRef>> resolved;
  Table<GeometryList> geometry;
  Table<RowsEntry> rows;
  Table<SheetHost*> sources;

  struct CellKey {
    const ShapeSheet* sheet;
    std::int16_t s, r, c;
    bool operator==(const CellKey&) const = default;
  };
  struct CellKeyHash {
    std::size_t operator()(const CellKey& k) const noexcept {
      const auto cell = (static_cast<std::uint64_t>(static_cast<std::uint16_t>(k.s)) << 32) |
                        (static_cast<std::uint64_t>(static_cast<std::uint16_t>(k.r)) << 16) |
                        static_cast<std::uint16_t>(k.c);
      return std::hash<const void*>()(k.sheet) ^
             std::hash<std::uint64_t>()(cell * 0x9E3779B97F4A7C15u);
    }
  };
  std::unordered_map<CellKey, CellValue, CellKeyHash> values;

  // The sheets' generation the tables were made in.
  std::uint64_t generation = 0;

  // Kept from one call to the next up to these sizes: a sheet with its
  // masters and styles takes a few dozen entries; a client reading a
  // drawing shape by shape needs only the shape at hand.
  static constexpr std::size_t kKeptEntries = 160;
  static constexpr std::size_t kKeptValues = 4096;

  void Clear() {
    resolved.Clear();
    geometry.Clear();
    rows.Clear();
    sources.Clear();
    values.clear();
  }
  std::size_t Entries() const {
    return resolved.items.size() + geometry.items.size() + rows.items.size() + sources.items.size();
  }

  static thread_local Memo* current;  // while a scope is open
  static Memo& OfThisThread();
};

thread_local ShapeSheet::Memo* ShapeSheet::Memo::current = nullptr;

ShapeSheet::Memo& ShapeSheet::Memo::OfThisThread() {
  // One memo per thread, emptied after each outermost call: its tables
  // keep their room from one call to the next.
  thread_local Memo memo;
  return memo;
}

namespace {
// Counts changes to any sheet or to what sheets inherit from.
std::atomic<std::uint64_t> sheetsGeneration{1};
}  // namespace

void SheetsChanged() noexcept {
  sheetsGeneration.fetch_add(1, std::memory_order_relaxed);
}

std::uint64_t SheetsGeneration() noexcept {
  return sheetsGeneration.load(std::memory_order_relaxed);
}

ShapeSheet::Scope::Scope() {
  if (Memo::current) return;
  owner_ = true;
  Memo& memo = Memo::OfThisThread();
  const std::uint64_t now = sheetsGeneration.load(std::memory_order_relaxed);
  if (memo.generation != now) {
    memo.Clear();
    memo.generation = now;
  }
  Memo::current = &memo;
}

ShapeSheet::Scope::~Scope() {
  if (!owner_) return;
  Memo& memo = *Memo::current;
  const std::uint64_t now = sheetsGeneration.load(std::memory_order_relaxed);
  // A call that changed something starts the next one afresh, as does a
  // memo grown past what is worth searching.
  if (memo.generation != now || memo.Entries() > Memo::kKeptEntries ||
      memo.values.size() > Memo::kKeptValues) {
    memo.Clear();
    memo.generation = now;
  }
  Memo::current = nullptr;
}

ShapeSheet::Change::Change() {
  SheetsChanged();
}
ShapeSheet::Change::~Change() {
  SheetsChanged();
}

ShapeSheet::ShapeSheet(SheetHost& host) : host_(&host) {
  SheetsChanged();
}

ShapeSheet::~ShapeSheet() {
  ForgetRows();  // a sheet made later at the same place must not find this one's answers
}

void ShapeSheet::ForgetRows() const {
  SheetsChanged();
  if (Memo::current) Memo::current->Clear();
}

const CellValue* ShapeSheet::KeptValue(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Memo* memo = Memo::current;
  if (!memo || memo->generation != sheetsGeneration.load(std::memory_order_relaxed)) return nullptr;
  auto it = memo->values.find({this, s, r, c});
  return it == memo->values.end() ? nullptr : &it->second;
}

void ShapeSheet::KeepValue(std::int16_t s, std::int16_t r, std::int16_t c,
                           const CellValue& v) const {
  Memo* memo = Memo::current;
  if (!memo || memo->generation != sheetsGeneration.load(std::memory_order_relaxed)) return;
  memo->values.try_emplace({this, s, r, c}, v);
}

ShapeSheet::RowsEntry* ShapeSheet::MendableRows(std::int16_t s) const {
  Memo* memo = Memo::current;
  if (!memo) return nullptr;
  // Lists of the same section elsewhere may include these rows (sheets
  // that inherit from this one), and so may this sheet's own if its
  // inheritance comes round; geometry sections map across indices.
  const Memo::Key mine{this, 0, s, 0};
  auto& rows = memo->rows.items;
  rows.erase(std::remove_if(rows.begin(), rows.end(),
                            [&](const auto& e) {
                              const std::int16_t other = e.first.section;
                              const bool related =
                                  other == s || (IsGeometrySection(s) && IsGeometrySection(other));
                              return related && !(e.first == mine && e.second.mendable);
                            }),
             rows.end());
  memo->rows.Reindex();
  RowsEntry* entry = memo->rows.Find(mine);
  // Someone still holds the list: they keep theirs, the memo gets a copy.
  if (entry && entry->rows.use_count() > 1)
    entry->rows = std::make_shared<std::vector<RowRef>>(*entry->rows);
  return entry;
}

ShapeSheet::RowsEntry* ShapeSheet::RowInserted(std::int16_t s, const SectionData& local,
                                               const RowData* oldBase, std::size_t at) const {
  RowsEntry* mine = MendableRows(s);
  if (!mine) return nullptr;
  const RowData* base = local.rows.data();
  if (base == oldBase && at + 1 == local.rows.size()) return mine;  // nothing else moved
  // The rows after the new one moved up by one, all of them if the vector
  // grew into new room: the list's pointers follow them.
  const auto oldAddress = reinterpret_cast<std::uintptr_t>(oldBase);
  for (RowRef& r : *mine->rows) {
    if (!r.local) continue;
    std::size_t i = (reinterpret_cast<std::uintptr_t>(r.local) - oldAddress) / sizeof(RowData);
    if (i >= at) ++i;
    r.local = &local.rows[i];
    if (!r.local->name.empty()) r.name = r.local->name;
  }
  return mine;
}

void ShapeSheet::RowChanged(std::int16_t s, std::int16_t r, const RowData& row,
                            bool renamed) const {
  RowsEntry* mine = MendableRows(s);
  if (!mine) return;
  RowRef& ref = (*mine->rows)[static_cast<std::size_t>(r)];
  if (row.tag != 0) ref.tag = row.tag;
  if (renamed) {
    ref.name = row.name;
    mine->names.reset();
  }
}

ShapeSheet::SectionData& ShapeSheet::SectionSlot(std::int16_t s) {
  auto [it, made] = sections_.try_emplace(s);
  if (made) ForgetRows();  // answers that found no section here
  return it->second;
}

SheetHost* ShapeSheet::Source(std::int16_t s, std::int16_t r) const {
  Memo* memo = Memo::current;
  if (!memo) return host_->InheritedSource(s, r);
  const Memo::Key key{this, 0, s, r};
  if (SheetHost** found = memo->sources.Find(key)) return *found;
  SheetHost* src = host_->InheritedSource(s, r);
  memo->sources.Add(key, src);
  return src;
}

bool ShapeSheet::FixedSection(std::int16_t s) const {
  if (s == visSectionObject) return true;
  const auto kind = host_->HostKind();
  if (kind == SheetHost::Kind::PageSheet || kind == SheetHost::Kind::MasterSheet) return false;
  return s == visSectionCharacter || s == visSectionParagraph || s == visSectionTab;
}

const ShapeSheet::RowData* ShapeSheet::LocalObjectRow(std::int16_t r) const {
  auto it = sections_.find(visSectionObject);
  if (it == sections_.end()) return nullptr;
  for (const auto& row : it->second.rows) {
    if (row.key == r) return &row;
  }
  return nullptr;
}

bool ShapeSheet::ObjectRowExists(std::int16_t r, int depth) const {
  if (!ValidObjectRow(r)) return false;
  const RowData* local = LocalObjectRow(r);
  if (local) return !local->deleted;
  if (FixedObjectRow(host_->HostKind(), r)) return true;
  if (depth >= kMaxDepth) return false;
  // Optional rows come with the sheet inherited from, if it is the same
  // kind of sheet: a style's rows are not a shape's.
  SheetHost* src = Source(visSectionObject, r);
  if (!src) return false;
  const bool styleHere = host_->HostKind() == SheetHost::Kind::Style;
  const bool styleThere = src->HostKind() == SheetHost::Kind::Style;
  return styleHere == styleThere && src->Sheet().ObjectRowExists(r, depth + 1);
}

ShapeSheet::GeometryList ShapeSheet::Geometry(int depth) const {
  Memo* memo = Memo::current;
  if (!memo) return std::make_shared<const std::vector<SectionRef>>(GeometryNow(depth));
  const Memo::Key key{this, depth, visSectionFirstComponent, 0};
  if (GeometryList* found = memo->geometry.Find(key)) return *found;
  auto list = std::make_shared<const std::vector<SectionRef>>(GeometryNow(depth));
  memo->geometry.Add(key, list);
  return list;
}

std::vector<ShapeSheet::SectionRef> ShapeSheet::GeometryNow(int depth) const {
  std::vector<SectionRef> out;
  SheetHost* src = depth < kMaxDepth ? Source(visSectionFirstComponent, 0) : nullptr;
  GeometryList inherited;
  if (src) inherited = src->Sheet().Geometry(depth + 1);
  const auto count = static_cast<std::int32_t>(inherited ? inherited->size() : 0);
  out.reserve(static_cast<std::size_t>(count) + geometry_.size());
  auto localWithKey = [&](std::int32_t key) -> const SectionData* {
    for (const auto& g : geometry_) {
      if (!g.own && g.key == key) return &g;
    }
    return nullptr;
  };
  for (std::int32_t i = 0; i < count; ++i) {
    const SectionData* local = localWithKey(i);
    if (local && local->deleted) continue;
    SectionRef g;
    g.local = local;
    g.source = local && local->detached ? nullptr : src;
    g.sourceIndex = static_cast<std::int16_t>(visSectionFirstComponent + i);
    g.key = i;
    out.push_back(g);
  }
  for (const auto& local : geometry_) {
    if (!local.own || local.deleted) continue;
    SectionRef g;
    g.local = &local;
    g.own = true;
    g.key = local.key;
    out.push_back(g);
  }
  for (std::size_t k = 0; k < out.size(); ++k) {
    out[k].index = static_cast<std::int16_t>(visSectionFirstComponent + static_cast<int>(k));
  }
  return out;
}

std::optional<ShapeSheet::SectionRef> ShapeSheet::Resolve(std::int16_t s, int depth) const {
  Memo* memo = Memo::current;
  if (!memo) return ResolveNow(s, depth);
  const Memo::Key key{this, depth, s, 0};
  if (auto* found = memo->resolved.Find(key)) return *found;
  auto sec = ResolveNow(s, depth);
  memo->resolved.Add(key, sec);
  return sec;
}

std::optional<ShapeSheet::SectionRef> ShapeSheet::ResolveNow(std::int16_t s, int depth) const {
  if (depth > kMaxDepth || !ValidSection(s)) return std::nullopt;
  if (s == visSectionObject) {
    SectionRef ref;
    ref.index = s;
    auto it = sections_.find(s);
    ref.local = it == sections_.end() ? nullptr : &it->second;
    return ref;
  }
  if (IsGeometrySection(s)) {
    const GeometryList all = Geometry(depth);
    const auto k = static_cast<std::size_t>(s - visSectionFirstComponent);
    if (k >= all->size()) return std::nullopt;
    return (*all)[k];
  }
  auto it = sections_.find(s);
  const SectionData* local = it == sections_.end() ? nullptr : &it->second;
  if (local && local->deleted) return std::nullopt;
  SheetHost* src = depth < kMaxDepth ? Source(s, 0) : nullptr;
  const bool inherited = src && src->Sheet().Resolve(s, depth + 1).has_value();
  if (!local && !inherited && !FixedSection(s)) return std::nullopt;
  SectionRef ref;
  ref.index = s;
  ref.local = local;
  ref.source = inherited && !(local && local->detached) ? src : nullptr;
  ref.sourceIndex = s;
  return ref;
}

bool ShapeSheet::InheritsFromItself(const SectionRef& sec) const {
  SheetHost* src = sec.source;
  std::int16_t index = sec.sourceIndex;
  for (int depth = 1; src; ++depth) {
    const ShapeSheet& there = src->Sheet();
    if (&there == this || depth > kMaxDepth) return true;
    const auto next = there.Resolve(index, depth);
    if (!next) return false;
    src = next->source;
    index = next->sourceIndex;
  }
  return false;
}

ShapeSheet::RowList ShapeSheet::Rows(const SectionRef& sec, int depth) const {
  Memo* memo = Memo::current;
  if (!memo) return std::make_shared<const std::vector<RowRef>>(RowsNow(sec, depth));
  const Memo::Key key{this, depth, sec.index, 0};
  if (RowsEntry* found = memo->rows.Find(key)) return found->rows;
  RowsEntry entry;
  entry.rows = std::make_shared<std::vector<RowRef>>(RowsNow(sec, depth));
  entry.mendable = depth == 0 && !InheritsFromItself(sec);
  RowList list = entry.rows;
  memo->rows.Add(key, std::move(entry));
  return list;
}

std::vector<ShapeSheet::RowRef> ShapeSheet::RowsNow(const SectionRef& sec, int depth) const {
  RowList inherited;
  if (sec.source && depth < kMaxDepth) {
    const ShapeSheet& there = sec.source->Sheet();
    if (auto srcSec = there.Resolve(sec.sourceIndex, depth + 1)) {
      inherited = there.Rows(*srcSec, depth + 1);
    }
  }
  std::vector<RowRef> out;
  const auto count = static_cast<std::int32_t>(inherited ? inherited->size() : 0);
  const std::vector<RowData>* local = sec.local ? &sec.local->rows : nullptr;
  // The local row that stands over each inherited one, found in one pass
  // (the last of a key, as before): a look-up per row would make reading
  // a section grow with the square of its size.
  std::vector<const RowData*> overs;
  if (local && count > 0) {
    overs.assign(static_cast<std::size_t>(count), nullptr);
    for (const auto& row : *local) {
      if (!row.own && row.key >= 0 && row.key < count)
        overs[static_cast<std::size_t>(row.key)] = &row;
    }
  }
  out.reserve(static_cast<std::size_t>(count) + (local ? local->size() : 0));
  for (std::int32_t i = 0; i < count; ++i) {
    const RowData* over = overs.empty() ? nullptr : overs[static_cast<std::size_t>(i)];
    if (over && over->deleted) continue;
    RowRef r = (*inherited)[static_cast<std::size_t>(i)];
    r.local = over;
    r.sourceRow = i;
    if (over && over->tag != 0) r.tag = over->tag;
    if (over && !over->name.empty()) r.name = over->name;
    out.push_back(r);
  }
  if (local) {
    for (const auto& row : *local) {
      if (!row.own || row.deleted) continue;
      RowRef r;
      r.local = &row;
      r.uid = row.uid;
      r.tag = row.tag != 0 ? row.tag : DefaultTag(sec.index, out.size());
      r.name = row.name;
      out.push_back(r);
    }
  }
  if (out.empty() && FixedSection(sec.index)) {
    RowRef r;
    r.uid = kDefaultRowUid | static_cast<std::uint64_t>(sec.index);
    r.tag = DefaultTag(sec.index, 0);
    out.push_back(r);
  }
  return out;
}

std::int16_t ShapeSheet::TagOf(std::int16_t s, std::int16_t r) const {
  if (s == visSectionObject) {
    if (!ObjectRowExists(r)) NoSuchCell();
    return visTagDefault;
  }
  auto sec = Resolve(s);
  if (!sec) NoSuchCell();
  const RowList rowList = Rows(*sec);
  const auto& rows = *rowList;
  if (r < 0 || static_cast<std::size_t>(r) >= rows.size()) NoSuchCell();
  return rows[static_cast<std::size_t>(r)].tag;
}

const CellDef& ShapeSheet::CheckedDef(std::int16_t s, std::int16_t r, std::int16_t c) const {
  const std::int16_t tag = TagOf(s, r);
  const CellDef* def = FindRowCell(s, s == visSectionObject ? r : tag, c);
  if (!def) NoSuchCell();
  return *def;
}

const CellValue* ShapeSheet::Stored(std::int16_t s, std::int16_t r, std::int16_t c, int depth,
                                    bool own, const ShapeSheet** holder) const {
  if (depth > kMaxDepth) return nullptr;
  if (s == visSectionObject) {
    if (const RowData* row = own ? LocalObjectRow(r) : nullptr; row && !row->deleted) {
      auto it = row->cells.find(c);
      if (it != row->cells.end()) {
        if (holder) *holder = this;
        return &it->second;
      }
    }
    SheetHost* src = Source(visSectionObject, r);
    return src ? src->Sheet().Stored(s, r, c, depth + 1, true, holder) : nullptr;
  }
  auto sec = Resolve(s, depth);
  if (!sec) return nullptr;
  const RowList rowList = Rows(*sec, depth);
  const auto& rows = *rowList;
  if (r < 0 || static_cast<std::size_t>(r) >= rows.size()) return nullptr;
  const RowRef& row = rows[static_cast<std::size_t>(r)];
  if (row.local && own) {
    auto it = row.local->cells.find(c);
    if (it != row.local->cells.end()) {
      if (holder) *holder = this;
      return &it->second;
    }
  }
  if (row.sourceRow >= 0 && sec->source) {
    return sec->source->Sheet().Stored(sec->sourceIndex, static_cast<std::int16_t>(row.sourceRow),
                                       c, depth + 1, true, holder);
  }
  return nullptr;
}

SheetHost* SheetHost::OtherSheet(std::string_view, SheetHost&) {
  return nullptr;
}

// ---- queries ----

bool ShapeSheet::SectionExists(std::int16_t s, bool local) const {
  Scope scope;
  auto sec = Resolve(s);
  if (!sec) return false;
  if (!local || s == visSectionObject) return true;
  return sec->local != nullptr;
}

bool ShapeSheet::RowExists(std::int16_t s, std::int16_t r, bool local) const {
  Scope scope;
  if (s == visSectionObject) {
    if (!ObjectRowExists(r)) return false;
    return !local || LocalObjectRow(r) || FixedObjectRow(host_->HostKind(), r);
  }
  auto sec = Resolve(s);
  if (!sec) return false;
  const RowList rowList = Rows(*sec);
  const auto& rows = *rowList;
  if (r < 0 || static_cast<std::size_t>(r) >= rows.size()) return false;
  return !local || rows[static_cast<std::size_t>(r)].local != nullptr;
}

bool ShapeSheet::CellExists(std::int16_t s, std::int16_t r, std::int16_t c, bool local) const {
  Scope scope;
  if (!RowExists(s, r, false)) return false;
  if (!FindRowCell(s, s == visSectionObject ? r : TagOf(s, r), c)) return false;
  return !local || !IsInherited(s, r, c);
}

std::int16_t ShapeSheet::RowCount(std::int16_t s) const {
  Scope scope;
  if (s == visSectionObject) return static_cast<std::int16_t>(ObjectRows().size());
  auto sec = Resolve(s);
  if (!sec) return 0;
  return static_cast<std::int16_t>(Rows(*sec)->size());
}

std::int16_t ShapeSheet::RowType(std::int16_t s, std::int16_t r) const {
  Scope scope;
  return TagOf(s, r);
}

std::int16_t ShapeSheet::RowsCellCount(std::int16_t s, std::int16_t r) const {
  Scope scope;
  return static_cast<std::int16_t>(RowCells(s, s == visSectionObject ? r : TagOf(s, r)).size());
}

std::string ShapeSheet::RowName(std::int16_t s, std::int16_t r) const {
  Scope scope;
  if (s == visSectionObject) {
    TagOf(s, r);
    return "";
  }
  auto sec = Resolve(s);
  if (!sec) NoSuchCell();
  const RowList rowList = Rows(*sec);
  const auto& rows = *rowList;
  if (r < 0 || static_cast<std::size_t>(r) >= rows.size()) NoSuchCell();
  return std::string(rows[static_cast<std::size_t>(r)].name);
}

std::int16_t ShapeSheet::GeometryCount() const {
  Scope scope;
  return static_cast<std::int16_t>(Geometry()->size());
}

std::vector<std::int16_t> ShapeSheet::SectionIndices() const {
  Scope scope;
  std::vector<std::int16_t> out;
  for (std::int16_t s = visSectionObject; s < visSectionFirstComponent; ++s) {
    if (Resolve(s)) out.push_back(s);
  }
  const std::int16_t geometry = GeometryCount();
  for (std::int16_t k = 0; k < geometry; ++k) {
    out.push_back(static_cast<std::int16_t>(visSectionFirstComponent + k));
  }
  for (std::int16_t s = visSectionAction; s <= visSectionLastRows; ++s) {
    if (Resolve(s)) out.push_back(s);
  }
  return out;
}

std::vector<std::int16_t> ShapeSheet::ObjectRows() const {
  Scope scope;
  std::vector<std::int16_t> out;
  for (std::int16_t r = visRowXFormOut; r <= visRowLastObject; ++r) {
    if (ObjectRowExists(r)) out.push_back(r);
  }
  return out;
}

std::optional<std::int16_t> ShapeSheet::RowIndexByName(std::int16_t s,
                                                       std::string_view name) const {
  Scope scope;
  auto sec = Resolve(s);
  if (!sec || s == visSectionObject || name.empty()) return std::nullopt;
  const RowList rowList = Rows(*sec);
  // Formulas name rows all the time, and a loader once per row: asked a
  // second time within a call, the section puts its names in a table
  // instead of comparing them one by one again.
  RowsEntry* kept = Memo::current->rows.Find({this, 0, s, 0});
  if (!kept || (!kept->names && kept->nameLookups++ == 0)) {
    for (std::size_t i = 0; i < rowList->size(); ++i) {
      if (Same((*rowList)[i].name, name)) return static_cast<std::int16_t>(i);
    }
    return std::nullopt;
  }
  RowsEntry& entry = *kept;
  if (!entry.names) {
    entry.names = std::make_unique<std::unordered_map<std::string, std::int16_t>>();
    const auto& rows = *entry.rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (!rows[i].name.empty())
        entry.names->try_emplace(LowerCase(rows[i].name), static_cast<std::int16_t>(i));
    }
  }
  auto found = entry.names->find(LowerCase(name));
  if (found == entry.names->end()) return std::nullopt;
  return found->second;
}

// ---- names ----

std::string ShapeSheet::CellName(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  const CellDef& def = CheckedDef(s, r, c);
  if (s == visSectionObject) return def.name;
  if (IsGeometrySection(s)) {
    const std::string section = "Geometry" + std::to_string(s - visSectionFirstComponent + 1) + ".";
    return section + def.name + (r == 0 ? "" : std::to_string(r));
  }
  const Family* f = FamilyOf(s);
  if (!f || f->scheme == Scheme::None) return "";
  const std::string prefix = std::string(f->prefix) + ".";
  const std::string rowName = RowName(s, r);
  const bool named =
      f->scheme == Scheme::Named || (f->scheme == Scheme::Connections && !rowName.empty());
  if (named) {
    const bool bare = f->bareFirst && c == RowCells(s, TagOf(s, r)).front().column;
    return prefix + rowName + (bare ? "" : "." + std::string(def.name));
  }
  if (f->scheme == Scheme::Bracketed) {
    return prefix + def.name + (r == 0 ? "" : "[" + std::to_string(r + 1) + "]");
  }
  return prefix + def.name + std::to_string(r + 1);
}

std::optional<CellAddress> ShapeSheet::FindCell(std::string_view name) const {
  Scope scope;
  const std::string n = Trim(name);
  const std::size_t dot = n.find('.');
  // Names of the Object section have no section part.
  if (dot == std::string::npos) {
    auto at = FindObjectCell(n);
    if (!at) BadName();
    if (!ObjectRowExists(at->row)) return std::nullopt;
    return at;
  }
  const std::string_view head = std::string_view(n).substr(0, dot);
  const std::string_view rest = std::string_view(n).substr(dot + 1);
  auto exists = [&](std::int16_t s, std::int16_t r, std::int16_t c) -> std::optional<CellAddress> {
    if (!CellExists(s, r, c, false)) return std::nullopt;
    return CellAddress{s, r, c};
  };
  // Geometry<k>.<cell><row>, and the component row's cells without a row.
  if (head.size() > 8 && Same(head.substr(0, 8), "Geometry")) {
    auto k = SplitNumber(head);
    if (!k || k->second < 1 || k->second > visSectionLastComponent - visSectionFirstComponent + 1) {
      BadName();
    }
    const auto s = static_cast<std::int16_t>(visSectionFirstComponent + k->second - 1);
    if (auto c = ColumnIn(kComponent, rest)) return exists(s, visRowComponent, *c);
    auto cell = SplitNumber(rest);
    if (!cell || cell->second < 1) BadName();
    auto c = ColumnIn(AllCellsOf(s), cell->first);
    if (!c) BadName();
    return exists(s, static_cast<std::int16_t>(cell->second), *c);
  }
  const Family* f = nullptr;
  for (const auto& family : kFamilies) {
    if (family.scheme != Scheme::None && Same(family.prefix, head)) f = &family;
  }
  if (!f) BadName();
  const Defs& cells = AllCellsOf(f->section);
  // Numbered forms first: Scratch.X1, Connections.X1.
  if (f->scheme == Scheme::Indexed || f->scheme == Scheme::Connections) {
    if (auto cell = SplitNumber(rest)) {
      if (auto c = ColumnIn(cells, cell->first)) {
        if (cell->second < 1) BadName();
        return exists(f->section, static_cast<std::int16_t>(cell->second - 1), *c);
      }
    }
    if (f->scheme == Scheme::Indexed) BadName();
  }
  if (f->scheme == Scheme::Bracketed) {
    auto cell = SplitBracket(rest);
    if (!cell || cell->second < 1) BadName();
    auto c = ColumnIn(cells, cell->first);
    if (!c) BadName();
    return exists(f->section, static_cast<std::int16_t>(cell->second - 1), *c);
  }
  // Named rows: <row> for the first cell, <row>.<cell> for any.
  const std::size_t dot2 = rest.find('.');
  const std::string_view rowName = rest.substr(0, dot2);
  if (rowName.empty()) BadName();
  std::int16_t column = 0;
  if (dot2 == std::string_view::npos) {
    if (!f->bareFirst) BadName();
    column = cells.front().column;
  } else {
    std::string_view cellName = rest.substr(dot2 + 1);
    // "Prop.Row_1.Value" names the value cell, as "Prop.Row_1" does.
    auto c = ColumnIn(cells, cellName);
    if (!c) BadName();
    column = *c;
  }
  auto row = RowIndexByName(f->section, rowName);
  if (!row) return std::nullopt;
  return exists(f->section, *row, column);
}

// ======================================================================
// Formulas
// ======================================================================

namespace {

// A value met while computing a formula.
struct Val {
  double v = 0;  // internal units
  std::int16_t unit = visNumber;
  bool isString = false;
  bool isBool = false;
  std::string s;
};

// How far a formula could be computed. Worse outcomes win when parts are
// combined: a formula with a part this sheet cannot compute keeps its
// stored result, whatever the other parts give.
enum class Outcome { Ok = 0, Error = 1, Unknown = 2, Syntax = 3 };

struct Res {
  Outcome outcome = Outcome::Ok;
  std::int16_t error = 0;
  Val val;
};

Res Fail(Outcome o, std::int16_t error = 0) {
  Res r;
  r.outcome = o;
  r.error = error;
  return r;
}

Res Ok(Val v) {
  Res r;
  r.val = std::move(v);
  return r;
}

Res Num(double v, std::int16_t unit = visNumber) {
  Val x;
  x.v = v;
  x.unit = unit;
  return Ok(x);
}

Res Bool(bool b) {
  Val x;
  x.v = b ? 1 : 0;
  x.isBool = true;
  return Ok(x);
}

// The worse of two outcomes (the first error code kept).
bool Worse(const Res& a, const Res& b) {
  return b.outcome > a.outcome;
}

Dimension DimOf(const Val& v) {
  return v.isString ? Dimension::Number : DimensionOf(v.unit);
}

std::string TextOf(const Val& v) {
  if (v.isString) return v.s;
  if (v.isBool) return v.v != 0 ? "TRUE" : "FALSE";
  return FormatResult(v.v, v.unit, visNoCast);
}

// A plain number met beside a measure counts in that measure's default
// unit: Width+1 is Width plus one inch.
double AsMeasure(const Val& plain, Dimension d) {
  return plain.v * UnitFactor(DefaultUnitOf(d));
}

Res Add(const Val& a, const Val& b, bool subtract) {
  if (a.isString || b.isString) return Fail(Outcome::Error, visErrorValue);
  const Dimension da = DimOf(a), db = DimOf(b);
  const double sign = subtract ? -1 : 1;
  if (da == Dimension::Number && db == Dimension::Number) return Num(a.v + sign * b.v);
  if (da == Dimension::Number) return Num(AsMeasure(a, db) + sign * b.v, b.unit);
  if (db == Dimension::Number) return Num(a.v + sign * AsMeasure(b, da), a.unit);
  if (da == Dimension::Date && db == Dimension::Duration) return Num(a.v + sign * b.v, a.unit);
  if (da == Dimension::Date && db == Dimension::Date && subtract)
    return Num(a.v - b.v, visElapsedDay);
  if (da != db) return Fail(Outcome::Error, visErrorValue);
  return Num(a.v + sign * b.v, a.unit);
}

Res Multiply(const Val& a, const Val& b) {
  if (a.isString || b.isString) return Fail(Outcome::Error, visErrorValue);
  const Dimension da = DimOf(a), db = DimOf(b);
  if (da == Dimension::Number) return Num(a.v * b.v, b.unit);
  if (db == Dimension::Number) return Num(a.v * b.v, a.unit);
  return Fail(Outcome::Unknown);  // areas and the like
}

Res Divide(const Val& a, const Val& b) {
  if (a.isString || b.isString) return Fail(Outcome::Error, visErrorValue);
  if (b.v == 0) return Fail(Outcome::Error, visErrorDivideByZero);
  const Dimension da = DimOf(a), db = DimOf(b);
  if (db == Dimension::Number) return Num(a.v / b.v, a.unit);
  if (da == db) return Num(a.v / b.v);
  return Fail(Outcome::Unknown);
}

// -1, 0, 1; nullopt when the two cannot be compared.
std::optional<int> Compare(const Val& a, const Val& b) {
  if (a.isString || b.isString) {
    if (!(a.isString && b.isString)) return std::nullopt;
    std::string x = a.s, y = b.s;
    for (char& c : x) c = Lower(c);
    for (char& c : y) c = Lower(c);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  const Dimension da = DimOf(a), db = DimOf(b);
  double x = a.v, y = b.v;
  if (da == Dimension::Number && db != Dimension::Number) x = AsMeasure(a, db);
  if (db == Dimension::Number && da != Dimension::Number) y = AsMeasure(b, da);
  if (da != db && da != Dimension::Number && db != Dimension::Number) return std::nullopt;
  if (std::abs(x - y) <= 1e-12 * std::max(std::abs(x), std::abs(y))) return 0;
  return x < y ? -1 : 1;
}

}  // namespace

// Computes formulas by recursive descent, straight from the text.
// References are cells of the sheet whose cell is being computed, by name,
// or of another sheet ("Sheet.5!Width", see SheetHost::OtherSheet); the
// cells being computed are kept on a stack so that a circular formula
// stops, across sheets too.
//
// A cell referred to twice is computed once: its result is kept for the
// rest of the computation, unless a circular reference or the depth limit
// cut it short (it may then come out otherwise when reached another way).
// Without that, cells that each refer twice to the next take time that
// doubles with every cell. Nesting of the formula text is bounded too, so
// that a hostile formula cannot run the stack out.
struct ShapeSheet::Evaluator {
  explicit Evaluator(const ShapeSheet& s) : home(&s), sheet(&s), holder(s.host_) {}

  static constexpr int kMaxNesting = 200;

  const ShapeSheet* home;   // the sheet asked
  const ShapeSheet* sheet;  // the sheet whose names the formula uses
  SheetHost* holder;        // the sheet the formula text comes from
  // Checking a formula before it is written: names must exist, nothing is
  // computed.
  bool checking = false;
  std::vector<std::pair<const ShapeSheet*, CellAddress>> stack;
  std::map<std::tuple<const ShapeSheet*, std::int16_t, std::int16_t, std::int16_t>, CellValue>
      known;
  bool cutShort = false;  // a circular reference or the depth limit was met
  bool ranFormula = false;  // a cell's formula was computed, not only read
  // The cell computed afresh, whatever value its file recorded.
  std::optional<CellAddress> recalculating;
  int nesting = 0;
  // Inside a branch IF does not take: the text is only parsed (a syntax
  // error still counts), nothing is looked up or computed. Computing it
  // would not change the answer, only its cost: the branches of nested
  // IFs refer to cells that are IFs again, and a circular reference met
  // there would keep those cells from being remembered.
  int skipping = 0;

  // Counts one level of nesting while it lives.
  struct Nest {
    explicit Nest(int& n) : count(++n) {}
    ~Nest() { --count; }
    Nest(const Nest&) = delete;
    Nest& operator=(const Nest&) = delete;
    int& count;
  };

  std::string_view text;
  std::size_t pos = 0;

  // Nesting counts on through the cells a formula refers to, so where the
  // limit is met depends on who asked: like a circular reference, it keeps
  // the results computed from here from being remembered.
  Res TooDeep() {
    cutShort = true;
    return Fail(Outcome::Syntax);
  }

  Res Run(std::string_view formula) {
    const std::string_view savedText = text;
    const std::size_t savedPos = pos;
    text = formula;
    pos = 0;
    Res r = Expr();
    Blanks();
    if (r.outcome != Outcome::Syntax && pos < text.size()) r = Fail(Outcome::Syntax);
    text = savedText;
    pos = savedPos;
    return r;
  }

  void Blanks() {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  }
  bool Eat(std::string_view token) {
    Blanks();
    if (text.substr(pos, token.size()) != token) return false;
    pos += token.size();
    return true;
  }
  char Peek() {
    Blanks();
    return pos < text.size() ? text[pos] : '\0';
  }

  // Combines a binary operator's operands: any failure wins over success.
  template <class F>
  Res Both(const Res& a, const Res& b, F f) {
    if (a.outcome != Outcome::Ok || b.outcome != Outcome::Ok) return Worse(a, b) ? b : a;
    return f(a.val, b.val);
  }

  Res Expr() {
    const Nest nest(nesting);
    if (nesting > kMaxNesting) return TooDeep();
    Res left = Concat();
    while (true) {
      Blanks();
      std::string_view op;
      for (std::string_view candidate : {"<>", "<=", ">=", "=", "<", ">"}) {
        if (text.substr(pos, candidate.size()) == candidate) {
          op = candidate;
          break;
        }
      }
      if (op.empty()) return left;
      pos += op.size();
      Res right = Concat();
      left = Both(left, right, [&](const Val& a, const Val& b) {
        auto c = Compare(a, b);
        if (!c) return Fail(Outcome::Error, visErrorValue);
        if (op == "=") return Bool(*c == 0);
        if (op == "<>") return Bool(*c != 0);
        if (op == "<") return Bool(*c < 0);
        if (op == ">") return Bool(*c > 0);
        if (op == "<=") return Bool(*c <= 0);
        return Bool(*c >= 0);
      });
    }
  }

  Res Concat() {
    Res left = Additive();
    while (Eat("&")) {
      Res right = Additive();
      left = Both(left, right, [](const Val& a, const Val& b) {
        Val v;
        v.isString = true;
        v.s = TextOf(a) + TextOf(b);
        return Ok(v);
      });
    }
    return left;
  }

  Res Additive() {
    Res left = Term();
    while (true) {
      const char c = Peek();
      if (c != '+' && c != '-') return left;
      ++pos;
      Res right = Term();
      left = Both(left, right, [c](const Val& a, const Val& b) { return Add(a, b, c == '-'); });
    }
  }

  Res Term() {
    Res left = Power();
    while (true) {
      const char c = Peek();
      if (c != '*' && c != '/') return left;
      ++pos;
      Res right = Power();
      left = Both(left, right, [c](const Val& a, const Val& b) {
        return c == '*' ? Multiply(a, b) : Divide(a, b);
      });
    }
  }

  Res Power() {
    Res left = Unary();
    while (Eat("^")) {
      Res right = Unary();
      left = Both(left, right, [](const Val& a, const Val& b) {
        if (a.isString || b.isString || DimOf(a) != Dimension::Number ||
            DimOf(b) != Dimension::Number) {
          return Fail(Outcome::Unknown);
        }
        const double v = std::pow(a.v, b.v);
        if (!std::isfinite(v)) return Fail(Outcome::Error, visErrorNumber);
        return Num(v);
      });
    }
    return left;
  }

  Res Unary() {
    const Nest nest(nesting);
    if (nesting > kMaxNesting) return TooDeep();
    const char c = Peek();
    if (c == '-' || c == '+') {
      ++pos;
      Res r = Unary();
      if (r.outcome == Outcome::Ok && c == '-') {
        if (r.val.isString) return Fail(Outcome::Error, visErrorValue);
        r.val.v = -r.val.v;
        r.val.isBool = false;
      }
      return r;
    }
    Res r = Primary();
    if (Eat("%")) {
      if (r.outcome == Outcome::Ok) {
        if (r.val.isString) return Fail(Outcome::Error, visErrorValue);
        r.val.v /= 100;
      }
    }
    return r;
  }

  Res Primary() {
    const char c = Peek();
    if (c == '\0') return Fail(Outcome::Syntax);
    if (c == '(') {
      ++pos;
      Res r = Expr();
      if (!Eat(")")) return Fail(Outcome::Syntax);
      return r;
    }
    if (c == '"') return String();
    if (IsDigit(c) || c == '.') return Number();
    if (IsNameChar(c)) return Name();
    return Fail(Outcome::Syntax);
  }

  Res String() {
    ++pos;  // the opening quote
    Val v;
    v.isString = true;
    while (pos < text.size()) {
      if (text[pos] == '"') {
        if (pos + 1 < text.size() && text[pos + 1] == '"') {
          v.s += '"';
          pos += 2;
          continue;
        }
        ++pos;
        return Ok(v);
      }
      v.s += text[pos++];
    }
    return Fail(Outcome::Syntax);
  }

  // A number with an optional unit; a compound measure ("1 ft 3 in") is
  // the sum of its parts.
  Res Number() {
    double total = 0;
    std::int16_t unit = visNumber;
    bool first = true;
    while (true) {
      const std::size_t start = pos;
      std::size_t p = pos;
      std::size_t digits = 0;
      while (p < text.size() && IsDigit(text[p])) ++p, ++digits;
      if (p < text.size() && text[p] == '.') {
        ++p;
        while (p < text.size() && IsDigit(text[p])) ++p, ++digits;
      }
      if (digits == 0) {
        if (first) return Fail(Outcome::Syntax);
        pos = start;
        break;
      }
      if (p < text.size() && Lower(text[p]) == 'e') {
        std::size_t q = p + 1;
        if (q < text.size() && (text[q] == '+' || text[q] == '-')) ++q;
        const std::size_t e = q;
        while (q < text.size() && IsDigit(text[q])) ++q;
        if (q > e) p = q;
      }
      const double figure = ParseNumber(text.substr(start, p - start));
      pos = p;
      // A unit word right after the number.
      std::size_t u = pos;
      while (u < text.size() && (text[u] == ' ' || text[u] == '\t')) ++u;
      std::size_t w = u;
      while (w < text.size() && Lower(text[w]) >= 'a' && Lower(text[w]) <= 'z') ++w;
      if (text.substr(u, 2) == "\xC2\xB0") w = u + 2;
      std::optional<std::int16_t> found;
      if (w > u && (w >= text.size() || (text[w] != '(' && !IsDigit(text[w]) && text[w] != '_'))) {
        found = UnitFromName(text.substr(u, w - u));
        if (found && w < text.size() && text[w] == '.') ++w;
      }
      if (!found) {
        if (!first) {
          pos = start;
          break;
        }
        return Num(figure);
      }
      if (!first && DimensionOf(*found) != DimensionOf(unit)) {
        pos = start;
        break;
      }
      if (first) unit = *found;
      total += figure * UnitFactor(*found);
      pos = w;
      first = false;
      Blanks();
      if (pos >= text.size() || !IsDigit(text[pos])) break;
    }
    return Num(total, unit);
  }

  Res Name() {
    const std::size_t start = pos;
    while (pos < text.size() && (IsNameChar(text[pos]) || text[pos] == '.')) ++pos;
    if (pos < text.size() && text[pos] == '[') {
      const std::size_t close = text.find(']', pos);
      if (close == std::string_view::npos) return Fail(Outcome::Syntax);
      pos = close + 1;
    }
    std::string_view name = text.substr(start, pos - start);
    if (pos < text.size() && text[pos] == '!') {
      // Another sheet's cell. Only parsed here; a function or a further
      // sheet after the "!" is not computed.
      ++pos;
      const std::size_t at = pos;
      ++skipping;
      Res r = Name();
      --skipping;
      if (r.outcome == Outcome::Syntax) return r;
      const std::string_view cell = text.substr(at, pos - at);
      if (checking || skipping || cell.empty() || cell.find_first_of("(!") != cell.npos)
        return Fail(Outcome::Unknown);
      return OtherReference(name, cell);
    }
    if (Peek() == '(') {
      ++pos;
      return Call(name);
    }
    if (Same(name, "TRUE")) return Bool(true);
    if (Same(name, "FALSE")) return Bool(false);
    return Reference(name);
  }

  // A cell of the sheet a name before "!" stands for; a sheet that is not
  // there keeps the stored result.
  Res OtherReference(std::string_view sheetName, std::string_view cellName) {
    SheetHost* other = sheet->host_->OtherSheet(sheetName, *holder);
    if (!other) return Fail(Outcome::Unknown);
    const ShapeSheet* const saved = std::exchange(sheet, &other->Sheet());
    Res r = Reference(cellName);
    sheet = saved;
    return r;
  }

  Res Reference(std::string_view name) {
    if (skipping) return Num(0);
    std::optional<CellAddress> at;
    try {
      at = sheet->FindCell(name);
    } catch (const AutomationError&) {
      return Fail(Outcome::Error, visErrorName);
    }
    if (!at) return Fail(Outcome::Error, checking ? visErrorName : visErrorReference);
    if (checking) return Num(0);
    for (const auto& busy : stack) {
      if (busy.first == sheet && busy.second == *at) {  // circular
        cutShort = true;
        return Fail(Outcome::Unknown);
      }
    }
    if (stack.size() >= 64) {
      cutShort = true;
      return Fail(Outcome::Unknown);
    }
    const auto key = std::make_tuple(sheet, at->section, at->row, at->column);
    CellValue v;
    if (auto it = known.find(key); it != known.end()) {
      v = it->second;
    } else {
      const bool outer = std::exchange(cutShort, false);
      v = sheet->Compute(at->section, at->row, at->column, *this);
      if (!cutShort) known.emplace(key, v);
      cutShort = cutShort || outer;
    }
    if (v.error != 0) return Fail(Outcome::Error, v.error);
    Val x;
    x.v = v.result;
    x.unit = v.unit;
    x.isString = v.isString;
    x.isBool = v.isBool;
    x.s = v.text;
    return Ok(x);
  }

  Res Call(std::string_view fn) {
    std::vector<Res> args;
    // IF computes its condition, then only the branch that condition
    // chooses; a checked formula has every name looked at.
    const bool lazy = !checking && !skipping && Same(fn, "IF");
    if (!Eat(")")) {
      while (true) {
        bool skip = false;
        if (lazy && !args.empty()) {
          const Res& test = args.front();
          const bool yes = test.val.isString ? !test.val.s.empty() : test.val.v != 0;
          skip = test.outcome != Outcome::Ok || args.size() != (yes ? 1u : 2u);
        }
        if (skip) ++skipping;
        args.push_back(Expr());
        if (skip) --skipping;
        if (args.back().outcome == Outcome::Syntax) return args.back();
        if (Eat(")")) break;
        if (!Eat(",")) return Fail(Outcome::Syntax);
      }
    }
    if (skipping) return Num(0);
    auto arity = [&](std::size_t min, std::size_t max) {
      return args.size() >= min && args.size() <= max;
    };
    // IF takes only the branch it chooses.
    if (Same(fn, "IF")) {
      if (!arity(2, 3)) return Fail(Outcome::Error, visErrorValue);
      if (args[0].outcome != Outcome::Ok) return args[0];
      const bool yes = args[0].val.isString ? !args[0].val.s.empty() : args[0].val.v != 0;
      if (yes) return args[1];
      return args.size() == 3 ? args[2] : Bool(false);
    }
    Res worst;
    for (const auto& a : args) {
      if (Worse(worst, a)) worst = a;
    }
    if (worst.outcome != Outcome::Ok) return worst;
    auto number = [&](std::size_t i) { return args[i].val; };
    if (Same(fn, "GUARD")) {
      if (!arity(1, 1)) return Fail(Outcome::Error, visErrorValue);
      return args[0];
    }
    if (Same(fn, "NOT")) {
      if (!arity(1, 1)) return Fail(Outcome::Error, visErrorValue);
      return Bool(number(0).v == 0);
    }
    if (Same(fn, "AND") || Same(fn, "OR")) {
      if (args.empty()) return Fail(Outcome::Error, visErrorValue);
      const bool isAnd = Same(fn, "AND");
      bool result = isAnd;
      for (const auto& a : args)
        result = isAnd ? (result && a.val.v != 0) : (result || a.val.v != 0);
      return Bool(result);
    }
    if (Same(fn, "PI"))
      return arity(0, 0) ? Num(std::numbers::pi) : Fail(Outcome::Error, visErrorValue);
    if (Same(fn, "ABS") || Same(fn, "INT") || Same(fn, "SQRT")) {
      if (!arity(1, 1) || number(0).isString) return Fail(Outcome::Error, visErrorValue);
      Val v = number(0);
      v.isBool = false;
      if (Same(fn, "ABS")) v.v = std::abs(v.v);
      if (Same(fn, "INT")) v.v = std::floor(v.v / UnitFactor(v.unit)) * UnitFactor(v.unit);
      if (Same(fn, "SQRT")) {
        if (DimOf(v) != Dimension::Number) return Fail(Outcome::Unknown);
        if (v.v < 0) return Fail(Outcome::Error, visErrorNumber);
        v.v = std::sqrt(v.v);
      }
      return Ok(v);
    }
    if (Same(fn, "ROUND")) {
      if (!arity(2, 2) || number(0).isString) return Fail(Outcome::Error, visErrorValue);
      Val v = number(0);
      const double scale = std::pow(10.0, std::round(number(1).v));
      const double f = UnitFactor(v.unit);
      v.v = std::round(v.v / f * scale) / scale * f;
      v.isBool = false;
      return Ok(v);
    }
    if (Same(fn, "MIN") || Same(fn, "MAX")) {
      if (args.empty()) return Fail(Outcome::Error, visErrorValue);
      const bool isMin = Same(fn, "MIN");
      Val best = number(0);
      for (std::size_t i = 1; i < args.size(); ++i) {
        auto c = Compare(number(i), best);
        if (!c) return Fail(Outcome::Error, visErrorValue);
        if (isMin ? *c < 0 : *c > 0) best = number(i);
      }
      return Ok(best);
    }
    return Fail(Outcome::Unknown);  // a function this sheet does not compute
  }
};

namespace {

// A constant formula's value: a measure, a string or a truth value.
std::optional<CellValue> Literal(const std::string& formula) {
  CellValue v;
  v.formula = formula;
  if (formula.empty()) return v;
  if (Same(formula, "TRUE") || Same(formula, "FALSE")) {
    v.result = Same(formula, "TRUE") ? 1 : 0;
    v.isBool = true;
    return v;
  }
  if (auto text = StringLiteral(formula)) {
    v.isString = true;
    v.text = *text;
    return v;
  }
  if (auto m = ParseConstant(formula)) {
    v.result = m->iu;
    v.unit = m->unit;
    return v;
  }
  return std::nullopt;
}

}  // namespace

CellValue ShapeSheet::Compute(std::int16_t s, std::int16_t r, std::int16_t c, Evaluator& ev) const {
  // A result that met no circular reference or limit is the same whoever
  // asks: kept for the next call, unless a cell is being recalculated.
  const bool shared = !ev.checking && !ev.recalculating;
  if (shared) {
    if (const CellValue* kept = KeptValue(s, r, c)) return *kept;
  }
  const bool outer = std::exchange(ev.cutShort, false);
  const bool outerRan = std::exchange(ev.ranFormula, false);
  CellValue v = ComputeNow(s, r, c, ev);
  // A value read as it is stored costs less to read again than to keep.
  if (shared && !ev.cutShort && ev.ranFormula) KeepValue(s, r, c, v);
  ev.cutShort = ev.cutShort || outer;
  ev.ranFormula = ev.ranFormula || outerRan;
  return v;
}

CellValue ShapeSheet::ComputeNow(std::int16_t s, std::int16_t r, std::int16_t c,
                                 Evaluator& ev) const {
  const CellDef& def = CheckedDef(s, r, c);
  const ShapeSheet* holder = this;
  const CellValue* stored = Stored(s, r, c, 0, true, &holder);
  // Recalculating the cell: a value its file recorded gives way to the one
  // its inherited formula gives now.
  if (stored && stored->inheritedFormula && ev.recalculating && ev.home == this &&
      *ev.recalculating == CellAddress{s, r, c}) {
    holder = this;
    stored = Stored(s, r, c, 0, false, &holder);
  }
  CellValue v;
  bool computed = true;
  if (stored) {
    v = *stored;
    if (v.inheritedFormula) {
      // The value a file recorded for an inherited formula is what Visio
      // shows until it recalculates the cell; it is not recomputed here.
      v.formula = InheritedFormula(s, r, c);
      return v;
    }
    if (!v.constant && v.formula.empty()) return v;  // no formula: the value is all there is
  } else {
    v.formula = def.initial;
  }
  if (v.constant) {
    // The value is its own formula's.
  } else if (auto literal = Literal(v.formula)) {
    // A date or an amount of money is written as a plain number; the
    // unit stored with it says what it is.
    const Dimension kept = stored ? DimensionOf(stored->unit) : Dimension::Number;
    if (!literal->isString && !literal->isBool && literal->unit == visNumber &&
        (kept == Dimension::Date || kept == Dimension::Currency)) {
      literal->unit = stored->unit;
      literal->result *= UnitFactor(stored->unit);
    }
    v.result = literal->result;
    v.unit = literal->unit;
    v.isString = literal->isString;
    v.isBool = literal->isBool;
    v.text = literal->text;
    v.error = 0;
  } else {
    // Names in the formula are this sheet's; IDs of other sheets are those
    // of the sheet that holds the formula.
    ev.stack.push_back({this, CellAddress{s, r, c}});
    ev.ranFormula = true;
    const ShapeSheet* const savedSheet = std::exchange(ev.sheet, this);
    SheetHost* const savedHolder = std::exchange(ev.holder, stored ? holder->host_ : host_);
    const Res res = ev.Run(v.formula);
    ev.sheet = savedSheet;
    ev.holder = savedHolder;
    ev.stack.pop_back();
    if (res.outcome == Outcome::Ok) {
      v.result = res.val.v;
      v.unit = res.val.unit;
      v.isString = res.val.isString;
      v.isBool = res.val.isBool;
      v.text = res.val.s;
      v.error = 0;
    } else if (res.outcome == Outcome::Error) {
      v.error = res.error;
      computed = false;  // the stored result stands beside the error
    } else {
      computed = false;  // keeps what was stored
    }
  }
  // A plain number in a cell made for a measure is in its default unit.
  if (computed && !v.isString && !v.isBool && DimensionOf(v.unit) == Dimension::Number) {
    if (def.kind == CellKind::Length) {
      v.result *= UnitFactor(visInches);
      v.unit = visInches;
    } else if (def.kind == CellKind::Angle) {
      v.result *= UnitFactor(visDegrees);
      v.unit = visDegrees;
    }
  }
  if (v.isString) v.unit = visNoCast;
  return v;
}

void ShapeSheet::CheckFormula(std::string_view formula) const {
  if (formula.empty() || Literal(std::string(formula))) return;
  Evaluator ev(*this);
  ev.checking = true;
  const Res r = ev.Run(formula);
  if (r.outcome == Outcome::Syntax) ThrowVisio(VisioErrorKind::BadFormula);
  if (r.outcome == Outcome::Error && r.error == visErrorName)
    ThrowVisio(VisioErrorKind::BadFormula);
}

// ---- values ----

std::string ShapeSheet::Formula(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  const CellDef& def = CheckedDef(s, r, c);
  const CellValue* stored = Stored(s, r, c);
  if (stored && stored->inheritedFormula) return InheritedFormula(s, r, c);
  return stored ? FormulaOf(*stored) : def.initial;
}

std::string ShapeSheet::InheritedFormula(std::int16_t s, std::int16_t r, std::int16_t c) const {
  const std::string initial = CheckedDef(s, r, c).initial;
  if (s == visSectionObject) {
    SheetHost* src = Source(visSectionObject, r);
    return src ? src->Sheet().Formula(s, r, c) : initial;
  }
  auto sec = Resolve(s);
  if (!sec || !sec->source) return initial;
  const RowList rowList = Rows(*sec);
  const auto& rows = *rowList;
  if (r < 0 || static_cast<std::size_t>(r) >= rows.size()) return initial;
  const RowRef& row = rows[static_cast<std::size_t>(r)];
  if (row.sourceRow < 0) return initial;
  return sec->source->Sheet().Formula(sec->sourceIndex, static_cast<std::int16_t>(row.sourceRow),
                                      c);
}

CellValue ShapeSheet::Value(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  Evaluator ev(*this);
  return Compute(s, r, c, ev);
}

double ShapeSheet::ResultIU(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  const CellValue v = Value(s, r, c);
  return v.isString ? 0 : v.result;
}

double ShapeSheet::ResultIU(std::string_view name) const {
  Scope scope;
  auto at = FindCell(name);
  if (!at) NoSuchCell();
  return ResultIU(at->section, at->row, at->column);
}

std::string ShapeSheet::ResultString(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  const CellValue v = Value(s, r, c);
  if (v.isString) return v.text;
  if (v.isBool) return v.result != 0 ? "TRUE" : "FALSE";
  return FormatResult(v.result, v.unit, visNoCast);
}

bool ShapeSheet::IsInherited(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  CheckedDef(s, r, c);
  if (s == visSectionObject) {
    const RowData* row = LocalObjectRow(r);
    if (!row) return true;
    auto it = row->cells.find(c);
    return it == row->cells.end() || it->second.inheritedFormula;
  }
  const RowList rowList = Rows(*Resolve(s));
  const auto& rows = *rowList;
  const RowRef& row = rows[static_cast<std::size_t>(r)];
  if (!row.local) return true;
  auto it = row.local->cells.find(c);
  return it == row.local->cells.end() || it->second.inheritedFormula;
}

bool ShapeSheet::IsGuarded(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  const std::string f = Formula(s, r, c);
  if (f.size() < 7 || !Same(std::string_view(f).substr(0, 5), "GUARD")) return false;
  const std::string rest = Trim(std::string_view(f).substr(5));
  return !rest.empty() && rest.front() == '(';
}

std::optional<CellValue> ShapeSheet::Evaluate(std::string_view formula) const {
  Scope scope;
  const std::string f = Normalize(formula);
  if (auto literal = Literal(f)) return literal;
  Evaluator ev(*this);
  const Res r = ev.Run(f);
  if (r.outcome != Outcome::Ok) return std::nullopt;
  CellValue v;
  v.formula = f;
  v.result = r.val.v;
  v.unit = r.val.isString ? visNoCast : r.val.unit;
  v.isString = r.val.isString;
  v.isBool = r.val.isBool;
  v.text = r.val.s;
  return v;
}

CellKind ShapeSheet::KindOf(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  return CheckedDef(s, r, c).kind;
}

std::vector<CellAddress> ShapeSheet::RecordedCells() const {
  Scope scope;
  std::vector<CellAddress> out;
  auto collect = [&](std::int16_t s, std::int16_t r, const RowData& row) {
    for (const auto& [c, v] : row.cells) {
      if (v.inheritedFormula) out.push_back({s, r, c});
    }
  };
  for (std::int16_t r : ObjectRows()) {
    if (const RowData* row = LocalObjectRow(r)) collect(visSectionObject, r, *row);
  }
  for (std::int16_t s : SectionIndices()) {
    if (s == visSectionObject) continue;
    const RowList rows = Rows(*Resolve(s));
    for (std::size_t i = 0; i < rows->size(); ++i) {
      if (const RowData* row = (*rows)[i].local) collect(s, static_cast<std::int16_t>(i), *row);
    }
  }
  return out;
}

CellValue ShapeSheet::Recalculated(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  Evaluator ev(*this);
  ev.recalculating = CellAddress{s, r, c};
  return Compute(s, r, c, ev);
}

void ShapeSheet::ForgetRecorded(std::int16_t s, std::int16_t r, std::int16_t c) {
  const Change change;
  CheckedDef(s, r, c);
  const RowData* row = nullptr;
  if (s == visSectionObject) {
    row = LocalObjectRow(r);
  } else {
    row = (*Rows(*Resolve(s)))[static_cast<std::size_t>(r)].local;
  }
  if (!row) return;
  CellMap& cells = const_cast<RowData*>(row)->cells;  // the sheet's own row
  auto it = cells.find(c);
  if (it != cells.end() && it->second.inheritedFormula) cells.erase(it);
}

// ======================================================================
// Writing
// ======================================================================

namespace {

bool ValidRowName(std::string_view name) {
  if (name.empty() || name.size() > 31 || IsDigit(name.front())) return false;
  return std::all_of(name.begin(), name.end(), IsNameChar);
}

// The row types a section's rows may have; nullopt for sections whose
// rows have no types.
bool TagFits(std::int16_t s, std::size_t position, std::int16_t tag) {
  if (IsGeometrySection(s)) {
    if (position == 0) return tag == visTagComponent;
    return IsVertexTag(tag);
  }
  switch (s) {
    case visSectionTab:
      return tag == visTagTab0 || tag == visTagTab2 || tag == visTagTab10;
    case visSectionConnectionPts:
      return tag == visTagCnnctPt || tag == visTagCnnctNamed || tag == visTagCnnctPtABCD ||
             tag == visTagCnnctNamedABCD;
    case visSectionControls:
      return tag == visTagCtlPt || tag == visTagCtlPtTip;
    default:
      return false;
  }
}

bool TypedSection(std::int16_t s) {
  return IsGeometrySection(s) || s == visSectionTab || s == visSectionConnectionPts ||
         s == visSectionControls;
}

template <class Rows>
auto InsertByKey(Rows& rows, typename Rows::value_type row) {
  auto at = std::lower_bound(rows.begin(), rows.end(), row.key,
                             [](const auto& r, std::int32_t key) { return r.key < key; });
  return rows.insert(at, std::move(row));
}

}  // namespace

ShapeSheet::SectionData& ShapeSheet::LocalSection(std::int16_t s, const SectionRef* resolved) {
  if (!IsGeometrySection(s)) return SectionSlot(s);
  const auto sec = resolved ? std::optional<SectionRef>(*resolved) : Resolve(s);
  if (!sec) NoSuchCell();
  for (auto& g : geometry_) {
    if (g.own == sec->own && g.key == sec->key) return g;
  }
  SectionData d;
  d.own = sec->own;
  d.key = sec->key;
  SectionData& made = *InsertByKey(geometry_, std::move(d));
  ForgetRows();  // the geometry sections moved
  return made;
}

ShapeSheet::RowData& ShapeSheet::LocalRow(std::int16_t s, std::int16_t r) {
  if (s == visSectionObject) {
    if (!ObjectRowExists(r)) NoSuchCell();
    auto& rows = SectionSlot(s).rows;
    for (auto& row : rows) {
      if (row.key == r) return row;
    }
    RowData d;
    d.uid = static_cast<std::uint64_t>(r);
    d.key = r;
    return *InsertByKey(rows, std::move(d));
  }
  auto sec = Resolve(s);
  if (!sec) NoSuchCell();
  RowData d;
  {
    const RowList rows = Rows(*sec);
    if (r < 0 || static_cast<std::size_t>(r) >= rows->size()) NoSuchCell();
    const RowRef& rr = (*rows)[static_cast<std::size_t>(r)];
    if (rr.local) return const_cast<RowData&>(*rr.local);  // the sheet's own data
    // A row with nothing stored yet stands over the inherited row, or is
    // the first row of a section that has none anywhere.
    d.uid = rr.uid;
    d.own = rr.sourceRow < 0;
    d.key = std::max(rr.sourceRow, 0);
  }
  SectionData& local = LocalSection(s, &*sec);
  const RowData* oldBase = local.rows.data();
  auto it = InsertByKey(local.rows, std::move(d));
  if (it->own) local.nextOwn = std::max(local.nextOwn, it->key + 1);
  if (RowsEntry* mine =
          RowInserted(s, local, oldBase, static_cast<std::size_t>(it - local.rows.begin()))) {
    (*mine->rows)[static_cast<std::size_t>(r)].local = &*it;
  }
  return *it;
}

void ShapeSheet::SetFormula(std::int16_t s, std::int16_t r, std::int16_t c, std::string formula,
                            bool force) {
  const Change change;
  CheckedDef(s, r, c);
  const std::string f = Normalize(formula);
  if (!force && IsGuarded(s, r, c)) ThrowVisio(VisioErrorKind::ProtectedCell);
  CheckFormula(f);
  // A formula this sheet cannot compute keeps the result the cell had; a
  // constant brings its own.
  CellValue cell = Value(s, r, c);
  cell.constant = false;
  if (auto literal = Literal(f)) {
    cell = *literal;
  } else {
    cell.formula = f;
    cell.error = 0;
  }
  LocalRow(s, r).cells[c] = cell;
  cell = Value(s, r, c);
  cell.formula = f;
  LocalRow(s, r).cells[c] = cell;
}

void ShapeSheet::SetResultIn(std::int16_t s, std::int16_t r, std::int16_t c, double v,
                             std::int16_t unit, bool force) {
  const Change change;
  CheckedDef(s, r, c);
  if (!force && IsGuarded(s, r, c)) ThrowVisio(VisioErrorKind::ProtectedCell);
  const CellValue now = Value(s, r, c);
  const std::int16_t valueUnit = now.isString || now.isBool ? visNumber : now.unit;
  const double iu = ToIU(v, unit, valueUnit);
  CellValue cell;
  cell.unit = StoredUnit(unit, valueUnit);
  cell.constant = true;
  cell.result = iu;
  LocalRow(s, r).cells[c] = cell;
}

void ShapeSheet::SetResult(std::int16_t s, std::int16_t r, std::int16_t c, double iu) {
  const Change change;
  const CellKind kind = CheckedDef(s, r, c).kind;
  CellValue cell;
  if (const CellValue* stored = Stored(s, r, c)) {
    cell = *stored;
    // The formula stays what it was, whatever the result now is.
    cell.formula = FormulaOf(cell);
    cell.constant = false;
  } else {
    cell.formula = CheckedDef(s, r, c).initial;
  }
  cell.result = iu;
  cell.error = 0;
  cell.isString = cell.isBool = false;
  if (DimensionOf(cell.unit) == Dimension::Number) {
    if (kind == CellKind::Length) cell.unit = visInches;
    if (kind == CellKind::Angle) cell.unit = visDegrees;
    if (cell.unit == visNoCast) cell.unit = visNumber;
  }
  LocalRow(s, r).cells[c] = cell;
}

void ShapeSheet::LoadCell(std::int16_t s, std::int16_t r, std::int16_t c, CellValue value) {
  const Change change;
  std::vector<std::pair<std::int16_t, CellValue>> one;
  one.emplace_back(c, std::move(value));
  LoadCells(s, r, std::move(one));
}

void ShapeSheet::LoadCells(std::int16_t s, std::int16_t r,
                           std::vector<std::pair<std::int16_t, CellValue>> cells) {
  const Change change;
  if (cells.empty()) return;
  // One look-up of the row for all its cells: the row's tag says which
  // cells it has. Nothing is written unless every cell fits.
  std::int16_t tag = r;
  if (s == visSectionObject) {
    if (!ObjectRowExists(r)) NoSuchCell();
  } else {
    tag = TagOf(s, r);
  }
  for (const auto& [c, v] : cells) {
    if (!FindRowCell(s, tag, c)) NoSuchCell();
  }
  RowData& row = LocalRow(s, r);
  for (auto& [c, v] : cells) {
    if (!v.formula.empty()) v.formula = Normalize(v.formula);
    if (v.isString) v.unit = visNoCast;
  }
  if (row.cells.size() == 0) {
    row.cells.Adopt(std::move(cells));
    return;
  }
  row.cells.reserve(row.cells.size() + cells.size());
  for (auto& [c, v] : cells) row.cells[c] = std::move(v);
}

void ShapeSheet::LoadRow(std::int16_t s, std::int16_t r) {
  const Change change;
  if (s != visSectionObject) TagOf(s, r);  // the row must exist
  LocalRow(s, r);
}

void ShapeSheet::SetRowType(std::int16_t s, std::int16_t r, std::int16_t tag) {
  const Change change;
  TagOf(s, r);  // the row must exist
  if (!TypedSection(s) || !TagFits(s, static_cast<std::size_t>(r), tag)) Refuse();
  RowData& row = LocalRow(s, r);
  row.tag = tag;
  RowChanged(s, r, row, false);
}

void ShapeSheet::SetRowName(std::int16_t s, std::int16_t r, const std::string& name) {
  const Change change;
  TagOf(s, r);
  if (!RowsHaveNames(s)) ThrowVisio(VisioErrorKind::InappropriateTarget);
  if (!ValidRowName(name)) Refuse();
  if (auto other = RowIndexByName(s, name); other && *other != r) Refuse();
  RowData& row = LocalRow(s, r);
  row.name = name;
  RowChanged(s, r, row, true);
}

std::string ShapeSheet::NewRowName(std::int16_t s) const {
  for (int n = RowCount(s) + 1;; ++n) {
    const std::string name = "Row_" + std::to_string(n);
    if (!RowIndexByName(s, name)) return name;
  }
}

// ---- structure ----

std::int16_t ShapeSheet::AddSection(std::int16_t s) {
  const Change change;
  if (IsGeometrySection(s)) {
    const std::size_t count = Geometry()->size();
    std::int32_t key = 0;
    for (const auto& g : geometry_) {
      if (g.own) key = std::max(key, g.key + 1);
    }
    SectionData d;
    d.own = true;
    d.key = key;
    InsertByKey(geometry_, std::move(d));
    ForgetRows();
    return static_cast<std::int16_t>(visSectionFirstComponent + static_cast<int>(count));
  }
  if (s == visSectionObject || !ValidSection(s)) Refuse();
  auto it = sections_.find(s);
  if (it != sections_.end() && it->second.deleted) {
    // Made again after the inherited one was deleted: a section of its own.
    it->second = SectionData{};
    it->second.detached = true;
    ForgetRows();
    return s;
  }
  if (!Resolve(s)) SectionSlot(s);
  return s;
}

void ShapeSheet::Detach(std::int16_t s) {
  auto sec = Resolve(s);
  if (!sec) NoSuchCell();
  std::vector<RowData> copies;
  {
    const RowList list = Rows(*sec);
    const auto& rows = *list;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      RowData d;
      d.uid = rows[i].uid;
      d.own = true;
      d.key = static_cast<std::int32_t>(i);
      d.tag = rows[i].tag;
      d.name = rows[i].name;
      for (const CellDef& def : RowCells(s, rows[i].tag)) {
        if (const CellValue* v = Stored(s, static_cast<std::int16_t>(i), def.column)) {
          d.cells[def.column] = *v;
        }
      }
      copies.push_back(std::move(d));
    }
  }
  SectionData& local = LocalSection(s);
  local.nextOwn = static_cast<std::int32_t>(copies.size());
  local.rows = std::move(copies);
  local.detached = true;
  local.deleted = false;
  ForgetRows();
}

std::int16_t ShapeSheet::AddRow(std::int16_t s, std::int16_t r, std::int16_t tag) {
  const Change change;
  return InsertRow(s, r, tag, std::string());
}

std::int16_t ShapeSheet::InsertRow(std::int16_t s, std::int16_t r, std::int16_t tag,
                                   std::string name) {
  if (s == visSectionObject) {
    if (!ValidObjectRow(r)) Refuse();
    if (ObjectRowExists(r)) return r;
    auto& rows = SectionSlot(s).rows;
    for (auto& row : rows) {
      if (row.key == r) {  // an inherited row deleted here comes back empty
        row.deleted = false;
        row.cells.clear();
        return r;
      }
    }
    RowData d;
    d.uid = static_cast<std::uint64_t>(r);
    d.key = r;
    InsertByKey(rows, std::move(d));
    return r;
  }
  if (!ValidSection(s)) Refuse();
  auto sec = Resolve(s);
  if (!sec) {
    if (IsGeometrySection(s)) NoSuchCell();
    AddSection(s);
    sec = Resolve(s);
  }
  std::size_t count = 0;
  bool firstIsBare = false;  // the section's only row, with nothing stored anywhere
  {
    const RowList rows = Rows(*sec);
    count = rows->size();
    firstIsBare = count == 1 && !(*rows)[0].local && (*rows)[0].sourceRow < 0;
  }
  if (r != visRowLast && (r < 0 || static_cast<std::size_t>(r) > count)) Refuse();
  const std::size_t pos = r == visRowLast ? count : static_cast<std::size_t>(r);
  if (!TypedSection(s)) {
    tag = visTagDefault;
  } else if (tag == 0) {
    tag = DefaultTag(s, pos);
  } else if (!TagFits(s, pos, tag)) {
    Refuse();
  }
  RowData d;
  d.uid = NewUid();
  d.tag = tag;
  d.own = true;
  d.name = !name.empty() ? std::move(name) : RowsAreNamedAlways(s) ? NewRowName(s) : std::string();
  // The first row of a section that has none stored becomes a row first.
  if (firstIsBare) LocalRow(s, 0);
  if (pos < count) {
    // Inserting among inherited rows makes the section the sheet's own.
    bool ownAfter = true;
    {
      const RowList rows = Rows(*Resolve(s));
      for (std::size_t i = pos; i < count; ++i) ownAfter = ownAfter && (*rows)[i].sourceRow < 0;
    }
    if (!ownAfter) Detach(s);
    const std::int32_t key = (*Rows(*Resolve(s)))[pos].local->key;
    SectionData& local = LocalSection(s);
    for (auto& row : local.rows) {
      if (row.own && row.key >= key) ++row.key;
    }
    ++local.nextOwn;
    d.key = key;
    InsertByKey(local.rows, std::move(d));
    ForgetRows();
    return static_cast<std::int16_t>(pos);
  }
  // Appended: the new row comes after every other, in the sheet's list of
  // the section too, which is mended rather than made again.
  SectionData& local = LocalSection(s);
  d.key = local.nextOwn++;
  const RowData* oldBase = local.rows.data();
  auto it = InsertByKey(local.rows, std::move(d));
  if (RowsEntry* mine =
          RowInserted(s, local, oldBase, static_cast<std::size_t>(it - local.rows.begin()))) {
    RowRef ref;
    ref.local = &*it;
    ref.uid = it->uid;
    ref.tag = it->tag != 0 ? it->tag : DefaultTag(s, mine->rows->size());
    ref.name = it->name;
    if (mine->names && !it->name.empty())
      mine->names->try_emplace(LowerCase(it->name), static_cast<std::int16_t>(pos));
    mine->rows->push_back(ref);
  }
  return static_cast<std::int16_t>(pos);
}

std::int16_t ShapeSheet::AddRows(std::int16_t s, std::int16_t r, std::int16_t tag,
                                 std::int16_t count) {
  Scope scope;  // the rows are worked out once for all of them
  if (count < 1) Refuse();
  const std::int16_t first = AddRow(s, r, tag);
  for (std::int16_t i = 1; i < count; ++i) {
    AddRow(s, r == visRowLast ? visRowLast : static_cast<std::int16_t>(first + i), tag);
  }
  return first;
}

std::int16_t ShapeSheet::AddNamedRow(std::int16_t s, const std::string& name, std::int16_t tag) {
  const Change change;
  if (!RowsHaveNames(s)) Refuse();
  if (!ValidRowName(name) || RowIndexByName(s, name)) Refuse();
  if (s == visSectionConnectionPts && tag == 0) tag = visTagCnnctNamed;
  return InsertRow(s, visRowLast, tag, name);
}

void ShapeSheet::DeleteSection(std::int16_t s) {
  const Change change;
  if (s == visSectionObject || !ValidSection(s) || FixedSection(s)) Refuse();
  auto sec = Resolve(s);
  if (!sec) return;
  if (IsGeometrySection(s)) {
    if (!sec->own) {  // inherited: deleted here
      SectionData& local = LocalSection(s);
      local = SectionData{};
      local.key = sec->key;
      local.deleted = true;
    } else {
      const std::int32_t key = sec->key;
      geometry_.erase(std::remove_if(geometry_.begin(), geometry_.end(),
                                     [key](const SectionData& g) { return g.own && g.key == key; }),
                      geometry_.end());
    }
    ForgetRows();
    return;
  }
  SheetHost* src = Source(s, 0);
  if (src && src->Sheet().Resolve(s, 1)) {
    SectionData& local = SectionSlot(s);
    local = SectionData{};
    local.deleted = true;
  } else {
    sections_.erase(s);
  }
  ForgetRows();
}

void ShapeSheet::DeleteRow(std::int16_t s, std::int16_t r) {
  const Change change;
  if (s == visSectionObject) {
    if (!ValidObjectRow(r) || FixedObjectRow(host_->HostKind(), r)) Refuse();
    if (!ObjectRowExists(r)) NoSuchCell();
    auto& rows = SectionSlot(s).rows;
    auto it = std::find_if(rows.begin(), rows.end(), [r](const RowData& d) { return d.key == r; });
    if (it != rows.end()) rows.erase(it);
    if (ObjectRowExists(r)) {  // still there through inheritance: deleted here
      RowData d;
      d.uid = static_cast<std::uint64_t>(r);
      d.key = r;
      d.deleted = true;
      InsertByKey(rows, std::move(d));
    }
    return;
  }
  auto sec = Resolve(s);
  if (!sec) NoSuchCell();
  RowRef row;
  {
    const RowList rows = Rows(*sec);
    if (r < 0 || static_cast<std::size_t>(r) >= rows->size()) NoSuchCell();
    if (IsGeometrySection(s) && r == visRowComponent) Refuse();
    if (FixedSection(s) && rows->size() == 1) Refuse();
    row = (*rows)[static_cast<std::size_t>(r)];
  }
  if (row.sourceRow >= 0) {
    RowData& local = LocalRow(s, r);
    local.deleted = true;
    local.cells.clear();
    local.tag = 0;
    local.name.clear();
    RowRemoved(s, r, nullptr, 0);
    return;
  }
  if (!row.local) Refuse();
  SectionData& local = LocalSection(s);
  const auto at = static_cast<std::size_t>(row.local - local.rows.data());
  local.rows.erase(local.rows.begin() + static_cast<std::ptrdiff_t>(at));
  RowRemoved(s, r, &local, at);
}

void ShapeSheet::DeleteRows(std::int16_t s, std::vector<std::int16_t> rows) {
  const Change change;
  if (s == visSectionObject) Refuse();
  auto sec = Resolve(s);
  if (!sec) return;
  std::sort(rows.begin(), rows.end(), std::greater<>());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  // Which go, as one by one from the highest: the indices below a deleted
  // row hold, only the count of rows left changes.
  std::vector<std::int16_t> inherited;
  std::set<std::uint64_t> own;  // by uid: storage moves as rows are made local
  {
    const RowList list = Rows(*sec);
    std::size_t left = list->size();
    for (std::int16_t r : rows) {
      if (r < 0 || static_cast<std::size_t>(r) >= list->size()) continue;
      if (IsGeometrySection(s) && r == visRowComponent) continue;
      if (FixedSection(s) && left == 1) continue;
      const RowRef& row = (*list)[static_cast<std::size_t>(r)];
      if (row.sourceRow >= 0) {
        inherited.push_back(r);
      } else if (row.local) {
        own.insert(row.uid);
      } else {
        continue;
      }
      --left;
    }
  }
  if (inherited.empty() && own.empty()) return;
  // Inherited rows are marked in this sheet, made local from the lowest
  // up so that each goes after the others in storage.
  std::reverse(inherited.begin(), inherited.end());
  for (std::int16_t r : inherited) LocalRow(s, r);
  std::vector<RowData*> marked;  // found before any is marked: marking shifts the indices
  {
    const RowList list = Rows(*Resolve(s));
    for (std::int16_t r : inherited)
      marked.push_back(const_cast<RowData*>((*list)[static_cast<std::size_t>(r)].local));
  }
  for (RowData* row : marked) {
    row->deleted = true;
    row->cells.clear();
    row->tag = 0;
    row->name.clear();
  }
  SectionData& local = LocalSection(s);
  local.rows.erase(std::remove_if(local.rows.begin(), local.rows.end(),
                                  [&](const RowData& d) { return d.own && own.count(d.uid); }),
                   local.rows.end());
  ForgetRows();
}

void ShapeSheet::RowRemoved(std::int16_t s, std::int16_t r, const SectionData* local,
                            std::size_t at) const {
  RowsEntry* mine = MendableRows(s);
  if (!mine) return;
  auto& rows = *mine->rows;
  rows.erase(rows.begin() + r);
  mine->names.reset();
  if (!local) return;
  // The rows after the one erased moved down by one.
  const RowData* base = local->rows.data();
  for (RowRef& ref : rows) {
    if (!ref.local || ref.local < base + at) continue;
    ref.local = ref.local - 1;
    if (!ref.local->name.empty()) ref.name = ref.local->name;
  }
}

void ShapeSheet::Compact() {
  const Change change;
  auto compact = [](SectionData& sec) {
    sec.rows.shrink_to_fit();
    for (auto& row : sec.rows) row.cells.shrink_to_fit();
  };
  for (auto& [s, sec] : sections_) compact(sec);
  for (auto& sec : geometry_) compact(sec);
  geometry_.shrink_to_fit();
  ForgetRows();  // the rows moved
}

void ShapeSheet::CopyFrom(const ShapeSheet& other) {
  const Change change;
  if (&other == this) return;
  sections_ = other.sections_;
  geometry_ = other.geometry_;
  ForgetRows();
}

void ShapeSheet::ClearLocalFormatting(bool line, bool fill, bool text) {
  const Change change;
  auto object = sections_.find(visSectionObject);
  if (object != sections_.end()) {
    for (auto& row : object->second.rows) {
      if ((line && row.key == visRowLine) || (fill && row.key == visRowFill) ||
          (text && row.key == visRowText)) {
        row.cells.clear();
      }
    }
  }
  if (!text) return;
  for (std::int16_t s : {visSectionCharacter, visSectionParagraph, visSectionTab}) {
    auto it = sections_.find(s);
    if (it == sections_.end()) continue;
    for (auto& row : it->second.rows) row.cells.clear();
  }
}

// ======================================================================
// Cell objects
// ======================================================================

ShapeSheet::CellKey ShapeSheet::KeyOf(std::int16_t s, std::int16_t r, std::int16_t c) const {
  Scope scope;
  if (s == visSectionObject) return CellKey{s, static_cast<std::uint64_t>(r), c};
  const RowList rows = Rows(*Resolve(s));
  const std::int16_t kind = IsGeometrySection(s) ? visSectionFirstComponent : s;
  return CellKey{kind, (*rows)[static_cast<std::size_t>(r)].uid, c};
}

std::optional<CellAddress> ShapeSheet::Locate(const CellKey& key) const {
  Scope scope;
  if (key.sectionClass == visSectionObject) {
    const auto r = static_cast<std::int16_t>(key.row);
    if (!ObjectRowExists(r) || !FindRowCell(visSectionObject, r, key.column)) return std::nullopt;
    return CellAddress{visSectionObject, r, key.column};
  }
  auto find = [&](const SectionRef& sec) -> std::optional<CellAddress> {
    const RowList list = Rows(sec);
    const auto& rows = *list;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].uid != key.row) continue;
      if (!FindRowCell(sec.index, rows[i].tag, key.column)) return std::nullopt;
      return CellAddress{sec.index, static_cast<std::int16_t>(i), key.column};
    }
    return std::nullopt;
  };
  if (key.sectionClass == visSectionFirstComponent) {
    const GeometryList all = Geometry();
    for (const auto& g : *all) {
      if (auto at = find(g)) return at;
    }
    return std::nullopt;
  }
  auto sec = Resolve(key.sectionClass);
  if (!sec) return std::nullopt;
  return find(*sec);
}

Ref<Cell> ShapeSheet::CellObject(std::int16_t s, std::int16_t r, std::int16_t c) {
  Scope scope;
  CheckedDef(s, r, c);
  const CellKey key = KeyOf(s, r, c);
  Ref<Cell> cell;
  if (auto it = cells_.find(key); it != cells_.end()) {
    cell = Ref<Cell>(it->second);
  } else {
    cell = MakeRef<Cell>(*host_, key);
    cells_[key] = cell.get();
  }
  cell->Seen({s, r, c});
  return cell;
}

void ShapeSheet::Forget(const CellKey& key, const Cell* cell) {
  auto it = cells_.find(key);
  if (it != cells_.end() && it->second == cell) cells_.erase(it);
}

// ======================================================================
// The members IVShape and IVStyle share
// ======================================================================

void CheckWritable(SheetHost& host) {
  VisioObject* doc = host.HostDocument();
  if (!doc || !doc->Members().Find("ReadOnly")) return;
  if (ObjectRef(doc).Get("ReadOnly").ToInt32() != 0) ThrowVisio(VisioErrorKind::ReadOnlyDocument);
}

namespace sheetmembers {

namespace {

ShapeSheet& SheetOf(SheetHost& h) {
  return h.Sheet();
}

// The sheet, for a change a client makes.
ShapeSheet& Changing(SheetHost& h) {
  CheckWritable(h);
  return h.Sheet();
}

bool Flag(Args a, std::size_t i) {
  return HasArg(a, i) && a[i].ToInt32() != 0;
}

CellAddress Named(SheetHost& h, Args a) {
  CheckArgCount(a, 1, 1);
  auto at = SheetOf(h).FindCell(ArgStr(a, 0));
  if (!at) NoSuchCell();
  return *at;
}

}  // namespace

Variant CellsSRC(SheetHost& h, Args a) {
  CheckArgCount(a, 3, 3);
  return SheetOf(h).CellObject(ArgI2(a, 0), ArgI2(a, 1), ArgI2(a, 2));
}

Variant Cells(SheetHost& h, Args a) {
  const CellAddress at = Named(h, a);
  return SheetOf(h).CellObject(at.section, at.row, at.column);
}

Variant CellExists(SheetHost& h, Args a) {
  CheckArgCount(a, 1, 2);
  const std::string name = ArgStr(a, 0);
  const bool local = Flag(a, 1);
  try {
    auto at = SheetOf(h).FindCell(name);
    return VisBool(at && SheetOf(h).CellExists(at->section, at->row, at->column, local));
  } catch (const AutomationError&) {
    return VisBool(false);  // a name no sheet has does not exist either
  }
}

Variant CellsSRCExists(SheetHost& h, Args a) {
  CheckArgCount(a, 3, 4);
  return VisBool(SheetOf(h).CellExists(ArgI2(a, 0), ArgI2(a, 1), ArgI2(a, 2), Flag(a, 3)));
}

Variant CellsRowIndex(SheetHost& h, Args a) {
  return I2(Named(h, a).row);
}

Variant SectionExists(SheetHost& h, Args a) {
  CheckArgCount(a, 1, 2);
  return VisBool(SheetOf(h).SectionExists(ArgI2(a, 0), Flag(a, 1)));
}

Variant RowExists(SheetHost& h, Args a) {
  CheckArgCount(a, 2, 3);
  return VisBool(SheetOf(h).RowExists(ArgI2(a, 0), ArgI2(a, 1), Flag(a, 2)));
}

Variant RowType(SheetHost& h, Args a) {
  CheckArgCount(a, 2, 2);
  return I2(SheetOf(h).RowType(ArgI2(a, 0), ArgI2(a, 1)));
}

void PutRowType(SheetHost& h, Args a, const Variant& v) {
  CheckArgCount(a, 2, 2);
  Changing(h).SetRowType(ArgI2(a, 0), ArgI2(a, 1), v.ToInt16());
}

Variant RowCount(SheetHost& h, Args a) {
  CheckArgCount(a, 1, 1);
  return I2(SheetOf(h).RowCount(ArgI2(a, 0)));
}

Variant RowsCellCount(SheetHost& h, Args a) {
  CheckArgCount(a, 2, 2);
  return I2(SheetOf(h).RowsCellCount(ArgI2(a, 0), ArgI2(a, 1)));
}

Variant GeometryCount(SheetHost& h) {
  return I2(SheetOf(h).GeometryCount());
}

Variant AddSection(SheetHost& h, Args a) {
  CheckArgCount(a, 1, 1);
  return I2(Changing(h).AddSection(ArgI2(a, 0)));
}

Variant AddRow(SheetHost& h, Args a) {
  CheckArgCount(a, 2, 3);
  const std::int16_t tag = HasArg(a, 2) ? ArgI2(a, 2) : std::int16_t{0};
  return I2(Changing(h).AddRow(ArgI2(a, 0), ArgI2(a, 1), tag));
}

Variant AddRows(SheetHost& h, Args a) {
  CheckArgCount(a, 4, 4);
  return I2(Changing(h).AddRows(ArgI2(a, 0), ArgI2(a, 1), ArgI2(a, 2), ArgI2(a, 3)));
}

Variant AddNamedRow(SheetHost& h, Args a) {
  CheckArgCount(a, 2, 3);
  const std::int16_t tag = HasArg(a, 2) ? ArgI2(a, 2) : std::int16_t{0};
  return I2(Changing(h).AddNamedRow(ArgI2(a, 0), ArgStr(a, 1), tag));
}

Variant DeleteSection(SheetHost& h, Args a) {
  CheckArgCount(a, 1, 1);
  Changing(h).DeleteSection(ArgI2(a, 0));
  return Variant();
}

Variant DeleteRow(SheetHost& h, Args a) {
  CheckArgCount(a, 2, 2);
  Changing(h).DeleteRow(ArgI2(a, 0), ArgI2(a, 1));
  return Variant();
}

}  // namespace sheetmembers

}  // namespace standin
