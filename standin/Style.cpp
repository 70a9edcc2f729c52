#include "standin/Style.h"

#include "standin/Application.h"
#include "standin/Cell.h"
#include "standin/Collections.h"
#include "standin/Document.h"
#include "standin/Events.h"
#include "standin/ShapeSheet.h"

namespace standin {

Style::Style(Document& doc, std::string name, std::int16_t id)
    : VisioObject(doc.session()),
      doc_(&doc),
      name_(name),
      nameU_(std::move(name)),
      id_(id),
      sheet_(std::make_unique<ShapeSheet>(*this)) {}

Style::~Style() = default;

std::int16_t Style::Index() const {
  return PositionOf(doc_->Styles(), this);
}

void Style::SetBasedOn(std::string line, std::string fill, std::string text) {
  lineBasedOn_ = std::move(line);
  fillBasedOn_ = std::move(fill);
  textBasedOn_ = std::move(text);
  SheetsChanged();
}

Style* Style::LineBasedOn() const {
  return lineBasedOn_.empty() ? nullptr : doc_->FindStyle(lineBasedOn_);
}
Style* Style::FillBasedOn() const {
  return fillBasedOn_.empty() ? nullptr : doc_->FindStyle(fillBasedOn_);
}
Style* Style::TextBasedOn() const {
  return textBasedOn_.empty() ? nullptr : doc_->FindStyle(textBasedOn_);
}

char StylePartOf(std::int16_t section, std::int16_t row) {
  if (section == visSectionObject) {
    if (row == visRowLine) return 'L';
    if (row == visRowFill) return 'F';
    if (row == visRowText || row == visRowTextXForm) return 'T';
    return 0;
  }
  if (section == visSectionCharacter || section == visSectionParagraph ||
      section == visSectionTab) {
    return 'T';
  }
  return 0;
}

SheetHost* Style::InheritedSource(std::int16_t section, std::int16_t row) {
  Style* next = nullptr;
  switch (StylePartOf(section, row)) {
    case 'L':
      next = LineBasedOn();
      break;
    case 'F':
      next = FillBasedOn();
      break;
    case 'T':
      next = TextBasedOn();
      break;
    default:
      next = LineBasedOn();
      break;
  }
  // A based-on chain that loops back (a damaged file) ends here.
  return next == this ? nullptr : next;
}

void Style::NoteChange() {
  doc_->Changed(Document::Part::Document);
}

VisioObject* Style::HostDocument() {
  return IsDeleted() ? nullptr : doc_;
}

VisioObject* Style::EventParent() const {
  return &doc_->StylesColl();
}

EventList& Style::Events() {
  return eventList_.Get(*this);
}

namespace {

Variant StyleName(Style* s) {
  return Variant(s ? s->Name() : std::string());
}

Style* StyleNamed(Style& self, const Variant& v) {
  const std::string name = v.ToString();
  if (name.empty()) return nullptr;
  Style* s = self.doc().FindStyle(name);
  if (!s) ThrowVisio(VisioErrorKind::ObjectNameNotFound);
  if (s == &self) ThrowVisio(VisioErrorKind::InvalidParameter);
  return s;
}

}  // namespace

const MemberTable& Style::Members() const {
  static const auto table = [] {
    MemberTableBuilder<Style> b("IVStyle", Guid{});
    b.Get("Application", [](Style& s) { return ApplicationRef(s); })
        .Prop(
            "BasedOn", [](Style& s) { return StyleName(s.LineBasedOn()); },
            [](Style& s, const Variant& v) {
              Style* base = StyleNamed(s, v);
              const std::string name = base ? base->Name() : "";
              s.SetBasedOn(name, name, name);
            })
        .Method("Delete",
                [](Style& s) {
                  if (s.id() <= 3) ThrowVisio(VisioErrorKind::Disabled);  // built-in styles stay
                  s.doc().DeleteStyle(s);
                })
        .Get("Document", [](Style& s) { return Ref<Document>(&s.doc()); })
        .Get("EventList", [](Style& s) { return Ref<EventList>(&s.Events()); })
        .Prop(
            "FillBasedOn", [](Style& s) { return StyleName(s.FillBasedOn()); },
            [](Style& s, const Variant& v) {
              Style* base = StyleNamed(s, v);
              s.SetBasedOn(s.LineBasedOn() ? s.LineBasedOn()->Name() : "", base ? base->Name() : "",
                           s.TextBasedOn() ? s.TextBasedOn()->Name() : "");
            })
        .Get("ID", [](Style& s) { return I2(s.id()); })
        .Prop(
            "IncludesFill", [](Style& s) { return VisBool(s.IncludesFill()); },
            [](Style& s, const Variant& v) {
              s.SetIncludes(s.IncludesLine(), v.ToBool(), s.IncludesText());
            })
        .Prop(
            "IncludesLine", [](Style& s) { return VisBool(s.IncludesLine()); },
            [](Style& s, const Variant& v) {
              s.SetIncludes(v.ToBool(), s.IncludesFill(), s.IncludesText());
            })
        .Prop(
            "IncludesText", [](Style& s) { return VisBool(s.IncludesText()); },
            [](Style& s, const Variant& v) {
              s.SetIncludes(s.IncludesLine(), s.IncludesFill(), v.ToBool());
            })
        .Get("Index", [](Style& s) { return I2(s.Index()); })
        .Prop(
            "LineBasedOn", [](Style& s) { return StyleName(s.LineBasedOn()); },
            [](Style& s, const Variant& v) {
              Style* base = StyleNamed(s, v);
              s.SetBasedOn(base ? base->Name() : "", s.FillBasedOn() ? s.FillBasedOn()->Name() : "",
                           s.TextBasedOn() ? s.TextBasedOn()->Name() : "");
            })
        .Prop(
            "Name", [](Style& s) { return s.Name(); },
            [](Style& s, const Variant& v) {
              const std::string name = v.ToString();
              if (name.empty()) ThrowVisio(VisioErrorKind::InvalidParameter);
              if (Style* other = s.doc().FindStyle(name); other && other != &s) {
                ThrowVisio(VisioErrorKind::InvalidParameter);
              }
              s.SetName(name);
            })
        .Prop(
            "NameU", [](Style& s) { return s.NameU(); },
            [](Style& s, const Variant& v) { s.SetNameU(v.ToString()); })
        .Get("ObjectType", [](Style&) { return I2(static_cast<int>(ObjType::Style)); })
        .Get("PersistsEvents", [](Style&) { return VisBool(true); })
        .Get("Stat", [](Style& s) { return StatOf(s); })
        .Prop(
            "TextBasedOn", [](Style& s) { return StyleName(s.TextBasedOn()); },
            [](Style& s, const Variant& v) {
              Style* base = StyleNamed(s, v);
              s.SetBasedOn(s.LineBasedOn() ? s.LineBasedOn()->Name() : "",
                           s.FillBasedOn() ? s.FillBasedOn()->Name() : "",
                           base ? base->Name() : "");
            });
    AddSheetMembers(b);
    return b.Build();
  }();
  return *table;
}

}  // namespace standin
