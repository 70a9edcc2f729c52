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

bool NamesEqual(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  if (a == b) return true;  // callers mostly spell a name as it is declared
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace automation
