#include "standin/Characters.h"

#include <algorithm>
#include <cmath>

#include "standin/Events.h"
#include "standin/ShapeSheet.h"

namespace standin {

namespace {

using RunKind = ShapeText::RunKind;

constexpr std::int16_t visBiasLetVisioChoose = 0, visBiasRight = 2;

// Members raise as a deleted object's do once the shape is gone; f gets
// the clamped range.
template <class F>
auto Live(F f) {
  return [f](Characters& c, Args a) {
    c.CheckAlive();
    return f(c, c.Begin(), c.End(), a);
  };
}

std::int16_t Bias(Args a) {
  CheckArgCount(a, 1, 1);
  const std::int16_t bias = ArgI2(a, 0);
  if (bias < visBiasLetVisioChoose || bias > visBiasRight)
    ThrowVisio(VisioErrorKind::InvalidParameter);
  return bias;
}

// The first field of the range; its formula is its row's Value formula,
// which a client may have changed since.
TextField FirstField(Characters& c, std::int32_t begin, std::int32_t end) {
  const int index = c.Text().FirstFieldIn(begin, end);
  if (index < 0) ThrowVisio(VisioErrorKind::InappropriateTarget);
  TextField f = c.Text().Fields()[static_cast<std::size_t>(index)];
  const ShapeSheet& sheet = c.Host().Sheet();
  if (f.row >= 0 && f.row < sheet.RowCount(visSectionTextField)) {
    // The field's row is what it is: a client or the file may have set its
    // cells since the field was made.
    f.formula = sheet.Formula(visSectionTextField, f.row, visFieldCell);
    const auto number = [&](std::int16_t cell) {
      return static_cast<std::int16_t>(
          std::lround(sheet.Value(visSectionTextField, f.row, cell).result));
    };
    f.category = number(visFieldUICategory);
    f.code = number(visFieldUICode);
    f.format = number(visFieldUIFormat);
  }
  return f;
}

// CharProps and ParaProps: the range's row takes the value, after the
// range is given a row of its own if its row formats other text too.
void ApplyProps(Characters& c, RunKind kind, std::int16_t section, Args a, const Variant& v) {
  CheckArgCount(a, 1, 1);
  c.CheckAlive();
  CheckWritable(c.Host());
  const std::int16_t cell = ArgI2(a, 0);
  ShapeText& text = c.Text();
  ShapeSheet& sheet = c.Host().Sheet();
  if (!FindRowCell(section, 0, cell)) ThrowVisio(VisioErrorKind::InvalidParameter);
  std::int32_t begin = c.Begin(), end = c.End();
  if (kind == RunKind::Para) {
    begin = text.ParagraphAround(begin).first;
    end = text.ParagraphAround(std::max(begin, end - 1)).second;
  }
  if (begin == end && text.CharCount() > 0) return;  // an insertion point formats nothing
  std::int16_t row = text.RowOf(kind, begin, end, visBiasRight);
  const bool whole = begin == 0 && end == text.CharCount();
  if (row < 0 || (!whole && text.RowUsedOutside(kind, row, begin, end))) {
    const std::int16_t from = text.RowOf(kind, begin, begin, visBiasRight);
    const std::int16_t made = sheet.AddRow(section, visRowLast, 0);
    if (sheet.RowExists(section, from, false)) {
      for (const CellDef& def : RowCells(section, 0)) {
        CellValue copy = sheet.Value(section, from, def.column);
        copy.formula = sheet.Formula(section, from, def.column);
        sheet.LoadCell(section, made, def.column, copy);
      }
    }
    text.SetRow(kind, begin, end, made);
    row = made;
  }
  const bool points = section == visSectionCharacter &&
                      (cell == visCharacterSize || cell == visCharacterLetterspace);
  sheet.SetResultIn(section, row, cell, v.ToDouble(), points ? visPoints : visNumber, false);
}

Variant AddField(Characters& c, TextField field) {
  c.CheckAlive();
  CheckWritable(c.Host());
  const std::int32_t at =
      InsertFieldWithRow(c.Text(), c.Host(), c.Begin(), c.End(), std::move(field));
  RefreshFieldValues(c.Text(), c.Host());
  c.SetRange(at, at + 1);
  return Variant();
}

}  // namespace

Characters::Characters(SheetHost& host, ShapeText& text)
    : VisioObject(host.HostObject().session()),
      hostRef_(&host.HostObject()),
      host_(&host),
      text_(&text),
      end_(text.CharCount()) {}

Characters::~Characters() {
  eventList_.MarkDeleted();
}

std::int32_t Characters::Begin() const {
  return std::clamp(begin_, 0, text_->CharCount());
}

std::int32_t Characters::End() const {
  return std::clamp(end_, Begin(), text_->CharCount());
}

void Characters::SetRange(std::int32_t begin, std::int32_t end) {
  begin_ = begin;
  end_ = end;
}

void Characters::CheckAlive() const {
  if (host_->HostObject().IsDeleted()) ThrowVisio(VisioErrorKind::ObjectDeleted);
}

EventList& Characters::Events() {
  return eventList_.Get(*this);
}

Ref<Characters> MakeCharacters(SheetHost& host, ShapeText& text) {
  return MakeRef<Characters>(host, text);
}

const MemberTable& Characters::Members() const {
  using Range = std::int32_t;
  static const auto table = [] {
    MemberTableBuilder<Characters> b("IVCharacters", Guid{});
    b.Method("AddCustomField", Live([](Characters& c, Range, Range, Args a) {
               CheckArgCount(a, 2, 2);
               TextField f;
               f.formula = ArgStr(a, 0);
               f.format = ArgI2(a, 1);
               return AddField(c, std::move(f));
             }))
        .Method("AddCustomFieldU", Live([](Characters& c, Range, Range, Args a) {
                  CheckArgCount(a, 2, 2);
                  TextField f;
                  f.formula = ArgStr(a, 0);
                  f.format = ArgI2(a, 1);
                  return AddField(c, std::move(f));
                }))
        .Method("AddField", Live([](Characters& c, Range, Range, Args a) {
                  CheckArgCount(a, 3, 3);
                  TextField f;
                  f.category = ArgI2(a, 0);
                  f.code = ArgI2(a, 1);
                  f.format = ArgI2(a, 2);
                  f.formula = FieldFormulaOf(f.category, f.code);
                  if (f.formula.empty()) ThrowVisio(VisioErrorKind::InvalidParameter);
                  return AddField(c, std::move(f));
                }))
        .Get("Application", Live([](Characters& c, Range, Range, Args a) {
               CheckArgCount(a, 0, 0);
               return ApplicationRef(c);
             }))
        .Prop("Begin", Live([](Characters&, Range begin, Range, Args a) {
                CheckArgCount(a, 0, 0);
                return I4(begin);
              }),
              [](Characters& c, const Variant& v) {
                c.CheckAlive();
                const std::int32_t begin = v.ToInt32();
                if (begin < 0 || begin > c.Text().CharCount())
                  ThrowVisio(VisioErrorKind::InvalidParameter);
                c.SetRange(begin, std::max(begin, c.End()));
              })
        .Get("CharCount", Live([](Characters&, Range begin, Range end, Args a) {
               CheckArgCount(a, 0, 0);
               return I4(end - begin);
             }))
        .Put("CharProps",
             [](Characters& c, Args a, const Variant& v) {
               ApplyProps(c, RunKind::Char, visSectionCharacter, a, v);
             })
        .Get("CharPropsRow", Live([](Characters& c, Range begin, Range end, Args a) {
               return I2(c.Text().RowOf(RunKind::Char, begin, end, Bias(a)));
             }))
        .Method("Delete", Live([](Characters& c, Range begin, Range end, Args a) {
                  CheckArgCount(a, 0, 0);
                  CheckWritable(c.Host());
                  ReplaceText(c.Text(), c.Host(), begin, end, "");
                  c.SetRange(begin, begin);
                  return Variant();
                }))
        .Get("Document", Live([](Characters& c, Range, Range, Args a) {
               CheckArgCount(a, 0, 0);
               VisioObject* doc = c.Host().HostDocument();
               return doc ? Variant(ObjectRef(doc)) : Variant(ObjectRef());
             }))
        .Prop("End", Live([](Characters&, Range, Range end, Args a) {
                CheckArgCount(a, 0, 0);
                return I4(end);
              }),
              [](Characters& c, const Variant& v) {
                c.CheckAlive();
                const std::int32_t end = v.ToInt32();
                if (end < 0 || end > c.Text().CharCount())
                  ThrowVisio(VisioErrorKind::InvalidParameter);
                c.SetRange(std::min(c.Begin(), end), end);
              })
        .Get("EventList", Live([](Characters& c, Range, Range, Args a) {
               CheckArgCount(a, 0, 0);
               return Ref<EventList>(&c.Events());
             }))
        .Get("FieldCategory", Live([](Characters& c, Range begin, Range end, Args a) {
               CheckArgCount(a, 0, 0);
               return I2(FirstField(c, begin, end).category);
             }))
        .Get("FieldCode", Live([](Characters& c, Range begin, Range end, Args a) {
               CheckArgCount(a, 0, 0);
               return I2(FirstField(c, begin, end).code);
             }))
        .Get("FieldFormat", Live([](Characters& c, Range begin, Range end, Args a) {
               CheckArgCount(a, 0, 0);
               return I2(FirstField(c, begin, end).format);
             }))
        .Get("FieldFormula", Live([](Characters& c, Range begin, Range end, Args a) {
               CheckArgCount(a, 0, 0);
               return FirstField(c, begin, end).formula;
             }))
        .Get("IsField", Live([](Characters& c, Range begin, Range end, Args a) {
               CheckArgCount(a, 0, 0);
               return VisBool(end - begin == 1 && c.Text().FieldIndexAt(begin) >= 0);
             }))
        .Get("ObjectType", Live([](Characters&, Range, Range, Args a) {
               CheckArgCount(a, 0, 0);
               return I2(static_cast<int>(ObjType::Chars));
             }))
        .Put("ParaProps",
             [](Characters& c, Args a, const Variant& v) {
               ApplyProps(c, RunKind::Para, visSectionParagraph, a, v);
             })
        .Get("ParaPropsRow", Live([](Characters& c, Range begin, Range end, Args a) {
               return I2(c.Text().RowOf(RunKind::Para, begin, end, Bias(a)));
             }))
        .Get("PersistsEvents", Live([](Characters&, Range, Range, Args a) {
               CheckArgCount(a, 0, 0);
               return VisBool(false);
             }))
        .Get("RunBegin", Live([](Characters& c, Range begin, Range, Args a) {
               CheckArgCount(a, 1, 1);
               return I4(c.Text().RunAround(ArgI2(a, 0), begin).first);
             }))
        .Get("RunEnd", Live([](Characters& c, Range begin, Range end, Args a) {
               CheckArgCount(a, 1, 1);
               return I4(c.Text().RunAround(ArgI2(a, 0), end > begin ? end - 1 : begin).second);
             }))
        .Get("Shape", Live([](Characters& c, Range, Range, Args a) {
               CheckArgCount(a, 0, 0);
               return ObjectRef(&c.Host().HostObject());
             }))
        .Get("Stat",
             [](Characters& c) {
               return I2(c.Host().HostObject().IsDeleted() ? kStatDeleted : kStatNormal);
             })
        .Get("TabPropsRow", Live([](Characters& c, Range begin, Range end, Args a) {
               return I2(c.Text().RowOf(RunKind::Tab, begin, end, Bias(a)));
             }))
        .Prop("Text", Live([](Characters& c, Range begin, Range end, Args a) {
                CheckArgCount(a, 0, 0);
                RefreshFieldValues(c.Text(), c.Host());
                return Variant(c.Text().ExpandedText(begin, end));
              }),
              [](Characters& c, const Variant& v) {
                c.CheckAlive();
                CheckWritable(c.Host());
                const std::int32_t begin = c.Begin();
                c.SetRange(begin, ReplaceText(c.Text(), c.Host(), begin, c.End(), v.ToString()));
                VisioObject& shape = c.Host().HostObject();
                RaiseEvent(shape, visEvtTextChanged, ObjectRef(&shape));
              })
        .Get("TextAsString", Live([](Characters& c, Range begin, Range end, Args a) {
               CheckArgCount(a, 0, 0);
               RefreshFieldValues(c.Text(), c.Host());
               return c.Text().ExpandedText(begin, end);
             }));
    return b.Build();
  }();
  return *table;
}

}  // namespace standin
