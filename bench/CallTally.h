// An object that stands in front of another and tallies what goes through
// it: the calls (every Invoke, and every Supports question a proxy could not
// answer by itself) and the failures by result code. The objects it hands
// out are wrapped the same way, and unwrapped again when they come back as
// arguments, so a whole tree of objects reached from one root is tallied.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "automation/HResult.h"
#include "automation/Object.h"
#include "automation/Variant.h"

namespace bench {

struct TCallTally {
  std::uint64_t invokes = 0;
  std::uint64_t supports = 0;
  std::map<automation::HResult, std::uint64_t> errors;
  // The first message seen for each code, to tell what a code stood for.
  std::map<automation::HResult, std::string> firstMessage;
};

class TTallied final : public automation::Object {
 public:
  TTallied(automation::ObjectRef inner, TCallTally* tally)
      : inner_(std::move(inner)), tally_(tally) {}

  automation::Variant Invoke(automation::CallKind kind, std::string_view member,
                             automation::Args args) override {
    ++tally_->invokes;
    std::vector<automation::Variant> inner(args.begin(), args.end());
    for (automation::Variant& a : inner) {
      if (a.type() != automation::VarType::Dispatch) continue;
      if (const auto* wrapped = dynamic_cast<const TTallied*>(a.ToObject().get())) {
        a = automation::Variant(wrapped->inner_);
      }
    }
    automation::Variant result;
    try {
      result = inner_->Invoke(kind, member, automation::Args(inner));
    } catch (const automation::AutomationError& e) {
      ++tally_->errors[e.code()];
      tally_->firstMessage.emplace(e.code(), std::string(member) + ": " + e.message());
      throw;
    }
    if (result.type() == automation::VarType::Dispatch && result.ToObject()) {
      return automation::Variant(automation::MakeRef<TTallied>(result.ToObject(), tally_));
    }
    return result;
  }

  bool Supports(const automation::Guid& iid) const override {
    if (iid != automation::IID_IUnknown && iid != automation::IID_IDispatch) ++tally_->supports;
    return inner_->Supports(iid);
  }

  bool IsSameObject(const automation::Object& other) const override {
    const auto* wrapped = dynamic_cast<const TTallied*>(&other);
    return inner_->IsSameObject(wrapped != nullptr ? *wrapped->inner_ : other);
  }

 private:
  automation::ObjectRef inner_;
  TCallTally* tally_;
};

}  // namespace bench
