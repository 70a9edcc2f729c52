#include <gtest/gtest.h>

#include <functional>

#include "TestObjects.h"
#include "automation/Variant.h"

namespace automation {
namespace {

using testing::Bag;

HResult CodeOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const AutomationError& e) {
    return e.code();
  }
  return S_OK;
}

TEST(ObjectTest, LastReferenceDestroysTheObject) {
  const int before = Bag::live;
  {
    ObjectRef a = MakeRef<Bag>();
    EXPECT_EQ(Bag::live, before + 1);
    ObjectRef b = a;
    a.Reset();
    EXPECT_EQ(Bag::live, before + 1);  // b still holds it
    Variant v(b);                      // so does a variant
    b.Reset();
    EXPECT_EQ(Bag::live, before + 1);
  }
  EXPECT_EQ(Bag::live, before);
}

TEST(ObjectTest, GetPutAndInvokeByNameIgnoringCase) {
  auto bag = MakeRef<Bag>();
  bag->props["Name"] = Variant("Sheet.1");
  ObjectRef obj = bag;
  EXPECT_EQ(obj.Get("name"), Variant("Sheet.1"));
  obj.Put("NAME", Variant("Sheet.2"));
  EXPECT_EQ(obj.Get("Name").ToString(), "Sheet.2");
  EXPECT_EQ(obj.Invoke("add", {Variant(1), Variant("2.5")}), Variant(3.5));
  EXPECT_EQ(CodeOf([&] { obj.Get("Missing"); }), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(CodeOf([&] { obj.Get("Name", {Variant(1)}); }), DISP_E_BADPARAMCOUNT);
  // Objects without dispatch IDs say so.
  EXPECT_EQ(CodeOf([&] { obj->GetIDOfName("Name"); }), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(CodeOf([&] { obj->InvokeById(1, CallKind::Method, {}); }), DISP_E_MEMBERNOTFOUND);
}

TEST(ObjectTest, NothingRefusesEveryCall) {
  ObjectRef nothing;
  EXPECT_EQ(CodeOf([&] { nothing.Get("Count"); }), E_POINTER);
  EXPECT_EQ(CodeOf([&] { nothing.Put("Name", Variant("x")); }), E_POINTER);
  EXPECT_EQ(CodeOf([&] { nothing.Invoke("Quit"); }), E_POINTER);
  EXPECT_EQ(CodeOf([&] { nothing.QueryInterface(IID_IDispatch); }), E_POINTER);
}

TEST(ObjectTest, QueryInterfaceAnswersWhatTheObjectOffers) {
  ObjectRef obj = MakeRef<Bag>();
  EXPECT_EQ(obj.QueryInterface(IID_IUnknown).get(), obj.get());
  EXPECT_EQ(obj.QueryInterface(IID_IDispatch).get(), obj.get());
  const Guid other = Guid::FromString("{000D0700-0000-0000-C000-000000000046}");
  EXPECT_EQ(CodeOf([&] { obj.QueryInterface(other); }), E_NOINTERFACE);
}

// Stands for an object reached through a transport: several proxies may
// stand for one remote object, so identity is decided by what they point at.
class Proxy : public Object {
 public:
  explicit Proxy(int remoteId) : remoteId_(remoteId) {}
  Variant Invoke(CallKind, std::string_view, Args) override { return {}; }
  bool IsSameObject(const Object& other) const override {
    auto* p = dynamic_cast<const Proxy*>(&other);
    return p && p->remoteId_ == remoteId_;
  }

 private:
  int remoteId_;
};

TEST(ObjectTest, IdentityOfTwoReferences) {
  ObjectRef a = MakeRef<Bag>();
  ObjectRef a2 = a;
  ObjectRef b = MakeRef<Bag>();
  EXPECT_TRUE(SameObject(a, a2));
  EXPECT_FALSE(SameObject(a, b));
  EXPECT_TRUE(SameObject(ObjectRef(), ObjectRef()));  // Nothing is Nothing
  EXPECT_FALSE(SameObject(a, ObjectRef()));
  EXPECT_FALSE(SameObject(ObjectRef(), a));

  ObjectRef p1 = MakeRef<Proxy>(7), p2 = MakeRef<Proxy>(7), p3 = MakeRef<Proxy>(8);
  EXPECT_FALSE(p1 == p2);           // different references...
  EXPECT_TRUE(SameObject(p1, p2));  // ...to the same object
  EXPECT_FALSE(SameObject(p1, p3));
  EXPECT_FALSE(SameObject(p1, a));
}

TEST(ObjectTest, NamesCompareIgnoringAsciiCase) {
  EXPECT_TRUE(NamesEqual("CellsSRC", "cellssrc"));
  EXPECT_FALSE(NamesEqual("Cells", "CellsSRC"));
  EXPECT_FALSE(NamesEqual("Name", "Nam"));
}

}  // namespace
}  // namespace automation
