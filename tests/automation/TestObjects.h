// Small automation objects for the layer's own tests.
#pragma once

#include <map>
#include <string>

#include "automation/Variant.h"

namespace automation::testing {

// Properties in a map, a method "Add" that sums its arguments, and a
// counter of live instances so tests can watch reference counting.
class Bag : public Object {
 public:
  inline static int live = 0;
  Bag() { ++live; }
  ~Bag() override { --live; }

  Variant Invoke(CallKind kind, std::string_view member, Args args) override {
    if (kind == CallKind::Method && NamesEqual(member, "Add")) {
      double sum = 0;
      for (const auto& a : args) sum += a.ToDouble();
      return Variant(sum);
    }
    for (auto& [name, value] : props) {
      if (!NamesEqual(name, member)) continue;
      if (kind == CallKind::PropertyGet && args.empty()) return value;
      if (kind == CallKind::PropertyPut && args.size() == 1) {
        value = args[0];
        return {};
      }
      throw AutomationError(DISP_E_BADPARAMCOUNT);
    }
    throw AutomationError(DISP_E_MEMBERNOTFOUND);
  }

  std::map<std::string, Variant> props;
};

}  // namespace automation::testing
