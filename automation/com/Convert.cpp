#include "automation/com/Convert.h"

#include <limits>
#include <memory>
#include <utility>

#include "automation/com/DispatchObject.h"

namespace automation::com {
namespace {

[[noreturn]] void BadVarType() {
  throw AutomationError(DISP_E_BADVARTYPE);
}

void CheckCom(HRESULT hr) {
  if (FAILED(hr)) throw AutomationError(static_cast<HResult>(hr));
}

// A SAFEARRAY destroyed when the scope ends unless handed over.
struct ArrayOwner {
  SAFEARRAY* array;
  ~ArrayOwner() {
    if (array) ::SafeArrayDestroy(array);
  }
};

SAFEARRAY* ToSafeArray(const StringArray& strings) {
  SAFEARRAYBOUND bound{static_cast<ULONG>(strings.Count()), strings.LBound()};
  ArrayOwner owner{::SafeArrayCreate(VT_BSTR, 1, &bound)};
  if (!owner.array) throw AutomationError(E_OUTOFMEMORY);
  for (LONG i = 0; i < strings.Count(); ++i) {
    LONG index = strings.LBound() + i;
    Bstr element(strings.Get(index));
    // SafeArrayPutElement copies the string.
    CheckCom(::SafeArrayPutElement(owner.array, &index, element.get()));
  }
  return std::exchange(owner.array, nullptr);
}

StringArray FromSafeArray(SAFEARRAY* array) {
  if (!array) return StringArray();
  // Only one dimension of strings has a place in the layer.
  if (::SafeArrayGetDim(array) != 1) BadVarType();
  VARTYPE element = VT_EMPTY;
  CheckCom(::SafeArrayGetVartype(array, &element));
  if (element != VT_BSTR) BadVarType();
  LONG lower = 0, upper = -1;
  CheckCom(::SafeArrayGetLBound(array, 1, &lower));
  CheckCom(::SafeArrayGetUBound(array, 1, &upper));
  StringArray out = StringArray::WithBounds(lower, upper);
  if (out.Count() == 0) return out;
  BSTR* data = nullptr;
  CheckCom(::SafeArrayAccessData(array, reinterpret_cast<void**>(&data)));
  for (LONG i = 0; i < out.Count(); ++i) out.Put(lower + i, Narrow(data[i]));
  ::SafeArrayUnaccessData(array);
  return out;
}

}  // namespace

Bstr::Bstr(std::string_view utf8) {
  const std::wstring wide = Widen(utf8);
  b_ = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (!b_) throw AutomationError(E_OUTOFMEMORY);
}

BSTR* Bstr::out() noexcept {
  ::SysFreeString(std::exchange(b_, nullptr));
  return &b_;
}

BSTR Bstr::Detach() noexcept {
  return std::exchange(b_, nullptr);
}

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  if (utf8.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    throw AutomationError(E_OUTOFMEMORY);
  }
  const int size = static_cast<int>(utf8.size());
  // Bytes that are no UTF-8 become U+FFFD, as the system does without
  // MB_ERR_INVALID_CHARS.
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), n);
  return out;
}

std::string Narrow(const wchar_t* text, std::size_t length) {
  if (!text || length == 0) return {};
  if (length > static_cast<std::size_t>(std::numeric_limits<int>::max() / 3)) {
    throw AutomationError(E_OUTOFMEMORY);
  }
  const int size = static_cast<int>(length);
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, size, out.data(), n, nullptr, nullptr);
  return out;
}

std::string Narrow(BSTR text) {
  return Narrow(text, ::SysStringLen(text));
}

GUID ToGuid(const Guid& g) noexcept {
  GUID out;
  out.Data1 = g.data1;
  out.Data2 = g.data2;
  out.Data3 = g.data3;
  for (std::size_t i = 0; i < 8; ++i) out.Data4[i] = g.data4[i];
  return out;
}

Guid FromGuid(const GUID& g) noexcept {
  Guid out;
  out.data1 = g.Data1;
  out.data2 = g.Data2;
  out.data3 = g.Data3;
  for (std::size_t i = 0; i < 8; ++i) out.data4[i] = g.Data4[i];
  return out;
}

void ToVARIANT(const Variant& value, VARIANT* out) {
  switch (value.type()) {
    case VarType::Empty:
      V_VT(out) = VT_EMPTY;
      return;
    case VarType::Null:
      V_VT(out) = VT_NULL;
      return;
    case VarType::I2:
      V_VT(out) = VT_I2;
      V_I2(out) = value.ToInt16();
      return;
    case VarType::I4:
      V_VT(out) = VT_I4;
      V_I4(out) = value.ToInt32();
      return;
    case VarType::R8:
      V_VT(out) = VT_R8;
      V_R8(out) = value.ToDouble();
      return;
    case VarType::Bstr:
      V_BSTR(out) = Bstr(value.ToString()).Detach();
      V_VT(out) = VT_BSTR;
      return;
    case VarType::Bool:
      V_VT(out) = VT_BOOL;
      V_BOOL(out) = value.ToBool() ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case VarType::Error:
      V_VT(out) = VT_ERROR;
      V_ERROR(out) = value.ToError();
      return;
    case VarType::Dispatch:
      V_DISPATCH(out) = ToDispatch(value.ToObject());
      V_VT(out) = VT_DISPATCH;
      return;
    case VarType::Unknown:
      V_UNKNOWN(out) = ToUnknown(value.ToObject());
      V_VT(out) = VT_UNKNOWN;
      return;
    case VarType::BstrArray:
      V_ARRAY(out) = ToSafeArray(value.ToStringArray());
      V_VT(out) = VT_ARRAY | VT_BSTR;
      return;
  }
  BadVarType();
}

Variant FromVARIANT(const VARIANT& value) {
  const VARTYPE vt = V_VT(&value);
  if (vt & VT_BYREF) {
    // OLE's own copy through the reference (one level, as COM passes them).
    ScopedVariant target;
    CheckCom(::VariantCopyInd(&target, const_cast<VARIANT*>(&value)));
    if (V_VT(&target) & VT_BYREF) BadVarType();
    return FromVARIANT(target);
  }
  switch (vt) {
    case VT_EMPTY:
      return Variant();
    case VT_NULL:
      return Variant::Null();
    case VT_I2:
      return Variant(std::int16_t{V_I2(&value)});
    case VT_I4:
      return Variant(std::int32_t{V_I4(&value)});
    case VT_R8:
      return Variant(V_R8(&value));
    case VT_BSTR:
      return Variant(Narrow(V_BSTR(&value)));
    case VT_BOOL:
      return Variant::Bool(V_BOOL(&value) != VARIANT_FALSE);
    case VT_ERROR:
      return Variant::Error(V_ERROR(&value));
    case VT_DISPATCH:
      return Variant(FromUnknown(V_DISPATCH(&value)));
    case VT_UNKNOWN:
      return Variant::Unknown(FromUnknown(V_UNKNOWN(&value)));
    case VT_ARRAY | VT_BSTR:
      return Variant(FromSafeArray(V_ARRAY(&value)));
    default:
      BadVarType();
  }
}

}  // namespace automation::com
