#include "tree/PropertyTables.h"

#include <array>
#include <stdexcept>
#include <vector>

#include "lut/Tarvel_TLUT.h"

namespace {

constexpr std::array<std::string_view, 65> kClassNames = {
    "TND_Smallint",      "TND_Integer",        "TND_WideString",      "TND_Double",
    "TND_OleVariant",    "TND_IDispatch",      "TND_IUnknown",        "TND_Array",
    "TND_CellsSections", "TND_DockedStencils", "TND_IVApplication",   "TND_IVCell",
    "TND_IVCharacters",  "TND_IVConnect",      "TND_IVConnects",      "TND_IVDocument",
    "TND_IVDocuments",   "TND_IVMaster",       "TND_IVMasters",       "TND_IVPage",
    "TND_IVPages",       "TND_IVSelection",    "TND_IVShape",         "TND_IVShapes",
    "TND_IVStyle",       "TND_IVStyles",       "TND_IVWindow",        "TND_IVWindows",
    "TND_IVLayer",       "TND_IVLayers",       "TND_IVFont",          "TND_IVFonts",
    "TND_IVColor",       "TND_IVColors",       "TND_IVAddon",         "TND_IVAddons",
    "TND_IVEvent",       "TND_IVEventList",    "TND_IVMenuItem",      "TND_IVMenuItems",
    "TND_IVMenu",        "TND_IVMenus",        "TND_IVMenuSet",       "TND_IVMenuSets",
    "TND_IVToolbarItem", "TND_IVToolbarItems", "TND_IVToolbar",       "TND_IVToolbars",
    "TND_IVToolbarSet",  "TND_IVToolbarSets",  "TND_IVStatusBarItem", "TND_IVStatusBarItems",
    "TND_IVStatusBar",   "TND_IVStatusBars",   "TND_IVAccelItem",     "TND_IVAccelItems",
    "TND_IVAccelTable",  "TND_IVAccelTables",  "TND_IVUIObject",      "TND_IVHyperlink",
    "TND_IVOLEObjects",  "TND_IVOLEObject",    "TND_IVPaths",         "TND_IVPath",
    "TND_IVCurve"};

constexpr auto kFirstObjectClass = static_cast<std::size_t>(TNodeClass::TND_IVApplication);

}  // namespace

std::string_view NodeClassName(TNodeClass cls) {
  return kClassNames.at(static_cast<std::size_t>(cls));
}

bool IsValueClass(TNodeClass cls) {
  return cls <= TNodeClass::TND_IUnknown;
}

bool IsVisObjectClass(TNodeClass cls) {
  return cls >= TNodeClass::TND_IVApplication;
}

const TLUT* TLUTRef::Resolve(const TLUT* makerValueLUT) const {
  switch (kind_) {
    case Kind::None:
      return nullptr;
    case Kind::Catalogue:
      return *global_;
    case Kind::TrueFalse:
      return &TheLUT_TrueFalse();
    case Kind::Hex:
      return &TheLUT_Hex();
    case Kind::MakerValueLUT:
      return makerValueLUT;
  }
  return nullptr;
}

const TVisInterface& VisInterfaceOf(TNodeClass cls) {
  if (!IsVisObjectClass(cls)) throw std::invalid_argument("not a Visio object class");
  return VisInterfaces()[static_cast<std::size_t>(cls) - kFirstObjectClass];
}

namespace {

// Per interface, the rows by PropIndex, so that a parent finds a child's row
// without a search.
class TRowIndex {
 public:
  TRowIndex() {
    for (const TVisInterface& visInterface : VisInterfaces()) {
      std::vector<const TPropRow*>& byIndex = rows_[Position(visInterface.Class)];
      for (const TPropRow& row : visInterface.Rows) {
        const auto at = static_cast<std::size_t>(row.PropIndex);
        if (byIndex.size() <= at) byIndex.resize(at + 1, nullptr);
        byIndex[at] = &row;
      }
    }
  }

  const TPropRow* Find(TNodeClass cls, std::int32_t propIndex) const {
    const std::vector<const TPropRow*>& byIndex = rows_[Position(cls)];
    if (propIndex < 0 || static_cast<std::size_t>(propIndex) >= byIndex.size()) return nullptr;
    return byIndex[static_cast<std::size_t>(propIndex)];
  }

 private:
  static std::size_t Position(TNodeClass cls) {
    return static_cast<std::size_t>(cls) - kFirstObjectClass;
  }

  std::array<std::vector<const TPropRow*>, kVisInterfaceCount> rows_;
};

}  // namespace

const TPropRow* FindRow(const TVisInterface& visInterface, std::int32_t propIndex) {
  static const TRowIndex index;
  return index.Find(visInterface.Class, propIndex);
}

const TElementRow* FindElements(const TVisInterface& visInterface, std::string_view arrayName) {
  for (const TElementRow& elements : visInterface.Elements) {
    if (elements.Array == arrayName) return &elements;
  }
  return nullptr;
}

std::string_view VisioPropertyName(const TPropRow& row) {
  std::string_view name = row.Name;
  if (name.ends_with('_')) name.remove_suffix(1);
  return name;
}
