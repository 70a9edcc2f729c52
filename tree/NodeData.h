// The node data object every tree item carries, and the contract all node
// classes implement. A node never reads its own value: it asks its parent
// node, which holds the Visio object and knows by the child's PropIndex
// which property to call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "automation/Object.h"
#include "tree/Tarvel_Consts.h"
#include "tree/TreeModel.h"
#include "visio/KTVisio_Controller.h"

class TLUT;

// The Index of a node that is no array element.
inline constexpr std::int16_t kNoIndex = -1;

class TTVNodeData {
 public:
  virtual ~TTVNodeData();
  TTVNodeData(const TTVNodeData&) = delete;
  TTVNodeData& operator=(const TTVNodeData&) = delete;

  // ---- the node contract, in slot order ----

  // 0: the node's Visio object as a dispatch reference.
  virtual automation::ObjectRef GetVisObject();
  // 1: a root in another tree standing for the same Visio object, or null.
  virtual TTVNodeData* CopyToTree(TTreeModel& tree);
  // 2: makes the children; the item is expanding.
  virtual void CreateChildren();
  // 3: mode 0 and 1 refresh the node itself, mode 2 also its expanded
  // subtree.
  virtual void Refresh(int mode);
  // 4: the short text identifying an object node's object.
  virtual std::string GetIdentifyingStr();
  // 5: the value as text, read through the parent.
  virtual std::string GetValueStr(int maxLength, bool raw);
  // 6: writes a new value through the parent.
  virtual TSetValueStatus SetValueStr(const std::string& value, std::string& message);
  // 7: re-acquires the Visio object; whether the node has one.
  virtual bool RefreshVisObject();
  // 8: the item text.
  virtual std::string GetCaption();
  // 9: makes all elements of one of this node's array children.
  virtual void CreateArrayChildren(TTVNodeData& array);
  // 10: makes one element under the array and refreshes it.
  virtual void CreateArrayElement(TTVNodeData& array, int index, TTreeItem* insertBefore);
  // 11: reads the property that yields the child's Visio object into it.
  virtual void RefreshChildVisObject(TTVNodeData& child);
  // 12: reads and formats the child's property.
  virtual std::string GetChildValueStr(TTVNodeData& child, int maxLength, bool raw);
  // 13: writes the child's property.
  virtual TSetValueStatus SetChildValueStr(TTVNodeData& child, const std::string& value,
                                           std::string& message);
  // 14
  virtual bool IsVisObjectNode() const;
  // 15: the object's own Index, Section, Row or Column; -1 when none.
  virtual std::int32_t GetIndexValue(TIndexKind kind);
  // 16: the object's Count, RowCount or LayerCount; -1 when none.
  virtual std::int32_t GetCountValue(TCountKind kind);

  // TypeLabel without a leading "IV".
  std::string GetShortTypeName() const;

  // More about the node than its caption, for a tool tip; empty when the
  // caption says all (the tool tip is then the caption).
  virtual std::string GetToolTip();

  // ---- fields ----

  std::string_view TypeLabel;  // fixed per class
  std::string Name;
  std::int32_t PropIndex;  // the key by which the parent serves this node; -1 for a root
  TTreeModel* Tree;
  TTreeItem* TreeNode;
  TTVNodeData* ParentData;  // not owned
  std::int16_t Index;       // -1 when the node is no array element
  TAccessKind Access;
  TIndexStyle IndexStyle;
  TVisObjSource ObjSource;
  TNodeKind NodeKind;
  const TLUT* IndexLUT;  // not owned
  const TLUT* ValueLUT;  // not owned
  std::string ObjErrorStr;
  std::string ValueErrorStr;
  // The value part of the caption JoinCaption last made, without its
  // leading "= ": finding by value reads it instead of asking Visio again.
  std::string CaptionValue;

 protected:
  // Makes the node's item under parentItem (null: a top-level item), before
  // insertBefore when given, else appended; the item owns the node from
  // here on. Nothing is read from Visio: the maker calls Refresh(0) next.
  TTVNodeData(std::string_view typeLabel, std::string name, std::int32_t propIndex,
              TTreeModel& tree, TTreeItem* parentItem, TTreeItem* insertBefore, std::int16_t index,
              TAccessKind access, TIndexStyle indexStyle, TVisObjSource objSource,
              TNodeKind nodeKind, const TLUT* indexLUT, const TLUT* valueLUT);

  // The index text shared by all classes: empty for NoIndex, the number and
  // its constant name for LUT, and "??" for any other style unless
  // `memberStyles` (Item0, Item1 and Layer1 then show the number).
  std::string BaseIndexText(bool memberStyles) const;

  // Name, "[index]" unless the index text is empty, then ObjErrorStr, the
  // identifying part and ValueErrorStr after single blanks, then the value
  // part as it is.
  // Keeps the value part in CaptionValue.
  std::string JoinCaption(std::string_view indexText, std::string_view identifying,
                          std::string_view valuePart);

  // "= " + valueText, or nothing for an empty value text.
  static std::string ValuePart(const std::string& valueText);

  // Whether the item exists and is expanded.
  bool IsExpanded() const;
};

// Makes a node whose item owns it; returns the node.
template <class T, class... A>
T& MakeNode(A&&... args) {
  return *new T(std::forward<A>(args)...);
}
