// A ShapeSheet cell as an automation object (IVCell). Cells are made by
// their sheet (ShapeSheet::CellObject), one object per cell while a client
// holds it. A cell keeps its shape or style alive, follows its row when
// rows or geometry sections before it come and go, and answers as deleted
// once its row, its section or its host is gone.
#pragma once

#include <optional>

#include "standin/ShapeSheet.h"

namespace standin {

class Cell : public VisioObject {
 public:
  Cell(SheetHost& host, ShapeSheet::CellKey key);
  ~Cell() override;
  const MemberTable& Members() const override;
  void NoteChange() override { host_->HostObject().NoteChange(); }

  SheetHost& Host() const { return *host_; }
  ShapeSheet& Sheet() const { return host_->Sheet(); }
  // Where the cell stands now; nullopt once it is gone.
  std::optional<CellAddress> Where() const;
  // The same, raising "Object has been deleted." once it is gone.
  CellAddress At() const;
  EventList& Events();
  EventList* EventsIfAny() const override { return eventList_.IfAny(); }
  VisioObject* EventParent() const override;
  // Where the cell stands as its sheet has just said (the sheet that made
  // it, or a client that asked): it holds until a sheet changes.
  void Seen(CellAddress at) const;

 private:
  ObjectRef hostRef_;  // keeps the host, and so its sheet, alive
  SheetHost* host_;
  ShapeSheet::CellKey key_;
  // The cell's address and the sheets' generation it was found in: reading
  // a cell's members one after the other finds it once.
  mutable CellAddress seenAt_;
  mutable std::uint64_t seenIn_ = 0;
  EventListSlot eventList_;
};

}  // namespace standin
