// The sink as COM sees it: IVisioAddOnSink of the type library the program
// carries, its vtable and its IDispatch (answered from the interface's type
// description by DispInvoke, which calls the vtable). Both reach the sink
// through InvokeById, the door the sink has on every platform.
// The layer's headers before Windows' (see automation/com/ComHeaders.h).
#include "visio/KTVisio_AddOnSink.h"
#include "visio/KTVisio_AddOn_TLB.h"
#include "visio/Tarvel_AutomationServer.h"
// Then COM's.
#include "automation/com/Convert.h"
#include "automation/com/DispatchObject.h"
#include "visio/KTVisio_AddOn_Com.h"
// Then the rest.
#include <memory>
#include <new>

namespace {

using automation::AutomationError;
using automation::com::FromUnknown;

// The interface's description from the program's resource TYPELIB 1,
// loaded once; counted for the life of the process.
ITypeInfo* SinkTypeInfo() {
  static ITypeInfo* const info = [] {
    const std::string program = ProgramFilePath();
    const std::wstring file = automation::com::Widen(program);
    ITypeLib* lib = nullptr;
    HRESULT hr = ::LoadTypeLibEx(file.c_str(), REGKIND_NONE, &lib);
    ITypeInfo* found = nullptr;
    if (SUCCEEDED(hr)) {
      hr = lib->GetTypeInfoOfGuid(automation::com::ToGuid(IID_IVisioAddOnSink), &found);
      lib->Release();
    }
    if (FAILED(hr)) {
      throw AutomationError(static_cast<automation::HResult>(hr),
                            "The program \"" + program +
                                "\" carries no type library KTVisio_AddOn with IVisioAddOnSink");
    }
    return found;
  }();
  return info;
}

// Tells COM the message of a failure, for DispInvoke's EXCEPINFO and for
// callers that ask GetErrorInfo.
HRESULT Fail(automation::HResult code, const std::string& message) {
  ICreateErrorInfo* create = nullptr;
  if (SUCCEEDED(::CreateErrorInfo(&create))) {
    const std::wstring text = automation::com::Widen(message);
    create->SetGUID(__uuidof(IVisioAddOnSink));
    create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(::IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
      ::SetErrorInfo(0, info);
      info->Release();
    }
    create->Release();
  }
  return code;
}

class SinkInterface final : public IVisioAddOnSink, public automation::com::DualInterface {
 public:
  SinkInterface(automation::ObjectRef sink, IUnknown* outer, ITypeInfo* info)
      : sink_(std::move(sink)), outer_(outer), info_(info) {}

  IDispatch* Interface() noexcept override { return this; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return outer_->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return outer_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return outer_->Release(); }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    info_->AddRef();
    *info = info_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids) return E_INVALIDARG;
    return ::DispGetIDsOfNames(info_, names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return ::DispInvoke(static_cast<IVisioAddOnSink*>(this), info_, id, flags, params, result,
                        exception, argError);
  }

  HRESULT STDMETHODCALLTYPE VisEventProc(short event, IUnknown* source, LONG id, LONG seq,
                                         IUnknown* subject, VARIANT extra) override {
    try {
      const automation::Variant args[] = {
          automation::Variant(std::int16_t{event}),  automation::Variant(FromUnknown(source)),
          automation::Variant(std::int32_t{id}),     automation::Variant(std::int32_t{seq}),
          automation::Variant(FromUnknown(subject)), automation::com::FromVARIANT(extra)};
      sink_->InvokeById(DISPID_VisEventProc, automation::CallKind::Method, args);
      return S_OK;
    } catch (const AutomationError& e) {
      return Fail(e.code(), e.message());
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
      return Fail(E_UNEXPECTED, e.what());
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

 private:
  automation::ObjectRef sink_;
  IUnknown* outer_;  // not counted: this lives inside it
  ITypeInfo* info_;  // the process's, never released
};

}  // namespace

void RegisterAddOnSinkInterface() {
  automation::com::RegisterDualInterface(
      IID_IVisioAddOnSink,
      [](const automation::ObjectRef& object,
         IUnknown* outer) -> std::unique_ptr<automation::com::DualInterface> {
        return std::make_unique<SinkInterface>(object, outer, SinkTypeInfo());
      });
}
