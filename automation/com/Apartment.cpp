#include "automation/com/Apartment.h"

#include <memory>
#include <mutex>

#include "automation/com/Convert.h"
#include "automation/com/DispatchObject.h"

namespace automation::com {
namespace {

// Runtime's answers from COM. Every one is a call on the calling thread,
// which must have opened an apartment; COM says so otherwise.
class ComRuntime final : public SystemRuntime {
 public:
  HResult CLSIDFromProgID(std::string_view progId, Guid* clsid) override {
    return Guarded([&] {
      const std::wstring name = Widen(progId);
      CLSID found{};
      const HRESULT hr = ::CLSIDFromProgID(name.c_str(), &found);
      if (SUCCEEDED(hr)) *clsid = FromGuid(found);
      return static_cast<HResult>(hr);
    });
  }

  HResult GetActiveObject(const Guid& clsid, ObjectRef* object) override {
    return Guarded([&] {
      const CLSID wanted = ToGuid(clsid);
      IUnknown* running = nullptr;
      const HRESULT hr = ::GetActiveObject(wanted, nullptr, &running);
      return Adopt(hr, running, IID_IUnknown, object);
    });
  }

  HResult CoCreateInstance(const Guid& clsid, std::uint32_t clsctx, const Guid& iid,
                           ObjectRef* object) override {
    return Guarded([&] {
      const CLSID wanted = ToGuid(clsid);
      const DWORD where = clsctx & (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER);
      IUnknown* created = nullptr;
      const HRESULT hr = ::CoCreateInstance(wanted, nullptr, where, ::IID_IUnknown,
                                            reinterpret_cast<void**>(&created));
      return Adopt(hr, created, iid, object);
    });
  }

 private:
  template <class Call>
  static HResult Guarded(Call call) noexcept {
    try {
      return call();
    } catch (const AutomationError& e) {
      return e.code();
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }

  // Takes over the reference COM gave, as an object offering iid.
  static HResult Adopt(HRESULT hr, IUnknown* unknown, const Guid& iid, ObjectRef* object) {
    if (FAILED(hr)) return static_cast<HResult>(hr);
    if (!unknown) return E_POINTER;
    ObjectRef wrapped;
    try {
      wrapped = FromUnknown(unknown);
    } catch (...) {
      unknown->Release();
      throw;
    }
    unknown->Release();
    if (!wrapped->Supports(iid)) return E_NOINTERFACE;
    *object = std::move(wrapped);
    return S_OK;
  }
};

std::mutex apartmentsLock;
int openApartments = 0;

}  // namespace

Apartment::Apartment() {
  const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) throw AutomationError(static_cast<HResult>(hr));
  std::lock_guard guard(apartmentsLock);
  if (openApartments++ == 0) SetSystemRuntime(std::make_shared<ComRuntime>());
}

Apartment::~Apartment() {
  {
    std::lock_guard guard(apartmentsLock);
    if (--openApartments == 0) SetSystemRuntime(nullptr);
  }
  ForgetMemberIds();
  ::CoUninitialize();
}

}  // namespace automation::com
