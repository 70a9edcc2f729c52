// Automation objects that live in COM: reached through IDispatch by late
// binding (names looked up with GetIDsOfNames, members called with Invoke),
// and the other way round, this process's own objects handed to COM as
// IDispatch. Like every COM interface pointer, these belong to the
// apartment (thread) that made them.
#pragma once

#include "automation/com/ComHeaders.h"
// Then the rest.
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

namespace automation::com {

// Dispatch IDs by folded member name, for one interface.
struct MemberIds {
  std::unordered_map<std::string, DISPID> ids;
};

class DispatchObject final : public Object {
 public:
  // Holds its own references: the object's IUnknown (its identity) and its
  // IDispatch, when it offers one (else every call fails E_NOINTERFACE).
  explicit DispatchObject(IUnknown* object);

  IUnknown* identity() const noexcept { return identity_; }
  IDispatch* dispatch() const noexcept { return dispatch_; }

  Variant Invoke(CallKind kind, std::string_view member, Args args) override;
  DispId GetIDOfName(std::string_view member) override;
  Variant InvokeById(DispId id, CallKind kind, Args args) override;
  bool Supports(const Guid& iid) const override;
  // COM's rule: the same object when QueryInterface(IID_IUnknown) gives the
  // same pointer.
  bool IsSameObject(const Object& other) const override;

 protected:
  ~DispatchObject() override;

 private:
  MemberIds& Ids();

  IUnknown* identity_ = nullptr;
  IDispatch* dispatch_ = nullptr;
  std::shared_ptr<MemberIds> ids_;
};

// The part of a COM object that answers a dual interface described by a
// type library: its vtable, and IDispatch answered from the interface's type
// description. It is made for one of this process's objects when ToDispatch
// first hands it out (see RegisterDualInterface) and lives inside that COM
// object: its QueryInterface, AddRef and Release are `outer`'s, which gives
// COM one identity and one count for the object.
class DualInterface {
 public:
  virtual ~DualInterface() = default;
  // The interface (not counted), derived from IDispatch.
  virtual IDispatch* Interface() noexcept = 0;
};
using DualInterfaceMaker =
    std::function<std::unique_ptr<DualInterface>(const ObjectRef& object, IUnknown* outer)>;

// Makes this process's objects that support `iid` (Object::Supports) reach
// COM through that interface: the IDispatch ToDispatch hands out for them is
// the dual interface `make` builds, and QueryInterface answers `iid` with
// it. Registering an interface again replaces its maker; objects already
// handed out keep theirs.
void RegisterDualInterface(const Guid& iid, DualInterfaceMaker make);

// The object for a pointer COM gave us: this process's own object when the
// pointer is one handed out by ToDispatch, else a DispatchObject; Nothing
// for a null pointer.
ObjectRef FromUnknown(IUnknown* object);

// The IDispatch to hand to COM for an object, counted (the receiver
// releases it): a DispatchObject's own, or one of this process's object's
// own COM object: its registered dual interface (RegisterDualInterface)
// when it has one, else an IDispatch that calls it by name. Null for
// Nothing. Throws AutomationError when the dual interface cannot be made.
IDispatch* ToDispatch(const ObjectRef& object);

// The same for VT_UNKNOWN: a DispatchObject's identity, which need not
// offer IDispatch.
IUnknown* ToUnknown(const ObjectRef& object);

// Connections that clients in other processes hold to this process's
// objects handed out by ToDispatch: COM's stubs tell each object through
// IExternalConnection when the first strong reference from outside comes
// and when the last one goes. A local server ends when the count falls
// back to zero, its last client having let go.
long ExternalConnections();
// Called, on the thread COM tells (the objects' apartment), each time the
// count falls to zero; an empty function removes it.
void SetLastConnectionHandler(std::function<void()> handler);

// Lets go of the type descriptions that the dispatch IDs are kept by, on
// this thread; an apartment does this before COM closes.
void ForgetMemberIds();

// How often GetIDsOfNames was called on this thread: the name cache's
// measure.
std::uint64_t NameLookups();

}  // namespace automation::com
