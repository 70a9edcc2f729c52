// The COM runtime's part that Tarvel needs: class names (ProgIDs), class
// factories, and the running object table. Like COM's, this state is global
// to the process.
//
// The entry points keep COM's names and shapes (a result code, the answer in
// an out parameter) because callers rely on COM's way of failing: a missing
// class, nothing running, an interface refused. Which process the objects
// live in is the factories' business; callers only ever see Object refs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "automation/Guid.h"
#include "automation/HResult.h"
#include "automation/Object.h"

namespace automation {

// CLSCTX: where an instance may be made.
enum ClsCtx : std::uint32_t {
  CLSCTX_INPROC_SERVER = 0x1,
  CLSCTX_LOCAL_SERVER = 0x4,
  CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
};

// REGCLS / ACTIVEOBJECT flags that matter here.
enum RegCls : std::uint32_t {
  REGCLS_SINGLEUSE = 0,
  REGCLS_MULTIPLEUSE = 1,
  // Only this process may create the class: it is never announced to other
  // processes (a transport must not serve it).
  REGCLS_INTERNAL = 0x100,
};

// IClassFactory.
class ClassFactory {
 public:
  virtual ~ClassFactory() = default;
  // A new instance, asked for one interface; E_NOINTERFACE when the new
  // object does not offer it.
  virtual HResult CreateInstance(const Guid& iid, ObjectRef* object) = 0;
};

// ---- Class names: what the registry's HKEY_CLASSES_ROOT\<ProgID>\CLSID is ----

// Maps a ProgID to a class; ProgIDs are matched ignoring letter case.
void RegisterProgID(std::string_view progId, const Guid& clsid);
void UnregisterProgID(std::string_view progId);
// CO_E_CLASSSTRING for an unknown name.
HResult CLSIDFromProgID(std::string_view progId, Guid* clsid);

// ---- Class factories ----

// CoRegisterClassObject: makes CoCreateInstance find the factory for the
// given contexts. The cookie revokes it.
HResult CoRegisterClassObject(const Guid& clsid, std::shared_ptr<ClassFactory> factory,
                              std::uint32_t clsctx, std::uint32_t regcls, std::uint32_t* cookie);
HResult CoRevokeClassObject(std::uint32_t cookie);
// Whether a class object registered with REGCLS_INTERNAL (or not at all)
// may be served to other processes.
bool IsClassAnnounced(const Guid& clsid);

// CoCreateInstance: asks the factory registered for the class in one of
// the requested contexts (in-process first, as COM does) for a new
// instance. REGDB_E_CLASSNOTREG when there is none.
HResult CoCreateInstance(const Guid& clsid, std::uint32_t clsctx, const Guid& iid,
                         ObjectRef* object);

// ---- Running object table ----

// RegisterActiveObject: announces obj as the running instance of the class;
// the table keeps a counted reference until the object is revoked.
// SetErrorInfo / GetErrorInfo: a failing call that has more to say than
// its result code leaves a description for this thread; the caller takes
// it (once: taking it clears it). A factory says why an instance could not
// be made this way.
void SetErrorInfo(std::string description);
std::optional<std::string> GetErrorInfo();

HResult RegisterActiveObject(const ObjectRef& object, const Guid& clsid, std::uint32_t* cookie);
HResult RevokeActiveObject(std::uint32_t cookie);
// GetActiveObject: the earliest registered instance still running in this
// process; else the first running-object source that finds one elsewhere;
// else MK_E_UNAVAILABLE.
HResult GetActiveObject(const Guid& clsid, ObjectRef* object);

// Where GetActiveObject looks for instances running in other processes: a
// transport adds one per class it can reach. A source answers like
// GetActiveObject itself (S_OK with the object, or a failure code).
using RunningObjectSource = std::function<HResult(ObjectRef* object)>;
std::uint32_t AddRunningObjectSource(const Guid& clsid, RunningObjectSource source);
void RemoveRunningObjectSource(std::uint32_t cookie);

// ---- The system's own runtime ----

// Where the entry points above look last, when this process's own tables
// and sources have no answer: on Windows, COM itself (automation/com plugs
// it in). Each member answers as the entry point of the same name does.
class SystemRuntime {
 public:
  virtual ~SystemRuntime() = default;
  virtual HResult CLSIDFromProgID(std::string_view progId, Guid* clsid) = 0;
  virtual HResult GetActiveObject(const Guid& clsid, ObjectRef* object) = 0;
  virtual HResult CoCreateInstance(const Guid& clsid, std::uint32_t clsctx, const Guid& iid,
                                   ObjectRef* object) = 0;
};
// Plugs one in (nullptr takes it out); returns the one it replaces.
std::shared_ptr<SystemRuntime> SetSystemRuntime(std::shared_ptr<SystemRuntime> runtime);

}  // namespace automation
