#include "visio/EventCodes.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace {

// VisEventCodes' parts, for composing the codes below.
constexpr std::uint16_t visEvtAdd = 0x8000;
constexpr std::uint16_t visEvtDel = 0x4000;
constexpr std::uint16_t visEvtMod = 0x2000;
constexpr std::uint16_t visEvtApp = 0x1000;
constexpr std::uint16_t visEvtWindow = 1;
constexpr std::uint16_t visEvtDoc = 2;
constexpr std::uint16_t visEvtStyle = 4;
constexpr std::uint16_t visEvtMaster = 8;
constexpr std::uint16_t visEvtPage = 16;
constexpr std::uint16_t visEvtDataRecordset = 32;
constexpr std::uint16_t visEvtShape = 64;
constexpr std::uint16_t visEvtText = 128;
constexpr std::uint16_t visEvtConnect = 256;
constexpr std::uint16_t visEvtCell = 2048;
constexpr std::uint16_t visEvtFormula = 4096;

constexpr std::uint16_t Of(std::uint16_t a, std::uint16_t b) {
  return static_cast<std::uint16_t>(a + b);
}

// The documentation's table of event codes, with the events it leaves out
// that VisEventCodes has (AfterDocumentMerge, the ReplaceShapes events),
// named as the Application object's events are. The table's own hex
// column is wrong in places (DocumentCloseCanceled &H0010 for 10); the
// decimal codes are those of the constants.
constexpr std::array kCodes = std::to_array<TVisioEventCode>({
    {14, "AfterDocumentMerge", "visEvtCodeAfterCoauthMerge"},
    {Of(visEvtApp, 64), "AfterModal", "visEvtApp+visEvtAfterModal"},
    {11, "AfterRemoveHiddenInformation", "visEvtRemoveHiddenInformation"},
    {914, "AfterReplaceShapes", "visEvtCodeShapesReplaced"},
    {209, "AfterResume", "visEvtCodeAfterResume"},
    {213, "AfterResumeEvents", "visEvtCodeAfterResumeEvents"},
    {Of(visEvtApp, 1), "AppActivated", "visEvtApp+visEvtAppActivate"},
    {Of(visEvtApp, 2), "AppDeactivated", "visEvtApp+visEvtAppDeactivate"},
    {Of(visEvtApp, 4), "AppObjActivated", "visEvtApp+visEvtObjActivate"},
    {Of(visEvtApp, 8), "AppObjDeactivated", "visEvtApp+visEvtObjDeactivate"},
    {Of(visEvtDel, visEvtDataRecordset), "BeforeDataRecordsetDelete",
     "visEvtDel+visEvtDataRecordset"},
    {Of(visEvtDel, visEvtDoc), "BeforeDocumentClose", "visEvtDel+visEvtDoc"},
    {7, "BeforeDocumentSave", "visEvtCodeBefDocSave"},
    {8, "BeforeDocumentSaveAs", "visEvtCodeBefDocSaveAs"},
    {Of(visEvtDel, visEvtMaster), "BeforeMasterDelete", "visEvtDel+visEvtMaster"},
    {Of(visEvtApp, 32), "BeforeModal", "visEvtApp+visEvtBeforeModal"},
    {Of(visEvtDel, visEvtPage), "BeforePageDelete", "visEvtDel+visEvtPage"},
    {Of(visEvtApp, 16), "BeforeQuit", "visEvtApp+visEvtBeforeQuit"},
    {913, "BeforeReplaceShapes", "visEvtCodeBeforeReplaceShapes"},
    {901, "BeforeSelectionDelete", "visEvtCodeBefSelDel"},
    {Of(visEvtDel, visEvtShape), "BeforeShapeDelete", "visEvtDel+visEvtShape"},
    {803, "BeforeShapeTextEdit", "visEvtCodeShapeBeforeTextEdit"},
    {Of(visEvtDel, visEvtStyle), "BeforeStyleDelete", "visEvtDel+visEvtStyle"},
    {208, "BeforeSuspend", "visEvtCodeBeforeSuspend"},
    {212, "BeforeSuspendEvents", "visEvtCodeBeforeSuspendEvents"},
    {Of(visEvtDel, visEvtWindow), "BeforeWindowClosed", "visEvtDel+visEvtWindow"},
    {703, "BeforeWindowPageTurn", "visEvtCodeBefWinPageTurn"},
    {702, "BeforeWindowSelDelete", "visEvtCodeBefWinSelDel"},
    {504, "CalloutRelationshipAdded", "visEvtCodeCalloutRelationshipAdded"},
    {505, "CalloutRelationshipDeleted", "visEvtCodeCalloutRelationshipDeleted"},
    {Of(visEvtMod, visEvtCell), "CellChanged", "visEvtMod+visEvtCell"},
    {Of(visEvtAdd, visEvtConnect), "ConnectionsAdded", "visEvtAdd+visEvtConnect"},
    {Of(visEvtDel, visEvtConnect), "ConnectionsDeleted", "visEvtDel+visEvtConnect"},
    {502, "ContainerRelationshipAdded", "visEvtCodeContainerRelationshipAdded"},
    {503, "ContainerRelationshipDeleted", "visEvtCodeContainerRelationshipDeleted"},
    {908, "ConvertToGroupCanceled", "visEvtCodeCancelConvertToGroup"},
    {Of(visEvtAdd, visEvtDataRecordset), "DataRecordsetAdded", "visEvtAdd+visEvtDataRecordset"},
    {Of(visEvtMod, visEvtDataRecordset), "DataRecordsetChanged", "visEvtMod+visEvtDataRecordset"},
    {6, "DesignModeEntered", "visEvtCodeDocDesign"},
    {Of(visEvtAdd, visEvtDoc), "DocumentAdded", "visEvtAdd+visEvtDoc"},
    {Of(visEvtMod, visEvtDoc), "DocumentChanged", "visEvtMod+visEvtDoc"},
    {10, "DocumentCloseCanceled", "visEvtCodeCancelDocClose"},
    {1, "DocumentCreated", "visEvtCodeDocCreate"},
    {2, "DocumentOpened", "visEvtCodeDocOpen"},
    {3, "DocumentSaved", "visEvtCodeDocSave"},
    {4, "DocumentSavedAs", "visEvtCodeDocSaveAs"},
    {202, "EnterScope", "visEvtCodeEnterScope"},
    {203, "ExitScope", "visEvtCodeExitScope"},
    {Of(visEvtMod, visEvtFormula), "FormulaChanged", "visEvtMod+visEvtFormula"},
    {910, "GroupCanceled", "visEvtCodeCancelSelGroup"},
    {712, "KeyDown", "visEvtCodeKeyDown"},
    {713, "KeyPress", "visEvtCodeKeyPress"},
    {714, "KeyUp", "visEvtCodeKeyUp"},
    {Of(visEvtApp, 256), "MarkerEvent", "visEvtApp+visEvtMarker"},
    {Of(visEvtAdd, visEvtMaster), "MasterAdded", "visEvtAdd+visEvtMaster"},
    {Of(visEvtMod, visEvtMaster), "MasterChanged", "visEvtMod+visEvtMaster"},
    {401, "MasterDeleteCanceled", "visEvtCodeCancelMasterDel"},
    {709, "MouseDown", "visEvtCodeMouseDown"},
    {710, "MouseMove", "visEvtCodeMouseMove"},
    {711, "MouseUp", "visEvtCodeMouseUp"},
    {200, "MustFlushScopeBeginning", "visEvtCodeBefForcedFlush"},
    {201, "MustFlushScopeEnded", "visEvtCodeAfterForcedFlush"},
    {Of(visEvtApp, 512), "NoEventsPending", "visEvtApp+visEvtNonePending"},
    {708, "OnKeystrokeMessageForAddon", "visEvtCodeWinOnAddonKeyMSG"},
    {Of(visEvtAdd, visEvtPage), "PageAdded", "visEvtAdd+visEvtPage"},
    {Of(visEvtMod, visEvtPage), "PageChanged", "visEvtMod+visEvtPage"},
    {501, "PageDeleteCanceled", "visEvtCodeCancelPageDel"},
    {907, "QueryCancelConvertToGroup", "visEvtCodeQueryCancelConvertToGroup"},
    {9, "QueryCancelDocumentClose", "visEvtCodeQueryCancelDocClose"},
    {909, "QueryCancelGroup", "visEvtCodeQueryCancelSelGroup"},
    {400, "QueryCancelMasterDelete", "visEvtCodeQueryCancelMasterDel"},
    {500, "QueryCancelPageDelete", "visEvtCodeQueryCancelPageDel"},
    {204, "QueryCancelQuit", "visEvtCodeQueryCancelQuit"},
    {911, "QueryCancelReplaceShapes", "visEvtCodeQueryCancelReplaceShapes"},
    {903, "QueryCancelSelectionDelete", "visEvtCodeQueryCancelSelDel"},
    {300, "QueryCancelStyleDelete", "visEvtCodeQueryCancelStyleDel"},
    {206, "QueryCancelSuspend", "visEvtCodeQueryCancelSuspend"},
    {210, "QueryCancelSuspendEvents", "visEvtCodeQueryCancelSuspendEvents"},
    {905, "QueryCancelUngroup", "visEvtCodeQueryCancelUngroup"},
    {706, "QueryCancelWindowClose", "visEvtCodeQueryCancelWinClose"},
    {205, "QuitCanceled", "visEvtCodeCancelQuit"},
    {912, "ReplaceShapesCanceled", "visEvtCodeCancelReplaceShapes"},
    {13, "RuleSetValidated", "visEvtCodeRuleSetValidated"},
    {5, "RunModeEntered", "visEvtCodeDocRunning"},
    {902, "SelectionAdded", "visEvtCodeSelAdded"},
    {701, "SelectionChanged", "visEvtCodeWinSelChange"},
    {904, "SelectionDeleteCanceled", "visEvtCodeCancelSelDel"},
    {12, "SelectionMovedToSubprocess", "visEvtCodeSelectionMovedToSubprocess"},
    {Of(visEvtAdd, visEvtShape), "ShapeAdded", "visEvtAdd+visEvtShape"},
    {Of(visEvtMod, visEvtShape), "ShapeChanged", "visEvtMod+visEvtShape"},
    {807, "ShapeDataGraphicChanged", "visEvtShapeDataGraphicChanged"},
    {804, "ShapeExitedTextEdit", "visEvtCodeShapeExitTextEdit"},
    {805, "ShapeLinkAdded", "visEvtShapeLinkAdded"},
    {806, "ShapeLinkDeleted", "visEvtShapeLinkDeleted"},
    {802, "ShapeParentChanged", "visEvtCodeShapeParentChange"},
    {801, "ShapesDeleted", "visEvtCodeShapeDelete"},
    {Of(visEvtAdd, visEvtStyle), "StyleAdded", "visEvtAdd+visEvtStyle"},
    {Of(visEvtMod, visEvtStyle), "StyleChanged", "visEvtMod+visEvtStyle"},
    {301, "StyleDeleteCanceled", "visEvtCodeCancelStyleDel"},
    {207, "SuspendCanceled", "visEvtCodeCancelSuspend"},
    {211, "SuspendEventsCanceled", "visEvtCodeCancelSuspendEvents"},
    {Of(visEvtMod, visEvtText), "TextChanged", "visEvtMod+visEvtText"},
    {906, "UngroupCanceled", "visEvtCodeCancelUngroup"},
    {705, "ViewChanged", "visEvtCodeViewChanged"},
    {Of(visEvtApp, 1024), "VisioIsIdle", "visEvtApp+visEvtIdle"},
    {Of(visEvtApp, 128), "WindowActivated", "visEvtApp+visEvtWinActivate"},
    {Of(visEvtMod, visEvtWindow), "WindowChanged", "visEvtMod+visEvtWindow"},
    {707, "WindowCloseCanceled", "visEvtCodeCancelWinClose"},
    {Of(visEvtAdd, visEvtWindow), "WindowOpened", "visEvtAdd+visEvtWindow"},
    {704, "WindowTurnedToPage", "visEvtCodeWinPageTurn"},
});

constexpr std::string_view kDefaultNames[] = {
    "CellChanged",     "ShapeChanged",        "ShapeAdded",       "BeforeShapeDelete",
    "TextChanged",     "PageAdded",           "PageChanged",      "BeforePageDelete",
    "DocumentCreated", "DocumentOpened",      "DocumentSaved",    "DocumentSavedAs",
    "DocumentChanged", "BeforeDocumentClose", "SelectionChanged",
};

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

}  // namespace

std::span<const TVisioEventCode> VisioEventCodes() {
  return kCodes;
}

std::string_view EventCodeName(std::uint16_t code) {
  for (const TVisioEventCode& entry : kCodes) {
    if (entry.Code == code) return entry.Name;
  }
  return {};
}

std::string EventCodeText(std::uint16_t code) {
  const std::string_view name = EventCodeName(code);
  return name.empty() ? std::to_string(code) : std::string(name);
}

std::optional<std::uint16_t> ParseEventCode(std::string_view text) {
  for (const TVisioEventCode& entry : kCodes) {
    if (SameName(entry.Name, text)) return entry.Code;
  }
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  if (value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::uint16_t>::max() || value == 0) {
    return std::nullopt;
  }
  return EventCodeValue(value);
}

std::vector<std::uint16_t> DefaultMonitorCodes() {
  std::vector<std::uint16_t> codes;
  for (const std::string_view name : kDefaultNames) codes.push_back(*ParseEventCode(name));
  return codes;
}
