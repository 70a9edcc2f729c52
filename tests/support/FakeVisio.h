// Small automation objects that answer Visio's members by name, for testing
// the controller and the object tree without the stand-in Visio. Each test
// gives a fake only the members it needs; any other member fails as Visio
// fails for an unknown name.
#pragma once

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "automation/Variant.h"

namespace fake {

using automation::Args;
using automation::AutomationError;
using automation::CallKind;
using automation::HResult;
using automation::ObjectRef;
using automation::Ref;
using automation::Variant;

inline std::string Folded(std::string_view name) {
  std::string folded(name);
  std::transform(folded.begin(), folded.end(), folded.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return folded;
}

class FakeObject : public automation::Object {
 public:
  using Getter = std::function<Variant(Args)>;
  using Setter = std::function<void(Args, const Variant&)>;

  // A stored property: reads answer it, writes replace it.
  FakeObject& Set(std::string_view name, Variant value) {
    Member& m = members_[Folded(name)];
    m.value = std::move(value);
    m.get = nullptr;
    return *this;
  }
  // A property computed on each read (with the getter's arguments).
  FakeObject& OnGet(std::string_view name, Getter get) {
    members_[Folded(name)].get = std::move(get);
    return *this;
  }
  FakeObject& OnPut(std::string_view name, Setter put) {
    members_[Folded(name)].put = std::move(put);
    return *this;
  }
  FakeObject& OnCall(std::string_view name, Getter call) {
    members_[Folded(name)].method = std::move(call);
    return *this;
  }
  // Every call of the member fails with this code and message.
  FakeObject& Fail(std::string_view name, HResult code, std::string message) {
    failures_[Folded(name)] = {code, std::move(message)};
    return *this;
  }
  FakeObject& Heal(std::string_view name) {
    failures_.erase(Folded(name));
    return *this;
  }
  FakeObject& Offer(const automation::Guid& iid) {
    interfaces_.insert(iid);
    return *this;
  }

  // "Get Name", "Put Formula", "Call Open": every call, in order.
  std::vector<std::string> calls;
  // The values written, by member name as called.
  std::vector<std::pair<std::string, Variant>> writes;

  Variant Invoke(CallKind kind, std::string_view member, Args args) override {
    const char* verb = kind == CallKind::PropertyGet   ? "Get "
                       : kind == CallKind::PropertyPut ? "Put "
                                                       : "Call ";
    calls.push_back(verb + std::string(member));
    const std::string key = Folded(member);
    if (auto f = failures_.find(key); f != failures_.end()) {
      throw AutomationError(f->second.first, f->second.second);
    }
    auto it = members_.find(key);
    if (it == members_.end()) throw AutomationError(automation::DISP_E_MEMBERNOTFOUND);
    Member& m = it->second;
    switch (kind) {
      case CallKind::PropertyGet:
        if (m.get) return m.get(args);
        if (m.method) break;
        return m.value;
      case CallKind::PropertyPut:
        writes.emplace_back(std::string(member), args.back());
        if (m.put) {
          m.put(args.first(args.size() - 1), args.back());
        } else {
          m.value = args.back();
        }
        return {};
      case CallKind::Method:
        if (m.method) return m.method(args);
        break;
    }
    throw AutomationError(automation::DISP_E_MEMBERNOTFOUND);
  }

  bool Supports(const automation::Guid& iid) const override {
    return interfaces_.count(iid) != 0 || Object::Supports(iid);
  }

  // The number of reads of a member.
  int Reads(std::string_view member) const {
    const std::string wanted = "Get " + std::string(member);
    return static_cast<int>(std::count(calls.begin(), calls.end(), wanted));
  }

 private:
  struct Member {
    Variant value;
    Getter get;
    Setter put;
    Getter method;
  };
  std::map<std::string, Member> members_;
  std::map<std::string, std::pair<HResult, std::string>> failures_;
  std::set<automation::Guid> interfaces_;
};

using FakeRef = Ref<FakeObject>;

inline FakeRef Make() {
  return automation::MakeRef<FakeObject>();
}

// A reference to an object the test keeps alive itself: fakes that point
// back at their parents use it, so that no two fakes hold each other.
inline Variant Weak(FakeObject* object) {
  return Variant(FakeRef(object));
}

// A collection with Count and Item (from 1 unless told otherwise) over a
// list the test may change at any time.
class FakeCollection : public FakeObject {
 public:
  explicit FakeCollection(int firstIndex = 1) : first_(firstIndex) {
    OnGet("Count", [this](Args) { return Variant(static_cast<std::int16_t>(items.size())); });
    OnGet("Item", [this](Args args) {
      itemArgTypes.push_back(args[0].type());
      const std::int32_t i = args[0].ToInt32() - first_;
      if (i < 0 || i >= static_cast<std::int32_t>(items.size())) {
        throw AutomationError(automation::DISP_E_BADINDEX, "Invalid index.");
      }
      return Variant(items[static_cast<std::size_t>(i)]);
    });
  }

  std::vector<FakeRef> items;
  // The type of every index Item was asked with.
  std::vector<automation::VarType> itemArgTypes;

 private:
  int first_;
};

inline Ref<FakeCollection> MakeCollection(int firstIndex = 1) {
  return automation::MakeRef<FakeCollection>(firstIndex);
}

// A shape in a master, optionally inside a group, and its cell "Width";
// the master opens an editable copy in which the same shape and cell stand
// at the same indices. `copy` records its Close.
struct FakeMasterShape {
  explicit FakeMasterShape(bool inGroup) {
    pageSheet->Set("Type", Variant(std::int16_t{1}));
    copyPageSheet->Set("Type", Variant(std::int16_t{1}));
    master->OnCall("Open", [copy = copy](Args) { return Variant(copy); });
    copy->OnCall("Close", [](Args) { return Variant(); });
    copy->Set("Shapes", Variant(copyShapes));

    shape->Set("ContainingMaster", Variant(master)).Set("Index", Variant(std::int16_t{2}));
    copyShape->Set("Index", Variant(std::int16_t{2}));
    copyShape->OnGet("Cells", [cell = copyCell](Args) { return Variant(cell); });
    cell->Set("Shape", Variant(shape)).Set("Name", "Width").Set("Formula", "1 in");
    copyCell->Set("Name", "Width").Set("Formula", "1 in");

    if (inGroup) {
      group->Set("ContainingMaster", Variant(master))
          .Set("ContainingShape", Variant(pageSheet))
          .Set("Index", Variant(std::int16_t{1}))
          .Set("Type", Variant(std::int16_t{2}));
      shape->Set("ContainingShape", Variant(group));
      auto groupShapes = MakeCollection();
      groupShapes->items = {Make(), copyShape};
      copyGroup->Set("Shapes", Variant(groupShapes));
      copyShapes->items = {copyGroup};
    } else {
      shape->Set("ContainingShape", Variant(pageSheet));
      copyShapes->items = {Make(), copyShape};
    }
  }

  FakeRef master = Make();
  FakeRef copy = Make();
  FakeRef pageSheet = Make();
  FakeRef copyPageSheet = Make();
  Ref<FakeCollection> copyShapes = MakeCollection();
  FakeRef group = Make();
  FakeRef copyGroup = Make();
  FakeRef shape = Make();
  FakeRef copyShape = Make();
  FakeRef cell = Make();
  FakeRef copyCell = Make();
};

}  // namespace fake
