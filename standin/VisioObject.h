// The base of every object of the stand-in Visio, and the member tables
// that say which members each Visio interface answers.
//
// Each stand-in class describes its interface once, as a table of members
// (property getters and setters, methods, and plain stored values); the base
// answers Invoke from that table, and applies what holds for every Visio
// object: a busy application refuses every call, a deleted object answers
// only Stat, a read-only property refuses writes, and faults injected for
// tests fire before the member runs.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "automation/Variant.h"
#include "standin/VisioErrors.h"

namespace standin {

using automation::Args;
using automation::CallKind;
using automation::DispId;
using automation::Guid;
using automation::MakeRef;
using automation::ObjectRef;
using automation::Ref;
using automation::StringArray;
using automation::Variant;
using automation::VarType;

class Application;
class EventList;
class VisioObject;

// What every object shares with the application that made it. It outlives
// the application, so that references held by clients still answer (with
// an error) after Quit.
struct Session {
  // The application, while it exists.
  Application* app = nullptr;
  // Every call is refused with RPC_E_CALL_REJECTED, as Visio refuses calls
  // while a modal dialog is up.
  bool busy = false;
  // The application has quit: every call fails as disconnected.
  bool quit = false;

  struct Fault {
    const VisioObject* object;
    std::string member;  // folded to lower case
    automation::HResult code;
    std::string message;
  };
  std::vector<Fault> faults;

  // Source of unique IDs (GUIDs of shapes, masters, pages) and of
  // per-application serial numbers.
  std::uint32_t serial = 1;

  // Events (Events.h): Application.EventsEnabled; the sequence number of
  // the last event fired; how many events of each code bucket the event
  // lists hold, so that raising an event nobody asked for costs a look.
  bool eventsEnabled = true;
  std::int32_t eventSeq = 0;
  std::array<std::uint32_t, 64> eventsByCode{};
};
using SessionPtr = std::shared_ptr<Session>;

// One interface's members. Names match ignoring letter case; a member's
// DispId is its position in the table plus one.
class MemberTable {
 public:
  using Getter = std::function<Variant(VisioObject&, Args)>;
  using Setter = std::function<void(VisioObject&, Args, const Variant&)>;

  struct Member {
    std::string name;
    Getter get;     // property get
    Setter put;     // property put; empty for read-only properties
    Getter method;  // method call
    // For stored members: the value every object starts with. Its type is
    // the property's type; writes are converted to it.
    Variant initial;
    bool stored = false;
    bool writable = false;
    // A put or call that leaves what a file holds as it was (saving,
    // selecting, the Saved flag itself): the document stays saved.
    bool unchanging = false;
    // What a put raises once it has been made (an event saying so).
    std::function<void(VisioObject&)> afterPut;
  };

  MemberTable(std::string interfaceName, Guid iid);

  const std::string& InterfaceName() const { return interfaceName_; }
  const Guid& Iid() const { return iid_; }
  const Member* Find(std::string_view name) const;
  const Member* At(DispId id) const;
  DispId IdOf(std::string_view name) const;  // 0 when unknown
  const std::vector<Member>& Members() const { return members_; }

  Member& Add(std::string name);

 private:
  // Every call looks its member up by the name the client passes: an
  // open-addressed index of the names hashed ignoring letter case, which
  // needs no folded copy of the name.
  static std::uint32_t HashOf(std::string_view name) noexcept;
  std::size_t Position(std::string_view name) const noexcept;  // members_.size() when unknown
  void Reindex();

  std::string interfaceName_;
  Guid iid_;
  std::vector<Member> members_;
  std::vector<std::uint32_t> hashes_;  // of members_' names
  std::vector<std::uint32_t> slots_;   // position + 1, 0 free; a power of two long
};

// Typed construction of a table for class T: the lambdas take T&.
template <class T>
class MemberTableBuilder {
 public:
  MemberTableBuilder(std::string interfaceName, Guid iid)
      : table_(std::make_shared<MemberTable>(std::move(interfaceName), iid)) {}

  // A read-only property: f(T&) or f(T&, Args).
  template <class F>
  MemberTableBuilder& Get(std::string name, F f) {
    table_->Add(std::move(name)).get = Wrap(std::move(f));
    return *this;
  }
  // A read-write property.
  template <class F, class P>
  MemberTableBuilder& Prop(std::string name, F get, P put) {
    auto& m = table_->Add(std::move(name));
    m.get = Wrap(std::move(get));
    m.put = WrapPut(std::move(put));
    return *this;
  }
  // A write-only property: p(T&, const Variant&) or p(T&, Args, const Variant&).
  template <class P>
  MemberTableBuilder& Put(std::string name, P put) {
    table_->Add(std::move(name)).put = WrapPut(std::move(put));
    return *this;
  }
  template <class F>
  MemberTableBuilder& Method(std::string name, F f) {
    table_->Add(std::move(name)).method = Wrap(std::move(f));
    return *this;
  }
  // A plain value the object keeps: settings and flags that Visio stores
  // and hands back without acting on them here.
  MemberTableBuilder& Stored(std::string name, Variant initial, bool writable) {
    auto& m = table_->Add(std::move(name));
    m.initial = std::move(initial);
    m.stored = true;
    m.writable = writable;
    return *this;
  }

  // Members already added whose puts and calls change nothing a file
  // holds.
  MemberTableBuilder& Unchanging(std::initializer_list<const char*> names) {
    for (const char* name : names) table_->Add(name).unchanging = true;
    return *this;
  }

  // Members already added whose every put is followed by f(T&).
  template <class F>
  MemberTableBuilder& AfterPut(std::initializer_list<const char*> names, F f) {
    for (const char* name : names)
      table_->Add(name).afterPut = [f](VisioObject& o) { f(static_cast<T&>(o)); };
    return *this;
  }

  std::shared_ptr<const MemberTable> Build() { return table_; }

 private:
  template <class F>
  static MemberTable::Getter Wrap(F f) {
    if constexpr (std::is_invocable_v<F, T&, Args>) {
      return [f = std::move(f)](VisioObject& o, Args a) -> Variant {
        return Variant(f(static_cast<T&>(o), a));
      };
    } else {
      return [f = std::move(f)](VisioObject& o, Args a) -> Variant {
        RequireArgs(a, 0);
        if constexpr (std::is_void_v<std::invoke_result_t<F, T&>>) {
          f(static_cast<T&>(o));
          return Variant();
        } else {
          return Variant(f(static_cast<T&>(o)));
        }
      };
    }
  }
  template <class P>
  static MemberTable::Setter WrapPut(P p) {
    if constexpr (std::is_invocable_v<P, T&, Args, const Variant&>) {
      return [p = std::move(p)](VisioObject& o, Args a, const Variant& v) {
        p(static_cast<T&>(o), a, v);
      };
    } else {
      return [p = std::move(p)](VisioObject& o, Args a, const Variant& v) {
        RequireArgs(a, 0);
        p(static_cast<T&>(o), v);
      };
    }
  }
  static void RequireArgs(Args a, std::size_t n);

  std::shared_ptr<MemberTable> table_;
};

// ---- Arguments ----

// DISP_E_BADPARAMCOUNT unless args has between min and max elements.
void CheckArgCount(Args args, std::size_t min, std::size_t max);
// Argument i (0-based) converted by OLE's rules; DISP_E_PARAMNOTFOUND when
// it is missing.
std::int16_t ArgI2(Args args, std::size_t i);
std::int32_t ArgI4(Args args, std::size_t i);
double ArgR8(Args args, std::size_t i);
std::string ArgStr(Args args, std::size_t i);
ObjectRef ArgObject(Args args, std::size_t i);
// An optional argument: absent or the missing marker gives the fallback.
bool HasArg(Args args, std::size_t i);

// Visio's booleans: 16-bit -1 and 0.
inline Variant VisBool(bool b) { return Variant::VisBool(b); }
inline Variant I2(int v) { return Variant(static_cast<std::int16_t>(v)); }
inline Variant I4(std::int32_t v) { return Variant(v); }

// ---- The base object ----

// ObjectType values of Visio's visObjType... constants.
enum class ObjType : std::int16_t {
  Unknown = 1, App = 3, Cell = 4, Chars = 5, Connect = 8, Connects = 9, Doc = 10, Docs = 11,
  Master = 12, Masters = 13, Page = 14, Pages = 15, Selection = 16, Shape = 17, Shapes = 18,
  Style = 19, Styles = 20, Window = 21, Windows = 22, Layer = 25, Layers = 26, Font = 27,
  Fonts = 28, Color = 29, Colors = 30, Addon = 31, Addons = 32, Event = 33, EventList = 34,
  Hyperlink = 37, OLEObjects = 38, OLEObject = 39, Paths = 40, Path = 41, Curve = 42,
};

// visStat... flags.
constexpr std::int16_t kStatNormal = 0;
constexpr std::int16_t kStatAppHasShutdown = 1;
constexpr std::int16_t kStatDeleted = 2;
constexpr std::int16_t kStatTouched = 4;
constexpr std::int16_t kStatClosed = 8;

class VisioObject : public automation::Object {
 public:
  Variant Invoke(CallKind kind, std::string_view member, Args args) final;
  DispId GetIDOfName(std::string_view member) override;
  Variant InvokeById(DispId id, CallKind kind, Args args) override;
  bool Supports(const Guid& iid) const override;

  virtual const MemberTable& Members() const = 0;

  // Deleted objects answer Stat with visStatDeleted and raise "Object has
  // been deleted" for every other member.
  bool IsDeleted() const { return deleted_; }
  virtual void MarkDeleted();

  const SessionPtr& session() const { return session_; }

  // A client's put or call on this object went through and may have
  // changed it: the object tells its document which of its parts now
  // differs from the file (see Document::Changed). Objects that belong to
  // no document keep the default, which does nothing.
  virtual void NoteChange() {}

  // What an event this object raises passes through: the object's own
  // event list when it has made one, then the object whose list sees it
  // next as Visio documents its sources (a shape's page, a page's Pages
  // collection, a document's Documents collection, the application).
  virtual EventList* EventsIfAny() const { return nullptr; }
  virtual VisioObject* EventParent() const { return nullptr; }

  // A stored member's current value (for the object's own C++ code).
  Variant StoredValue(std::string_view member) const;
  void SetStoredValue(std::string_view member, Variant value);

 protected:
  explicit VisioObject(SessionPtr session);
  ~VisioObject() override;

 private:
  Variant Dispatch(const MemberTable::Member& m, CallKind kind, Args args);
  void CheckState(std::string_view member) const;

  SessionPtr session_;
  bool deleted_ = false;
  std::unordered_map<std::string, Variant> stored_;  // folded name -> value
};

template <class T>
void MemberTableBuilder<T>::RequireArgs(Args a, std::size_t n) {
  CheckArgCount(a, n, n);
}

// Fault injection: the named member of the object fails with the code and
// message until the faults are cleared.
void InjectFault(VisioObject& object, std::string_view member, automation::HResult code,
                 std::string message);
void ClearFaults(Session& session);

}  // namespace standin
