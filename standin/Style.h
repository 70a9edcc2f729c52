// Styles: named sheets of line, fill and text settings, each based on
// another style for each of the three.
#pragma once

#include <memory>
#include <string>

#include "standin/Model.h"

namespace standin {

class Style : public VisioObject, public SheetHost {
 public:
  Style(Document& doc, std::string name, std::int16_t id);
  ~Style() override;
  const MemberTable& Members() const override;
  void NoteChange() override;

  Document& doc() const { return *doc_; }
  std::int16_t id() const { return id_; }
  std::int16_t Index() const;
  const std::string& Name() const { return name_; }
  const std::string& NameU() const { return nameU_; }
  // Shapes find their styles by name.
  void SetName(std::string name) {
    name_ = std::move(name);
    SheetsChanged();
  }
  void SetNameU(std::string name) {
    nameU_ = std::move(name);
    SheetsChanged();
  }

  // Based-on styles by name; empty for none ("No Style" is the root).
  void SetBasedOn(std::string line, std::string fill, std::string text);
  Style* LineBasedOn() const;
  Style* FillBasedOn() const;
  Style* TextBasedOn() const;
  bool IncludesLine() const { return includesLine_; }
  bool IncludesFill() const { return includesFill_; }
  bool IncludesText() const { return includesText_; }
  void SetIncludes(bool line, bool fill, bool text) {
    includesLine_ = line;
    includesFill_ = fill;
    includesText_ = text;
  }

  ShapeSheet& Sheet() override { return *sheet_; }
  SheetHost* InheritedSource(std::int16_t section, std::int16_t row) override;
  VisioObject& HostObject() override { return *this; }
  VisioObject* HostDocument() override;
  Kind HostKind() const override { return Kind::Style; }
  EventList& Events();
  EventList* EventsIfAny() const override { return eventList_.IfAny(); }
  VisioObject* EventParent() const override;

 private:
  Document* doc_;
  std::string name_;
  std::string nameU_;
  std::int16_t id_;
  std::string lineBasedOn_, fillBasedOn_, textBasedOn_;
  bool includesLine_ = true, includesFill_ = true, includesText_ = true;
  std::unique_ptr<ShapeSheet> sheet_;
  EventListSlot eventList_;
};

// Which of a style's three parts governs a sheet row: 'L', 'F', 'T', or 0
// for rows no style holds.
char StylePartOf(std::int16_t section, std::int16_t row);

}  // namespace standin
