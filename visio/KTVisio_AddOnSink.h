// The event sink: an automation object of the shape Visio calls to deliver
// events to an add-on. Each call of VisEventProc becomes one
// TKTVisio_EventInfo handed to the sink's handler.
//
// The program registers the class but never creates a sink nor subscribes one
// to Visio; trees are refreshed by the user and the refresh timer instead.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "automation/HResult.h"
#include "automation/Object.h"
#include "automation/Variant.h"

// One received event. It holds its own references to both objects and its own
// copy of Extra, so it outlives the call that delivered it.
class TKTVisio_EventInfo {
 public:
  TKTVisio_EventInfo(std::int16_t event, automation::ObjectRef source, std::int32_t id,
                     std::int32_t seq, automation::ObjectRef subject, automation::Variant extra);

  std::int16_t Event;
  automation::ObjectRef Source;
  std::int32_t ID;
  std::int32_t Seq;
  automation::ObjectRef Subject;
  automation::Variant Extra;
};

// The one receiver of a sink's events; it takes ownership of the event.
using TVisioEventHandler = std::function<void(std::unique_ptr<TKTVisio_EventInfo>)>;

class TVisioAddOnSink : public automation::Object {
 public:
  // Empty: events are dropped. The controller clears it when it drops its
  // event connection.
  TVisioEventHandler OnVisioEvent;

  // The interface's one method, called directly. Without a handler it does
  // nothing. Whatever the handler throws comes back as an AutomationError:
  // its own code when it is one, otherwise E_UNEXPECTED with the exception's
  // message.
  void VisEventProc(std::int16_t event, const automation::ObjectRef& source, std::int32_t id,
                    std::int32_t seq, const automation::ObjectRef& subject,
                    const automation::Variant& extra);

  // The same method by name or by dispatch ID 1, with the six arguments
  // converted to the parameter types (DISP_E_BADPARAMCOUNT for another
  // count, the conversion's own error for an argument that does not fit).
  automation::Variant Invoke(automation::CallKind kind, std::string_view member,
                             automation::Args args) override;
  automation::DispId GetIDOfName(std::string_view member) override;
  automation::Variant InvokeById(automation::DispId id, automation::CallKind kind,
                                 automation::Args args) override;
  bool Supports(const automation::Guid& iid) const override;

 protected:
  ~TVisioAddOnSink() override;
};

// Registers the class factory of VisioAddOnSink for this process only: no
// other process can create a sink. Start-up calls it before the controller is
// created; the returned cookie revokes it (CoRevokeClassObject). Throws
// AutomationError when the runtime refuses the factory.
//
// On Windows it also makes sinks reach COM as IVisioAddOnSink of the type
// library the program carries (RegisterAddOnSinkInterface): the COM object
// ToDispatch hands out for a sink answers that interface's vtable and an
// IDispatch from its type description, both calling VisEventProc.
std::uint32_t RegisterAddOnSinkClass();

#ifdef _WIN32
// The part of RegisterAddOnSinkClass that is COM's
// (automation::com::RegisterDualInterface). The type library is loaded from
// the program file (its resource TYPELIB 1) when the first sink is handed
// to COM; without one, handing it out fails.
void RegisterAddOnSinkInterface();
#endif
