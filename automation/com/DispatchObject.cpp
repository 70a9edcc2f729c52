#include "automation/com/DispatchObject.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "automation/com/Convert.h"

namespace automation::com {
namespace {

// This process's own objects handed out to COM, and the wrapper each is
// handed out as: one wrapper per object while it lives, so that COM sees
// one identity; and a wrapper that comes back is unwrapped by a look here,
// not by a QueryInterface that would cost a round trip for every object of
// another process.
class ExportedDispatch;
std::mutex exportedLock;
std::map<const Object*, ExportedDispatch*> exportedByObject;
// Every pointer a wrapper hands out: its identity and its dual interface.
std::map<const void*, ExportedDispatch*> exported;

// The dual interfaces objects are handed out with, by interface.
std::mutex dualInterfacesLock;
std::vector<std::pair<Guid, DualInterfaceMaker>> dualInterfaces;

// The registered dual interface an object supports, if any.
std::pair<Guid, DualInterfaceMaker> DualInterfaceOf(const Object& object) {
  std::lock_guard guard(dualInterfacesLock);
  for (const auto& entry : dualInterfaces) {
    if (object.Supports(entry.first)) return entry;
  }
  return {};
}

// The dispatch IDs of one interface are the same for all its objects, so
// they are kept per type description: a name is looked up once per
// interface, not once per object (Visio hands out a new object for every
// Shapes.Item). The type description's IUnknown is the key, and is held so
// that it stays unique (and, for a proxy, stays the same proxy). Objects
// without a type description keep their IDs to themselves.
struct TypeIds {
  IUnknown* typeInfo;  // counted
  std::shared_ptr<MemberIds> ids;
};
thread_local std::map<IUnknown*, TypeIds> typeIds;

// What IExternalConnection says of all exported objects together.
std::atomic<long> externalConnections{0};
std::mutex lastConnectionLock;
std::function<void()> lastConnectionHandler;

void ConnectionsChanged(long delta) {
  if (externalConnections.fetch_add(delta) + delta != 0) return;
  std::function<void()> handler;
  {
    std::lock_guard guard(lastConnectionLock);
    handler = lastConnectionHandler;
  }
  if (handler) handler();
}
thread_local std::uint64_t nameLookups = 0;

AutomationError ErrorFrom(HRESULT hr, EXCEPINFO& info) {
  if (hr != DISP_E_EXCEPTION) return AutomationError(static_cast<HResult>(hr));
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  // An application's own wCode numbers are FACILITY_CONTROL codes, as in VB.
  const HResult code = info.scode != 0   ? static_cast<HResult>(info.scode)
                       : info.wCode != 0 ? MakeHResult(0x800A0000u | info.wCode)
                                         : DISP_E_EXCEPTION;
  std::string description = Narrow(info.bstrDescription);
  ::SysFreeString(info.bstrDescription);
  ::SysFreeString(info.bstrSource);
  ::SysFreeString(info.bstrHelpFile);
  info = EXCEPINFO{};
  if (description.empty()) return AutomationError(code);
  return AutomationError(code, std::move(description));
}

// Arguments for IDispatch::Invoke, cleared at the end of the call.
class Arguments {
 public:
  // COM takes them last first.
  explicit Arguments(Args args) : v_(args.size()) {
    for (VARIANT& v : v_) ::VariantInit(&v);
    try {
      for (std::size_t i = 0; i < args.size(); ++i) ToVARIANT(args[args.size() - 1 - i], &v_[i]);
    } catch (...) {
      Clear();
      throw;
    }
  }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;
  ~Arguments() { Clear(); }
  DISPPARAMS Params() { return DISPPARAMS{v_.data(), nullptr, static_cast<UINT>(v_.size()), 0}; }

 private:
  void Clear() {
    for (VARIANT& v : v_) ::VariantClear(&v);
  }

  std::vector<VARIANT> v_;
};

// One of this process's objects as COM sees it, so that COM can call it:
// an argument or a result that is not COM's own object. Its IDispatch
// calls the object by name, unless the object has a dual interface
// (RegisterDualInterface), which then answers IDispatch and its own
// interface. Its stubs tell it of clients in other processes
// (IExternalConnection).
class ExportedDispatch final : public IDispatch, public IExternalConnection {
 public:
  // Under exportedLock. Throws what the dual interface's maker throws.
  ExportedDispatch(ObjectRef object, const std::pair<Guid, DualInterfaceMaker>& dual)
      : object_(std::move(object)) {
    if (dual.second) {
      std::unique_ptr<DualInterface> part = dual.second(object_, static_cast<IDispatch*>(this));
      if (!part || !part->Interface()) throw AutomationError(E_NOINTERFACE);
      dual_ = std::move(part);
      dualIid_ = ToGuid(dual.first);
      exported[dual_->Interface()] = this;
    }
    exported[static_cast<IDispatch*>(this)] = this;
    exportedByObject[object_.get()] = this;
  }
  ExportedDispatch(const ExportedDispatch&) = delete;
  ExportedDispatch& operator=(const ExportedDispatch&) = delete;

  const ObjectRef& object() const noexcept { return object_; }
  // What the object is handed to COM as, not counted.
  IDispatch* Handed() noexcept { return dual_ ? dual_->Interface() : this; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, ::IID_IUnknown)) {
      AddRef();
      *out = static_cast<IDispatch*>(this);
      return S_OK;
    }
    if (IsEqualIID(iid, ::IID_IDispatch) || (dual_ && IsEqualIID(iid, dualIid_)) ||
        object_->Supports(FromGuid(iid))) {
      AddRef();
      *out = Handed();
      return S_OK;
    }
    if (IsEqualIID(iid, ::IID_IExternalConnection)) {
      AddRef();
      *out = static_cast<IExternalConnection*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = 0;
    {
      // Under the lock, so that ToDispatch never revives a wrapper that is
      // on its way out.
      std::lock_guard guard(exportedLock);
      left = --refs_;
      if (left == 0) {
        exported.erase(static_cast<IDispatch*>(this));
        if (dual_) exported.erase(dual_->Interface());
        exportedByObject.erase(object_.get());
      }
    }
    if (left == 0) delete this;  // may release the object: not under the lock
    return left;
  }

  // Only strong connections keep a server's objects in use; weak ones are
  // tables' (the running object table's).
  DWORD STDMETHODCALLTYPE AddConnection(DWORD kind, DWORD) override {
    if (!(kind & EXTCONN_STRONG)) return static_cast<DWORD>(connections_.load());
    const long now = ++connections_;
    ConnectionsChanged(1);
    return static_cast<DWORD>(now);
  }
  DWORD STDMETHODCALLTYPE ReleaseConnection(DWORD kind, DWORD, BOOL) override {
    if (!(kind & EXTCONN_STRONG) || connections_.load() == 0) {
      return static_cast<DWORD>(connections_.load());
    }
    const long now = --connections_;
    ConnectionsChanged(-1);
    return static_cast<DWORD>(now);
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }

  // Names get IDs of this wrapper's own, in the order they are asked for
  // (whether the object has such a member, Invoke finds out); named
  // arguments are not taken. What a caller can make it keep is bounded: no
  // object has members that many or names that long.
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    constexpr std::size_t kMostNames = 4096, kLongestName = 1024;
    if (!names || !ids || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    const std::size_t length = names[0] ? wcsnlen(names[0], kLongestName + 1) : 0;
    if (length == 0 || length > kLongestName) return DISP_E_UNKNOWNNAME;
    try {
      const std::string key = AsciiLowered(Narrow(names[0], length));
      auto it = std::find(names_.begin(), names_.end(), key);
      if (it == names_.end()) {
        if (names_.size() >= kMostNames) return DISP_E_UNKNOWNNAME;
        it = names_.insert(names_.end(), key);
      }
      ids[0] = static_cast<DISPID>(it - names_.begin()) + 1;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
    return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
    if (id < 1 || static_cast<std::size_t>(id) > names_.size()) return DISP_E_MEMBERNOTFOUND;
    if (!params || params->cNamedArgs > params->cArgs || (params->cArgs && !params->rgvarg) ||
        (params->cNamedArgs && !params->rgdispidNamedArgs)) {
      return E_INVALIDARG;
    }
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    const UINT named = params->cNamedArgs;
    if (named > (put ? 1u : 0u) ||
        (named == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
      return DISP_E_NONAMEDARGS;
    }
    if (put && named == 0) return DISP_E_PARAMNOTFOUND;
    try {
      std::vector<Variant> args;
      args.reserve(params->cArgs);
      // Positional ones arrive last first; the new value of a put comes last.
      for (UINT i = params->cArgs; i > named; --i) {
        if (argError) *argError = i - 1;
        args.push_back(FromVARIANT(params->rgvarg[i - 1]));
      }
      if (put) {
        if (argError) *argError = 0;
        args.push_back(FromVARIANT(params->rgvarg[0]));
      }
      const std::string& member = names_[static_cast<std::size_t>(id) - 1];
      Variant answer;
      if (put) {
        object_->Invoke(CallKind::PropertyPut, member, args);
      } else if (flags & DISPATCH_METHOD) {
        // Called as a method by a caller that also takes a property (VB's
        // way with obj.Item(1)): a property answers when no method does.
        try {
          answer = object_->Invoke(CallKind::Method, member, args);
        } catch (const AutomationError& e) {
          if (e.code() != DISP_E_MEMBERNOTFOUND || !(flags & DISPATCH_PROPERTYGET)) throw;
          answer = object_->Invoke(CallKind::PropertyGet, member, args);
        }
      } else {
        answer = object_->Invoke(CallKind::PropertyGet, member, args);
      }
      if (result) ToVARIANT(answer, result);
      return S_OK;
    } catch (const AutomationError& e) {
      return Raise(exception, e.code(), e.message());
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
      // No exception may cross into COM: any other is the object's failure.
      return Raise(exception, E_FAIL, e.what());
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

 private:
  ~ExportedDispatch() = default;

  static HRESULT Raise(EXCEPINFO* exception, HResult code, const std::string& message) {
    if (!exception) return code;
    *exception = EXCEPINFO{};
    exception->scode = code;
    try {
      exception->bstrDescription = Bstr(message).Detach();
    } catch (const AutomationError&) {
      // Out of memory: the code alone.
    }
    return DISP_E_EXCEPTION;
  }

  std::atomic<ULONG> refs_{1};
  std::atomic<long> connections_{0};
  ObjectRef object_;
  std::unique_ptr<DualInterface> dual_;
  GUID dualIid_{};
  std::vector<std::string> names_;
};

}  // namespace

DispatchObject::DispatchObject(IUnknown* object) {
  if (!object) throw AutomationError(E_POINTER);
  HRESULT hr = object->QueryInterface(::IID_IUnknown, reinterpret_cast<void**>(&identity_));
  if (FAILED(hr)) throw AutomationError(static_cast<HResult>(hr));
  if (FAILED(object->QueryInterface(::IID_IDispatch, reinterpret_cast<void**>(&dispatch_)))) {
    dispatch_ = nullptr;
  }
}

DispatchObject::~DispatchObject() {
  if (dispatch_) dispatch_->Release();
  identity_->Release();
}

MemberIds& DispatchObject::Ids() {
  if (ids_) return *ids_;
  ITypeInfo* info = nullptr;
  IUnknown* key = nullptr;
  if (SUCCEEDED(dispatch_->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info)) && info) {
    if (FAILED(info->QueryInterface(::IID_IUnknown, reinterpret_cast<void**>(&key)))) key = nullptr;
    info->Release();
  }
  if (!key) {
    ids_ = std::make_shared<MemberIds>();
    return *ids_;
  }
  auto it = typeIds.find(key);
  if (it != typeIds.end()) {
    key->Release();  // the table holds one already
  } else {
    it = typeIds.emplace(key, TypeIds{key, std::make_shared<MemberIds>()}).first;
  }
  ids_ = it->second.ids;
  return *ids_;
}

DispId DispatchObject::GetIDOfName(std::string_view member) {
  if (!dispatch_) throw AutomationError(E_NOINTERFACE);
  MemberIds& known = Ids();
  std::string key = AsciiLowered(member);
  if (auto it = known.ids.find(key); it != known.ids.end()) return it->second;
  std::wstring wide = Widen(member);
  LPOLESTR names[] = {wide.data()};
  DISPID id = DISPID_UNKNOWN;
  ++nameLookups;
  const HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) throw AutomationError(static_cast<HResult>(hr));
  known.ids.emplace(std::move(key), id);
  return id;
}

Variant DispatchObject::Invoke(CallKind kind, std::string_view member, Args args) {
  return InvokeById(GetIDOfName(member), kind, args);
}

Variant DispatchObject::InvokeById(DispId id, CallKind kind, Args args) {
  if (!dispatch_) throw AutomationError(E_NOINTERFACE);
  if (kind == CallKind::PropertyPut && args.empty()) throw AutomationError(DISP_E_BADPARAMCOUNT);
  Arguments arguments(args);
  DISPPARAMS params = arguments.Params();
  DISPID putId = DISPID_PROPERTYPUT;
  WORD flags = DISPATCH_PROPERTYGET;
  if (kind == CallKind::Method) {
    flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;  // as VB calls what it takes a result from
  } else if (kind == CallKind::PropertyPut) {
    // The new value is the one named argument. An object is set by
    // reference (VB's Set) where the property takes one that way.
    params.cNamedArgs = 1;
    params.rgdispidNamedArgs = &putId;
    flags = args.back().IsObject() && args.back().ToObject() ? DISPATCH_PROPERTYPUTREF
                                                             : DISPATCH_PROPERTYPUT;
  }
  ScopedVariant result;
  EXCEPINFO info{};
  UINT argError = 0;
  VARIANT* out = kind == CallKind::PropertyPut ? nullptr : &result;
  HRESULT hr =
      dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, out, &info, &argError);
  if (hr == DISP_E_MEMBERNOTFOUND && flags == DISPATCH_PROPERTYPUTREF) {
    // No by-reference setter: the plain one takes the object.
    hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, out,
                           &info, &argError);
  }
  if (FAILED(hr)) throw ErrorFrom(hr, info);
  return FromVARIANT(result);
}

bool DispatchObject::Supports(const Guid& iid) const {
  if (iid == IID_IUnknown) return true;
  if (iid == IID_IDispatch) return dispatch_ != nullptr;
  IUnknown* other = nullptr;
  const GUID wanted = ToGuid(iid);
  if (FAILED(identity_->QueryInterface(wanted, reinterpret_cast<void**>(&other))) || !other) {
    return false;
  }
  other->Release();
  return true;
}

bool DispatchObject::IsSameObject(const Object& other) const {
  const auto* com = dynamic_cast<const DispatchObject*>(&other);
  return com && com->identity_ == identity_;
}

ObjectRef FromUnknown(IUnknown* object) {
  if (!object) return {};
  {
    std::lock_guard guard(exportedLock);
    if (auto it = exported.find(object); it != exported.end()) return it->second->object();
  }
  return MakeRef<DispatchObject>(object);
}

IUnknown* ToUnknown(const ObjectRef& object) {
  if (const auto* com = dynamic_cast<const DispatchObject*>(object.get())) {
    com->identity()->AddRef();
    return com->identity();
  }
  return ToDispatch(object);
}

IDispatch* ToDispatch(const ObjectRef& object) {
  if (!object) return nullptr;
  if (const auto* com = dynamic_cast<const DispatchObject*>(object.get())) {
    if (com->dispatch()) {
      com->dispatch()->AddRef();
      return com->dispatch();
    }
    throw AutomationError(E_NOINTERFACE);
  }
  const auto dual = DualInterfaceOf(*object);
  std::lock_guard guard(exportedLock);
  auto it = exportedByObject.find(object.get());
  if (it != exportedByObject.end()) {
    it->second->AddRef();
    return it->second->Handed();
  }
  return (new ExportedDispatch(object, dual))->Handed();
}

void RegisterDualInterface(const Guid& iid, DualInterfaceMaker make) {
  std::lock_guard guard(dualInterfacesLock);
  for (auto& entry : dualInterfaces) {
    if (entry.first == iid) {
      entry.second = std::move(make);
      return;
    }
  }
  dualInterfaces.emplace_back(iid, std::move(make));
}

void ForgetMemberIds() {
  std::map<IUnknown*, TypeIds> held;
  held.swap(typeIds);
  for (auto& [key, entry] : held) entry.typeInfo->Release();
}

long ExternalConnections() {
  return externalConnections.load();
}

void SetLastConnectionHandler(std::function<void()> handler) {
  std::lock_guard guard(lastConnectionLock);
  lastConnectionHandler = std::move(handler);
}

std::uint64_t NameLookups() {
  return nameLookups;
}

}  // namespace automation::com
