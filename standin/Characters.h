// A range of a shape's text as an automation object (IVCharacters).
// Shape.Characters makes a new one each time, covering the whole text.
//
// Ranges are clamped to the text as it is when they are used, so a range
// made before the text shrank still answers. Field properties describe the
// first field within the range and raise "Inappropriate target object for
// this action." when there is none; IsField is true only for a range that
// is exactly one field. Format rows (CharPropsRow, ParaPropsRow,
// TabPropsRow) are -1 when the range spans characters of different rows.
// CharProps and ParaProps give the range a row of its own when its row
// also formats other text; character sizes and letter spacing are taken
// in points, other values as the cell's number.
#pragma once

#include "standin/Model.h"
#include "standin/ShapeText.h"

namespace standin {

class Characters : public VisioObject {
 public:
  Characters(SheetHost& host, ShapeText& text);
  ~Characters() override;
  const MemberTable& Members() const override;
  void NoteChange() override { host_->HostObject().NoteChange(); }

  SheetHost& Host() const { return *host_; }
  ShapeText& Text() const { return *text_; }
  // The range, clamped to the present text.
  std::int32_t Begin() const;
  std::int32_t End() const;
  void SetRange(std::int32_t begin, std::int32_t end);
  // Raises "Object has been deleted." once the shape is gone.
  void CheckAlive() const;
  EventList& Events();

 private:
  ObjectRef hostRef_;  // keeps the shape, and so its text, alive
  SheetHost* host_;
  ShapeText* text_;
  std::int32_t begin_ = 0;
  std::int32_t end_ = 0;
  EventListSlot eventList_;
};

// Shape.Characters: the whole text of the shape.
Ref<Characters> MakeCharacters(SheetHost& host, ShapeText& text);

}  // namespace standin
