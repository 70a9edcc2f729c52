// A small shape for the sheet's tests: an automation object with a
// ShapeSheet, a text, and optionally a sheet it inherits from, without
// the rest of the object model.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "standin/Characters.h"
#include "standin/Hyperlink.h"
#include "standin/Paths.h"
#include "standin/ShapeSheet.h"
#include "standin/ShapeText.h"

namespace standin::testing {

using automation::AutomationError;
using automation::HResult;

// A document that is read-only or not.
class TestDocument : public VisioObject {
 public:
  explicit TestDocument(SessionPtr session) : VisioObject(std::move(session)) {}
  const MemberTable& Members() const override {
    static const auto table = MemberTableBuilder<TestDocument>("IVDocument", Guid{})
                                  .Stored("ReadOnly", VisBool(false), true)
                                  .Build();
    return *table;
  }
};

class TestHost : public VisioObject, public SheetHost {
 public:
  TestHost(SessionPtr session, Kind kind, TestHost* source = nullptr)
      : VisioObject(std::move(session)), kind_(kind), source_(source), sheet_(*this) {}

  const MemberTable& Members() const override {
    static const auto table = [] {
      MemberTableBuilder<TestHost> b("IVShape", Guid{});
      b.Get("Characters", [](TestHost& h) { return MakeCharacters(h, h.text); })
          .Get("Hyperlink", [](TestHost& h) { return HyperlinkOf(h); })
          .Get("ID", [](TestHost&) { return I2(7); })
          .Stored("Name", Variant("Box"), true)
          .Get("Paths", [](TestHost& h) { return MakePaths(h, false); })
          .Get("Stat", [](TestHost& h) { return I2(h.IsDeleted() ? kStatDeleted : kStatNormal); })
          .Prop(
              "Text", [](TestHost& h) { return h.text.Text(); },
              [](TestHost& h, const Variant& v) { SetShapeText(h.text, h, v.ToString()); });
      AddSheetMembers(b);
      return b.Build();
    }();
    return *table;
  }

  ShapeSheet& Sheet() override { return sheet_; }
  SheetHost* InheritedSource(std::int16_t, std::int16_t) override { return source_; }
  VisioObject& HostObject() override { return *this; }
  VisioObject* HostDocument() override { return document.get(); }
  Kind HostKind() const override { return kind_; }

  void SetSource(TestHost* source) {
    source_ = source;
    SheetsChanged();
  }

  ShapeText text;
  Ref<TestDocument> document;

 private:
  Kind kind_;
  TestHost* source_;
  ShapeSheet sheet_;
};

// A fresh session and hosts made in it.
class SheetTest : public ::testing::Test {
 protected:
  Ref<TestHost> MakeHost(SheetHost::Kind kind = SheetHost::Kind::Shape,
                         TestHost* source = nullptr) {
    return MakeRef<TestHost>(session_, kind, source);
  }

  SessionPtr session_ = std::make_shared<Session>();
};

inline HResult CodeOf(const std::function<void()>& call, std::string* message = nullptr) {
  try {
    call();
  } catch (const AutomationError& e) {
    if (message) *message = e.message();
    return e.code();
  }
  return automation::S_OK;
}

inline HResult Visio(VisioErrorKind kind) {
  return VisioErrorCode(kind);
}

// Builds a geometry section of rows (tag, x, y) after a component row,
// with constant formulas in inches.
struct Vertex {
  std::int16_t tag;
  double x, y;
};
inline std::int16_t AddGeometry(ShapeSheet& sheet, std::initializer_list<Vertex> rows,
                                bool noShow = false) {
  const std::int16_t s = sheet.AddSection(visSectionFirstComponent);
  sheet.AddRow(s, visRowComponent, visTagComponent);
  sheet.SetFormula(s, visRowComponent, visCompNoShow, noShow ? "TRUE" : "FALSE", true);
  for (const Vertex& v : rows) {
    const std::int16_t r = sheet.AddRow(s, visRowLast, v.tag);
    sheet.SetResultIn(s, r, visX, v.x, visInches, true);
    sheet.SetResultIn(s, r, visY, v.y, visInches, true);
  }
  return s;
}

}  // namespace standin::testing
