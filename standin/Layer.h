// Layers of a page or master, and the Layers collections of pages, masters
// and shapes.
#pragma once

#include <string>
#include <vector>

#include "standin/Model.h"

namespace standin {

class DrawingSurface;

// A layer is a row of its surface sheet's Layer section; it knows its
// surface and finds its row by position in the surface's list.
class Layer : public VisioObject {
 public:
  explicit Layer(DrawingSurface& surface);
  const MemberTable& Members() const override;
  void NoteChange() override;

  DrawingSurface& surface() const { return *surface_; }
  std::int16_t Index() const;  // 1-based
  std::int16_t Row() const { return static_cast<std::int16_t>(Index() - 1); }
  std::string Name() const;
  std::string NameU() const;
  EventList& Events();

 private:
  DrawingSurface* surface_;
  EventListSlot eventList_;
};

// The layers of a surface, or of one shape (its layer membership).
class LayersCollection : public VisioObject {
 public:
  LayersCollection(DrawingSurface& surface, std::vector<Ref<Layer>> layers);
  const MemberTable& Members() const override;
  void NoteChange() override;

 private:
  DrawingSurface* surface_;
  Ref<VisioObject> keepAlive_;
  std::vector<Ref<Layer>> layers_;
  EventListSlot eventList_;
};

// The layer indices (0-based) a shape belongs to, from its LayerMember
// cell ("0;2").
std::vector<int> ParseLayerMember(const std::string& value);

}  // namespace standin
