#include "standin/Fonts.h"

#include <algorithm>

#include "standin/Collections.h"

namespace standin {

// ---- Font ----

Font::Font(Fonts& list, std::int16_t id, std::string name, std::int16_t charSet,
           std::int16_t attributes, std::int16_t pitchAndFamily)
    : VisioObject(list.session()),
      list_(&list),
      id_(id),
      name_(std::move(name)),
      charSet_(charSet),
      attributes_(attributes),
      pitchAndFamily_(pitchAndFamily) {}

const MemberTable& Font::Members() const {
  static const auto table =
      MemberTableBuilder<Font>("IVFont", Guid{})
          .Get("Application", [](Font& f) { return ApplicationRef(f); })
          .Get("Attributes", [](Font& f) { return Variant(f.attributes_); })
          .Get("CharSet", [](Font& f) { return Variant(f.charSet_); })
          .Get("Document", [](Font& f) { return Ref<VisioObject>(f.list().Document()); })
          .Get("ID", [](Font& f) { return Variant(f.id_); })
          .Get("Index", [](Font& f) { return I2(f.list().IndexOf(f)); })
          .Get("Name", [](Font& f) { return f.name_; })
          .Get("ObjectType", [](Font&) { return I2(static_cast<int>(ObjType::Font)); })
          .Get("PitchAndFamily", [](Font& f) { return Variant(f.pitchAndFamily_); })
          .Get("Stat", [](Font& f) { return StatOf(f); })
          .Build();
  return *table;
}

// ---- Fonts ----

Fonts::Fonts(SessionPtr session, VisioObject* document)
    : VisioObject(std::move(session)), document_(document) {}

Fonts::~Fonts() {
  // Fonts hold a plain pointer to this collection.
  for (const auto& f : items_) f->MarkDeleted();
}

void Fonts::MarkDeleted() {
  VisioObject::MarkDeleted();
  for (const auto& f : items_) f->MarkDeleted();
}

Font& Fonts::AddFont(const std::string& name, std::int16_t charSet, std::int16_t attributes,
                     std::int16_t pitchAndFamily, std::int16_t id) {
  if (Font* existing = FindByName(name)) return *existing;
  if (id < 0) {
    id = 0;
    for (const auto& f : items_) id = std::max(id, static_cast<std::int16_t>(f->Id() + 1));
  } else if (FindById(id)) {
    ThrowVisio(VisioErrorKind::InvalidParameter);
  }
  items_.push_back(MakeRef<Font>(*this, id, name, charSet, attributes, pitchAndFamily));
  return *items_.back();
}

Font* Fonts::FindByName(const std::string& name) const {
  for (const auto& f : items_) {
    if (automation::NamesEqual(f->Name(), name)) return f.get();
  }
  return nullptr;
}

Font* Fonts::FindById(std::int16_t id) const {
  for (const auto& f : items_) {
    if (f->Id() == id) return f.get();
  }
  return nullptr;
}

std::int16_t Fonts::IndexOf(const Font& font) const {
  return PositionOf(items_, &font);
}

const MemberTable& Fonts::Members() const {
  static const auto table =
      MemberTableBuilder<Fonts>("IVFonts", Guid{})
          .Get("Application", [](Fonts& l) { return ApplicationRef(l); })
          .Get("Count", [](Fonts& l) { return I2(static_cast<int>(l.items_.size())); })
          .Get("Document", [](Fonts& l) { return Ref<VisioObject>(l.document_); })
          .Get("Item",
               [](Fonts& l, Args a) {
                 CheckArgCount(a, 1, 1);
                 // A name that is no font is "Object name not found"; a
                 // number outside 1..Count is a bad parameter.
                 if (a[0].type() == VarType::Bstr) {
                   Font* f = l.FindByName(a[0].ToString());
                   if (!f) ThrowVisio(VisioErrorKind::ObjectNameNotFound);
                   return Variant(Ref<Font>(f));
                 }
                 const std::int32_t i = ArgI4(a, 0);
                 if (i < 1 || i > static_cast<std::int32_t>(l.items_.size())) {
                   ThrowVisio(VisioErrorKind::InvalidParameter);
                 }
                 return Variant(l.items_[static_cast<std::size_t>(i - 1)]);
               })
          .Get("ItemFromID",
               [](Fonts& l, Args a) {
                 CheckArgCount(a, 1, 1);
                 Font* f = l.FindById(ArgI2(a, 0));
                 if (!f) ThrowVisio(VisioErrorKind::InvalidParameter);
                 return Variant(Ref<Font>(f));
               })
          .Get("ObjectType", [](Fonts&) { return I2(static_cast<int>(ObjType::Fonts)); })
          .Get("Stat", [](Fonts& l) { return StatOf(l); })
          .Build();
  return *table;
}

Ref<Fonts> MakeFonts(const SessionPtr& session, VisioObject* document) {
  struct Known {
    const char* name;
    std::int16_t charSet;
    std::int16_t pitchAndFamily;
  };
  static const Known kDefaults[] = {
      {"Arial", kAnsiCharSet, kVariablePitch | kFamilySwiss},
      {"Symbol", kSymbolCharSet, kVariablePitch | kFamilyDecorative},
      {"Wingdings", kSymbolCharSet, kVariablePitch | kFamilyDecorative},
      {"Times New Roman", kAnsiCharSet, kVariablePitch | kFamilyRoman},
      {"Courier New", kAnsiCharSet, kFixedPitch | kFamilyModern},
      {"Calibri", kAnsiCharSet, kVariablePitch | kFamilySwiss},
  };
  auto fonts = MakeRef<Fonts>(session, document);
  for (const Known& k : kDefaults) {
    // Every one of them is a TrueType font.
    fonts->AddFont(k.name, k.charSet, visFontScalable, k.pitchAndFamily);
  }
  return fonts;
}

}  // namespace standin
