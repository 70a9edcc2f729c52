#include "standin/Hyperlink.h"

namespace standin {

namespace {

Variant ReadString(Hyperlink& h, std::int16_t column) {
  return Variant(h.Read(column));
}

void WriteString(Hyperlink& h, std::int16_t column, const Variant& v) {
  h.Write(column, QuoteFormula(v.ToString()));
}

bool ReadFlag(Hyperlink& h, std::int16_t column) {
  return h.Host().Sheet().ResultIU(visSectionHyperlink, h.Row(), column) != 0;
}

void WriteFlag(Hyperlink& h, std::int16_t column, const Variant& v) {
  h.Write(column, v.ToBool() ? "TRUE" : "FALSE");
}

void CheckRow(Hyperlink& h) {
  h.Row();
}

}  // namespace

Hyperlink::Hyperlink(SheetHost& host, std::int16_t row)
    : VisioObject(host.HostObject().session()),
      anchor_(host.Sheet().CellObject(visSectionHyperlink, row, visHLinkDescription)) {}

std::int16_t Hyperlink::Row() const {
  return anchor_->At().row;
}

std::string Hyperlink::Read(std::int16_t column) const {
  return Host().Sheet().ResultString(visSectionHyperlink, Row(), column);
}

void Hyperlink::Write(std::int16_t column, const std::string& formula) {
  const std::int16_t row = Row();
  CheckWritable(Host());
  Host().Sheet().SetFormula(visSectionHyperlink, row, column, formula, false);
}

void Hyperlink::Rename(const std::string& name) {
  const std::int16_t row = Row();
  CheckWritable(Host());
  Host().Sheet().SetRowName(visSectionHyperlink, row, name);
}

const MemberTable& Hyperlink::Members() const {
  static const auto table = [] {
    MemberTableBuilder<Hyperlink> b("IVHyperlink", Guid{});
    auto text = [&b](const char* name, std::int16_t column) {
      b.Prop(
          name, [column](Hyperlink& h) { return ReadString(h, column); },
          [column](Hyperlink& h, const Variant& v) { WriteString(h, column, v); });
    };
    text("Address", visHLinkAddress);
    b.Get("Application",
          [](Hyperlink& h) {
            CheckRow(h);
            return ApplicationRef(h);
          })
        .Method("CreateURL",
                [](Hyperlink& h, Args a) {
                  CheckArgCount(a, 0, 1);
                  const std::string sub = h.Read(visHLinkSubAddress);
                  return Variant(h.Read(visHLinkAddress) + (sub.empty() ? "" : "#" + sub));
                })
        .Method("Delete", [](Hyperlink& h) {
          const std::int16_t row = h.Row();
          CheckWritable(h.Host());
          h.Host().Sheet().DeleteRow(visSectionHyperlink, row);
        });
    text("Description", visHLinkDescription);
    b.Get("Document", [](Hyperlink& h) {
      CheckRow(h);
      VisioObject* doc = h.Host().HostDocument();
      return doc ? Variant(ObjectRef(doc)) : Variant(ObjectRef());
    });
    text("ExtraInfo", visHLinkExtraInfo);
    text("Frame", visHLinkFrame);
    b.Prop(
         "IsDefaultLink", [](Hyperlink& h) { return VisBool(ReadFlag(h, visHLinkDefault)); },
         [](Hyperlink& h, const Variant& v) { WriteFlag(h, visHLinkDefault, v); })
        .Prop(
            "Name",
            [](Hyperlink& h) { return h.Host().Sheet().RowName(visSectionHyperlink, h.Row()); },
            [](Hyperlink& h, const Variant& v) { h.Rename(v.ToString()); })
        .Prop(
            "NameU",
            [](Hyperlink& h) { return h.Host().Sheet().RowName(visSectionHyperlink, h.Row()); },
            [](Hyperlink& h, const Variant& v) { h.Rename(v.ToString()); })
        .Prop(
            "NewWindow", [](Hyperlink& h) { return VisBool(ReadFlag(h, visHLinkNewWin)); },
            [](Hyperlink& h, const Variant& v) { WriteFlag(h, visHLinkNewWin, v); })
        .Get("ObjectType",
             [](Hyperlink& h) {
               CheckRow(h);
               return I2(static_cast<int>(ObjType::Hyperlink));
             })
        .Get("Row", [](Hyperlink& h) { return I2(h.Row()); })
        .Get("Shape",
             [](Hyperlink& h) {
               CheckRow(h);
               return ObjectRef(&h.Host().HostObject());
             })
        .Get("Stat", [](Hyperlink& h) { return I2(h.Gone() ? kStatDeleted : kStatNormal); });
    text("SubAddress", visHLinkSubAddress);
    b.Unchanging({"CreateURL"});
    return b.Build();
  }();
  return *table;
}

Variant HyperlinkOf(SheetHost& host) {
  ShapeSheet& sheet = host.Sheet();
  const std::int16_t rows = sheet.RowCount(visSectionHyperlink);
  if (rows == 0) return Variant(ObjectRef());
  std::int16_t chosen = 0;
  for (std::int16_t r = 0; r < rows; ++r) {
    if (sheet.ResultIU(visSectionHyperlink, r, visHLinkDefault) != 0) {
      chosen = r;
      break;
    }
  }
  return Variant(MakeRef<Hyperlink>(host, chosen));
}

Ref<Hyperlink> AddHyperlink(SheetHost& host) {
  const std::int16_t row = host.Sheet().AddRow(visSectionHyperlink, visRowLast, 0);
  return MakeRef<Hyperlink>(host, row);
}

}  // namespace standin
