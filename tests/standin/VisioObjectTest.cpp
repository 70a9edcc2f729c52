// The rules every stand-in object shares: member tables, the busy state,
// injected faults, deleted objects and read-only properties.
#include "standin/VisioObject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "InterfaceRows.h"

namespace standin {
namespace {

using automation::AutomationError;
using automation::HResult;

class Widget : public VisioObject {
 public:
  explicit Widget(SessionPtr s) : VisioObject(std::move(s)) {}
  const MemberTable& Members() const override {
    static const auto table =
        MemberTableBuilder<Widget>("IVWidget", Guid{})
            .Get("Count", [](Widget& w) { return I2(w.count); })
            .Prop(
                "Width", [](Widget& w) { return Variant(w.width); },
                [](Widget& w, const Variant& v) { w.width = v.ToDouble(); })
            .Get("Item",
                 [](Widget&, Args a) {
                   CheckArgCount(a, 1, 1);
                   return I4(ArgI4(a, 0) * 10);
                 })
            .Method("Grow", [](Widget& w) { ++w.count; })
            .Put("Secret", [](Widget& w, const Variant& v) { w.secret = v.ToString(); })
            .Stored("ShowGrid", VisBool(true), true)
            .Stored("Version", Variant("16.0"), false)
            .Get("Stat", [](Widget& w) { return I2(w.IsDeleted() ? kStatDeleted : kStatNormal); })
            .Build();
    return *table;
  }
  int count = 3;
  double width = 1.5;
  std::string secret;
};

HResult CodeOf(const std::function<void()>& call, std::string* message = nullptr) {
  const testrows::Failure f = testrows::FailureOf(call);
  if (message) *message = f.message;
  return f.code;
}

class VisioObjectTest : public ::testing::Test {
 protected:
  SessionPtr session = std::make_shared<Session>();
  Ref<Widget> widget = MakeRef<Widget>(session);
  ObjectRef obj = widget;
};

TEST_F(VisioObjectTest, MembersAnswerByNameInAnyCase) {
  EXPECT_EQ(obj.Get("count"), I2(3));
  EXPECT_EQ(obj.Get("ITEM", {Variant(2)}), I4(20));
  obj.Invoke("Grow");
  EXPECT_EQ(obj.Get("Count"), I2(4));
  obj.Put("Width", Variant("2.25"));  // converted as OLE converts
  EXPECT_EQ(obj.Get("Width"), Variant(2.25));
  // A property read with a method call, as late binding does.
  EXPECT_EQ(obj.Invoke("Count"), I2(4));
  EXPECT_EQ(CodeOf([&] { obj.Get("Nope"); }), automation::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(CodeOf([&] { obj.Get("Count", {Variant(1)}); }), automation::DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CodeOf([&] { obj.Get("Item"); }), automation::DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CodeOf([&] { obj.Get("Item", {Variant("x")}); }), automation::DISP_E_TYPEMISMATCH);
}

TEST_F(VisioObjectTest, ReadOnlyAndWriteOnlyMembers) {
  EXPECT_EQ(CodeOf([&] { obj.Put("Count", I2(1)); }), automation::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(CodeOf([&] { obj.Put("Version", Variant("17")); }), automation::DISP_E_MEMBERNOTFOUND);
  obj.Put("Secret", Variant("x"));
  EXPECT_EQ(widget->secret, "x");
  EXPECT_EQ(CodeOf([&] { obj.Get("Secret"); }), automation::DISP_E_MEMBERNOTFOUND);
}

TEST_F(VisioObjectTest, StoredValuesKeepTheirType) {
  EXPECT_EQ(obj.Get("ShowGrid"), VisBool(true));
  obj.Put("ShowGrid", Variant(0));
  EXPECT_EQ(obj.Get("ShowGrid"), VisBool(false));  // still a 16-bit value
  EXPECT_EQ(CodeOf([&] { obj.Put("ShowGrid", Variant("abc")); }), automation::DISP_E_TYPEMISMATCH);
  EXPECT_EQ(obj.Get("Version"), Variant("16.0"));
  // Each object keeps its own value.
  ObjectRef other = MakeRef<Widget>(session);
  EXPECT_EQ(other.Get("ShowGrid"), VisBool(true));
}

// No member takes NaN or an infinity, however it keeps its value.
TEST_F(VisioObjectTest, NonFiniteNumbersAreRefusedByEveryPut) {
  for (const double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
    for (const char* member : {"Width", "ShowGrid"}) {
      std::string message;
      EXPECT_EQ(CodeOf([&] { obj.Put(member, Variant(bad)); }, &message),
                automation::MakeHResult(0x86DB08A7))
          << member << " = " << bad;
      EXPECT_EQ(message, "\n\nInvalid parameter.");
    }
  }
  EXPECT_EQ(obj.Get("Width"), Variant(1.5));
  EXPECT_EQ(obj.Get("ShowGrid"), VisBool(true));
}

TEST_F(VisioObjectTest, DispatchIdsFollowTheTable) {
  const automation::DispId id = obj->GetIDOfName("width");
  EXPECT_EQ(id, obj->GetIDOfName("Width"));
  EXPECT_EQ(obj->InvokeById(id, CallKind::PropertyGet, {}), Variant(1.5));
  EXPECT_EQ(CodeOf([&] { obj->GetIDOfName("Nope"); }), automation::DISP_E_UNKNOWNNAME);
  EXPECT_EQ(CodeOf([&] { obj->InvokeById(999, CallKind::PropertyGet, {}); }),
            automation::DISP_E_MEMBERNOTFOUND);
}

TEST_F(VisioObjectTest, BusyApplicationRefusesEveryCall) {
  session->busy = true;
  for (const char* member : {"Count", "Stat", "Nope"}) {
    EXPECT_EQ(CodeOf([&] { obj.Get(member); }), automation::RPC_E_CALL_REJECTED) << member;
  }
  session->busy = false;
  EXPECT_EQ(obj.Get("Count"), I2(3));
  session->quit = true;
  EXPECT_EQ(CodeOf([&] { obj.Get("Count"); }), automation::RPC_E_DISCONNECTED);
}

TEST_F(VisioObjectTest, InjectedFaultHitsOneMemberOfOneObject) {
  ObjectRef other = MakeRef<Widget>(session);
  InjectFault(*widget, "Width", automation::E_FAIL, "broken on purpose");
  std::string message;
  EXPECT_EQ(CodeOf([&] { obj.Get("width"); }, &message), automation::E_FAIL);
  EXPECT_EQ(message, "broken on purpose");
  EXPECT_EQ(CodeOf([&] { obj.Put("Width", Variant(1.0)); }), automation::E_FAIL);
  EXPECT_EQ(obj.Get("Count"), I2(3));
  EXPECT_EQ(other.Get("Width"), Variant(1.5));
  ClearFaults(*session);
  EXPECT_EQ(obj.Get("Width"), Variant(1.5));

  // A fault dies with its object.
  InjectFault(*widget, "Count", automation::E_FAIL, "x");
  obj.Reset();
  widget.Reset();
  EXPECT_TRUE(session->faults.empty());
}

TEST_F(VisioObjectTest, DeletedObjectAnswersOnlyStat) {
  widget->MarkDeleted();
  EXPECT_EQ(obj.Get("Stat"), I2(kStatDeleted));
  std::string message;
  EXPECT_EQ(CodeOf([&] { obj.Get("Count"); }, &message),
            VisioErrorCode(VisioErrorKind::ObjectDeleted));
  EXPECT_EQ(message, "\n\nObject has been deleted.");
  EXPECT_NE(CodeOf([&] { obj.Put("Width", Variant(1.0)); }), automation::S_OK);
}

}  // namespace
}  // namespace standin
