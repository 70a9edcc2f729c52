#include "standin/server/com/TypeLibrary.h"

// The layer's headers before Windows' (see automation/com/ComHeaders.h).
#include "automation/com/Convert.h"
// Then the rest.
#include <filesystem>

#include "standin/Application.h"

namespace standin::com {
namespace {

// A library ID of the stand-in's own: Visio's library entry is never touched.
constexpr GUID kLibId = {
    0x822db18f, 0xc755, 0x4ae7, {0xa5, 0x1b, 0x39, 0x83, 0x48, 0xbd, 0xa8, 0x2b}};
constexpr WORD kMajor = 1, kMinor = 0;

std::wstring LibraryPath(const std::wstring& program) {
  return (std::filesystem::path(program).parent_path() / L"tarvel-visio.tlb").wstring();
}

std::string Failure(const char* doing, HRESULT hr) {
  return std::string("cannot ") + doing +
         " the type library: " + automation::SystemMessage(static_cast<automation::HResult>(hr)) +
         " (" + automation::FormatHResult(static_cast<automation::HResult>(hr)) + ")";
}

// Releases a COM interface at the end of the scope.
template <class T>
struct Held {
  T* p = nullptr;
  ~Held() {
    if (p) p->Release();
  }
};

// IVApplication: a dispinterface over IDispatch, with Visio's IID.
HRESULT Describe(ICreateTypeLib2* library) {
  HRESULT hr = library->SetGuid(kLibId);
  if (SUCCEEDED(hr)) hr = library->SetVersion(kMajor, kMinor);
  if (SUCCEEDED(hr)) hr = library->SetName(const_cast<LPOLESTR>(L"TarvelVisio"));
  if (SUCCEEDED(hr)) {
    hr = library->SetDocString(const_cast<LPOLESTR>(L"Visio's application (Tarvel stand-in)"));
  }
  Held<ICreateTypeInfo> info;
  if (SUCCEEDED(hr)) {
    hr = library->CreateTypeInfo(const_cast<LPOLESTR>(L"IVApplication"), TKIND_DISPATCH, &info.p);
  }
  if (SUCCEEDED(hr)) hr = info.p->SetGuid(automation::com::ToGuid(IID_IVApplication));
  // A dispinterface derives from IDispatch, described by stdole2.
  Held<ITypeLib> stdole;
  if (SUCCEEDED(hr)) hr = ::LoadTypeLib(L"stdole2.tlb", &stdole.p);
  Held<ITypeInfo> dispatch;
  if (SUCCEEDED(hr)) hr = stdole.p->GetTypeInfoOfGuid(::IID_IDispatch, &dispatch.p);
  HREFTYPE base = 0;
  if (SUCCEEDED(hr)) hr = info.p->AddRefTypeInfo(dispatch.p, &base);
  if (SUCCEEDED(hr)) hr = info.p->AddImplType(0, base);
  if (SUCCEEDED(hr)) hr = info.p->LayOut();
  return hr;
}

}  // namespace

std::string RegisterTypeLibrary(const std::wstring& program) {
  std::wstring path = LibraryPath(program);
  Held<ICreateTypeLib2> created;
  HRESULT hr = ::CreateTypeLib2(SYS_WIN64, path.c_str(), &created.p);
  if (SUCCEEDED(hr)) hr = Describe(created.p);
  if (SUCCEEDED(hr)) hr = created.p->SaveAllChanges();
  if (FAILED(hr)) return Failure("write", hr);
  Held<ITypeLib> library;
  hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library.p);
  if (SUCCEEDED(hr)) hr = ::RegisterTypeLib(library.p, path.data(), nullptr);
  return FAILED(hr) ? Failure("register", hr) : std::string();
}

std::string UnregisterTypeLibrary(const std::wstring& program) {
  const HRESULT hr = ::UnRegisterTypeLib(kLibId, kMajor, kMinor, LOCALE_NEUTRAL, SYS_WIN64);
  std::error_code ec;
  std::filesystem::remove(LibraryPath(program), ec);
  // Not registered is what was wanted.
  if (FAILED(hr) && hr != TYPE_E_REGISTRYACCESS && hr != TYPE_E_LIBNOTREGISTERED) {
    return Failure("unregister", hr);
  }
  return {};
}

}  // namespace standin::com
