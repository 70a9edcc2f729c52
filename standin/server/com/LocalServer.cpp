#include "standin/server/com/LocalServer.h"

// The layer's headers before Windows' (see automation/com/ComHeaders.h).
#include "automation/com/Apartment.h"
#include "automation/com/Convert.h"
#include "automation/com/DispatchObject.h"
#include "standin/Application.h"
// Then the rest.
#include <atomic>
#include <cstdarg>

namespace standin::com {
namespace {

constexpr UINT kNoClientMs = 60000;

void Log(std::FILE* log, const char* format, ...) {
  if (!log) return;
  std::fprintf(log, "tarvel-visio %lu: ", static_cast<unsigned long>(::GetCurrentProcessId()));
  va_list args;
  va_start(args, format);
  std::vfprintf(log, format, args);
  va_end(args);
  std::fputc('\n', log);
  std::fflush(log);
}

// Visio's class factory: every instance it makes is this process's one
// application (one Visio per process; SINGLEUSE has COM start another
// process for the next CreateObject, as Visio runs a new instance).
class Factory final : public IClassFactory {
 public:
  explicit Factory(automation::Ref<Application> app) : app_(std::move(app)) {}
  Factory(const Factory&) = delete;
  Factory& operator=(const Factory&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, ::IID_IUnknown) || IsEqualIID(iid, ::IID_IClassFactory)) {
      AddRef();
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on RunLocalServer's stack, past the revoke that lets COM go.
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (app_->IsDeleted()) return CO_E_SERVER_STOPPING;
    try {
      IDispatch* app = automation::com::ToDispatch(app_);
      const HRESULT hr = app->QueryInterface(iid, out);
      app->Release();
      return hr;
    } catch (const automation::AutomationError& e) {
      return e.code();
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    locks_ += lock ? 1 : -1;
    if (!lock && locks_ == 0 && automation::com::ExternalConnections() == 0) ::PostQuitMessage(0);
    return S_OK;
  }

  long Locks() const { return locks_; }

 private:
  automation::Ref<Application> app_;
  std::atomic<ULONG> refs_{0};
  long locks_ = 0;  // on the apartment's thread only
};

}  // namespace

std::wstring LogPath() {
  wchar_t folder[MAX_PATH + 1] = L"";
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, folder);
  return std::wstring(folder, n > MAX_PATH ? 0 : n) + L"tarvel-visio.log";
}

int RunLocalServer(const ServerOptions& options, std::FILE* log) {
  const CLSID clsid = automation::com::ToGuid(CLSID_VisioApplication);
  std::unique_ptr<automation::com::Apartment> apartment;
  try {
    apartment = std::make_unique<automation::com::Apartment>();
  } catch (const automation::AutomationError& e) {
    Log(log, "cannot open COM: %s", e.what());
    return 1;
  }
  automation::Ref<Application> app = StartVisio(StartWithDrawings(
      options.files, options.demo, [log](const std::string& file, const std::string& message) {
        Log(log, "cannot open \"%s\": %s", file.c_str(), message.c_str());
      }));
  app->SetQuitHandler([] { ::PostQuitMessage(0); });
  app->SetUnsavedHandler([log](const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += " \"" + name + '"';
    Log(log, "quitting with unsaved changes in%s", list.c_str());
  });

  // Only a server COM started offers the class: CreateObject runs a new
  // Visio, never one started by hand (clients attach to that one with
  // GetObject).
  Factory factory(app);
  DWORD classCookie = 0, runningCookie = 0;
  HRESULT hr = S_OK;
  if (options.embedding) {
    hr = ::CoRegisterClassObject(clsid, &factory, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE,
                                 &classCookie);
  }
  if (FAILED(hr)) {
    Log(log, "cannot offer Visio's class (CoRegisterClassObject: 0x%08lX)",
        static_cast<unsigned long>(hr));
    app->SetQuitHandler({});
    app->Quit();
    return 1;
  }
  // Weakly: the table's reference is no client's, and does not keep the
  // server running once the clients have gone.
  IDispatch* running = automation::com::ToDispatch(app);
  hr = ::RegisterActiveObject(running, clsid, ACTIVEOBJECT_WEAK, &runningCookie);
  if (FAILED(hr)) {
    runningCookie = 0;
    Log(log, "not in the running object table (RegisterActiveObject: 0x%08lX)",
        static_cast<unsigned long>(hr));
  }
  Log(log, "serving Visio.Application%s", options.embedding ? " for COM" : "");

  if (options.embedding) {
    automation::com::SetLastConnectionHandler([&factory] {
      if (factory.Locks() == 0) ::PostQuitMessage(0);
    });
    ::SetTimer(nullptr, 0, kNoClientMs, nullptr);
  }
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == nullptr && options.embedding) {
      if (automation::com::ExternalConnections() == 0 && factory.Locks() == 0) {
        Log(log, "no client came; ending");
        break;
      }
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }

  automation::com::SetLastConnectionHandler({});
  if (runningCookie) ::RevokeActiveObject(runningCookie, nullptr);
  if (classCookie) ::CoRevokeClassObject(classCookie);
  running->Release();
  app->SetQuitHandler({});
  if (!app->IsDeleted()) app->Quit();
  app.Reset();
  Log(log, "ended");
  return 0;
}

}  // namespace standin::com
