#include "tree/CodeReach.h"

#include <charconv>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "automation/Text.h"
#include "automation/Variant.h"
#include "lut/Tarvel_TLUT.h"
#include "tree/NodeFactory.h"
#include "tree/PropertyTables.h"
#include "tree/TreeModel.h"
#include "tree/VisObjectNodes.h"

namespace {

using automation::ObjectRef;
using automation::Variant;

constexpr std::size_t kMaxArgs = 8;

bool IsNameChar(char c) {
  return automation::IsAsciiDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         c == '_';
}

// A reader over one expression; every call leaves `ok` false at the first
// thing it cannot take.
class VbaReader {
 public:
  explicit VbaReader(std::string_view text) : text_(text) {}

  std::optional<TCodePath> Path() {
    if (Name() != "Application") return std::nullopt;
    TCodePath path;
    while (ok_ && pos_ < text_.size()) {
      if (!Take('.') || path.steps.size() == kMaxCodeSteps) return std::nullopt;
      TCodeStep step;
      step.member = Name();
      if (Take('(')) {
        step.call = true;
        while (ok_ && !Take(')')) {
          if (!step.args.empty() && !(Take(',') && Take(' '))) return std::nullopt;
          if (step.args.size() == kMaxArgs) return std::nullopt;
          step.args.push_back(Arg());
        }
      }
      path.steps.push_back(std::move(step));
    }
    if (!ok_) return std::nullopt;
    return path;
  }

 private:
  bool Take(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  std::string Name() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    if (pos_ == start || automation::IsAsciiDigit(text_[start])) ok_ = false;
    return std::string(text_.substr(start, pos_ - start));
  }

  std::int32_t Number() {
    const char* begin = text_.data() + pos_;
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(begin, text_.data() + text_.size(), value);
    if (error != std::errc() || end == begin) {
      ok_ = false;
      return 0;
    }
    pos_ += static_cast<std::size_t>(end - begin);
    return value;
  }

  TCodeArg Arg() {
    if (Take('"')) {
      std::string value;
      for (;;) {
        if (pos_ >= text_.size()) {
          ok_ = false;
          return {};
        }
        const char c = text_[pos_++];
        if (c == '"' && !Take('"')) break;  // a doubled quote stands for one
        value += c;
      }
      return TCodeArg::String(std::move(value));
    }
    if (pos_ < text_.size() && (text_[pos_] == '-' || automation::IsAsciiDigit(text_[pos_]))) {
      return TCodeArg::Number(Number());
    }
    std::string name = Name();
    std::int32_t offset = 0;
    if (text_.substr(pos_).starts_with(" + ")) {
      pos_ += 3;
      offset = Number();
    }
    return TCodeArg::Constant(std::move(name), std::string(), offset);
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

// A constant's value by its full name ("visSectionObject"), from whichever
// table names it.
std::optional<std::int32_t> ConstantValue(std::string_view name) {
  for (std::int32_t t = 0; t < TheLUTAll().Count(); ++t) {
    const TLUT& table = *TheLUTAll().TableAt(t);
    if (!name.starts_with(table.Prefix())) continue;
    const std::string_view rest = name.substr(table.Prefix().size());
    for (std::int32_t i = 0; i < table.Count(); ++i) {
      if (table.EntryAt(i)->Name() == rest) return table.EntryAt(i)->Value();
    }
  }
  return std::nullopt;
}

Variant ArgValue(const TCodeArg& arg) {
  switch (arg.kind) {
    case TCodeArg::Kind::Number:
      return Variant(arg.number);
    case TCodeArg::Kind::String:
      return Variant(arg.text);
    case TCodeArg::Kind::Constant:
      break;
  }
  const std::optional<std::int32_t> value = ConstantValue(arg.text);
  if (!value) throw std::invalid_argument("no constant is named " + arg.text);
  const std::int64_t sum = std::int64_t{*value} + arg.number;
  if (sum < INT32_MIN || sum > INT32_MAX) throw std::invalid_argument("no index is " + arg.text);
  return Variant(static_cast<std::int32_t>(sum));
}

}  // namespace

std::optional<TCodePath> ParseVbaPath(std::string_view text) {
  if (text.size() > kMaxCodeText) return std::nullopt;
  // The notes CodeText puts first are comment lines.
  while (text.starts_with("'")) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    text.remove_prefix(end + 1);
  }
  return VbaReader(text).Path();
}

Variant ReachCodePath(const ObjectRef& app, const TCodePath& path) {
  Variant current{app};
  for (const TCodeStep& step : path.steps) {
    std::vector<Variant> args;
    args.reserve(step.args.size());
    for (const TCodeArg& arg : step.args) args.push_back(ArgValue(arg));
    const ObjectRef object = current.ToObject();
    if (!object) throw std::invalid_argument("Nothing before ." + step.member);
    current = object->Invoke(automation::CallKind::PropertyGet, step.member, automation::Args(args));
  }
  return current;
}

std::optional<TRootPlace> RootPlaceOf(TTVNodeData& root) {
  auto* node = dynamic_cast<TND_VisObject*>(&root);
  if (node == nullptr || !node->VisObj) return std::nullopt;
  TCodePath path = CodePathOf(root);
  if (!path.variable.empty()) return std::nullopt;
  // A cell's path ends in the formula it shows; the window's root is the
  // cell itself.
  if (dynamic_cast<TND_IVCell*>(node) != nullptr && !path.steps.empty() &&
      path.steps.back().member == "Formula") {
    path.steps.pop_back();
  }
  path.notes.clear();
  return TRootPlace{std::string(NodeClassName(node->Interface().Class)), root.Name,
                    CodeText(path, TCodeLanguage::VBA)};
}

TTVNodeData* RootFromPlace(TTreeModel& tree, const ObjectRef& app, const TRootPlace& place) {
  std::optional<TNodeClass> cls;
  for (std::size_t i = kFirstVisObjectClass; i < kNodeClassCount; ++i) {
    if (NodeClassName(static_cast<TNodeClass>(i)) == place.nodeClass) {
      cls = static_cast<TNodeClass>(i);
    }
  }
  const std::optional<TCodePath> path = ParseVbaPath(place.path);
  if (!cls || !path || place.name.empty() || place.name.size() > 256) return nullptr;
  const Variant end = ReachCodePath(app, *path);
  ObjectRef object = end.IsObject() ? end.ToObject() : ObjectRef();
  if (!object) return nullptr;
  TTVNodeData& root = MakeNodeOfClass(*cls, place.name, -1, tree, nullptr, nullptr, kNoIndex,
                                      TAccessKind::ReadOnly, TIndexStyle::NoIndex,
                                      TVisObjSource::SupplyOnCreate, TNodeKind::VisObject, nullptr,
                                      nullptr);
  static_cast<TND_VisObject&>(root).VisObj = std::move(object);
  root.Refresh(0);
  return &root;
}
