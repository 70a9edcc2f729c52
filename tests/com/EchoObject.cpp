#include "EchoObject.h"

#include <cstdio>
#include <cwchar>
#include <map>
#include <string>
#include <tuple>

namespace echo {

const CLSID CLSID_Echo = {
    0x8c3e0f52, 0x6a1d, 0x4e7b, {0xb2, 0xc9, 0x5d, 0x14, 0xa7, 0xe0, 0x3f, 0x61}};

namespace {

LONG live = 0;

enum Member : DISPID {
  kEcho = 1,
  kDescribe,
  kItem,
  kCellsSRC,
  kValue,
  kTarget,
  kChild,
  kUntyped,
  kSelf,
  kFail,
  kFailWCode,
  kReturn,
  kByRef,
  kByRefI4,
  kOdd,
  kChangeType,
  kSame,
  kCall,
  kLive,
  kQuit,
  kBare,
};

struct Name {
  const wchar_t* name;
  DISPID id;
};
const Name kNames[] = {
    {L"Echo", kEcho},
    {L"Describe", kDescribe},
    {L"Item", kItem},
    {L"CellsSRC", kCellsSRC},
    {L"Value", kValue},
    {L"Target", kTarget},
    {L"Child", kChild},
    {L"Untyped", kUntyped},
    {L"Self", kSelf},
    {L"Fail", kFail},
    {L"FailWCode", kFailWCode},
    {L"Return", kReturn},
    {L"ByRef", kByRef},
    {L"ByRefI4", kByRefI4},
    {L"Odd", kOdd},
    {L"ChangeType", kChangeType},
    {L"Same", kSame},
    {L"Call", kCall},
    {L"Live", kLive},
    {L"Bare", kBare},
    {L"Quit", kQuit},
};

// One type description shared by every typed echo object, as a type
// library's is by every object of an interface.
ITypeInfo* SharedTypeInfo() {
  static ITypeInfo* info = [] {
    static METHODDATA method = {const_cast<OLECHAR*>(L"Echo"),
                                nullptr,
                                kEcho,
                                7,
                                CC_STDCALL,
                                0,
                                DISPATCH_METHOD,
                                VT_VARIANT};
    INTERFACEDATA data = {&method, 1};
    ITypeInfo* made = nullptr;
    if (FAILED(::CreateDispTypeInfo(&data, LOCALE_SYSTEM_DEFAULT, &made))) made = nullptr;
    return made;
  }();
  return info;
}

std::wstring Text(const VARIANT& v) {
  VARIANT copy;
  ::VariantInit(&copy);
  std::wstring out = L"?";
  if (SUCCEEDED(
          ::VariantChangeType(&copy, const_cast<VARIANT*>(&v), VARIANT_NOUSEROVERRIDE, VT_BSTR))) {
    out.assign(V_BSTR(&copy), ::SysStringLen(V_BSTR(&copy)));
  }
  ::VariantClear(&copy);
  return out;
}

// The object itself as its IUnknown.
IUnknown* Identity(IUnknown* object) {
  IUnknown* identity = nullptr;
  if (!object ||
      FAILED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)))) {
    return nullptr;
  }
  identity->Release();  // only compared, never used
  return identity;
}

HRESULT Raise(EXCEPINFO* info, SCODE scode, WORD wCode, BSTR description) {
  if (info) {
    *info = EXCEPINFO{};
    info->scode = scode;
    info->wCode = wCode;
    info->bstrSource = ::SysAllocString(L"Tarvel.ComEcho");
    info->bstrDescription = ::SysAllocStringLen(description, ::SysStringLen(description));
  }
  return DISP_E_EXCEPTION;
}

// Reference counting as every object here does it: it deletes itself when
// the last reference goes.
template <class Interface>
class Counted : public Interface {
 public:
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 protected:
  virtual ~Counted() = default;

 private:
  LONG refs_ = 1;
};

// An object that offers IUnknown alone: no member can be called on it.
class Bare final : public Counted<IUnknown> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!IsEqualIID(iid, IID_IUnknown)) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *out = static_cast<IUnknown*>(this);
    return S_OK;
  }
};

// A second IDispatch of the same object: its own pointer, the same
// identity (QueryInterface(IID_IUnknown) gives the object's).
class TearOff final : public Counted<IDispatch> {
 public:
  explicit TearOff(IDispatch* owner) : owner_(owner) { owner_->AddRef(); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IDispatch)) {
      AddRef();
      *out = static_cast<IDispatch*>(this);
      return S_OK;
    }
    return owner_->QueryInterface(iid, out);
  }
  ~TearOff() override { owner_->Release(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    return owner_->GetTypeInfoCount(n);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
    return owner_->GetTypeInfo(i, l, t);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l,
                                          DISPID* d) override {
    return owner_->GetIDsOfNames(r, n, c, l, d);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v,
                                   EXCEPINFO* e, UINT* a) override {
    return owner_->Invoke(id, r, l, f, p, v, e, a);
  }

 private:
  IDispatch* owner_;
};

class Echo final : public Counted<IDispatch> {
 public:
  explicit Echo(bool typed) : typed_(typed) {
    ::InterlockedIncrement(&live);
    ::VariantInit(&value_);
    ::VariantInit(&kept_);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
      AddRef();
      *out = static_cast<IDispatch*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = typed_ && SharedTypeInfo() ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    *out = nullptr;
    if (!typed_ || index != 0 || !SharedTypeInfo()) return DISP_E_BADINDEX;
    SharedTypeInfo()->AddRef();
    *out = SharedTypeInfo();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      for (const Name& n : kNames) {
        if (i == 0 && _wcsicmp(n.name, names[i]) == 0) ids[i] = n.id;
      }
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* info, UINT*) override {
    const bool get = (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0;
    const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
    const bool putRef = (flags & DISPATCH_PROPERTYPUTREF) != 0;
    // Puts name their new value; nothing else takes named arguments.
    if (put || putRef) {
      if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
        return DISP_E_PARAMNOTFOUND;
      }
    } else if (params->cNamedArgs != 0) {
      return DISP_E_NONAMEDARGS;
    }
    const UINT n = params->cArgs - params->cNamedArgs;  // positional ones
    // Positional argument i, counted from the first as the caller wrote it.
    auto arg = [&](UINT i) -> VARIANT& { return params->rgvarg[params->cArgs - 1 - i]; };
    auto argI4 = [&](UINT i, LONG* out) {
      VARIANT c;
      ::VariantInit(&c);
      HRESULT hr = ::VariantChangeType(&c, &arg(i), 0, VT_I4);
      *out = V_I4(&c);
      return hr;
    };
    VARIANT scratch;
    ::VariantInit(&scratch);
    VARIANT* out = result ? result : &scratch;
    HRESULT hr = S_OK;
    switch (id) {
      case kEcho:
        if (!get || n != 1) return DISP_E_BADPARAMCOUNT;
        hr = ::VariantCopy(out, &arg(0));
        break;
      case kDescribe: {
        // The flags, then every argument as COM placed it, last first.
        std::wstring d = L"flags=" + std::to_wstring(flags) + L" named=";
        for (UINT i = 0; i < params->cNamedArgs; ++i) {
          d += std::to_wstring(params->rgdispidNamedArgs[i]) + L",";
        }
        for (UINT i = 0; i < params->cArgs; ++i) {
          const VARIANT& v = params->rgvarg[i];
          d += L" " + std::to_wstring(V_VT(&v)) + L":" +
               (V_VT(&v) == VT_ERROR ? std::to_wstring(static_cast<unsigned long>(V_ERROR(&v)))
                                     : Text(v));
        }
        V_VT(out) = VT_BSTR;
        V_BSTR(out) = ::SysAllocString(d.c_str());
        break;
      }
      case kItem: {
        LONG i = 0;
        if (!get || n != 1) return DISP_E_BADPARAMCOUNT;
        if (FAILED(hr = argI4(0, &i))) return hr;
        if (i < 1 || i > 3) return DISP_E_BADINDEX;
        V_VT(out) = VT_BSTR;
        V_BSTR(out) = ::SysAllocString((L"Item " + std::to_wstring(i)).c_str());
        break;
      }
      case kCellsSRC: {
        LONG s = 0, r = 0, c = 0;
        if (n != 3) return DISP_E_BADPARAMCOUNT;
        if (FAILED(hr = argI4(0, &s)) || FAILED(hr = argI4(1, &r)) || FAILED(hr = argI4(2, &c))) {
          return hr;
        }
        const auto key = std::make_tuple(s, r, c);
        if (put) {
          VARIANT d;
          ::VariantInit(&d);
          if (FAILED(hr = ::VariantChangeType(&d, &params->rgvarg[0], 0, VT_R8))) return hr;
          cells_[key] = V_R8(&d);
        } else if (get) {
          V_VT(out) = VT_R8;
          V_R8(out) = cells_.count(key) ? cells_[key] : -1.0;
        } else {
          return DISP_E_MEMBERNOTFOUND;
        }
        break;
      }
      case kValue:  // a plain property: Let only, no Set
        if (putRef) return DISP_E_MEMBERNOTFOUND;
        if (put) return n == 0 ? ::VariantCopy(&value_, &params->rgvarg[0]) : DISP_E_BADPARAMCOUNT;
        hr = ::VariantCopy(out, &value_);
        break;
      case kTarget:  // an object property: Set only
        if (put) return DISP_E_MEMBERNOTFOUND;
        if (putRef) {
          if (V_VT(&params->rgvarg[0]) != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
          return ::VariantCopy(&target_, &params->rgvarg[0]);
        }
        hr = ::VariantCopy(out, &target_);
        break;
      case kChild:
      case kUntyped:
        V_VT(out) = VT_DISPATCH;
        V_DISPATCH(out) = NewEcho(id == kChild);
        break;
      case kSelf:
        V_VT(out) = VT_DISPATCH;
        V_DISPATCH(out) = new TearOff(this);
        break;
      case kFail: {
        LONG code = 0;
        if (n != 2 || FAILED(argI4(0, &code)) || V_VT(&arg(1)) != VT_BSTR) return E_INVALIDARG;
        hr = Raise(info, code, 0, V_BSTR(&arg(1)));
        break;
      }
      case kFailWCode: {
        LONG code = 0;
        if (n != 2 || FAILED(argI4(0, &code)) || V_VT(&arg(1)) != VT_BSTR) return E_INVALIDARG;
        hr = Raise(info, 0, static_cast<WORD>(code), V_BSTR(&arg(1)));
        break;
      }
      case kReturn: {
        LONG code = 0;
        if (n != 1 || FAILED(argI4(0, &code))) return E_INVALIDARG;
        hr = code;
        break;
      }
      case kByRef:
      case kByRefI4:
        if (n != 1) return DISP_E_BADPARAMCOUNT;
        ::VariantClear(&kept_);
        if (id == kByRefI4) {
          if (FAILED(hr = ::VariantChangeType(&kept_, &arg(0), 0, VT_I4))) return hr;
          V_VT(out) = VT_BYREF | VT_I4;
          V_I4REF(out) = &V_I4(&kept_);
        } else {
          if (FAILED(hr = ::VariantCopy(&kept_, &arg(0)))) return hr;
          V_VT(out) = VT_BYREF | VT_VARIANT;
          V_VARIANTREF(out) = &kept_;
        }
        break;
      case kOdd: {
        // Values the automation layer has no type for.
        LONG which = 0;
        if (n != 1 || FAILED(argI4(0, &which))) return E_INVALIDARG;
        if (which == 0) {
          V_VT(out) = VT_I8;
          V_I8(out) = 1LL << 40;
        } else if (which == 1) {
          V_VT(out) = VT_DATE;
          V_DATE(out) = 45000.5;
        } else if (which == 2) {
          SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
          V_VT(out) = VT_ARRAY | VT_BSTR;
          V_ARRAY(out) = ::SafeArrayCreate(VT_BSTR, 2, bounds);
        } else {
          SAFEARRAYBOUND bound = {2, 0};
          V_VT(out) = VT_ARRAY | VT_VARIANT;
          V_ARRAY(out) = ::SafeArrayCreate(VT_VARIANT, 1, &bound);
        }
        break;
      }
      case kChangeType: {
        // OLE's own conversion, for the layer's table to be checked against.
        LONG to = 0;
        if (n != 2 || FAILED(argI4(1, &to))) return E_INVALIDARG;
        hr = ::VariantChangeType(out, &arg(0), 0, static_cast<VARTYPE>(to));
        break;
      }
      case kSame:
        if (n != 2) return DISP_E_BADPARAMCOUNT;
        if (V_VT(&arg(0)) != VT_DISPATCH || V_VT(&arg(1)) != VT_DISPATCH) {
          return DISP_E_TYPEMISMATCH;
        }
        V_VT(out) = VT_BOOL;
        V_BOOL(out) = Identity(V_DISPATCH(&arg(0))) == Identity(V_DISPATCH(&arg(1))) &&
                              Identity(V_DISPATCH(&arg(0)))
                          ? VARIANT_TRUE
                          : VARIANT_FALSE;
        break;
      case kCall: {
        // Calls back: obj.member(args...) with the given DISPATCH_ flags,
        // through obj's IDispatch.
        LONG callFlags = 0;
        if (n < 3 || V_VT(&arg(0)) != VT_DISPATCH || FAILED(argI4(1, &callFlags)) ||
            V_VT(&arg(2)) != VT_BSTR) {
          return E_INVALIDARG;
        }
        IDispatch* obj = V_DISPATCH(&arg(0));
        LPOLESTR name = V_BSTR(&arg(2));
        DISPID member = DISPID_UNKNOWN;
        if (FAILED(hr = obj->GetIDsOfNames(IID_NULL, &name, 1, 0, &member))) return hr;
        DISPPARAMS rest = {params->rgvarg, nullptr, n - 3, 0};
        hr = obj->Invoke(member, IID_NULL, 0, static_cast<WORD>(callFlags), &rest, out, info,
                         nullptr);
        break;
      }
      case kBare:
        V_VT(out) = VT_UNKNOWN;
        V_UNKNOWN(out) = new Bare;
        break;
      case kLive:
        V_VT(out) = VT_I4;
        V_I4(out) = live;
        break;
      case kQuit:
        ::PostQuitMessage(0);
        break;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
    ::VariantClear(&scratch);
    return hr;
  }

 private:
  ~Echo() override {
    ::VariantClear(&value_);
    ::VariantClear(&target_);
    ::VariantClear(&kept_);
    ::InterlockedDecrement(&live);
  }

  bool typed_;
  VARIANT value_, kept_;
  VARIANT target_ = {};
  std::map<std::tuple<LONG, LONG, LONG>, double> cells_;
};

class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // static: never deleted
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    IDispatch* made = NewEcho();
    const HRESULT hr = made->QueryInterface(iid, out);
    made->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace

IDispatch* NewEcho(bool typed) {
  return new Echo(typed);
}

long Live() {
  return live;
}

int RunLocalServer() {
  // COM shows a server's output nowhere: what goes wrong goes to a log.
  wchar_t logPath[MAX_PATH + 32] = L"";
  ::GetTempPathW(MAX_PATH, logPath);
  wcscat(logPath, L"tarvel-com-echo.log");
  FILE* log = _wfopen(logPath, L"a");
  auto fail = [&](const char* what, HRESULT hr) {
    if (log) std::fprintf(log, "%s failed: 0x%08lX\n", what, static_cast<unsigned long>(hr));
    return 1;
  };
  HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) return fail("CoInitializeEx", hr);
  static Factory factory;
  DWORD classCookie = 0, runningCookie = 0;
  hr = ::CoRegisterClassObject(CLSID_Echo, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                               &classCookie);
  if (FAILED(hr)) return fail("CoRegisterClassObject", hr);
  IDispatch* running = NewEcho();
  hr = ::RegisterActiveObject(running, CLSID_Echo, ACTIVEOBJECT_STRONG, &runningCookie);
  if (FAILED(hr)) fail("RegisterActiveObject", hr);
  // Bounded: a test that dies before its Quit leaves no server behind.
  ::SetTimer(nullptr, 0, 60000, nullptr);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) {
      fail("client never said Quit; stopping", S_OK);
      break;
    }
    ::DispatchMessageW(&msg);
  }
  if (runningCookie) ::RevokeActiveObject(runningCookie, nullptr);
  running->Release();
  ::CoRevokeClassObject(classCookie);
  ::CoUninitialize();
  if (log) std::fclose(log);
  return 0;
}

}  // namespace echo
