#include "standin/VisioObject.h"

#include <algorithm>
#include <cmath>

#include "automation/Text.h"
#include "standin/Model.h"

namespace standin {

using automation::AutomationError;
using automation::HResult;

// ---- MemberTable ----

MemberTable::MemberTable(std::string interfaceName, Guid iid)
    : interfaceName_(std::move(interfaceName)), iid_(iid) {}

std::uint32_t MemberTable::HashOf(std::string_view name) noexcept {
  std::uint32_t h = 2166136261u;  // FNV-1a over the lower-cased name
  for (char c : name) {
    h = (h ^ static_cast<unsigned char>(automation::AsciiLower(c))) * 16777619u;
  }
  return h;
}

std::size_t MemberTable::Position(std::string_view name) const noexcept {
  if (slots_.empty()) return members_.size();
  const std::uint32_t h = HashOf(name);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = h & mask; slots_[i] != 0; i = (i + 1) & mask) {
    const std::size_t at = slots_[i] - 1;
    if (hashes_[at] == h && automation::NamesEqual(members_[at].name, name)) return at;
  }
  return members_.size();
}

void MemberTable::Reindex() {
  std::size_t n = 16;
  while (n < members_.size() * 2) n *= 2;
  slots_.assign(n, 0);
  for (std::size_t at = 0; at < members_.size(); ++at) {
    std::size_t i = hashes_[at] & (n - 1);
    while (slots_[i] != 0) i = (i + 1) & (n - 1);
    slots_[i] = static_cast<std::uint32_t>(at + 1);
  }
}

MemberTable::Member& MemberTable::Add(std::string name) {
  const std::size_t at = Position(name);
  if (at < members_.size()) return members_[at];  // getter and setter added apart
  hashes_.push_back(HashOf(name));
  members_.push_back(Member{});
  members_.back().name = std::move(name);
  Reindex();
  return members_.back();
}

const MemberTable::Member* MemberTable::Find(std::string_view name) const {
  const std::size_t at = Position(name);
  return at < members_.size() ? &members_[at] : nullptr;
}

const MemberTable::Member* MemberTable::At(DispId id) const {
  if (id < 1 || static_cast<std::size_t>(id) > members_.size()) return nullptr;
  return &members_[static_cast<std::size_t>(id - 1)];
}

DispId MemberTable::IdOf(std::string_view name) const {
  const std::size_t at = Position(name);
  return at < members_.size() ? static_cast<DispId>(at + 1) : 0;
}

// ---- Arguments ----

void CheckArgCount(Args args, std::size_t min, std::size_t max) {
  if (args.size() < min || args.size() > max) {
    throw AutomationError(automation::DISP_E_BADPARAMCOUNT);
  }
}

bool HasArg(Args args, std::size_t i) { return i < args.size() && !args[i].IsMissing(); }

namespace {
const Variant& Arg(Args args, std::size_t i) {
  if (!HasArg(args, i)) throw AutomationError(automation::DISP_E_PARAMNOTFOUND);
  return args[i];
}
}  // namespace

std::int16_t ArgI2(Args args, std::size_t i) { return Arg(args, i).ToInt16(); }
std::int32_t ArgI4(Args args, std::size_t i) { return Arg(args, i).ToInt32(); }
double ArgR8(Args args, std::size_t i) { return Arg(args, i).ToDouble(); }
std::string ArgStr(Args args, std::size_t i) { return Arg(args, i).ToString(); }
ObjectRef ArgObject(Args args, std::size_t i) { return Arg(args, i).ToObject(); }

// ---- VisioObject ----

VisioObject::VisioObject(SessionPtr session) : session_(std::move(session)) {}

VisioObject::~VisioObject() {
  // A fault must not outlive its object and hit a later one at the same address.
  auto& faults = session_->faults;
  faults.erase(std::remove_if(faults.begin(), faults.end(),
                              [this](const Session::Fault& f) { return f.object == this; }),
               faults.end());
}

bool VisioObject::Supports(const Guid& iid) const {
  return (!iid.IsNull() && iid == Members().Iid()) || Object::Supports(iid);
}

void VisioObject::CheckState(std::string_view member) const {
  if (session_->quit) throw AutomationError(automation::RPC_E_DISCONNECTED);
  if (session_->busy) throw AutomationError(automation::RPC_E_CALL_REJECTED);
  if (!session_->faults.empty()) {
    const std::string folded = automation::AsciiLowered(member);
    for (const auto& f : session_->faults) {
      if (f.object == this && f.member == folded) throw AutomationError(f.code, f.message);
    }
  }
  if (deleted_ && !automation::NamesEqual(member, "stat"))
    ThrowVisio(VisioErrorKind::ObjectDeleted);
}

Variant VisioObject::Invoke(CallKind kind, std::string_view member, Args args) {
  CheckState(member);
  const MemberTable::Member* m = Members().Find(member);
  if (!m) throw AutomationError(automation::DISP_E_MEMBERNOTFOUND);
  return Dispatch(*m, kind, args);
}

DispId VisioObject::GetIDOfName(std::string_view member) {
  const DispId id = Members().IdOf(member);
  if (id == 0) throw AutomationError(automation::DISP_E_UNKNOWNNAME);
  return id;
}

Variant VisioObject::InvokeById(DispId id, CallKind kind, Args args) {
  const MemberTable::Member* m = Members().At(id);
  if (!m) throw AutomationError(automation::DISP_E_MEMBERNOTFOUND);
  CheckState(m->name);
  return Dispatch(*m, kind, args);
}

namespace {

// A call that may change the model: sheets forget what they kept, before
// it (for what it reads) and after it (for what it changed).
struct Changing {
  explicit Changing(bool on) : on_(on) {
    if (on_) SheetsChanged();
  }
  ~Changing() {
    if (on_) SheetsChanged();
  }
  Changing(const Changing&) = delete;
  Changing& operator=(const Changing&) = delete;
  bool on_;
};

}  // namespace

void VisioObject::MarkDeleted() {
  deleted_ = true;
  SheetsChanged();
}

Variant VisioObject::Dispatch(const MemberTable::Member& m, CallKind kind, Args args) {
  const Changing changing(kind != CallKind::PropertyGet);
  if (kind == CallKind::PropertyPut) {
    if (args.empty()) throw AutomationError(automation::DISP_E_BADPARAMCOUNT);
    const Variant& value = args.back();
    const Args own = args.first(args.size() - 1);
    // No cell or setting holds NaN or an infinity: Visio refuses them as
    // it refuses any value out of range.
    if (value.type() == automation::VarType::R8 && !std::isfinite(value.ToDouble())) {
      ThrowVisio(VisioErrorKind::InvalidParameter);
    }
    if (m.stored && m.writable) {
      CheckArgCount(own, 0, 0);
      stored_[automation::AsciiLowered(m.name)] = value.ChangeType(m.initial.type());
    } else {
      if (!m.put) throw AutomationError(automation::DISP_E_MEMBERNOTFOUND);
      m.put(*this, own, value);
    }
    if (!m.unchanging) NoteChange();
    if (m.afterPut) m.afterPut(*this);
    return Variant();
  }
  // A property can be read with a method call and a method called with a
  // property get, as Visual Basic's late binding does.
  if (m.stored) {
    CheckArgCount(args, 0, 0);
    auto it = stored_.find(automation::AsciiLowered(m.name));
    return it != stored_.end() ? it->second : m.initial;
  }
  // Only a method may change the model; a property read as a method
  // (CellsSRC, RowCount) does not.
  auto call = [&] {
    Variant result = m.method(*this, args);
    if (!m.unchanging) NoteChange();
    return result;
  };
  if (kind == CallKind::Method && m.method) return call();
  if (m.get) return m.get(*this, args);
  if (m.method) return call();
  throw AutomationError(automation::DISP_E_MEMBERNOTFOUND);  // write-only
}

Variant VisioObject::StoredValue(std::string_view member) const {
  auto it = stored_.find(automation::AsciiLowered(member));
  if (it != stored_.end()) return it->second;
  const MemberTable::Member* m = Members().Find(member);
  return m ? m->initial : Variant();
}

void VisioObject::SetStoredValue(std::string_view member, Variant value) {
  SheetsChanged();  // a document's default styles are stored values
  stored_[automation::AsciiLowered(member)] = std::move(value);
}

void InjectFault(VisioObject& object, std::string_view member, HResult code,
                 std::string message) {
  object.session()->faults.push_back(
      {&object, automation::AsciiLowered(member), code, std::move(message)});
}

void ClearFaults(Session& session) { session.faults.clear(); }

}  // namespace standin
