#include "standin/Colors.h"

#include "standin/Collections.h"

namespace standin {

namespace {

// A colour component or palette flag byte: 0..255, else a bad parameter.
std::uint8_t ByteOf(const Variant& v) {
  const std::int16_t n = v.ToInt16();
  if (n < 0 || n > 255) ThrowVisio(VisioErrorKind::InvalidParameter);
  return static_cast<std::uint8_t>(n);
}

std::uint8_t ByteAt(std::uint32_t value, int shift) {
  return static_cast<std::uint8_t>((value >> shift) & 0xFFu);
}

}  // namespace

// ---- Color ----

Color::Color(Colors& list, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
             std::uint8_t flags)
    : VisioObject(list.session()),
      list_(&list),
      red_(red),
      green_(green),
      blue_(blue),
      flags_(flags) {}

void Color::Set(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t flags) {
  red_ = red;
  green_ = green;
  blue_ = blue;
  flags_ = flags;
}

std::int32_t Color::PaletteEntry() const {
  const std::uint32_t v = std::uint32_t{red_} | std::uint32_t{green_} << 8 |
                          std::uint32_t{blue_} << 16 | std::uint32_t{flags_} << 24;
  return static_cast<std::int32_t>(v);
}

const MemberTable& Color::Members() const {
  static const auto table =
      MemberTableBuilder<Color>("IVColor", Guid{})
          .Get("Application", [](Color& c) { return ApplicationRef(c); })
          .Prop(
              "Blue", [](Color& c) { return I2(c.blue_); },
              [](Color& c, const Variant& v) { c.blue_ = ByteOf(v); })
          .Get("Document", [](Color& c) { return Ref<VisioObject>(c.list().Document()); })
          .Prop(
              "Flags", [](Color& c) { return I2(c.flags_); },
              [](Color& c, const Variant& v) { c.flags_ = ByteOf(v); })
          .Prop(
              "Green", [](Color& c) { return I2(c.green_); },
              [](Color& c, const Variant& v) { c.green_ = ByteOf(v); })
          .Get("Index", [](Color& c) { return I2(c.list().IndexOf(c)); })
          .Get("ObjectType", [](Color&) { return I2(static_cast<int>(ObjType::Color)); })
          .Prop(
              "PaletteEntry", [](Color& c) { return I4(c.PaletteEntry()); },
              [](Color& c, const Variant& v) {
                const auto bits = static_cast<std::uint32_t>(v.ToInt32());
                c.Set(ByteAt(bits, 0), ByteAt(bits, 8), ByteAt(bits, 16), ByteAt(bits, 24));
              })
          .Prop(
              "Red", [](Color& c) { return I2(c.red_); },
              [](Color& c, const Variant& v) { c.red_ = ByteOf(v); })
          .Get("Stat", [](Color& c) { return StatOf(c); })
          .Build();
  return *table;
}

// ---- Colors ----

Colors::Colors(SessionPtr session, VisioObject* document)
    : VisioObject(std::move(session)), document_(document) {}

Colors::~Colors() {
  // Colours hold a plain pointer to this collection.
  for (const auto& c : items_) c->MarkDeleted();
}

void Colors::MarkDeleted() {
  VisioObject::MarkDeleted();
  for (const auto& c : items_) c->MarkDeleted();
}

std::int16_t Colors::AddColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                              std::uint8_t flags) {
  items_.push_back(MakeRef<Color>(*this, red, green, blue, flags));
  return static_cast<std::int16_t>(items_.size() - 1);
}

void Colors::SetColor(std::int16_t index, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                      std::uint8_t flags) {
  if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) {
    ThrowVisio(VisioErrorKind::InvalidParameter);
  }
  items_[static_cast<std::size_t>(index)]->Set(red, green, blue, flags);
}

std::int16_t Colors::IndexOf(const Color& color) const {
  return static_cast<std::int16_t>(PositionOf(items_, &color) - 1);
}

const MemberTable& Colors::Members() const {
  static const auto table =
      MemberTableBuilder<Colors>("IVColors", Guid{})
          .Get("Application", [](Colors& l) { return ApplicationRef(l); })
          .Get("Count", [](Colors& l) { return I2(static_cast<int>(l.items_.size())); })
          .Get("Document", [](Colors& l) { return Ref<VisioObject>(l.document_); })
          .Get("Item",
               [](Colors& l, Args a) {
                 CheckArgCount(a, 1, 1);
                 const std::int32_t i = ArgI4(a, 0);
                 if (i < 0 || i >= static_cast<std::int32_t>(l.items_.size())) {
                   ThrowVisio(VisioErrorKind::InvalidParameter);
                 }
                 return Variant(l.items_[static_cast<std::size_t>(i)]);
               })
          .Get("ObjectType", [](Colors&) { return I2(static_cast<int>(ObjType::Colors)); })
          .Get("Stat", [](Colors& l) { return StatOf(l); })
          .Build();
  return *table;
}

Ref<Colors> MakeColors(const SessionPtr& session, VisioObject* document) {
  // Visio's default colours, in the order of its colour table.
  static const std::uint8_t kDefaults[][3] = {
      {0, 0, 0},        // black
      {255, 255, 255},  // white
      {255, 0, 0},      // red
      {0, 255, 0},      // green
      {0, 0, 255},      // blue
      {255, 255, 0},    // yellow
      {255, 0, 255},    // magenta
      {0, 255, 255},    // cyan
      {128, 0, 0},      // dark red
      {0, 128, 0},      // dark green
      {0, 0, 128},      // dark blue
      {128, 128, 0},    // dark yellow
      {128, 0, 128},    // purple
      {0, 128, 128},    // dark cyan
      {192, 192, 192},  // gray
      {230, 230, 230},  // 10% gray
      {205, 205, 205},  // 20% gray
      {179, 179, 179},  // 30% gray
      {154, 154, 154},  // 40% gray
      {128, 128, 128},  // 50% gray
      {102, 102, 102},  // 60% gray
      {77, 77, 77},     // 70% gray
      {51, 51, 51},     // 80% gray
      {26, 26, 26},     // 90% gray
  };
  auto colors = MakeRef<Colors>(session, document);
  for (const auto& rgb : kDefaults) colors->AddColor(rgb[0], rgb[1], rgb[2]);
  return colors;
}

}  // namespace standin
