// The application's add-ons: the ones Visio ships, found by position or
// name, run when enabled, and added from a file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "standin/Addons.h"
#include "standin/Application.h"
#include "tests/standin/InterfaceRows.h"

namespace standin {
namespace {

using automation::SameObject;
using testrows::Failure;
using testrows::FailureOf;

class AddonsTest : public ::testing::Test {
 protected:
  Addons& List() { return dynamic_cast<Addons&>(*addons.get()); }

  Ref<Application> app = MakeRef<Application>();
  ObjectRef addons = ObjectRef(app).Get("Addons").ToObject();
};

TEST_F(AddonsTest, ShippedAddonsAreFoundByPositionOrName) {
  EXPECT_EQ(addons.Get("Count"), I2(11));
  ObjectRef first = addons.Get("Item", {Variant(1)}).ToObject();
  EXPECT_EQ(first.Get("Name"), Variant("Build Region"));
  EXPECT_EQ(first.Get("Index"), I2(1));
  ObjectRef org = addons.Get("Item", {Variant("ORGANIZATION CHART WIZARD")}).ToObject();
  EXPECT_EQ(org.Get("Name"), Variant("Organization Chart Wizard"));
  EXPECT_EQ(org.Get("Index"), I2(7));
  EXPECT_TRUE(SameObject(addons.Get("Item", {I2(7)}).ToObject(), org));
  EXPECT_TRUE(
      SameObject(addons.Get("ItemU", {Variant("Organization Chart Wizard")}).ToObject(), org));

  const Failure byName = FailureOf([&] { addons.Get("Item", {Variant("Visio Draw")}); });
  EXPECT_EQ(byName.code, VisioErrorCode(VisioErrorKind::ObjectNameNotFound));
  EXPECT_EQ(byName.message, "\n\nObject name not found.");
  for (int bad : {0, 12}) {
    EXPECT_EQ(FailureOf([&] { addons.Get("Item", {Variant(bad)}); }).code,
              VisioErrorCode(VisioErrorKind::InvalidParameter))
        << bad;
  }
}

TEST_F(AddonsTest, AnEnabledAddonRecordsEachRun) {
  ObjectRef org = addons.Get("Item", {Variant("Organization Chart Wizard")}).ToObject();
  EXPECT_EQ(org.Get("Enabled"), VisBool(true));
  org.Invoke("Run", {Variant("/file=staff.csv")});
  org.Invoke("Run");
  EXPECT_EQ(List().Find("Organization Chart Wizard")->Runs(),
            (std::vector<std::string>{"/file=staff.csv", ""}));

  // Without an active document, add-ons that work on one are disabled.
  ObjectRef print = addons.Get("Item", {Variant("Print ShapeSheet")}).ToObject();
  EXPECT_EQ(print.Get("Enabled"), VisBool(false));
  const Failure f = FailureOf([&] { print.Invoke("Run", {Variant("")}); });
  EXPECT_EQ(f.code, VisioErrorCode(VisioErrorKind::Disabled));
  EXPECT_EQ(f.message, "\n\nRequested operation is presently disabled.");
  EXPECT_EQ(List().Find("Print ShapeSheet")->Runs(), std::vector<std::string>{});
}

TEST_F(AddonsTest, AddListsAFileUnderItsName) {
  const auto dir = std::filesystem::temp_directory_path() / "tarvel-addons-test";
  std::filesystem::create_directories(dir);
  const auto file = dir / "Route Planner.exe";
  std::ofstream(file) << "MZ";

  ObjectRef added = addons.Invoke("Add", {Variant(file.string())}).ToObject();
  EXPECT_EQ(added.Get("Name"), Variant("Route Planner"));
  EXPECT_EQ(added.Get("Index"), I2(12));
  EXPECT_EQ(addons.Get("Count"), I2(12));
  EXPECT_TRUE(SameObject(addons.Invoke("Add", {Variant(file.string())}).ToObject(), added));
  EXPECT_EQ(addons.Get("Count"), I2(12));
  EXPECT_EQ(FailureOf([&] { addons.Invoke("Add", {Variant((dir / "none.exe").string())}); }).code,
            VisioErrorCode(VisioErrorKind::FileNotFound));
  std::filesystem::remove_all(dir);
}

TEST_F(AddonsTest, DeletedAddonsAnswerOnlyStat) {
  ObjectRef first = addons.Get("Item", {Variant(1)}).ToObject();
  EXPECT_EQ(first.Get("Stat"), I2(kStatNormal));
  List().MarkDeleted();
  EXPECT_EQ(first.Get("Stat"), I2(kStatDeleted));
  EXPECT_EQ(FailureOf([&] { first.Get("Name"); }).code,
            VisioErrorCode(VisioErrorKind::ObjectDeleted));
  EXPECT_EQ(FailureOf([&] { addons.Get("Count"); }).code,
            VisioErrorCode(VisioErrorKind::ObjectDeleted));
}

TEST_F(AddonsTest, EveryMemberTheTreeReadsAnswersWithItsType) {
  EXPECT_EQ(testrows::CheckInterfaceRows("IVAddons", addons), std::vector<std::string>{});
  EXPECT_EQ(testrows::CheckInterfaceRows("IVAddon", addons.Get("Item", {Variant(1)}).ToObject()),
            std::vector<std::string>{});
  EXPECT_EQ(addons.Get("ObjectType"), I2(32));
  EXPECT_EQ(addons.Get("Item", {Variant(1)}).ToObject().Get("ObjectType"), I2(31));
}

}  // namespace
}  // namespace standin
