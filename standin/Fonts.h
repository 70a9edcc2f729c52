// A document's fonts: the Fonts collection and its Font objects. Each font
// has an ID, the number the document's text cells (Char.Font) use for it;
// IDs count from 0 and are independent of the position in the collection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standin/Model.h"

namespace standin {

// visFont... flags of Font.Attributes.
enum FontAttributes : std::int16_t {
  visFontRaster = 16,
  visFontDevice = 32,
  visFontScalable = 64,
};

// Windows' character sets and pitch-and-family values, as fonts report them.
constexpr std::int16_t kAnsiCharSet = 0;
constexpr std::int16_t kSymbolCharSet = 2;
constexpr std::int16_t kFixedPitch = 0x01;
constexpr std::int16_t kVariablePitch = 0x02;
constexpr std::int16_t kFamilyRoman = 0x10;
constexpr std::int16_t kFamilySwiss = 0x20;
constexpr std::int16_t kFamilyModern = 0x30;
constexpr std::int16_t kFamilyDecorative = 0x50;

class Fonts;

class Font final : public VisioObject {
 public:
  Font(Fonts& list, std::int16_t id, std::string name, std::int16_t charSet,
       std::int16_t attributes, std::int16_t pitchAndFamily);
  const MemberTable& Members() const override;

  Fonts& list() const { return *list_; }
  std::int16_t Id() const { return id_; }
  const std::string& Name() const { return name_; }

 private:
  Fonts* list_;
  std::int16_t id_;
  std::string name_;
  std::int16_t charSet_;
  std::int16_t attributes_;
  std::int16_t pitchAndFamily_;
};

class Fonts final : public VisioObject {
 public:
  // document: the IVDocument the fonts belong to; it must mark this
  // collection deleted when it closes.
  Fonts(SessionPtr session, VisioObject* document);
  ~Fonts() override;
  const MemberTable& Members() const override;
  void MarkDeleted() override;

  VisioObject* Document() const { return document_; }
  const std::vector<Ref<Font>>& Items() const { return items_; }
  // For the drawing loader: a font of the document's font table. id -1
  // takes the next free ID. A font of the same name is not added twice:
  // the existing one is returned. An ID in use is "Invalid parameter".
  Font& AddFont(const std::string& name, std::int16_t charSet, std::int16_t attributes,
                std::int16_t pitchAndFamily, std::int16_t id = -1);
  Font* FindByName(const std::string& name) const;  // ignoring letter case
  Font* FindById(std::int16_t id) const;
  std::int16_t IndexOf(const Font& font) const;  // 1-based

 private:
  VisioObject* document_;
  std::vector<Ref<Font>> items_;
};

// The fonts of a new document: the ones every Visio drawing lists.
Ref<Fonts> MakeFonts(const SessionPtr& session, VisioObject* document);

}  // namespace standin
