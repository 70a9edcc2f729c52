#include "standin/UIText.h"

#include <istream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "standin/UIObjects.h"

namespace standin {

using automation::AutomationError;

namespace {

constexpr const char* kFileHeader = "Visio UI objects, text form 1";

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool Unescape(const std::string& s, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      out += s[i];
      continue;
    }
    if (++i == s.size()) return false;
    switch (s[i]) {
      case '\\':
        out += '\\';
        break;
      case 't':
        out += '\t';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return false;
    }
  }
  return true;
}

void Write(std::ostream& os, const UIElement& e) {
  os << '{' << e.Members().InterfaceName() << '\n';
  for (const auto& [name, value] : e.Fields()) os << name << '\t' << Escape(value) << '\n';
  for (const auto& m : e.Members().Members()) {
    if (m.stored) os << m.name << '\t' << Escape(e.StoredValue(m.name).ToString()) << '\n';
  }
  for (const UIElement* part : e.Parts()) Write(os, *part);
  os << "}\n";
}

[[noreturn]] void BadFile(const std::string& path, std::size_t line, const std::string& why) {
  ThrowVisio(VisioErrorKind::InvalidParameter, "The file " + path +
                                                   " is not a menu and toolbar file (line " +
                                                   std::to_string(line) + ": " + why + ").");
}

}  // namespace

void WriteUIText(std::ostream& out, const UIObject& root) {
  out << kFileHeader << '\n';
  Write(out, root);
}

void ReadUIText(std::istream& in, const std::string& path, UIObject& root) {
  // Far beyond what Visio's own menus and toolbars take (some hundreds of
  // kilobytes, a few levels deep): a file past these is not one of ours,
  // and reading it on would only cost memory and stack.
  constexpr std::size_t kMaxBytes = std::size_t{16} << 20;
  constexpr std::size_t kMaxDepth = 64;
  std::size_t budget = kMaxBytes;
  std::string line;
  std::size_t number = 0;
  // The next line, counted against the budget as it is read.
  const auto nextLine = [&]() -> bool {
    line.clear();
    std::istreambuf_iterator<char> it(in), end;
    if (it == end) return false;
    ++number;
    for (; it != end; ++it) {
      if (budget == 0) BadFile(path, number, "larger than 16 MiB");
      --budget;
      if (*it == '\n') {
        ++it;
        return true;
      }
      line += *it;
    }
    return true;
  };
  if (!nextLine() || line != kFileHeader) BadFile(path, number, "unknown form");
  std::vector<UIElement*> open;
  bool done = false;
  while (nextLine()) {
    if (done) {
      if (!line.empty()) BadFile(path, number, "text after the end");
      continue;
    }
    if (line.starts_with('{')) {
      if (open.size() >= kMaxDepth) BadFile(path, number, "nested more than 64 deep");
      const std::string name = line.substr(1);
      UIElement* next = nullptr;
      if (open.empty()) {
        if (name == "IVUIObject") next = &root;
      } else {
        next = open.back()->OpenPart(name);
      }
      if (!next) BadFile(path, number, "unexpected " + name);
      open.push_back(next);
      continue;
    }
    if (line == "}") {
      if (open.empty()) BadFile(path, number, "unbalanced }");
      open.pop_back();
      done = open.empty();
      continue;
    }
    const std::size_t tab = line.find('\t');
    std::string value;
    if (open.empty() || tab == std::string::npos || !Unescape(line.substr(tab + 1), value)) {
      BadFile(path, number, "not a value");
    }
    const std::string name = line.substr(0, tab);
    UIElement& target = *open.back();
    bool special = false;
    try {
      special = target.LoadField(name, value);
    } catch (const AutomationError&) {
      BadFile(path, number, "bad value for " + name);
    }
    if (special) continue;
    const MemberTable::Member* m = target.Members().Find(name);
    if (!m || !m->stored) BadFile(path, number, "unknown value " + name);
    Variant converted;
    try {
      converted = Variant(value).ChangeType(m->initial.type());
    } catch (const AutomationError&) {
      BadFile(path, number, "bad value for " + name);
    }
    target.SetStoredValue(m->name, std::move(converted));
  }
  if (!done) BadFile(path, number, "unexpected end");
}

}  // namespace standin
