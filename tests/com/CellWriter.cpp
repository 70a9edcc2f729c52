// The layer's headers before Windows' (see automation/com/ComHeaders.h).
#include "CellWriter.h"

#include "automation/Object.h"
#include "automation/Runtime.h"
#include "standin/Application.h"
// Then COM's.
#include "automation/com/Apartment.h"
// Then the rest.
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <iostream>
#include <thread>

namespace sinktest {

namespace {

using automation::ObjectRef;
using automation::Variant;

// Bounded: tarvel-tree.exe's start under Wine, then its removal of the events.
constexpr auto kListenerWait = std::chrono::seconds(60);
constexpr auto kRemovalWait = std::chrono::seconds(20);

bool PollUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// The events clients advised on the application; those that run add-ons
// (the demo drawing has one) do not count.
int AdvisedCount(const ObjectRef& app) {
  constexpr std::int16_t kAdvise = 2;  // visActCodeAdvise
  const ObjectRef list = app.Get("EventList").ToObject();
  const std::int32_t count = list.Get("Count").ToInt32();
  int advised = 0;
  for (std::int32_t i = 1; i <= count; ++i) {
    if (list.Get("Item", {Variant(i)}).ToObject().Get("Action").ToInt32() == kAdvise) ++advised;
  }
  return advised;
}

}  // namespace

int SetFormulasWhileListened(const std::string& cell, const std::vector<std::string>& formulas) {
  try {
    const automation::com::Apartment apartment;
    ObjectRef app;
    if (!PollUntil(
            [&] {
              return app || automation::GetActiveObject(standin::CLSID_VisioApplication, &app) ==
                                automation::S_OK;
            },
            kListenerWait) ||
        !PollUntil([&] { return AdvisedCount(app) > 0; }, kListenerWait)) {
      std::cerr << "--set-formula: no client listened to the running Visio\n";
      return 1;
    }
    const ObjectRef target = app.Get("ActivePage")
                                 .ToObject()
                                 .Get("Shapes")
                                 .ToObject()
                                 .Get("Item", {Variant(1)})
                                 .ToObject()
                                 .Get("Cells", {Variant(cell)})
                                 .ToObject();
    for (const std::string& formula : formulas) target.Put("Formula", Variant(formula));
    if (!PollUntil([&] { return AdvisedCount(app) == 0; }, kRemovalWait)) {
      std::cerr << "--set-formula: the listener left " << AdvisedCount(app)
                << " event(s) advised\n";
      return 1;
    }
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "--set-formula: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace sinktest
