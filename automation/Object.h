// Automation objects and counted references to them: what IDispatch and a
// smart interface pointer are to COM. Every member is reached by name, so a
// caller never needs to know whether the object lives in this process or
// behind a transport in another one.
#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

#include "automation/Guid.h"
#include "automation/Text.h"

namespace automation {

class Variant;
using Args = std::span<const Variant>;
using DispId = std::int32_t;

// How a member is invoked; the values are COM's DISPATCH_* flags.
enum class CallKind : std::uint8_t { Method = 1, PropertyGet = 2, PropertyPut = 4 };

// The base of every automation object. Objects are reference counted and
// destroy themselves when the last Ref lets go; construct them with MakeRef.
class Object {
 public:
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  void AddRef() const noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
  void Release() const noexcept {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  // How many references exist now (what COM's Release returns). A server
  // that exports objects uses it to tell when only its own table still
  // keeps one alive.
  std::uint32_t UseCount() const noexcept { return refs_.load(std::memory_order_acquire); }

  // The one door to the object's members. For PropertyPut the new value is
  // the last element of args, after the member's own arguments (as COM
  // passes it). Failures are thrown as AutomationError.
  virtual Variant Invoke(CallKind kind, std::string_view member, Args args) = 0;

  // Dispatch IDs for callers that bind once and call by number. The default
  // object knows no IDs.
  virtual DispId GetIDOfName(std::string_view member);
  virtual Variant InvokeById(DispId id, CallKind kind, Args args);

  // Whether the object offers an interface. Every object offers IUnknown and
  // IDispatch.
  virtual bool Supports(const Guid& iid) const;

  // COM's identity rule: two references are the same object when their
  // IUnknowns are equal. A proxy for an object in another process overrides
  // this to ask the other side.
  virtual bool IsSameObject(const Object& other) const { return this == &other; }

 protected:
  Object() = default;
  virtual ~Object();

 private:
  mutable std::atomic<std::uint32_t> refs_{0};
};

// A counted reference, like a COM smart pointer. Get/Put/Invoke throw
// AutomationError, E_POINTER when the reference is empty (Nothing).
template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  Ref(std::nullptr_t) noexcept {}
  explicit Ref(T* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  Ref(const Ref& other) noexcept : Ref(other.p_) {}
  Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class U>
  requires std::is_convertible_v<U*, T*> Ref(const Ref<U>& other)
  noexcept : Ref(other.get()) {}
  template <class U>
  requires std::is_convertible_v<U*, T*> Ref(Ref<U>&& other)
  noexcept : p_(other.Detach()) {}
  ~Ref() {
    if (p_) p_->Release();
  }

  Ref& operator=(Ref other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void Reset() noexcept { Ref().swap(*this); }
  void swap(Ref& other) noexcept { std::swap(p_, other.p_); }
  // Hands the counted pointer over without releasing it.
  T* Detach() noexcept { return std::exchange(p_, nullptr); }

  // Member access by name (defined in Variant.h, where Variant is complete).
  Variant Get(std::string_view member) const;
  Variant Get(std::string_view member, std::initializer_list<Variant> args) const;
  void Put(std::string_view member, const Variant& value) const;
  void Put(std::string_view member, std::initializer_list<Variant> args,
           const Variant& value) const;
  Variant Invoke(std::string_view member) const;
  Variant Invoke(std::string_view member, std::initializer_list<Variant> args) const;
  // COM's QueryInterface: the same object seen through another interface,
  // or E_NOINTERFACE.
  Ref<Object> QueryInterface(const Guid& iid) const;

 private:
  T* p_ = nullptr;
};

// Pointer equality, not identity: use SameObject to compare objects.
template <class T, class U>
bool operator==(const Ref<T>& a, const Ref<U>& b) noexcept {
  return static_cast<const void*>(a.get()) == static_cast<const void*>(b.get());
}
template <class T>
bool operator==(const Ref<T>& a, std::nullptr_t) noexcept {
  return a.get() == nullptr;
}

using ObjectRef = Ref<Object>;

template <class T, class... A>
Ref<T> MakeRef(A&&... args) {
  return Ref<T>(new T(std::forward<A>(args)...));
}

// True when both references are Nothing, or both refer to the same object.
bool SameObject(const ObjectRef& a, const ObjectRef& b);

}  // namespace automation
