// The members Tarvel's tree reads, per interface, from
// data/interface_members.tsv, and a check that one object answers every
// row of its interface with a value of the row's automation type.
#pragma once

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "standin/Events.h"
#include "standin/Model.h"

namespace standin::testrows {

// What a call failed with: its code and message (S_OK and "" when it did
// not fail).
struct Failure {
  automation::HResult code = automation::S_OK;
  std::string message;
};

inline Failure FailureOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const automation::AutomationError& e) {
    return {e.code(), e.message()};
  }
  return {};
}

// A stand-in for a document, for the objects that belong to one (fonts,
// colours, event lists): it answers as an IVDocument, keeps its events in
// its file, and reaches the application of its session.
class TestDocument final : public VisioObject {
 public:
  explicit TestDocument(SessionPtr session, bool persistsEvents = true)
      : VisioObject(std::move(session)), persistsEvents_(persistsEvents) {}
  ~TestDocument() override {
    if (events_) events_->MarkDeleted();
  }
  EventList& Events() {
    if (!events_) events_ = MakeEventList(*this);
    return *events_;
  }
  const MemberTable& Members() const override {
    static const auto table =
        MemberTableBuilder<TestDocument>("IVDocument", Guid{})
            .Get("Application", [](TestDocument& d) { return ApplicationRef(d); })
            .Get("EventList", [](TestDocument& d) { return Ref<EventList>(&d.Events()); })
            .Get("Name", [](TestDocument&) { return std::string("Drawing1"); })
            .Get("PersistsEvents", [](TestDocument& d) { return VisBool(d.persistsEvents_); })
            .Build();
    return *table;
  }

 private:
  bool persistsEvents_;
  Ref<EventList> events_;
};

struct MemberRow {
  std::string iface, property, caption, type, access, elementType, indices;
};

inline const std::vector<MemberRow>& AllMemberRows() {
  static const std::vector<MemberRow> rows = [] {
    std::vector<MemberRow> out;
    std::ifstream in(std::string(TARVEL_STANDIN_TEST_DATA) + "/interface_members.tsv");
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::vector<std::string> f;
      std::stringstream ss(line);
      std::string cell;
      while (std::getline(ss, cell, '\t')) f.push_back(cell);
      f.resize(7);
      out.push_back({f[0], f[1], f[2], f[3], f[4], f[5], f[6]});
    }
    return out;
  }();
  return rows;
}

inline std::vector<MemberRow> RowsOf(const std::string& iface) {
  std::vector<MemberRow> out;
  for (const auto& r : AllMemberRows()) {
    if (r.iface == iface) out.push_back(r);
  }
  return out;
}

inline std::string InterfaceNameOf(const ObjectRef& obj) {
  auto* v = dynamic_cast<VisioObject*>(obj.get());
  return v ? v->Members().InterfaceName() : "?";
}

// Whether a value has a row's type: I2, I4, BSTR, R8, VARIANT, DISPATCH,
// UNKNOWN, or OBJ:<interface> (a reference to that interface, or Nothing).
inline bool AnswersAs(const std::string& type, const Variant& v) {
  if (type == "I2") return v.type() == VarType::I2;
  if (type == "I4") return v.type() == VarType::I4;
  if (type == "BSTR") return v.type() == VarType::Bstr;
  if (type == "R8") return v.type() == VarType::R8;
  if (type == "VARIANT") return true;
  if (type == "DISPATCH") return v.type() == VarType::Dispatch;
  if (type == "UNKNOWN") return v.type() == VarType::Unknown;
  if (type.rfind("OBJ:", 0) == 0) {
    if (v.type() != VarType::Dispatch) return false;
    const ObjectRef o = v.ToObject();
    return !o || InterfaceNameOf(o) == type.substr(4);
  }
  return false;
}

inline std::string Describe(const automation::AutomationError& e) {
  return automation::FormatHResult(e.code()) + " \"" + e.message() + "\"";
}

// A Visio error (its own facility) as opposed to the stand-in not knowing
// a member or its arguments.
inline bool IsVisioError(const automation::AutomationError& e) {
  return (static_cast<std::uint32_t>(e.code()) & 0xFFFF0000u) == 0x86DB0000u;
}

struct CheckOptions {
  // Indices of an array row whose index table is "LUT:<name>"; none given
  // means such rows are reported.
  std::function<std::vector<Variant>(const std::string& lutName)> lutIndices;
  // Read-write scalar rows are written back with the value just read.
  bool writeBack = true;
};

// Reads every row of iface on obj. Plain rows must answer with their type;
// array rows are read at each index the tree passes (0..Count-1 for Item0,
// 1..Count for Item1, up to six; 0 for ONE, where a Visio error is an
// answer too: the ID may not exist). Write-only rows must refuse reads.
// Returns one line per mismatch; empty when the object answers them all.
inline std::vector<std::string> CheckInterfaceRows(const std::string& iface, const ObjectRef& obj,
                                                   const CheckOptions& options = {}) {
  using automation::AutomationError;
  std::vector<std::string> problems;
  const std::vector<MemberRow> rows = RowsOf(iface);
  if (rows.empty()) problems.push_back(iface + ": no rows");
  if (InterfaceNameOf(obj) != iface) {
    problems.push_back(iface + ": object is " + InterfaceNameOf(obj));
  }
  for (const MemberRow& row : rows) {
    const std::string key = iface + "." + row.caption;
    if (row.type == "SPECIAL") continue;
    if (row.access == "WO") {
      try {
        obj.Get(row.property);
        problems.push_back(key + ": a write-only member answers a read");
      } catch (const AutomationError& e) {
        if (e.code() != automation::DISP_E_MEMBERNOTFOUND) {
          problems.push_back(key + ": " + Describe(e));
        }
      }
      continue;
    }
    if (row.type != "ARRAY") {
      try {
        const Variant v = obj.Get(row.property);
        if (!AnswersAs(row.type, v)) {
          std::ostringstream os;
          os << key << ": answered " << v << ", expected " << row.type;
          problems.push_back(os.str());
        } else if (row.access == "RW" && options.writeBack && !v.IsObject()) {
          obj.Put(row.property, v);
          if (!(obj.Get(row.property) == v)) problems.push_back(key + ": write-back changed it");
        }
      } catch (const AutomationError& e) {
        problems.push_back(key + ": " + Describe(e));
      }
      continue;
    }
    std::vector<Variant> indices;
    bool anyVisioErrorIsAnAnswer = false;
    try {
      if (row.indices == "ONE") {
        indices.push_back(Variant(0));
        anyVisioErrorIsAnAnswer = true;
      } else if (row.indices == "ITEM0" || row.indices == "ITEM1") {
        const int first = row.indices == "ITEM0" ? 0 : 1;
        const int count = obj.Get("Count").ToInt32();
        for (int i = 0; i < count && i < 6; ++i) indices.push_back(Variant(i + first));
      } else if (row.indices.rfind("LUT:", 0) == 0 && options.lutIndices) {
        indices = options.lutIndices(row.indices.substr(4));
      } else {
        problems.push_back(key + ": indices " + row.indices + " not handled");
      }
    } catch (const AutomationError& e) {
      problems.push_back(key + " (Count): " + Describe(e));
    }
    for (const Variant& index : indices) {
      std::ostringstream where;
      where << key << "(" << index << ")";
      try {
        const Variant v = obj.Get(row.property, {index});
        if (!AnswersAs(row.elementType, v)) {
          std::ostringstream os;
          os << where.str() << ": answered " << v << ", expected " << row.elementType;
          problems.push_back(os.str());
        }
      } catch (const AutomationError& e) {
        if (!(anyVisioErrorIsAnAnswer && IsVisioError(e))) {
          problems.push_back(where.str() + ": " + Describe(e));
        }
      }
    }
  }
  return problems;
}

}  // namespace standin::testrows
