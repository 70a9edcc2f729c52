// What a sheet keeps of its rows between calls (a Batch, as the loader
// uses) must never change an answer: the same changes, made once within
// one batch and once without, leave every query answering the same after
// each step. The changes mix those the sheet mends its lists for (rows
// appended, inherited rows made local, renamed, retyped, deleted) with
// those after which it starts again, on an instance and on the sheet it
// inherits from. Deleting many rows at once answers as deleting them one
// by one.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "SheetTestHost.h"

namespace standin::testing {
namespace {

constexpr std::int16_t kGeometry = visSectionFirstComponent;
const std::int16_t kSections[] = {visSectionUser, visSectionScratch, visSectionConnectionPts,
                                  visSectionTab, kGeometry};

// Everything a client could ask of the sheet's rows and cells.
std::string Fingerprint(ShapeSheet& sheet) {
  std::string out;
  for (std::int16_t s : sheet.SectionIndices()) {
    if (s == visSectionObject) continue;
    const std::int16_t rows = sheet.RowCount(s);
    out += "S" + std::to_string(s) + (sheet.SectionExists(s, true) ? "L" : "") + "/" +
           std::to_string(rows) + ":";
    for (std::int16_t r = 0; r < rows; ++r) {
      const std::int16_t tag = sheet.RowType(s, r);
      out += " r" + std::to_string(tag) + sheet.RowName(s, r) +
             (sheet.RowExists(s, r, true) ? "L" : "");
      for (const CellDef& d : RowCells(s, tag)) {
        out += "," + sheet.Formula(s, r, d.column) +
               (sheet.IsInherited(s, r, d.column) ? "i" : "") + "=" +
               std::to_string(sheet.ResultIU(s, r, d.column));
      }
    }
    out += "\n";
  }
  for (const char* name : {"u1", "u3", "Row_2", "Row_5", "N4", "M6", "N20"}) {
    const auto r = sheet.RowIndexByName(visSectionUser, name);
    out += std::string(name) + "@" + (r ? std::to_string(*r) : "-") + " ";
  }
  return out;
}

// One step: a change picked by the generator on the instance or on its
// source, and what it answered (its error, if any).
std::string Step(std::mt19937& rng, int k, ShapeSheet& instance, ShapeSheet& source) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  ShapeSheet& sheet = pick(5) == 0 ? source : instance;
  const std::int16_t s = kSections[pick(5)];
  const auto count = sheet.SectionExists(s, false) ? sheet.RowCount(s) : std::int16_t{0};
  const auto r = static_cast<std::int16_t>(pick(count + 1));
  const std::string n = std::to_string(k);
  try {
    switch (pick(13)) {
      case 0:
      case 1:
        return "add " + std::to_string(sheet.AddRow(s, visRowLast, 0));
      case 2:  // among inherited rows, this makes the section the instance's own
        return "insert " + std::to_string(sheet.AddRow(s, r, 0));
      case 3:
        return "named " + std::to_string(sheet.AddNamedRow(visSectionUser, "N" + n, 0));
      case 4:
        sheet.SetRowName(visSectionUser, r, "M" + n);
        return "renamed";
      case 5:
        sheet.SetRowType(s, r,
                         s == kGeometry       ? visTagArcTo
                         : s == visSectionTab ? visTagTab2
                                              : visTagCnnctPtABCD);
        return "retyped";
      case 6:
        sheet.DeleteRow(s, r);
        return "deleted";
      case 7:
        sheet.SetFormula(s, r, s == visSectionTab ? visTabStopCount : 1, n, true);
        return "written";
      case 8:
      case 10:
        sheet.LoadRow(s, r);
        return "loaded";
      case 11:
        sheet.SetFormula(s, r, 0, "User.u1*2", true);
        return "referred";
      case 12:
        sheet.DeleteRows(s, {r, static_cast<std::int16_t>(r + 2), 0});
        return "deleted rows";
      default:
        return "added " + std::to_string(sheet.AddRows(s, visRowLast, 0, 3));
    }
  } catch (const AutomationError& e) {
    return "refused " + e.message();
  }
}

// Makes a sheet to inherit from, with rows in each section.
void Fill(ShapeSheet& source) {
  for (int i = 0; i < 5; ++i) source.AddNamedRow(visSectionUser, "u" + std::to_string(i), 0);
  source.SetFormula(visSectionUser, 2, visUserValue, "User.u1+1", true);
  source.AddRows(visSectionScratch, visRowLast, 0, 3);
  source.AddRows(visSectionConnectionPts, visRowLast, 0, 2);
  source.AddRow(visSectionTab, visRowLast, visTagTab2);
  source.SetFormula(visSectionCharacter, 0, visCharacterSize, "10 pt", true);
  const std::int16_t g = source.AddSection(kGeometry);
  source.AddRow(g, visRowComponent, visTagComponent);
  source.AddRows(g, visRowLast, visTagLineTo, 4);
}

TEST_F(SheetTest, ABatchChangesNoAnswer) {
  constexpr int kSteps = 150;
  std::vector<std::string> answers[2];
  for (int pass = 0; pass < 2; ++pass) {
    Ref<TestHost> source = MakeHost();
    Ref<TestHost> instance = MakeHost(SheetHost::Kind::Shape, source.get());
    Fill(source->Sheet());
    std::mt19937 rng(1234);
    auto run = [&] {
      for (int k = 0; k < kSteps; ++k) {
        answers[pass].push_back(Step(rng, k, instance->Sheet(), source->Sheet()));
        answers[pass].push_back(Fingerprint(instance->Sheet()) + Fingerprint(source->Sheet()));
      }
    };
    if (pass == 0) {
      const ShapeSheet::Batch batch;
      run();
    } else {
      run();
    }
  }
  ASSERT_EQ(answers[0].size(), answers[1].size());
  for (std::size_t i = 0; i < answers[0].size(); ++i) {
    ASSERT_EQ(answers[0][i], answers[1][i]) << "after step " << i / 2;
  }
}

// What a sheet keeps holds only while the sheets stay as they were: a
// change to where a sheet inherits from, made by no member of the sheet,
// is seen at once, within a batch too.
TEST_F(SheetTest, ABatchSeesChangesMadeAroundIt) {
  Ref<TestHost> first = MakeHost();
  Ref<TestHost> second = MakeHost();
  Fill(first->Sheet());
  second->Sheet().AddNamedRow(visSectionUser, "only", 0);
  second->Sheet().SetFormula(visSectionUser, 0, visUserValue, "7", true);
  Ref<TestHost> instance = MakeHost(SheetHost::Kind::Shape, first.get());
  ShapeSheet& sheet = instance->Sheet();
  const ShapeSheet::Batch batch;
  ASSERT_EQ(sheet.RowCount(visSectionUser), 5);
  ASSERT_EQ(sheet.RowIndexByName(visSectionUser, "u3"), 3);
  ASSERT_EQ(sheet.GeometryCount(), 1);
  instance->SetSource(second.get());
  EXPECT_EQ(sheet.RowCount(visSectionUser), 1);
  EXPECT_EQ(sheet.RowIndexByName(visSectionUser, "u3"), std::nullopt);
  EXPECT_EQ(sheet.RowIndexByName(visSectionUser, "only"), 0);
  EXPECT_EQ(sheet.ResultIU("User.only"), 7);
  EXPECT_EQ(sheet.GeometryCount(), 0);
  // And the sheet's own changes within the batch keep its answers right.
  sheet.AddNamedRow(visSectionUser, "mine", 0);
  EXPECT_EQ(sheet.RowCount(visSectionUser), 2);
  EXPECT_EQ(sheet.RowIndexByName(visSectionUser, "mine"), 1);
}

// DeleteRows does in one pass what DeleteRow does row by row from the
// highest down, refusals included (the geometry's first row, the last row
// of a section a shape always has, rows that are not there).
TEST_F(SheetTest, DeletingRowsTogetherIsDeletingThemOneByOne) {
  const std::int16_t sections[] = {visSectionUser, visSectionScratch, visSectionConnectionPts,
                                   visSectionTab,  kGeometry,         visSectionCharacter};
  std::mt19937 rng(99);
  for (int round = 0; round < 48; ++round) {
    std::string results[2];
    const std::int16_t s = sections[round % 6];
    // Every row (and some beyond) in the first round of each section.
    std::vector<std::int16_t> rows;
    for (int k = 0; k < (round < 6 ? 12 : 6); ++k)
      rows.push_back(static_cast<std::int16_t>(round < 6 ? static_cast<unsigned>(k) : rng() % 12));
    for (int pass = 0; pass < 2; ++pass) {
      Ref<TestHost> source = MakeHost();
      Ref<TestHost> instance = MakeHost(SheetHost::Kind::Shape, source.get());
      Fill(source->Sheet());
      ShapeSheet& sheet = instance->Sheet();
      // Rows of its own after the inherited ones, one inherited row filled.
      sheet.AddRows(s, visRowLast, 0, 3);
      if (s != visSectionCharacter)
        sheet.SetFormula(s, 1, s == visSectionTab ? visTabStopCount : 1, "5", true);
      if (pass == 0) {
        sheet.DeleteRows(s, rows);
      } else {
        std::vector<std::int16_t> down = rows;
        std::sort(down.rbegin(), down.rend());
        down.erase(std::unique(down.begin(), down.end()), down.end());
        for (std::int16_t r : down) {
          try {
            sheet.DeleteRow(s, r);
          } catch (const AutomationError&) {
          }
        }
      }
      results[pass] = Fingerprint(sheet);
    }
    EXPECT_EQ(results[0], results[1]) << "section " << s << ", round " << round;
  }
}

}  // namespace
}  // namespace standin::testing
