// Between the automation layer's values and COM's: Variant and VARIANT,
// UTF-8 strings and BSTR, Guid and GUID.
#pragma once

#include "automation/com/ComHeaders.h"
// Then the rest.
#include <string>
#include <string_view>

namespace automation::com {

// A BSTR owned for the length of a scope.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::string_view utf8);
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { ::SysFreeString(b_); }

  BSTR get() const noexcept { return b_; }
  BSTR* out() noexcept;  // frees what it holds first
  BSTR Detach() noexcept;

 private:
  BSTR b_ = nullptr;
};

std::wstring Widen(std::string_view utf8);
// Unpaired surrogates become U+FFFD; a null BSTR is the empty string.
std::string Narrow(const wchar_t* text, std::size_t length);
std::string Narrow(BSTR text);

GUID ToGuid(const Guid& g) noexcept;
Guid FromGuid(const GUID& g) noexcept;

// Fills a VARIANT (which must be empty or VariantInit'ed) from a Variant; the
// caller clears it with VariantClear. Objects of this process that are not
// COM's travel as IDispatch (automation/com/DispatchObject.h).
void ToVARIANT(const Variant& value, VARIANT* out);

// Reads a VARIANT, VT_BYREF ones through their reference. Types the layer
// has no place for fail with DISP_E_BADVARTYPE.
Variant FromVARIANT(const VARIANT& value);

// A VARIANT cleared when the scope ends.
struct ScopedVariant : VARIANT {
  ScopedVariant() noexcept { ::VariantInit(this); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  ~ScopedVariant() { ::VariantClear(this); }
};

}  // namespace automation::com
