#include "visio/KTVisio_AddOnSink.h"

#include <exception>
#include <utility>

#include "automation/Runtime.h"
#include "visio/KTVisio_AddOn_TLB.h"

using automation::AutomationError;
using automation::CallKind;
using automation::Variant;

TKTVisio_EventInfo::TKTVisio_EventInfo(std::int16_t event, automation::ObjectRef source,
                                       std::int32_t id, std::int32_t seq,
                                       automation::ObjectRef subject, automation::Variant extra)
    : Event(event),
      Source(std::move(source)),
      ID(id),
      Seq(seq),
      Subject(std::move(subject)),
      Extra(std::move(extra)) {}

TVisioAddOnSink::~TVisioAddOnSink() = default;

void TVisioAddOnSink::VisEventProc(std::int16_t event, const automation::ObjectRef& source,
                                   std::int32_t id, std::int32_t seq,
                                   const automation::ObjectRef& subject,
                                   const automation::Variant& extra) {
  if (!OnVisioEvent) return;
  // A copy, because the handler may clear or replace OnVisioEvent (dropping
  // the event connection) while it runs.
  const TVisioEventHandler handler = OnVisioEvent;
  // Only an AutomationError may leave: the caller is Visio, which knows
  // nothing but result codes and their messages.
  try {
    handler(std::make_unique<TKTVisio_EventInfo>(event, source, id, seq, subject, extra));
  } catch (const AutomationError&) {
    throw;
  } catch (const std::exception& e) {
    throw AutomationError(automation::E_UNEXPECTED, e.what());
  } catch (...) {
    throw AutomationError(automation::E_UNEXPECTED);
  }
}

Variant TVisioAddOnSink::Invoke(CallKind kind, std::string_view member, automation::Args args) {
  if (!automation::NamesEqual(member, "VisEventProc")) {
    throw AutomationError(automation::DISP_E_MEMBERNOTFOUND);
  }
  return InvokeById(DISPID_VisEventProc, kind, args);
}

automation::DispId TVisioAddOnSink::GetIDOfName(std::string_view member) {
  if (automation::NamesEqual(member, "VisEventProc")) return DISPID_VisEventProc;
  throw AutomationError(automation::DISP_E_UNKNOWNNAME);
}

Variant TVisioAddOnSink::InvokeById(automation::DispId id, CallKind kind, automation::Args args) {
  if (id != DISPID_VisEventProc || kind != CallKind::Method) {
    throw AutomationError(automation::DISP_E_MEMBERNOTFOUND);
  }
  if (args.size() != 6) throw AutomationError(automation::DISP_E_BADPARAMCOUNT);
  // Extra is passed as it came: the parameter is a variant by value.
  VisEventProc(args[0].ToInt16(), args[1].ToObject(), args[2].ToInt32(), args[3].ToInt32(),
               args[4].ToObject(), args[5]);
  return Variant();
}

bool TVisioAddOnSink::Supports(const automation::Guid& iid) const {
  return iid == IID_IVisioAddOnSink || Object::Supports(iid);
}

namespace {

class TVisioAddOnSinkFactory : public automation::ClassFactory {
 public:
  automation::HResult CreateInstance(const automation::Guid& iid,
                                     automation::ObjectRef* object) override {
    if (!object) return automation::E_POINTER;
    auto sink = automation::MakeRef<TVisioAddOnSink>();
    if (!sink->Supports(iid)) {
      object->Reset();
      return automation::E_NOINTERFACE;
    }
    *object = std::move(sink);
    return automation::S_OK;
  }
};

}  // namespace

std::uint32_t RegisterAddOnSinkClass() {
#ifdef _WIN32
  RegisterAddOnSinkInterface();
#endif
  std::uint32_t cookie = 0;
  automation::Check(automation::CoRegisterClassObject(
      CLASS_VisioAddOnSink, std::make_shared<TVisioAddOnSinkFactory>(),
      automation::CLSCTX_INPROC_SERVER, automation::REGCLS_INTERNAL, &cookie));
  return cookie;
}
