#include "tree/PropertyTables.h"

#include <array>
#include <stdexcept>
#include <vector>

#include "lut/Tarvel_TLUT.h"

namespace {

constexpr auto kClassNames = std::to_array<std::string_view>({
#define TARVEL_NODE_CLASS_NAME(cls) #cls,
    TARVEL_NODE_CLASSES(TARVEL_NODE_CLASS_NAME)
#undef TARVEL_NODE_CLASS_NAME
});

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
  return VisInterfaces()[static_cast<std::size_t>(cls) - kFirstVisObjectClass];
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
    return static_cast<std::size_t>(cls) - kFirstVisObjectClass;
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
