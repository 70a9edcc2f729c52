// A shape's hyperlink (IVHyperlink): a row of its Hyperlink section. The
// object follows its row as rows before it come and go, and answers as
// deleted once the row is gone. Its properties read and write the row's
// cells: strings as quoted formulas, NewWindow and IsDefaultLink as
// TRUE/FALSE; a GUARDed cell refuses the write as Cell.Formula does.
#pragma once

#include "standin/Cell.h"

namespace standin {

class Hyperlink : public VisioObject {
 public:
  // Binds to the Hyperlink section's row r of the host.
  Hyperlink(SheetHost& host, std::int16_t row);
  const MemberTable& Members() const override;
  void NoteChange() override { Host().HostObject().NoteChange(); }

  SheetHost& Host() const { return anchor_->Host(); }
  // The row it stands for now; raises "Object has been deleted." once
  // the row or the shape is gone.
  std::int16_t Row() const;
  bool Gone() const { return !anchor_->Where(); }
  std::string Read(std::int16_t column) const;
  // Changes as a client makes them: refused in a read-only document.
  void Write(std::int16_t column, const std::string& formula);
  void Rename(const std::string& name);

 private:
  // The row's first cell: its identity is the row's.
  Ref<Cell> anchor_;
};

// Shape.Hyperlink: the row marked as the default link, else the first
// row; Nothing when the shape has no hyperlink.
Variant HyperlinkOf(SheetHost& host);
// Shape.AddHyperlink: a new row at the end of the section.
Ref<Hyperlink> AddHyperlink(SheetHost& host);

}  // namespace standin
