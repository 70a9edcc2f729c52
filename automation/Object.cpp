#include "automation/Object.h"

#include "automation/HResult.h"
#include "automation/Variant.h"

namespace automation {

Object::~Object() = default;

DispId Object::GetIDOfName(std::string_view) {
  throw AutomationError(DISP_E_UNKNOWNNAME);
}

Variant Object::InvokeById(DispId, CallKind, Args) {
  throw AutomationError(DISP_E_MEMBERNOTFOUND);
}

bool Object::Supports(const Guid& iid) const {
  return iid == IID_IUnknown || iid == IID_IDispatch;
}

bool SameObject(const ObjectRef& a, const ObjectRef& b) {
  if (!a || !b) return !a && !b;
  return a.get() == b.get() || a->IsSameObject(*b);
}

}  // namespace automation
