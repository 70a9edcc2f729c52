#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "automation/Runtime.h"
#include "automation/Variant.h"
#include "visio/KTVisio_AddOnSink.h"
#include "visio/KTVisio_AddOn_TLB.h"

using automation::AutomationError;
using automation::CallKind;
using automation::HResult;
using automation::ObjectRef;
using automation::Ref;
using automation::Variant;

namespace {

// Stands for a Visio object passed to the sink; counts live instances so
// tests can see who holds references.
class Tracked : public automation::Object {
 public:
  inline static int live = 0;
  Tracked() { ++live; }
  ~Tracked() override { --live; }
  Variant Invoke(CallKind, std::string_view, automation::Args) override {
    throw AutomationError(automation::DISP_E_MEMBERNOTFOUND);
  }
};

class AddOnSinkTest : public testing::Test {
 protected:
  void SetUp() override {
    source = automation::MakeRef<Tracked>();
    subject = automation::MakeRef<Tracked>();
    sink = automation::MakeRef<TVisioAddOnSink>();
  }
  void TearDown() override {
    received.clear();
    source.Reset();
    subject.Reset();
    sink.Reset();
    EXPECT_EQ(Tracked::live, 0) << "a reference was leaked";
  }

  // A well-formed call: Event 0x0102, ID 7, Seq 42.
  std::vector<Variant> Arguments() const {
    return {Variant(std::int16_t{0x0102}), Variant(source),           Variant(std::int32_t{7}),
            Variant(std::int32_t{42}),     Variant::Unknown(subject), Variant("extra text")};
  }

  // Collects every event the handler receives.
  void Collect() {
    sink->OnVisioEvent = [this](std::unique_ptr<TKTVisio_EventInfo> info) {
      received.push_back(std::move(info));
    };
  }

  ObjectRef source;
  ObjectRef subject;
  Ref<TVisioAddOnSink> sink;
  std::vector<std::unique_ptr<TKTVisio_EventInfo>> received;
};

HResult CodeOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const AutomationError& e) {
    return e.code();
  }
  return automation::S_OK;
}

}  // namespace

TEST_F(AddOnSinkTest, IsReachedByNameInAnyCaseAndByDispatchIdOne) {
  EXPECT_EQ(sink->GetIDOfName("VisEventProc"), 1);
  EXPECT_EQ(sink->GetIDOfName("viseventproc"), 1);
  EXPECT_EQ(CodeOf([&] { sink->GetIDOfName("VisEvent"); }), automation::DISP_E_UNKNOWNNAME);
  EXPECT_TRUE(sink->Supports(IID_IVisioAddOnSink));
  EXPECT_TRUE(sink->Supports(automation::IID_IDispatch));

  // Only the one method, and only as a method.
  const std::vector<Variant> args = Arguments();
  EXPECT_EQ(CodeOf([&] { sink->Invoke(CallKind::Method, "VisEventProcs", args); }),
            automation::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(CodeOf([&] { sink->InvokeById(2, CallKind::Method, args); }),
            automation::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(CodeOf([&] { sink->Invoke(CallKind::PropertyGet, "VisEventProc", args); }),
            automation::DISP_E_MEMBERNOTFOUND);
}

TEST_F(AddOnSinkTest, WithoutHandlerDoesNothingAndKeepsNoReference) {
  std::vector<Variant> args = Arguments();
  EXPECT_TRUE(sink->Invoke(CallKind::Method, "VisEventProc", args).IsEmpty());
  EXPECT_TRUE(sink->InvokeById(1, CallKind::Method, args).IsEmpty());
  sink->VisEventProc(1, source, 2, 3, subject, Variant());

  args.clear();
  source.Reset();
  subject.Reset();
  EXPECT_EQ(Tracked::live, 0);
}

TEST_F(AddOnSinkTest, HandlerOwnsEventWithItsOwnReferencesAndCopies) {
  Collect();
  std::vector<Variant> args = Arguments();
  // The three ways in: by name, by dispatch ID, and the direct call.
  EXPECT_TRUE(sink.Invoke("visEVENTproc", {args[0], args[1], args[2], args[3], args[4], args[5]})
                  .IsEmpty());
  sink->InvokeById(1, CallKind::Method, args);
  sink->VisEventProc(std::int16_t{0x0102}, source, 7, 42, subject, Variant("extra text"));
  ASSERT_EQ(received.size(), 3u);

  // The caller lets go of everything; the events still hold both objects.
  const void* const sourceAddress = source.get();
  const void* const subjectAddress = subject.get();
  args.clear();
  source.Reset();
  subject.Reset();
  EXPECT_EQ(Tracked::live, 2);

  for (const auto& info : received) {
    EXPECT_EQ(info->Event, 0x0102);
    EXPECT_EQ(info->Source.get(), sourceAddress);
    EXPECT_EQ(info->ID, 7);
    EXPECT_EQ(info->Seq, 42);
    EXPECT_EQ(info->Subject.get(), subjectAddress);
    EXPECT_EQ(info->Extra, Variant("extra text"));
  }
  received.clear();
  EXPECT_EQ(Tracked::live, 0);
}

TEST_F(AddOnSinkTest, ArgumentsAreConvertedToTheParameterTypes) {
  Collect();
  // Automation clients often pass numbers as other types; Nothing is a valid
  // object; Extra keeps whatever type it came as.
  sink->Invoke(CallKind::Method, "VisEventProc",
               std::vector<Variant>{Variant("-3"), Variant(), Variant(std::int16_t{5}),
                                    Variant(2.6), Variant(subject), Variant::Null()});
  ASSERT_EQ(received.size(), 1u);
  const TKTVisio_EventInfo& info = *received[0];
  EXPECT_EQ(info.Event, -3);
  EXPECT_FALSE(info.Source);
  EXPECT_EQ(info.ID, 5);
  EXPECT_EQ(info.Seq, 3);
  EXPECT_EQ(info.Subject.get(), subject.get());
  EXPECT_TRUE(info.Extra.IsNull());
}

TEST_F(AddOnSinkTest, RefusesArgumentsThatDoNotFitWithoutCallingTheHandler) {
  Collect();
  struct Case {
    const char* what;
    std::function<void(std::vector<Variant>&)> change;
    HResult expected;
  };
  const std::vector<Case> cases = {
      {"no arguments", [](auto& a) { a.clear(); }, automation::DISP_E_BADPARAMCOUNT},
      {"five", [](auto& a) { a.pop_back(); }, automation::DISP_E_BADPARAMCOUNT},
      {"seven", [](auto& a) { a.push_back(Variant()); }, automation::DISP_E_BADPARAMCOUNT},
      {"Event not a number", [](auto& a) { a[0] = Variant("x"); }, automation::DISP_E_TYPEMISMATCH},
      {"Event beyond 16 bits", [](auto& a) { a[0] = Variant(std::int32_t{40000}); },
       automation::DISP_E_OVERFLOW},
      {"Event left out", [](auto& a) { a[0] = Variant::Missing(); },
       automation::DISP_E_TYPEMISMATCH},
      {"Source a number", [](auto& a) { a[1] = Variant(std::int32_t{1}); },
       automation::DISP_E_TYPEMISMATCH},
      {"Subject Null", [](auto& a) { a[4] = Variant::Null(); }, automation::DISP_E_TYPEMISMATCH},
      {"Seq a string", [](auto& a) { a[3] = Variant("seq"); }, automation::DISP_E_TYPEMISMATCH},
  };
  for (const Case& c : cases) {
    std::vector<Variant> args = Arguments();
    c.change(args);
    EXPECT_EQ(CodeOf([&] { sink->Invoke(CallKind::Method, "VisEventProc", args); }), c.expected)
        << c.what;
  }
  EXPECT_TRUE(received.empty());
}

TEST_F(AddOnSinkTest, HandlerExceptionsBecomeResultCodesAndTheSinkStaysUsable) {
  struct Case {
    const char* what;
    std::function<void()> raise;
    HResult code;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"std::exception", [] { throw std::runtime_error("Handler failed on shape 12"); },
       automation::E_UNEXPECTED, "Handler failed on shape 12"},
      {"automation error",
       [] { throw AutomationError(automation::E_ACCESSDENIED, "Document is protected"); },
       automation::E_ACCESSDENIED, "Document is protected"},
      {"anything else", [] { throw 42; }, automation::E_UNEXPECTED, "Catastrophic failure"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sink->OnVisioEvent = [&c](std::unique_ptr<TKTVisio_EventInfo>) { c.raise(); };
    const std::vector<Variant> args = Arguments();
    for (const auto& call : std::vector<std::function<void()>>{
             [&] { sink->InvokeById(1, CallKind::Method, args); },
             [&] { sink->VisEventProc(1, source, 2, 3, subject, Variant()); }}) {
      try {
        call();
        ADD_FAILURE() << "the handler's exception was swallowed";
      } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), c.code);
        EXPECT_EQ(e.message(), c.message);
      }
    }
    // The next call is delivered. (TearDown sees whether the failed calls'
    // events let go of the objects.)
    Collect();
    sink->InvokeById(1, CallKind::Method, args);
    EXPECT_EQ(received.size(), 1u);
    received.clear();
  }
}

TEST_F(AddOnSinkTest, HandlerMayDropTheConnectionWhileItRuns) {
  // What the controller does when it drops its event connection: the handler
  // clears itself; what it captured must outlive that.
  auto calls = std::make_shared<int>(0);
  sink->OnVisioEvent = [this, calls](std::unique_ptr<TKTVisio_EventInfo>) {
    sink->OnVisioEvent = nullptr;
    ++*calls;
  };
  const std::weak_ptr<int> watch = calls;
  calls.reset();
  const std::vector<Variant> args = Arguments();
  sink->InvokeById(1, CallKind::Method, args);
  sink->InvokeById(1, CallKind::Method, args);
  EXPECT_FALSE(sink->OnVisioEvent);
  EXPECT_TRUE(watch.expired());
}

TEST(AddOnSinkClassTest, FactoryServesThisProcessOnly) {
  const std::uint32_t cookie = RegisterAddOnSinkClass();

  ObjectRef created;
  ASSERT_EQ(automation::CoCreateInstance(CLASS_VisioAddOnSink, automation::CLSCTX_INPROC_SERVER,
                                         IID_IVisioAddOnSink, &created),
            automation::S_OK);
  auto* const sink = dynamic_cast<TVisioAddOnSink*>(created.get());
  ASSERT_NE(sink, nullptr);
  EXPECT_FALSE(sink->OnVisioEvent);

  EXPECT_EQ(automation::CoCreateInstance(CLASS_VisioAddOnSink, automation::CLSCTX_ALL,
                                         automation::IID_IDispatch, &created),
            automation::S_OK);
  EXPECT_EQ(automation::CoCreateInstance(CLASS_VisioAddOnSink, automation::CLSCTX_ALL,
                                         LIBID_KTVisio_AddOn, &created),
            automation::E_NOINTERFACE);
  EXPECT_FALSE(created);

  // Internal: never announced, and no other process could ask for it.
  EXPECT_FALSE(automation::IsClassAnnounced(CLASS_VisioAddOnSink));
  EXPECT_EQ(automation::CoCreateInstance(CLASS_VisioAddOnSink, automation::CLSCTX_LOCAL_SERVER,
                                         IID_IVisioAddOnSink, &created),
            automation::REGDB_E_CLASSNOTREG);

  EXPECT_EQ(automation::CoRevokeClassObject(cookie), automation::S_OK);
  EXPECT_EQ(automation::CoCreateInstance(CLASS_VisioAddOnSink, automation::CLSCTX_INPROC_SERVER,
                                         IID_IVisioAddOnSink, &created),
            automation::REGDB_E_CLASSNOTREG);
}
