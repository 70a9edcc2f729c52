// A document's colour table: the Colors collection and its Color objects.
// Every document starts with Visio's 24 default colours, numbered from 0;
// a drawing's own colours follow them.
#pragma once

#include <cstdint>
#include <vector>

#include "standin/Model.h"

namespace standin {

class Colors;

class Color final : public VisioObject {
 public:
  Color(Colors& list, std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t flags);
  const MemberTable& Members() const override;

  Colors& list() const { return *list_; }
  std::uint8_t Red() const { return red_; }
  std::uint8_t Green() const { return green_; }
  std::uint8_t Blue() const { return blue_; }
  std::uint8_t Flags() const { return flags_; }
  void Set(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t flags);
  // A Windows PALETTEENTRY read as one 32-bit number: red in the low byte,
  // then green, blue and the flags.
  std::int32_t PaletteEntry() const;

 private:
  Colors* list_;
  std::uint8_t red_;
  std::uint8_t green_;
  std::uint8_t blue_;
  std::uint8_t flags_;
};

class Colors final : public VisioObject {
 public:
  // document: the IVDocument the colours belong to; it must mark this
  // collection deleted when it closes.
  Colors(SessionPtr session, VisioObject* document);
  ~Colors() override;
  const MemberTable& Members() const override;
  void MarkDeleted() override;

  VisioObject* Document() const { return document_; }
  const std::vector<Ref<Color>>& Items() const { return items_; }
  // For the drawing loader: a colour of the file's colour table, after
  // the ones already there. Returns its index.
  std::int16_t AddColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                        std::uint8_t flags = 0);
  // For the drawing loader: a file that redefines an entry.
  void SetColor(std::int16_t index, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                std::uint8_t flags = 0);
  std::int16_t IndexOf(const Color& color) const;  // 0-based

 private:
  VisioObject* document_;
  std::vector<Ref<Color>> items_;
};

// A new document's colours: Visio's 24 defaults, black to 90% gray.
Ref<Colors> MakeColors(const SessionPtr& session, VisioObject* document);

}  // namespace standin
