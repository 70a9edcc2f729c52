#include "automation/Runtime.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "automation/Text.h"

namespace automation {
namespace {

struct FactoryEntry {
  std::uint32_t cookie;
  Guid clsid;
  std::shared_ptr<ClassFactory> factory;
  std::uint32_t clsctx;
  std::uint32_t regcls;
};

struct SourceEntry {
  std::uint32_t cookie;
  Guid clsid;
  RunningObjectSource source;
};

struct ActiveEntry {
  std::uint32_t cookie;
  Guid clsid;
  ObjectRef object;
};

// The process-wide tables. Calls normally come from the user-interface
// thread only; the lock keeps a transport thread from tearing them.
struct RuntimeState {
  std::mutex lock;
  std::map<std::string, Guid> progIds;  // folded ProgID -> class
  std::vector<FactoryEntry> factories;
  std::vector<ActiveEntry> running;
  std::vector<SourceEntry> sources;
  std::shared_ptr<SystemRuntime> system;
  std::uint32_t nextCookie = 1;
};

RuntimeState& State() {
  static RuntimeState* state = new RuntimeState;  // outlives every static user
  return *state;
}

// The system's runtime is asked outside the lock: it may start servers.
std::shared_ptr<SystemRuntime> System() {
  auto& s = State();
  std::lock_guard guard(s.lock);
  return s.system;
}

}  // namespace

void RegisterProgID(std::string_view progId, const Guid& clsid) {
  auto& s = State();
  std::lock_guard guard(s.lock);
  s.progIds[AsciiLowered(progId)] = clsid;
}

void UnregisterProgID(std::string_view progId) {
  auto& s = State();
  std::lock_guard guard(s.lock);
  s.progIds.erase(AsciiLowered(progId));
}

HResult CLSIDFromProgID(std::string_view progId, Guid* clsid) {
  if (!clsid) return E_POINTER;
  {
    auto& s = State();
    std::lock_guard guard(s.lock);
    auto it = s.progIds.find(AsciiLowered(progId));
    if (it != s.progIds.end()) {
      *clsid = it->second;
      return S_OK;
    }
  }
  *clsid = Guid{};
  if (auto system = System()) return system->CLSIDFromProgID(progId, clsid);
  return CO_E_CLASSSTRING;
}

HResult CoRegisterClassObject(const Guid& clsid, std::shared_ptr<ClassFactory> factory,
                              std::uint32_t clsctx, std::uint32_t regcls, std::uint32_t* cookie) {
  if (!factory || !cookie) return E_INVALIDARG;
  auto& s = State();
  std::lock_guard guard(s.lock);
  *cookie = s.nextCookie++;
  s.factories.push_back({*cookie, clsid, std::move(factory), clsctx, regcls});
  return S_OK;
}

HResult CoRevokeClassObject(std::uint32_t cookie) {
  auto& s = State();
  std::shared_ptr<ClassFactory> released;  // destroyed outside the lock
  std::lock_guard guard(s.lock);
  auto it = std::find_if(s.factories.begin(), s.factories.end(),
                         [&](const FactoryEntry& e) { return e.cookie == cookie; });
  if (it == s.factories.end()) return E_INVALIDARG;
  released = std::move(it->factory);
  s.factories.erase(it);
  return S_OK;
}

bool IsClassAnnounced(const Guid& clsid) {
  auto& s = State();
  std::lock_guard guard(s.lock);
  return std::any_of(s.factories.begin(), s.factories.end(), [&](const FactoryEntry& e) {
    return e.clsid == clsid && !(e.regcls & REGCLS_INTERNAL);
  });
}

namespace {
thread_local std::optional<std::string> errorInfo;
}  // namespace

void SetErrorInfo(std::string description) {
  errorInfo = std::move(description);
}

std::optional<std::string> GetErrorInfo() {
  std::optional<std::string> out = std::move(errorInfo);
  errorInfo.reset();
  return out;
}

HResult CoCreateInstance(const Guid& clsid, std::uint32_t clsctx, const Guid& iid,
                         ObjectRef* object) {
  if (!object) return E_POINTER;
  object->Reset();
  std::shared_ptr<ClassFactory> factory;
  {
    auto& s = State();
    std::lock_guard guard(s.lock);
    // In-process servers are preferred when both are allowed, as in COM.
    for (std::uint32_t context :
         {std::uint32_t{CLSCTX_INPROC_SERVER}, std::uint32_t{CLSCTX_LOCAL_SERVER}}) {
      if (!(clsctx & context)) continue;
      auto it = std::find_if(s.factories.begin(), s.factories.end(), [&](const FactoryEntry& e) {
        return e.clsid == clsid && (e.clsctx & context);
      });
      if (it != s.factories.end()) {
        factory = it->factory;
        break;
      }
    }
  }
  if (!factory) {
    if (auto system = System()) return system->CoCreateInstance(clsid, clsctx, iid, object);
    return REGDB_E_CLASSNOTREG;
  }
  // The factory runs unlocked: a new instance typically registers itself as
  // running.
  try {
    return factory->CreateInstance(iid, object);
  } catch (const AutomationError& e) {
    object->Reset();
    SetErrorInfo(e.what());
    return e.code();
  }
}

HResult RegisterActiveObject(const ObjectRef& object, const Guid& clsid, std::uint32_t* cookie) {
  if (!object || !cookie) return E_INVALIDARG;
  auto& s = State();
  std::lock_guard guard(s.lock);
  *cookie = s.nextCookie++;
  s.running.push_back({*cookie, clsid, object});
  return S_OK;
}

HResult RevokeActiveObject(std::uint32_t cookie) {
  ObjectRef released;  // the last reference may destroy the object: not under the lock
  {
    auto& s = State();
    std::lock_guard guard(s.lock);
    auto it = std::find_if(s.running.begin(), s.running.end(),
                           [&](const ActiveEntry& e) { return e.cookie == cookie; });
    if (it == s.running.end()) return E_INVALIDARG;
    released = std::move(it->object);
    s.running.erase(it);
  }
  return S_OK;
}

HResult GetActiveObject(const Guid& clsid, ObjectRef* object) {
  if (!object) return E_POINTER;
  object->Reset();
  std::vector<RunningObjectSource> sources;
  {
    auto& s = State();
    std::lock_guard guard(s.lock);
    auto it = std::find_if(s.running.begin(), s.running.end(),
                           [&](const ActiveEntry& e) { return e.clsid == clsid; });
    if (it != s.running.end()) {
      *object = it->object;
      return S_OK;
    }
    for (const SourceEntry& e : s.sources) {
      if (e.clsid == clsid) sources.push_back(e.source);
    }
  }
  // Sources talk to other processes: never under the lock.
  for (const RunningObjectSource& source : sources) {
    HResult hr = MK_E_UNAVAILABLE;
    try {
      hr = source(object);
    } catch (const AutomationError& e) {
      hr = e.code();
    }
    if (Succeeded(hr) && *object) return S_OK;
    object->Reset();
  }
  if (auto system = System()) return system->GetActiveObject(clsid, object);
  return MK_E_UNAVAILABLE;
}

std::uint32_t AddRunningObjectSource(const Guid& clsid, RunningObjectSource source) {
  auto& s = State();
  std::lock_guard guard(s.lock);
  const std::uint32_t cookie = s.nextCookie++;
  s.sources.push_back({cookie, clsid, std::move(source)});
  return cookie;
}

std::shared_ptr<SystemRuntime> SetSystemRuntime(std::shared_ptr<SystemRuntime> runtime) {
  auto& s = State();
  std::lock_guard guard(s.lock);
  return std::exchange(s.system, std::move(runtime));
}

void RemoveRunningObjectSource(std::uint32_t cookie) {
  RunningObjectSource released;
  auto& s = State();
  std::lock_guard guard(s.lock);
  auto it = std::find_if(s.sources.begin(), s.sources.end(),
                         [&](const SourceEntry& e) { return e.cookie == cookie; });
  if (it == s.sources.end()) return;
  released = std::move(it->source);
  s.sources.erase(it);
}

}  // namespace automation
