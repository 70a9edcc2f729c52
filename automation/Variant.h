// The automation variant: one value of any of the automation types that
// Visio's interfaces pass, with OLE Automation's conversion rules between them.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "automation/HResult.h"
#include "automation/Object.h"

namespace automation {

// The type tags are COM's VARTYPE values.
enum class VarType : std::uint16_t {
  Empty = 0,
  Null = 1,
  I2 = 2,
  I4 = 3,
  R8 = 5,
  Bstr = 8,
  Dispatch = 9,
  Error = 10,
  Bool = 11,
  Unknown = 13,
  BstrArray = 0x2008,  // VT_ARRAY | VT_BSTR
};

// "VT_I2", "VT_ARRAY|VT_BSTR", ...
std::string_view VarTypeName(VarType type) noexcept;

// A one-dimensional array of strings with a lower bound, as a SAFEARRAY of
// BSTR is. Element access outside the bounds fails with DISP_E_BADINDEX.
class StringArray {
 public:
  StringArray() = default;
  StringArray(std::int32_t lowerBound, std::vector<std::string> elements);
  // An array of empty strings with the given bounds (upper < lower: empty).
  static StringArray WithBounds(std::int32_t lowerBound, std::int32_t upperBound);

  std::int32_t LBound() const noexcept { return lower_; }
  std::int32_t UBound() const noexcept {
    return lower_ + static_cast<std::int32_t>(elements_.size()) - 1;
  }
  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(elements_.size()); }
  const std::string& Get(std::int32_t index) const;
  void Put(std::int32_t index, std::string value);
  const std::vector<std::string>& Elements() const noexcept { return elements_; }

  friend bool operator==(const StringArray&, const StringArray&) = default;

 private:
  std::size_t Offset(std::int32_t index) const;

  std::int32_t lower_ = 0;
  std::vector<std::string> elements_;
};

class Variant {
 public:
  Variant() noexcept = default;  // Empty
  Variant(std::int16_t v) noexcept : type_(VarType::I2), value_(std::int32_t{v}) {}
  Variant(std::int32_t v) noexcept : type_(VarType::I4), value_(v) {}
  Variant(double v) noexcept : type_(VarType::R8), value_(v) {}
  // A bool could mean VT_BOOL or one of Visio's 16-bit booleans: say which
  // with Bool() or VisBool().
  Variant(bool) = delete;
  Variant(std::string v) : type_(VarType::Bstr), value_(std::move(v)) {}
  Variant(std::string_view v) : Variant(std::string(v)) {}
  Variant(const char* v) : Variant(std::string(v)) {}
  template <class T>
  Variant(Ref<T> object) : type_(VarType::Dispatch), value_(ObjectRef(std::move(object))) {}
  Variant(StringArray v) : type_(VarType::BstrArray), value_(std::move(v)) {}

  static Variant Null() { return Variant(VarType::Null, std::monostate{}); }
  // VARIANT_BOOL: true is -1, false is 0.
  static Variant Bool(bool v) { return Variant(VarType::Bool, std::int32_t{v ? -1 : 0}); }
  // Visio's own booleans are plain 16-bit integers holding -1 or 0.
  static Variant VisBool(bool v) {
    return Variant(std::int16_t{v ? std::int16_t(-1) : std::int16_t(0)});
  }
  static Variant Unknown(ObjectRef object) { return Variant(VarType::Unknown, std::move(object)); }
  static Variant Error(HResult code) { return Variant(VarType::Error, std::int32_t{code}); }
  // The marker COM passes for an optional argument the caller left out.
  static Variant Missing() { return Error(DISP_E_PARAMNOTFOUND); }

  VarType type() const noexcept { return type_; }
  bool IsEmpty() const noexcept { return type_ == VarType::Empty; }
  bool IsNull() const noexcept { return type_ == VarType::Null; }
  bool IsMissing() const noexcept;
  bool IsObject() const noexcept { return type_ == VarType::Dispatch || type_ == VarType::Unknown; }

  // OLE's VariantChangeType: the value converted to another type, or an
  // AutomationError (DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW).
  Variant ChangeType(VarType to) const;

  // Converting reads, by the same rules.
  std::int16_t ToInt16() const;
  std::int32_t ToInt32() const;
  double ToDouble() const;
  std::string ToString() const;
  bool ToBool() const;
  ObjectRef ToObject() const;  // Dispatch or Unknown; Empty gives Nothing
  StringArray ToStringArray() const;
  HResult ToError() const;

  // Same type and same value; objects compare by reference, not identity.
  friend bool operator==(const Variant& a, const Variant& b);

 private:
  using Storage =
      std::variant<std::monostate, std::int32_t, double, std::string, ObjectRef, StringArray>;
  Variant(VarType type, Storage value) : type_(type), value_(std::move(value)) {}

  VarType type_ = VarType::Empty;
  Storage value_;
};

// For test diagnostics: "VT_I2 -1", "VT_BSTR \"x\"", ...
std::ostream& operator<<(std::ostream& os, const Variant& v);

// ---- Ref<T> member access, now that Variant is complete ----

template <class T>
Variant Ref<T>::Get(std::string_view member) const {
  return Get(member, {});
}

template <class T>
Variant Ref<T>::Get(std::string_view member, std::initializer_list<Variant> args) const {
  if (!p_) throw AutomationError(E_POINTER);
  return p_->Invoke(CallKind::PropertyGet, member, Args(args.begin(), args.size()));
}

template <class T>
void Ref<T>::Put(std::string_view member, const Variant& value) const {
  Put(member, {}, value);
}

template <class T>
void Ref<T>::Put(std::string_view member, std::initializer_list<Variant> args,
                 const Variant& value) const {
  if (!p_) throw AutomationError(E_POINTER);
  std::vector<Variant> all(args);
  all.push_back(value);
  p_->Invoke(CallKind::PropertyPut, member, Args(all));
}

template <class T>
Variant Ref<T>::Invoke(std::string_view member) const {
  return Invoke(member, {});
}

template <class T>
Variant Ref<T>::Invoke(std::string_view member, std::initializer_list<Variant> args) const {
  if (!p_) throw AutomationError(E_POINTER);
  return p_->Invoke(CallKind::Method, member, Args(args.begin(), args.size()));
}

template <class T>
Ref<Object> Ref<T>::QueryInterface(const Guid& iid) const {
  if (!p_) throw AutomationError(E_POINTER);
  if (!p_->Supports(iid)) throw AutomationError(E_NOINTERFACE);
  return Ref<Object>(p_);
}

}  // namespace automation
