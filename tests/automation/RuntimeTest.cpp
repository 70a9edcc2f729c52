#include <gtest/gtest.h>

#include "TestObjects.h"
#include "automation/Runtime.h"

namespace automation {
namespace {

const Guid kClsid = Guid::FromString("{6D1A62B4-3E7C-4B1F-9A55-0C2F6E8B7D01}");
const Guid kOtherClsid = Guid::FromString("{6D1A62B4-3E7C-4B1F-9A55-0C2F6E8B7D02}");
const Guid kAppIid = Guid::FromString("{6D1A62B4-3E7C-4B1F-9A55-0C2F6E8B7D03}");

// An application-like object offering one extra interface.
class App : public testing::Bag {
 public:
  bool Supports(const Guid& iid) const override { return iid == kAppIid || Bag::Supports(iid); }
};

// Makes App instances that announce themselves as running, as an
// application server does when it starts.
class AppFactory : public ClassFactory {
 public:
  HResult CreateInstance(const Guid& iid, ObjectRef* object) override {
    ++created;
    auto app = MakeRef<App>();
    if (!app->Supports(iid)) return E_NOINTERFACE;
    if (announce) RegisterActiveObject(app, kClsid, &runningCookie);
    *object = app;
    return S_OK;
  }
  int created = 0;
  bool announce = true;
  std::uint32_t runningCookie = 0;
};

class ThrowingFactory : public ClassFactory {
 public:
  HResult CreateInstance(const Guid&, ObjectRef*) override {
    throw AutomationError(CO_E_SERVER_EXEC_FAILURE, "cannot start");
  }
};

TEST(RuntimeTest, ProgIdsAreLookedUpIgnoringCase) {
  RegisterProgID("Tarvel.TestApp", kClsid);
  Guid found;
  EXPECT_EQ(CLSIDFromProgID("tarvel.testapp", &found), S_OK);
  EXPECT_EQ(found, kClsid);
  EXPECT_EQ(CLSIDFromProgID("TARVEL.TESTAPP", &found), S_OK);
  UnregisterProgID("TARVEL.TestApp");
  EXPECT_EQ(CLSIDFromProgID("Tarvel.TestApp", &found), CO_E_CLASSSTRING);
  EXPECT_TRUE(found.IsNull());
  EXPECT_EQ(CLSIDFromProgID("no.such.class", &found), CO_E_CLASSSTRING);
}

TEST(RuntimeTest, AttachFailsCleanlyWhenNothingRuns) {
  ObjectRef obj = MakeRef<testing::Bag>();  // must be cleared, not left dangling
  EXPECT_EQ(GetActiveObject(kOtherClsid, &obj), MK_E_UNAVAILABLE);
  EXPECT_FALSE(obj);
  EXPECT_EQ(CoCreateInstance(kOtherClsid, CLSCTX_ALL, IID_IUnknown, &obj), REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(obj);
}

TEST(RuntimeTest, CreateThenAttachFindsTheSameInstance) {
  auto factory = std::make_shared<AppFactory>();
  std::uint32_t cookie = 0;
  ASSERT_EQ(
      CoRegisterClassObject(kClsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
      S_OK);

  ObjectRef created;
  ASSERT_EQ(
      CoCreateInstance(kClsid, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown, &created),
      S_OK);
  ASSERT_TRUE(created);
  EXPECT_EQ(factory->created, 1);

  // The running instance is found, and stays alive in the table even when
  // the creator lets go of it.
  ObjectRef attached;
  ASSERT_EQ(GetActiveObject(kClsid, &attached), S_OK);
  EXPECT_TRUE(SameObject(created, attached));
  const Object* raw = created.get();
  created.Reset();
  attached.Reset();
  ASSERT_EQ(GetActiveObject(kClsid, &attached), S_OK);
  EXPECT_EQ(attached.get(), raw);
  EXPECT_EQ(factory->created, 1);  // attaching never starts another

  // Revoking the running entry ends the attach path; the class factory
  // remains.
  attached.Reset();
  EXPECT_EQ(RevokeActiveObject(factory->runningCookie), S_OK);
  EXPECT_EQ(RevokeActiveObject(factory->runningCookie), E_INVALIDARG);
  EXPECT_EQ(GetActiveObject(kClsid, &attached), MK_E_UNAVAILABLE);

  // An interface the new object does not offer is refused.
  factory->announce = false;
  EXPECT_EQ(CoCreateInstance(kClsid, CLSCTX_INPROC_SERVER, kOtherClsid, &created), E_NOINTERFACE);
  EXPECT_EQ(CoCreateInstance(kClsid, CLSCTX_INPROC_SERVER, kAppIid, &created), S_OK);
  EXPECT_TRUE(created);

  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(CoCreateInstance(kClsid, CLSCTX_INPROC_SERVER, IID_IUnknown, &created),
            REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(created);
}

TEST(RuntimeTest, FactoriesAreChosenByContext) {
  auto local = std::make_shared<AppFactory>();
  auto inproc = std::make_shared<AppFactory>();
  local->announce = inproc->announce = false;
  std::uint32_t c1 = 0, c2 = 0;
  ASSERT_EQ(CoRegisterClassObject(kOtherClsid, local, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &c1),
            S_OK);
  ObjectRef obj;
  EXPECT_EQ(CoCreateInstance(kOtherClsid, CLSCTX_INPROC_SERVER, IID_IUnknown, &obj),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(CoCreateInstance(kOtherClsid, CLSCTX_ALL, IID_IUnknown, &obj), S_OK);
  EXPECT_EQ(local->created, 1);
  // With both registered, the in-process server is preferred.
  ASSERT_EQ(CoRegisterClassObject(kOtherClsid, inproc, CLSCTX_INPROC_SERVER, REGCLS_INTERNAL, &c2),
            S_OK);
  EXPECT_EQ(CoCreateInstance(kOtherClsid, CLSCTX_ALL, IID_IUnknown, &obj), S_OK);
  EXPECT_EQ(inproc->created, 1);
  EXPECT_EQ(local->created, 1);
  EXPECT_TRUE(IsClassAnnounced(kOtherClsid));  // the local server is
  EXPECT_EQ(CoRevokeClassObject(c1), S_OK);
  EXPECT_FALSE(IsClassAnnounced(kOtherClsid));  // the internal one is not
  EXPECT_EQ(CoRevokeClassObject(c2), S_OK);
  EXPECT_EQ(CoRevokeClassObject(c2), E_INVALIDARG);
}

TEST(RuntimeTest, AFactoryThatThrowsReportsItsCode) {
  std::uint32_t cookie = 0;
  const Guid clsid = Guid::FromString("{6D1A62B4-3E7C-4B1F-9A55-0C2F6E8B7D04}");
  ASSERT_EQ(CoRegisterClassObject(clsid, std::make_shared<ThrowingFactory>(), CLSCTX_INPROC_SERVER,
                                  REGCLS_MULTIPLEUSE, &cookie),
            S_OK);
  ObjectRef obj;
  EXPECT_EQ(CoCreateInstance(clsid, CLSCTX_ALL, IID_IUnknown, &obj), CO_E_SERVER_EXEC_FAILURE);
  EXPECT_FALSE(obj);
  CoRevokeClassObject(cookie);
}

// Stands for the system's COM: answers every class it is asked for, and
// counts the questions.
class FakeSystem : public SystemRuntime {
 public:
  HResult CLSIDFromProgID(std::string_view progId, Guid* clsid) override {
    ++asked;
    if (!NamesEqual(progId, "System.Class")) return CO_E_CLASSSTRING;
    *clsid = kOtherClsid;
    return S_OK;
  }
  HResult GetActiveObject(const Guid&, ObjectRef* object) override {
    ++asked;
    *object = running;
    return running ? S_OK : MK_E_UNAVAILABLE;
  }
  HResult CoCreateInstance(const Guid&, std::uint32_t clsctx, const Guid&,
                           ObjectRef* object) override {
    ++asked;
    lastContext = clsctx;
    *object = MakeRef<testing::Bag>();
    return S_OK;
  }
  int asked = 0;
  std::uint32_t lastContext = 0;
  ObjectRef running;
};

TEST(RuntimeTest, TheSystemIsAskedOnlyWhatThisProcessDoesNotAnswer) {
  auto system = std::make_shared<FakeSystem>();
  system->running = MakeRef<testing::Bag>();
  EXPECT_EQ(SetSystemRuntime(system), nullptr);
  auto factory = std::make_shared<AppFactory>();
  factory->announce = false;
  std::uint32_t cookie = 0;
  ASSERT_EQ(
      CoRegisterClassObject(kClsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
      S_OK);
  RegisterProgID("Tarvel.Mine", kClsid);

  // The process's own tables answer first...
  Guid clsid;
  ObjectRef object;
  EXPECT_EQ(CLSIDFromProgID("Tarvel.Mine", &clsid), S_OK);
  EXPECT_EQ(clsid, kClsid);
  EXPECT_EQ(CoCreateInstance(kClsid, CLSCTX_ALL, IID_IUnknown, &object), S_OK);
  EXPECT_EQ(factory->created, 1);
  EXPECT_EQ(system->asked, 0);
  // ...the system the rest, its failures passed on as they are.
  EXPECT_EQ(CLSIDFromProgID("system.class", &clsid), S_OK);
  EXPECT_EQ(clsid, kOtherClsid);
  EXPECT_EQ(CLSIDFromProgID("No.Such.Class", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CoCreateInstance(kOtherClsid, CLSCTX_LOCAL_SERVER, IID_IUnknown, &object), S_OK);
  EXPECT_EQ(system->lastContext, std::uint32_t{CLSCTX_LOCAL_SERVER});
  EXPECT_EQ(GetActiveObject(kOtherClsid, &object), S_OK);
  EXPECT_EQ(object, system->running);
  system->running.Reset();
  EXPECT_EQ(GetActiveObject(kOtherClsid, &object), MK_E_UNAVAILABLE);
  EXPECT_EQ(system->asked, 5);

  EXPECT_EQ(SetSystemRuntime(nullptr), system);
  EXPECT_EQ(CLSIDFromProgID("System.Class", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CoCreateInstance(kOtherClsid, CLSCTX_ALL, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(system->asked, 5);
  UnregisterProgID("Tarvel.Mine");
  CoRevokeClassObject(cookie);
}

TEST(RuntimeTest, BadArgumentsAreRefused) {
  std::uint32_t cookie = 0;
  EXPECT_EQ(CoRegisterClassObject(kClsid, nullptr, CLSCTX_INPROC_SERVER, 0, &cookie), E_INVALIDARG);
  EXPECT_EQ(RegisterActiveObject(ObjectRef(), kClsid, &cookie), E_INVALIDARG);
  EXPECT_EQ(CLSIDFromProgID("x", nullptr), E_POINTER);
  EXPECT_EQ(GetActiveObject(kClsid, nullptr), E_POINTER);
  EXPECT_EQ(CoCreateInstance(kClsid, CLSCTX_ALL, IID_IUnknown, nullptr), E_POINTER);
}

}  // namespace
}  // namespace automation
