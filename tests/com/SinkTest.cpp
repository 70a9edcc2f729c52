// The event sink on Windows: the type library the program carries (read
// back against the library's data table), its registration by the
// automation server's start-up, and the sink as a COM object, called in
// this process and from another one through the universal marshaller.
// The layer's headers before Windows' (see automation/com/ComHeaders.h).
#include "visio/KTVisio_AddOnSink.h"
#include "visio/KTVisio_AddOn_TLB.h"
#include "visio/Tarvel_AutomationServer.h"
// Then COM's.
#include "SinkTest.h"
#include "automation/com/Convert.h"
#include "automation/com/DispatchObject.h"
#include "visio/KTVisio_AddOn_Com.h"
// Then the rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sinktest {

using automation::AutomationError;
using automation::ObjectRef;
using automation::Variant;
using automation::com::FromGuid;
using automation::com::Narrow;
using automation::com::ToGuid;

namespace {

constexpr DWORD kCallMs = 30000;  // what a second process's start and call may take
constexpr std::int16_t kCellChanged = 10240;
constexpr const wchar_t* kUniversalMarshaller = L"{00020424-0000-0000-C000-000000000046}";

// A COM pointer released when the scope ends.
template <class T>
struct Com {
  T* p = nullptr;
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() {
    if (p) p->Release();
  }
  T* operator->() const { return p; }
  T** out() { return &p; }
  void** vout() { return reinterpret_cast<void**>(&p); }
};

// The name and help string of a library (-1) or of one of its types, as
// "name: help string"; what GetDocumentation failed with otherwise.
template <class Described>
std::string Documentation(Described* described, MEMBERID member) {
  BSTR name = nullptr, doc = nullptr;
  const HRESULT hr = described->GetDocumentation(member, &name, &doc, nullptr, nullptr);
  std::string text =
      FAILED(hr) ? "failed " + std::to_string(hr) : Narrow(name) + ": " + Narrow(doc);
  ::SysFreeString(name);
  ::SysFreeString(doc);
  return text;
}

std::string Named(std::string_view name, std::string_view help) {
  return std::string(name) + ": " + std::string(help);
}

std::optional<std::wstring> ClassesValue(const std::wstring& key) {
  return RegistryText(HKEY_CLASSES_ROOT, key);
}

std::wstring GuidText(const automation::Guid& g) {
  const std::string text = g.ToString();
  return automation::com::Widen(text);
}

std::wstring InterfaceKey() {
  return L"Interface\\" + GuidText(IID_IVisioAddOnSink);
}

std::wstring LibraryKey() {
  return L"TypeLib\\" + GuidText(LIBID_KTVisio_AddOn) + L"\\1.0";
}

// The start-up's registration, as main() does it.
TServerStartUp Start(std::vector<std::string> args) {
  return StartAutomationServer(args, ProgramFilePath());
}

HRESULT LoadRegistered(ITypeLib** lib) {
  return ::LoadRegTypeLib(ToGuid(LIBID_KTVisio_AddOn), KTVisio_AddOnMajorVersion,
                          KTVisio_AddOnMinorVersion, KTVisio_AddOnLibrary().locale, lib);
}

// A sink whose events are kept.
struct Sink {
  automation::Ref<TVisioAddOnSink> object = automation::MakeRef<TVisioAddOnSink>();
  std::vector<std::unique_ptr<TKTVisio_EventInfo>> events;
  Sink() {
    object->OnVisioEvent = [this](std::unique_ptr<TKTVisio_EventInfo> e) {
      events.push_back(std::move(e));
    };
  }
  ~Sink() { object->OnVisioEvent = nullptr; }
};

// Runs this program with --call-sink on `object` marshalled for another
// process, pumping messages meanwhile (the call comes in as one); the
// second process's exit status, or -1 when it did not end in time.
long CallFromAnotherProcess(IUnknown* object) {
  Com<IStream> stream;
  if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.out()))) return -1;
  if (FAILED(::CoMarshalInterface(stream.p, ::IID_IUnknown, object, MSHCTX_LOCAL, nullptr,
                                  MSHLFLAGS_NORMAL))) {
    return -1;
  }
  HGLOBAL memory = nullptr;
  ::GetHGlobalFromStream(stream.p, &memory);
  ULARGE_INTEGER size{};
  stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &size);
  wchar_t folder[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, folder);
  const std::wstring file =
      std::wstring(folder, n) + L"tarvel-sink-" + std::to_wstring(::GetCurrentProcessId());
  {
    std::ofstream out(std::filesystem::path(file), std::ios::binary);
    out.write(static_cast<const char*>(::GlobalLock(memory)),
              static_cast<std::streamsize>(size.QuadPart));
    ::GlobalUnlock(memory);
  }
  wchar_t self[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring line = L"\"" + std::wstring(self, length) + L"\" --call-sink \"" + file + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  long status = -1;
  if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
    ::CloseHandle(process.hThread);
    const bool ended = PumpUntil(
        [&] { return ::WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, kCallMs);
    DWORD code = 0;
    if (ended && ::GetExitCodeProcess(process.hProcess, &code)) status = static_cast<long>(code);
    if (!ended) ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hProcess);
  }
  ::DeleteFileW(file.c_str());
  return status;
}

HRESULT CallSink(const wchar_t* streamFile) {
  std::ifstream in(std::filesystem::path(streamFile), std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  if (bytes.empty()) return E_INVALIDARG;
  Com<IStream> stream;
  HRESULT hr = ::CreateStreamOnHGlobal(nullptr, TRUE, stream.out());
  if (FAILED(hr)) return hr;
  hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
  if (FAILED(hr)) return hr;
  stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  Com<IUnknown> object;
  hr = ::CoUnmarshalInterface(stream.p, ::IID_IUnknown, object.vout());
  if (FAILED(hr)) return hr;
  // The proxy's answer: only the universal marshaller, found through the
  // registered library, makes one for this interface.
  Com<IVisioAddOnSink> sink;
  hr = object->QueryInterface(__uuidof(IVisioAddOnSink), sink.vout());
  if (FAILED(hr)) return hr;
  VARIANT extra;
  ::VariantInit(&extra);
  V_VT(&extra) = VT_BSTR;
  V_BSTR(&extra) = ::SysAllocString(L"extra");
  hr = sink->VisEventProc(kCellChanged, nullptr, 7, 42, nullptr, extra);
  ::VariantClear(&extra);
  return hr;
}

}  // namespace

std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& key) {
  wchar_t buffer[2048];
  DWORD size = sizeof buffer - sizeof(wchar_t);
  HKEY k = nullptr;
  if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = 0;
  const LSTATUS s =
      ::RegQueryValueExW(k, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  ::RegCloseKey(k);
  if (s != ERROR_SUCCESS || type != REG_SZ) return std::wstring();
  std::wstring value(buffer, size / sizeof(wchar_t));
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  return value;
}

int CallSinkFromFile(const wchar_t* streamFile) {
  HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) return static_cast<int>(hr);
  hr = CallSink(streamFile);
  ::CoUninitialize();
  return static_cast<int>(hr);
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    if (done()) return true;
    const ULONGLONG now = ::GetTickCount64();
    if (now >= end) return false;
    ::MsgWaitForMultipleObjects(
        0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 20)), QS_ALLINPUT);
  }
}

namespace {

// The library the program carries, read back as COM reads it, against the
// data table the other platforms carry.
TEST(AddOnTypeLibraryTest, CarriedLibraryMatchesTheDataTable) {
  const TTypeLibrary& table = KTVisio_AddOnLibrary();
  const std::wstring program = automation::com::Widen(ProgramFilePath());
  Com<ITypeLib> lib;
  ASSERT_EQ(::LoadTypeLibEx(program.c_str(), REGKIND_NONE, lib.out()), S_OK);

  TLIBATTR* attr = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(FromGuid(attr->guid), *table.libid);
  EXPECT_EQ(attr->lcid, table.locale);
  EXPECT_EQ(attr->syskind, SYS_WIN32);
  EXPECT_EQ(attr->wMajorVerNum, table.majorVersion);
  EXPECT_EQ(attr->wMinorVerNum, table.minorVersion);
  lib->ReleaseTLibAttr(attr);
  EXPECT_EQ(Documentation(lib.p, -1), Named(table.name, table.helpString));
  EXPECT_EQ(lib->GetTypeInfoCount(), 2u);
  // The interface: the dispatch side that GetTypeInfoOfGuid gives a dual
  // interface, and its vtable side.
  const TTypeLibInterface& sink = *table.sinkInterface;
  Com<ITypeInfo> dispatchSide, vtableSide;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(ToGuid(*sink.iid), dispatchSide.out()), S_OK);
  TYPEATTR* type = nullptr;
  ASSERT_EQ(dispatchSide->GetTypeAttr(&type), S_OK);
  EXPECT_EQ(type->typekind, TKIND_DISPATCH);
  EXPECT_EQ(type->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE),
            TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE);
  dispatchSide->ReleaseTypeAttr(type);
  HREFTYPE ref = 0;
  ASSERT_EQ(dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref), S_OK);
  ASSERT_EQ(dispatchSide->GetRefTypeInfo(ref, vtableSide.out()), S_OK);

  ASSERT_EQ(vtableSide->GetTypeAttr(&type), S_OK);
  EXPECT_EQ(type->typekind, TKIND_INTERFACE);
  EXPECT_EQ(FromGuid(type->guid), *sink.iid);
  EXPECT_EQ(type->wMajorVerNum, table.majorVersion);
  EXPECT_EQ(type->wMinorVerNum, table.minorVersion);
  EXPECT_EQ(type->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION),
            TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION);
  ASSERT_EQ(type->cImplTypes, 1);
  ASSERT_EQ(type->cFuncs, sink.methods.size());
  vtableSide->ReleaseTypeAttr(type);
  EXPECT_EQ(Documentation(vtableSide.p, MEMBERID_NIL), Named(sink.name, sink.helpString));
  Com<ITypeInfo> base;
  ASSERT_EQ(vtableSide->GetRefTypeOfImplType(0, &ref), S_OK);
  ASSERT_EQ(vtableSide->GetRefTypeInfo(ref, base.out()), S_OK);
  EXPECT_EQ(Documentation(base.p, MEMBERID_NIL).substr(0, 11), "IDispatch: ");

  for (UINT i = 0; i < sink.methods.size(); ++i) {
    const TTypeLibMethod& method = sink.methods[i];
    SCOPED_TRACE(std::string(method.name));
    FUNCDESC* func = nullptr;
    ASSERT_EQ(vtableSide->GetFuncDesc(i, &func), S_OK);
    EXPECT_EQ(func->memid, method.dispId);
    // After IDispatch's seven, in this process's pointer size.
    EXPECT_EQ(func->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
    EXPECT_EQ(func->funckind, FUNC_PUREVIRTUAL);
    EXPECT_EQ(func->invkind, INVOKE_FUNC);
    EXPECT_EQ(func->callconv, CC_STDCALL);
    EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_HRESULT);
    ASSERT_EQ(static_cast<std::size_t>(func->cParams), method.params.size());
    BSTR names[16] = {};
    UINT count = 0;
    ASSERT_EQ(vtableSide->GetNames(func->memid, names, 16, &count), S_OK);
    ASSERT_EQ(count, method.params.size() + 1);
    EXPECT_EQ(Narrow(names[0]), method.name);
    for (std::size_t p = 0; p < method.params.size(); ++p) {
      SCOPED_TRACE(std::string(method.params[p].name));
      EXPECT_EQ(Narrow(names[p + 1]), method.params[p].name);
      const ELEMDESC& param = func->lprgelemdescParam[p];
      EXPECT_EQ(param.tdesc.vt, static_cast<VARTYPE>(method.params[p].type));
      EXPECT_EQ(param.paramdesc.wParamFlags, PARAMFLAG_FIN);
    }
    for (BSTR& b : names) ::SysFreeString(b);
    vtableSide->ReleaseFuncDesc(func);
    EXPECT_EQ(Documentation(vtableSide.p, method.dispId), Named(method.name, method.helpString));
  }

  const TTypeLibCoClass& coclass = *table.sinkClass;
  Com<ITypeInfo> classInfo, defaultInfo;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(ToGuid(*coclass.clsid), classInfo.out()), S_OK);
  ASSERT_EQ(classInfo->GetTypeAttr(&type), S_OK);
  EXPECT_EQ(type->typekind, TKIND_COCLASS);
  EXPECT_TRUE(type->wTypeFlags & TYPEFLAG_FCANCREATE);
  ASSERT_EQ(type->cImplTypes, 1);
  classInfo->ReleaseTypeAttr(type);
  EXPECT_EQ(Documentation(classInfo.p, MEMBERID_NIL), Named(coclass.name, coclass.helpString));
  INT flags = 0;
  ASSERT_EQ(classInfo->GetImplTypeFlags(0, &flags), S_OK);
  EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT);
  ASSERT_EQ(classInfo->GetRefTypeOfImplType(0, &ref), S_OK);
  ASSERT_EQ(classInfo->GetRefTypeInfo(ref, defaultInfo.out()), S_OK);
  EXPECT_EQ(Documentation(defaultInfo.p, MEMBERID_NIL),
            Named(coclass.defaultInterface->name, coclass.defaultInterface->helpString));
}

class AddOnRegistrationTest : public testing::Test {
 protected:
  void TearDown() override { Start({"/UNREGSERVER"}); }
};

TEST_F(AddOnRegistrationTest, StartsRegisterAndUnregisterWhereComLooks) {
  ASSERT_EQ(Start({"/UNREGSERVER"}).error, "");
  Com<ITypeLib> lib;
  EXPECT_EQ(LoadRegistered(lib.out()), TYPE_E_LIBNOTREGISTERED);

  // Which starts register and which end the program.
  struct Case {
    std::vector<std::string> args;
    TStartMode mode;
    bool continues;
  };
  const Case cases[] = {
      {{"/regserver"}, TStartMode::Register, false},
      {{"-RegServer"}, TStartMode::Register, false},
      {{"/REGSERVER"}, TStartMode::Register, false},
      {{"REGSERVER"}, TStartMode::Normal, true},
      {{"/REGSERVER", "/AUTOMATION"}, TStartMode::Automation, true},
      {{"-Embedding"}, TStartMode::Automation, true},
      {{}, TStartMode::Normal, true},
  };
  const std::string program = ProgramFilePath();
  const std::wstring wide = automation::com::Widen(program);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args.front());
    ASSERT_EQ(Start({"/UNREGSERVER"}).error, "");
    const TServerStartUp started = Start(c.args);
    EXPECT_EQ(started.error, "");
    EXPECT_EQ(started.mode, c.mode);
    EXPECT_EQ(started.ContinueStartUp(), c.continues);
    // Found by COM, under this program, with the universal marshaller for
    // the interface.
    Com<ITypeLib> found;
    EXPECT_EQ(LoadRegistered(found.out()), S_OK);
    EXPECT_EQ(ClassesValue(LibraryKey() + L"\\409\\win32"), wide);
    // And under the neutral locale, where the universal marshaller looks.
    EXPECT_EQ(ClassesValue(LibraryKey() + L"\\0\\win32"), wide);
    EXPECT_EQ(ClassesValue(LibraryKey() + L"\\HELPDIR"),
              std::filesystem::path(wide).parent_path().wstring());
    EXPECT_EQ(ClassesValue(InterfaceKey() + L"\\ProxyStubClsid32"), kUniversalMarshaller);
    EXPECT_EQ(ClassesValue(InterfaceKey() + L"\\TypeLib"), GuidText(LIBID_KTVisio_AddOn));
  }
  // The sink's class is the program's own: nothing announces it.
  EXPECT_FALSE(ClassesValue(L"CLSID\\" + GuidText(CLASS_VisioAddOnSink)));

  // A second start re-registers without complaint; unregistering removes
  // what the first wrote, and twice is no failure.
  EXPECT_EQ(Start({"/AUTOMATION"}).error, "");
  EXPECT_EQ(Start({"/REGSERVER"}).error, "");
  EXPECT_EQ(Start({"-unregserver"}).mode, TStartMode::Unregister);
  EXPECT_EQ(LoadRegistered(lib.out()), TYPE_E_LIBNOTREGISTERED);
  EXPECT_FALSE(ClassesValue(InterfaceKey()));
  EXPECT_FALSE(ClassesValue(LibraryKey()));
  EXPECT_EQ(Start({"/UNREGSERVER"}).error, "");
}

// A user who may not write the machine's classes gets the library for
// them alone: found by COM, with the neutral locale's path among the
// user's classes, and removed by an unregistering start. (Wine registers a
// user's library for the machine as well.)
TEST_F(AddOnRegistrationTest, AUsersOwnRegistrationIsFoundAndRemoved) {
  ASSERT_EQ(Start({"/UNREGSERVER"}).error, "");
  const std::string program = ProgramFilePath();
  ASSERT_NO_THROW(RegisterTypeLibrary(program, TRegistrationScope::User));
  Com<ITypeLib> found;
  EXPECT_EQ(LoadRegistered(found.out()), S_OK);
  const std::wstring userKey = L"Software\\Classes\\" + LibraryKey() + L"\\0\\win32";
  EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, userKey), automation::com::Widen(program));

  EXPECT_EQ(Start({"/UNREGSERVER"}).error, "");
  Com<ITypeLib> gone;
  EXPECT_EQ(LoadRegistered(gone.out()), TYPE_E_LIBNOTREGISTERED);
  EXPECT_FALSE(RegistryText(HKEY_CURRENT_USER, userKey));
  EXPECT_FALSE(ClassesValue(LibraryKey()));
  EXPECT_EQ(Start({"/UNREGSERVER"}).error, "");
}

TEST_F(AddOnRegistrationTest, AProgramWithoutTheLibraryFailsWithTheSystemsReason) {
  const std::string missing = "C:\\no such folder\\tarvel.exe";
  for (const auto& [args, prefix] : {
           std::pair{std::vector<std::string>{"/REGSERVER"},
                     "Cannot register the type library KTVisio_AddOn: cannot load it from \"" +
                         missing + "\": "},
           std::pair{std::vector<std::string>{"/UNREGSERVER"},
                     "Cannot unregister the type library KTVisio_AddOn: cannot load it from \"" +
                         missing + "\": "},
       }) {
    const TServerStartUp started = StartAutomationServer(args, missing);
    EXPECT_EQ(started.error.rfind(prefix, 0), 0u) << started.error;
    EXPECT_GT(started.error.size(), prefix.size()) << started.error;
    EXPECT_FALSE(started.ContinueStartUp());
  }
}

// The COM object a sink is handed out as, called in this process.
TEST(AddOnSinkComTest, VtableAndDispatchReachTheSameHandler) {
  RegisterAddOnSinkClass();
  Sink sink;
  Com<IDispatch> dispatch;
  dispatch.p = automation::com::ToDispatch(ObjectRef(sink.object));
  Com<IVisioAddOnSink> typed;
  ASSERT_EQ(dispatch->QueryInterface(__uuidof(IVisioAddOnSink), typed.vout()), S_OK);
  // One COM object: the same interface pointer, one identity, and the
  // sink itself when it comes back.
  EXPECT_EQ(static_cast<IDispatch*>(typed.p), dispatch.p);
  Com<IUnknown> identity, identityFromTyped;
  ASSERT_EQ(dispatch->QueryInterface(::IID_IUnknown, identity.vout()), S_OK);
  ASSERT_EQ(typed->QueryInterface(::IID_IUnknown, identityFromTyped.vout()), S_OK);
  EXPECT_EQ(identity.p, identityFromTyped.p);
  EXPECT_EQ(automation::com::FromUnknown(typed.p).get(), sink.object.get());
  EXPECT_EQ(automation::com::FromUnknown(identity.p).get(), sink.object.get());
  UINT count = 0;
  EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);

  // The vtable.
  Sink subject;
  VARIANT extra;
  ::VariantInit(&extra);
  V_VT(&extra) = VT_I4;
  V_I4(&extra) = 99;
  Com<IUnknown> subjectUnknown;
  subjectUnknown.p = automation::com::ToUnknown(ObjectRef(subject.object));
  ASSERT_EQ(typed->VisEventProc(kCellChanged, nullptr, 3, 4, subjectUnknown.p, extra), S_OK);
  // IDispatch by name, as a late-binding caller (Visio) calls it: through
  // COM, not unwrapped.
  const ObjectRef late = automation::MakeRef<automation::com::DispatchObject>(dispatch.p);
  const Variant args[] = {Variant(std::int16_t{1}), Variant(ObjectRef()), Variant(5), Variant(6),
                          Variant(ObjectRef()),     Variant("text")};
  EXPECT_EQ(late->GetIDOfName("visEventProc"), DISPID_VisEventProc);
  late->Invoke(automation::CallKind::Method, "VisEventProc", args);

  ASSERT_EQ(sink.events.size(), 2u);
  EXPECT_EQ(sink.events[0]->Event, kCellChanged);
  EXPECT_FALSE(sink.events[0]->Source);
  EXPECT_EQ(sink.events[0]->ID, 3);
  EXPECT_EQ(sink.events[0]->Seq, 4);
  EXPECT_EQ(sink.events[0]->Subject.get(), subject.object.get());
  EXPECT_EQ(sink.events[0]->Extra.ToInt32(), 99);
  EXPECT_EQ(sink.events[1]->Event, 1);
  EXPECT_EQ(sink.events[1]->ID, 5);
  EXPECT_EQ(sink.events[1]->Seq, 6);
  EXPECT_EQ(sink.events[1]->Extra.ToString(), "text");

  // A handler's failure comes back with its code, and its message where
  // IDispatch carries one.
  sink.object->OnVisioEvent = [](std::unique_ptr<TKTVisio_EventInfo>) {
    throw AutomationError(automation::MakeHResult(0x86DB0001), "the handler failed");
  };
  EXPECT_EQ(typed->VisEventProc(1, nullptr, 0, 0, nullptr, extra),
            static_cast<HRESULT>(0x86DB0001));
  try {
    late->Invoke(automation::CallKind::Method, "VisEventProc", args);
    ADD_FAILURE() << "no failure";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.code(), automation::MakeHResult(0x86DB0001));
    EXPECT_EQ(e.message(), "the handler failed");
  }
  // Six arguments, no fewer.
  try {
    late->Invoke(automation::CallKind::Method, "VisEventProc", std::span(args).first(5));
    ADD_FAILURE() << "no failure";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.code(), DISP_E_BADPARAMCOUNT);
  }
}

// Another process calls the sink through the vtable of a proxy, which only
// the universal marshaller makes, and only while the library is registered.
TEST_F(AddOnRegistrationTest, AnotherProcessCallsTheSinkThroughTheUniversalMarshaller) {
  RegisterAddOnSinkClass();
  ASSERT_EQ(Start({"/UNREGSERVER"}).error, "");
  {
    Sink sink;
    Com<IUnknown> object;
    object.p = automation::com::ToUnknown(ObjectRef(sink.object));
    EXPECT_EQ(CallFromAnotherProcess(object.p), E_NOINTERFACE);
    EXPECT_TRUE(sink.events.empty());
  }
  ASSERT_EQ(Start({"/REGSERVER"}).error, "");
  Sink sink;
  Com<IUnknown> object;
  object.p = automation::com::ToUnknown(ObjectRef(sink.object));
  EXPECT_EQ(CallFromAnotherProcess(object.p), S_OK);
  ASSERT_EQ(sink.events.size(), 1u);
  EXPECT_EQ(sink.events[0]->Event, kCellChanged);
  EXPECT_FALSE(sink.events[0]->Source);
  EXPECT_EQ(sink.events[0]->ID, 7);
  EXPECT_EQ(sink.events[0]->Seq, 42);
  EXPECT_FALSE(sink.events[0]->Subject);
  EXPECT_EQ(sink.events[0]->Extra.ToString(), "extra");
}

}  // namespace
}  // namespace sinktest
