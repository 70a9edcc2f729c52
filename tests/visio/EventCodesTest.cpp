// The table of event names against Visio's own constants (VisEventCodes in
// the shared constants of today's Visio): every composition adds up to its
// code, and every event the constants define is in the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "visio/EventCodes.h"

namespace {

// member -> value of the enumeration VisEventCodes.
std::map<std::string, long> EventConstants() {
  const char* dir = std::getenv("TARVEL_SHARED_DIR");
  std::map<std::string, long> values;
  if (dir == nullptr) return values;
  std::ifstream in(std::filesystem::path(dir) / "visio-constants-2016.tsv");
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string enumeration, member, value;
    std::getline(fields, enumeration, '\t');
    std::getline(fields, member, '\t');
    std::getline(fields, value, '\t');
    if (enumeration == "VisEventCodes") values[member] = std::stol(value);
  }
  return values;
}

TEST(EventCodesTest, TheTableAgreesWithVisiosConstants) {
  const std::map<std::string, long> constants = EventConstants();
  if (constants.empty()) GTEST_SKIP() << "no visio-constants-2016.tsv under TARVEL_SHARED_DIR";

  std::set<std::uint16_t> codes;
  std::set<std::string> used;
  for (const TVisioEventCode& entry : VisioEventCodes()) {
    long sum = 0;
    std::istringstream parts{std::string(entry.Composition)};
    for (std::string part; std::getline(parts, part, '+');) {
      const auto found = constants.find(part);
      ASSERT_NE(found, constants.end()) << entry.Name << ": no constant " << part;
      sum += found->second;
      used.insert(part);
    }
    EXPECT_EQ(sum, entry.Code) << entry.Name;
    EXPECT_TRUE(codes.insert(entry.Code).second) << entry.Name << ": code given twice";
  }
  EXPECT_TRUE(std::is_sorted(VisioEventCodes().begin(), VisioEventCodes().end(),
                             [](const auto& a, const auto& b) { return a.Name < b.Name; }));

  // Every event constant has its event: the numbered events by value, and
  // the parts that only make events in a composition somewhere in one.
  const std::set<std::string> notEvents = {
      "visEvtIDInval", "visScopeIDInval", "visEvtCodeInval", "visEvtCode1stUser",
      "visEvtCodeLastUser", "visActCodeRunAddon", "visActCodeAdvise", "visEvtIdMostRecent",
      // Visio's table composes no event with a section or a row.
      "visEvtSection", "visEvtRow"};
  const std::set<std::string> parts = {
      "visEvtAdd",         "visEvtDel",           "visEvtMod",         "visEvtApp",
      "visEvtWindow",      "visEvtDoc",           "visEvtStyle",       "visEvtMaster",
      "visEvtPage",        "visEvtLayer",         "visEvtShape",       "visEvtText",
      "visEvtConnect",     "visEvtCell",          "visEvtFormula",     "visEvtDataRecordset",
      "visEvtAppActivate", "visEvtAppDeactivate", "visEvtObjActivate", "visEvtObjDeactivate",
      "visEvtBeforeQuit",  "visEvtBeforeModal",   "visEvtAfterModal",  "visEvtWinActivate",
      "visEvtMarker",      "visEvtNonePending",   "visEvtIdle"};
  for (const auto& [member, value] : constants) {
    if (notEvents.contains(member)) continue;
    if (parts.contains(member)) {
      // visEvtLayer has no event of its own in Visio's table either.
      if (member != "visEvtLayer") {
        EXPECT_TRUE(used.contains(member)) << member;
      }
      continue;
    }
    EXPECT_FALSE(EventCodeName(static_cast<std::uint16_t>(value)).empty())
        << member << " = " << value;
  }
}

TEST(EventCodesTest, NamesAndNumbersParseAndPrintAsVisioDocumentsThem) {
  struct Case {
    const char* text;
    std::optional<std::uint16_t> code;
  };
  const Case cases[] = {
      {"CellChanged", 10240},    {"cellchanged", 10240},   {"10240", 10240},
      {"ShapeAdded", 32832},     {"32832", 32832},         {"-32704", 32832},
      {"SelectionChanged", 701}, {"28672", 28672},         {"0", std::nullopt},
      {"65536", std::nullopt},   {"-32769", std::nullopt}, {"", std::nullopt},
      {"Cell", std::nullopt},    {"10240x", std::nullopt}, {" 10240", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseEventCode(c.text), c.code) << c.text;

  EXPECT_EQ(EventCodeText(EventCodeValue(std::int16_t{-32704})), "ShapeAdded");
  EXPECT_EQ(EventCodeText(16448), "BeforeShapeDelete");
  EXPECT_EQ(EventCodeText(28672), "28672");  // a user's own event code
  for (const std::uint16_t code : DefaultMonitorCodes()) {
    EXPECT_FALSE(EventCodeName(code).empty()) << code;
  }
}

}  // namespace
