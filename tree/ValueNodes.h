// Leaf nodes that show one property value, one class per automation type so
// that windows can tell by class what may be viewed and edited; and the
// array node, whose children are the elements of a property that takes an
// index.
#pragma once

#include "tree/NodeData.h"

// The caption every value class shares: name, index, error text and value.
class TND_Value : public TTVNodeData {
 public:
  std::string GetCaption() override;

 protected:
  TND_Value(std::string_view typeLabel, std::string name, std::int32_t propIndex, TTreeModel& tree,
            TTreeItem* parentItem, TTreeItem* insertBefore, std::int16_t index, TAccessKind access,
            TIndexStyle indexStyle, TVisObjSource objSource, TNodeKind nodeKind,
            const TLUT* indexLUT, const TLUT* valueLUT)
      : TTVNodeData(typeLabel, std::move(name), propIndex, tree, parentItem, insertBefore, index,
                    access, indexStyle, objSource, nodeKind, indexLUT, valueLUT) {}
};

// Gives a value class the constructor of the node contract, taking the
// class's TypeLabel from kTypeLabel.
template <class Derived>
class TValueNodeOf : public TND_Value {
 public:
  TValueNodeOf(std::string name, std::int32_t propIndex, TTreeModel& tree, TTreeItem* parentItem,
               TTreeItem* insertBefore, std::int16_t index, TAccessKind access,
               TIndexStyle indexStyle, TVisObjSource objSource, TNodeKind nodeKind,
               const TLUT* indexLUT, const TLUT* valueLUT)
      : TND_Value(Derived::kTypeLabel, std::move(name), propIndex, tree, parentItem, insertBefore,
                  index, access, indexStyle, objSource, nodeKind, indexLUT, valueLUT) {}
};

// 16-bit integers, Visio's booleans among them.
class TND_Smallint final : public TValueNodeOf<TND_Smallint> {
 public:
  static constexpr std::string_view kTypeLabel = "Smallint";
  using TValueNodeOf::TValueNodeOf;
};

class TND_Integer final : public TValueNodeOf<TND_Integer> {
 public:
  static constexpr std::string_view kTypeLabel = "Integer";
  using TValueNodeOf::TValueNodeOf;
};

class TND_WideString final : public TValueNodeOf<TND_WideString> {
 public:
  static constexpr std::string_view kTypeLabel = "WideString";
  using TValueNodeOf::TValueNodeOf;
};

class TND_Double final : public TValueNodeOf<TND_Double> {
 public:
  static constexpr std::string_view kTypeLabel = "Double";
  using TValueNodeOf::TValueNodeOf;
};

class TND_OleVariant final : public TValueNodeOf<TND_OleVariant> {
 public:
  static constexpr std::string_view kTypeLabel = "OleVariant";
  using TValueNodeOf::TValueNodeOf;
};

// A dispatch reference the tree does not follow.
class TND_IDispatch final : public TValueNodeOf<TND_IDispatch> {
 public:
  static constexpr std::string_view kTypeLabel = "IDispatch";
  using TValueNodeOf::TValueNodeOf;
};

// An enumerator.
class TND_IUnknown final : public TValueNodeOf<TND_IUnknown> {
 public:
  static constexpr std::string_view kTypeLabel = "IUnknown";
  using TValueNodeOf::TValueNodeOf;
};

// The elements of an indexed property. Requests of the elements pass through
// it unchanged to the object node that owns the property.
class TND_Array final : public TTVNodeData {
 public:
  TND_Array(std::string name, std::int32_t propIndex, TTreeModel& tree, TTreeItem* parentItem,
            TTreeItem* insertBefore, TAccessKind access, TIndexStyle indexStyle,
            TVisObjSource objSource, TNodeKind nodeKind, const TLUT* indexLUT,
            const TLUT* valueLUT);

  void CreateChildren() override;
  // Mode 2 keeps the elements in line with Visio: element i always stands
  // for the same index, new ones are appended and surplus ones trimmed from
  // the end, so the survivors keep their expanded subtrees.
  void Refresh(int mode) override;
  std::string GetCaption() override;
  void RefreshChildVisObject(TTVNodeData& child) override;
  std::string GetChildValueStr(TTVNodeData& child, int maxLength, bool raw) override;
  TSetValueStatus SetChildValueStr(TTVNodeData& child, const std::string& value,
                                   std::string& message) override;
};
