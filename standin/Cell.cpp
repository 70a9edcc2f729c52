#include "standin/Cell.h"

#include <cmath>
#include <limits>

#include "standin/Events.h"

namespace standin {

namespace {

// The text Visio shows for a cell whose formula failed.
std::string ErrorText(std::int16_t error) {
  switch (error) {
    case visErrorDivideByZero:
      return "#DIV/0!";
    case visErrorValue:
      return "#VALUE!";
    case visErrorReference:
      return "#REF!";
    case visErrorName:
      return "#NAME?";
    case visErrorNumber:
      return "#NUM!";
    case visErrorNotAvailable:
      return "#N/A";
    default:
      return "";
  }
}

bool IsConstantFormula(const std::string& f) {
  if (f.empty() || automation::NamesEqual(f, "TRUE") || automation::NamesEqual(f, "FALSE"))
    return true;
  if (f.size() >= 2 && f.front() == '"' && f.back() == '"') {
    // One string literal, its inner quotes doubled.
    for (std::size_t i = 1; i + 1 < f.size(); ++i) {
      if (f[i] != '"') continue;
      if (i + 2 < f.size() && f[i + 1] == '"') {
        ++i;
        continue;
      }
      return false;
    }
    return true;
  }
  return ParseConstant(f).has_value();
}

Variant ObjectOrNothing(VisioObject* o) {
  return o ? Variant(ObjectRef(o)) : Variant(ObjectRef());
}

// The ID of the page or master that holds the shape, asked of the shape
// itself; -1 when there is none (a style, a page's own sheet).
Variant ContainingId(Cell& c, const char* member) {
  if (c.Host().HostKind() == SheetHost::Kind::Style) return I4(-1);
  try {
    const ObjectRef container = ObjectRef(&c.Host().HostObject()).Get(member).ToObject();
    return I4(container ? container.Get("ID").ToInt32() : -1);
  } catch (const automation::AutomationError&) {
    return I4(-1);  // a host that stands on no page or master
  }
}

// The cell a formula or value comes from: the cell itself when it is its
// own.
Variant SourceCell(Cell& c, const std::optional<ShapeSheet::CellSource>& source) {
  if (!source) return Ref<Cell>(&c);
  return source->host->Sheet().CellObject(source->at.section, source->at.row, source->at.column);
}

// Members of a cell whose row is gone raise as members of deleted objects
// do; f gets the cell's present address.
template <class F>
auto Live(F f) {
  return [f](Cell& c, Args a) {
    // A read asks the sheet more than once (where the cell is now, then
    // what it holds), and changes nothing: the asks share what the sheet
    // works out.
    const ShapeSheet::Batch batch;
    return f(c, c.At(), a);
  };
}
template <class P>
auto LivePut(P p) {
  // A write also needs a document that takes changes.
  return [p](Cell& c, Args a, const Variant& v) {
    const CellAddress at = c.At();
    CheckWritable(c.Host());
    p(c, at, a, v);
  };
}
// A write of the cell's formula or value (a result is written as a
// formula): FormulaChanged, then CellChanged, the cell as source and
// subject.
template <class P>
auto CellWrite(P p) {
  return LivePut([p](Cell& c, CellAddress at, Args a, const Variant& v) {
    p(c, at, a, v);
    for (const std::int16_t code : {visEvtFormulaChanged, visEvtCellChanged}) {
      if (MayFire(c, code)) RaiseEvent(c, code, Ref<Cell>(&c));
    }
  });
}

Variant ResultOf(Cell& c, CellAddress at, Args a) {
  CheckArgCount(a, 1, 1);
  const std::int16_t unit = UnitArg(a[0]);
  const CellValue v = c.Sheet().Value(at.section, at.row, at.column);
  if (v.isString) return Variant(0.0);
  return Variant(FromIU(v.result, v.unit, unit));
}

void WriteResult(Cell& c, CellAddress at, Args a, double v, bool force) {
  CheckArgCount(a, 1, 1);
  c.Sheet().SetResultIn(at.section, at.row, at.column, v, UnitArg(a[0]), force);
}

void WriteResultIU(Cell& c, CellAddress at, const Variant& v, bool force) {
  c.Sheet().SetResultIn(at.section, at.row, at.column, v.ToDouble(), visNumber, force);
}

void WriteFormula(Cell& c, CellAddress at, const Variant& v, bool force) {
  c.Sheet().SetFormula(at.section, at.row, at.column, v.ToString(), force);
}

Variant ResultStrOf(Cell& c, CellAddress at, Args a) {
  CheckArgCount(a, 1, 1);
  const std::int16_t unit = UnitArg(a[0]);
  ShapeSheet& sheet = c.Sheet();
  const CellValue v = sheet.Value(at.section, at.row, at.column);
  if (v.error != 0) return Variant(ErrorText(v.error));
  if (v.isString) return Variant(v.text);
  const bool truth = v.isBool || sheet.KindOf(at.section, at.row, at.column) == CellKind::Bool;
  if (truth && unit == visNoCast) return Variant(v.result != 0 ? "TRUE" : "FALSE");
  return Variant(FormatResult(v.result, v.unit, unit));
}

Variant ResultIntOf(Cell& c, CellAddress at, Args a) {
  CheckArgCount(a, 1, 2);
  const bool round = !HasArg(a, 1) || ArgI2(a, 1) != visTruncate;
  const double v = ResultOf(c, at, a.first(1)).ToDouble();
  const double whole = round ? std::round(v) : std::trunc(v);
  if (!(whole >= std::numeric_limits<std::int32_t>::min() &&
        whole <= std::numeric_limits<std::int32_t>::max())) {
    throw automation::AutomationError(automation::DISP_E_OVERFLOW);
  }
  return I4(static_cast<std::int32_t>(whole));
}

}  // namespace

Cell::Cell(SheetHost& host, ShapeSheet::CellKey key)
    : VisioObject(host.HostObject().session()),
      hostRef_(&host.HostObject()),
      host_(&host),
      key_(key) {}

Cell::~Cell() {
  host_->Sheet().Forget(key_, this);
  eventList_.MarkDeleted();
}

std::optional<CellAddress> Cell::Where() const {
  if (host_->HostObject().IsDeleted()) return std::nullopt;
  if (seenIn_ != 0 && seenIn_ == SheetsGeneration()) return seenAt_;
  auto at = host_->Sheet().Locate(key_);
  if (at) Seen(*at);
  return at;
}

void Cell::Seen(CellAddress at) const {
  seenAt_ = at;
  seenIn_ = SheetsGeneration();
}

CellAddress Cell::At() const {
  auto at = Where();
  if (!at) ThrowVisio(VisioErrorKind::ObjectDeleted);
  return *at;
}

VisioObject* Cell::EventParent() const {
  return &host_->HostObject();
}

EventList& Cell::Events() {
  return eventList_.Get(*this);
}

const MemberTable& Cell::Members() const {
  static const auto table = [] {
    MemberTableBuilder<Cell> b("IVCell", Guid{});
    b.Get("Application", Live([](Cell& c, CellAddress, Args a) {
            CheckArgCount(a, 0, 0);
            return ApplicationRef(c);
          }))
        .Get("Column", Live([](Cell&, CellAddress at, Args a) {
               CheckArgCount(a, 0, 0);
               return I2(at.column);
             }))
        .Get("ContainingMasterID", Live([](Cell& c, CellAddress, Args a) {
               CheckArgCount(a, 0, 0);
               return ContainingId(c, "ContainingMaster");
             }))
        .Get("ContainingPageID", Live([](Cell& c, CellAddress, Args a) {
               CheckArgCount(a, 0, 0);
               return ContainingId(c, "ContainingPage");
             }))
        .Get("Document", Live([](Cell& c, CellAddress, Args a) {
               CheckArgCount(a, 0, 0);
               return ObjectOrNothing(c.Host().HostDocument());
             }))
        .Get("Error", Live([](Cell& c, CellAddress at, Args a) {
               CheckArgCount(a, 0, 0);
               return I2(c.Sheet().Value(at.section, at.row, at.column).error);
             }))
        .Get("EventList", Live([](Cell& c, CellAddress, Args a) {
               CheckArgCount(a, 0, 0);
               return Ref<EventList>(&c.Events());
             }))
        .Prop("Formula", Live([](Cell& c, CellAddress at, Args a) {
                CheckArgCount(a, 0, 0);
                return c.Sheet().Formula(at.section, at.row, at.column);
              }),
              CellWrite([](Cell& c, CellAddress at, Args a, const Variant& v) {
                CheckArgCount(a, 0, 0);
                WriteFormula(c, at, v, false);
              }))
        .Put("FormulaForce", CellWrite([](Cell& c, CellAddress at, Args a, const Variant& v) {
               CheckArgCount(a, 0, 0);
               WriteFormula(c, at, v, true);
             }))
        .Put("FormulaForceU", CellWrite([](Cell& c, CellAddress at, Args a, const Variant& v) {
               CheckArgCount(a, 0, 0);
               WriteFormula(c, at, v, true);
             }))
        .Prop("FormulaU", Live([](Cell& c, CellAddress at, Args a) {
                CheckArgCount(a, 0, 0);
                return c.Sheet().Formula(at.section, at.row, at.column);
              }),
              CellWrite([](Cell& c, CellAddress at, Args a, const Variant& v) {
                CheckArgCount(a, 0, 0);
                WriteFormula(c, at, v, false);
              }))
        .Get("IsConstant", Live([](Cell& c, CellAddress at, Args a) {
               CheckArgCount(a, 0, 0);
               return VisBool(IsConstantFormula(c.Sheet().Formula(at.section, at.row, at.column)));
             }))
        .Get("InheritedFormulaSource", Live([](Cell& c, CellAddress at, Args a) {
               CheckArgCount(a, 0, 0);
               return SourceCell(c, c.Sheet().FormulaSource(at.section, at.row, at.column));
             }))
        .Get("InheritedValueSource", Live([](Cell& c, CellAddress at, Args a) {
               CheckArgCount(a, 0, 0);
               return SourceCell(c, c.Sheet().ValueSource(at.section, at.row, at.column));
             }))
        .Get("IsInherited", Live([](Cell& c, CellAddress at, Args a) {
               CheckArgCount(a, 0, 0);
               return VisBool(c.Sheet().IsInherited(at.section, at.row, at.column));
             }))
        .Get("LocalName", Live([](Cell& c, CellAddress at, Args a) {
               CheckArgCount(a, 0, 0);
               return c.Sheet().CellName(at.section, at.row, at.column);
             }))
        .Get("Name", Live([](Cell& c, CellAddress at, Args a) {
               CheckArgCount(a, 0, 0);
               return c.Sheet().CellName(at.section, at.row, at.column);
             }))
        .Get("ObjectType", Live([](Cell&, CellAddress, Args a) {
               CheckArgCount(a, 0, 0);
               return I2(static_cast<int>(ObjType::Cell));
             }))
        .Get("PersistsEvents", Live([](Cell&, CellAddress, Args a) {
               CheckArgCount(a, 0, 0);
               return VisBool(false);
             }))
        .Prop("Result", Live(ResultOf),
              CellWrite([](Cell& c, CellAddress at, Args a, const Variant& v) {
                WriteResult(c, at, a, v.ToDouble(), false);
              }))
        .Put("ResultForce", CellWrite([](Cell& c, CellAddress at, Args a, const Variant& v) {
               WriteResult(c, at, a, v.ToDouble(), true);
             }))
        .Put("ResultFromInt", CellWrite([](Cell& c, CellAddress at, Args a, const Variant& v) {
               WriteResult(c, at, a, v.ToInt32(), false);
             }))
        .Put("ResultFromIntForce", CellWrite([](Cell& c, CellAddress at, Args a, const Variant& v) {
               WriteResult(c, at, a, v.ToInt32(), true);
             }))
        .Get("ResultInt", Live(ResultIntOf))
        .Prop("ResultIU", Live([](Cell& c, CellAddress at, Args a) {
                CheckArgCount(a, 0, 0);
                return Variant(c.Sheet().ResultIU(at.section, at.row, at.column));
              }),
              CellWrite([](Cell& c, CellAddress at, Args a, const Variant& v) {
                CheckArgCount(a, 0, 0);
                WriteResultIU(c, at, v, false);
              }))
        .Put("ResultIUForce", CellWrite([](Cell& c, CellAddress at, Args a, const Variant& v) {
               CheckArgCount(a, 0, 0);
               WriteResultIU(c, at, v, true);
             }))
        .Get("ResultStr", Live(ResultStrOf))
        .Prop("RowName", Live([](Cell& c, CellAddress at, Args a) {
                CheckArgCount(a, 0, 0);
                return c.Sheet().RowName(at.section, at.row);
              }),
              LivePut([](Cell& c, CellAddress at, Args a, const Variant& v) {
                CheckArgCount(a, 0, 0);
                c.Sheet().SetRowName(at.section, at.row, v.ToString());
              }))
        .Prop("RowNameU", Live([](Cell& c, CellAddress at, Args a) {
                CheckArgCount(a, 0, 0);
                return c.Sheet().RowName(at.section, at.row);
              }),
              LivePut([](Cell& c, CellAddress at, Args a, const Variant& v) {
                CheckArgCount(a, 0, 0);
                c.Sheet().SetRowName(at.section, at.row, v.ToString());
              }))
        .Get("Row", Live([](Cell&, CellAddress at, Args a) {
               CheckArgCount(a, 0, 0);
               return I2(at.row);
             }))
        .Get("Section", Live([](Cell&, CellAddress at, Args a) {
               CheckArgCount(a, 0, 0);
               return I2(at.section);
             }))
        .Get("Shape", Live([](Cell& c, CellAddress, Args a) {
               CheckArgCount(a, 0, 0);
               const bool style = c.Host().HostKind() == SheetHost::Kind::Style;
               return ObjectOrNothing(style ? nullptr : &c.Host().HostObject());
             }))
        .Get("Stat", [](Cell& c) { return I2(c.Where() ? kStatNormal : kStatDeleted); })
        .Get("Style", Live([](Cell& c, CellAddress, Args a) {
               CheckArgCount(a, 0, 0);
               const bool style = c.Host().HostKind() == SheetHost::Kind::Style;
               return ObjectOrNothing(style ? &c.Host().HostObject() : nullptr);
             }))
        .Method("Trigger", Live([](Cell&, CellAddress, Args a) {
                  CheckArgCount(a, 0, 0);
                  return Variant();
                }))
        .Get("Units", Live([](Cell& c, CellAddress at, Args a) {
               CheckArgCount(a, 0, 0);
               return I2(c.Sheet().Value(at.section, at.row, at.column).unit);
             }));
    return b.Build();
  }();
  return *table;
}

}  // namespace standin
