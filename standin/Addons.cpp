#include "standin/Addons.h"

#include <filesystem>

#include "standin/Collections.h"
#include "standin/FilePaths.h"

namespace standin {

namespace {

Variant AddonItem(const Addons& list, Args a) {
  CheckArgCount(a, 1, 1);
  if (a[0].type() == VarType::Bstr) {
    Addon* found = list.Find(a[0].ToString());
    if (!found) ThrowVisio(VisioErrorKind::ObjectNameNotFound);
    return Ref<Addon>(found);
  }
  const std::int32_t i = ArgI4(a, 0);
  if (i < 1 || i > static_cast<std::int32_t>(list.Items().size())) {
    ThrowVisio(VisioErrorKind::InvalidParameter);
  }
  return list.Items()[static_cast<std::size_t>(i - 1)];
}

}  // namespace

// ---- Addon ----

Addon::Addon(Addons& list, std::string name, std::string path, Enabling enabling)
    : VisioObject(list.session()),
      list_(&list),
      name_(std::move(name)),
      path_(std::move(path)),
      enabling_(enabling) {}

bool Addon::Enabled() const {
  if (enabling_ == Enabling::Always) return true;
  return static_cast<bool>(ApplicationRef(*this).Get("ActiveDocument").ToObject());
}

void Addon::Run(const std::string& args) {
  if (!Enabled()) ThrowVisio(VisioErrorKind::Disabled);
  runs_.push_back(args);
}

const MemberTable& Addon::Members() const {
  static const auto table =
      MemberTableBuilder<Addon>("IVAddon", Guid{})
          .Get("Application", [](Addon& a) { return ApplicationRef(a); })
          .Get("Enabled", [](Addon& a) { return VisBool(a.Enabled()); })
          .Get("Index", [](Addon& a) { return I2(a.list().IndexOf(a)); })
          .Get("Name", [](Addon& a) { return a.name_; })
          // Visio's add-on names are the same in every language here.
          .Get("NameU", [](Addon& a) { return a.name_; })
          .Get("ObjectType", [](Addon&) { return I2(static_cast<int>(ObjType::Addon)); })
          .Method("Run",
                  [](Addon& a, Args args) {
                    CheckArgCount(args, 0, 1);
                    a.Run(HasArg(args, 0) ? ArgStr(args, 0) : std::string());
                    return Variant();
                  })
          .Get("Stat", [](Addon& a) { return StatOf(a); })
          .Build();
  return *table;
}

// ---- Addons ----

Addons::Addons(SessionPtr session) : VisioObject(std::move(session)) {}

Addons::~Addons() {
  // Add-ons hold a plain pointer to this collection.
  for (const auto& a : items_) a->MarkDeleted();
}

void Addons::MarkDeleted() {
  VisioObject::MarkDeleted();
  for (const auto& a : items_) a->MarkDeleted();
}

Addon& Addons::Register(const std::string& name, const std::string& path,
                        Addon::Enabling enabling) {
  if (Addon* existing = Find(name)) return *existing;
  items_.push_back(MakeRef<Addon>(*this, name, path, enabling));
  return *items_.back();
}

Addon* Addons::Find(const std::string& name) const {
  for (const auto& a : items_) {
    if (automation::NamesEqual(a->Name(), name)) return a.get();
  }
  return nullptr;
}

std::int16_t Addons::IndexOf(const Addon& addon) const {
  return PositionOf(items_, &addon);
}

const MemberTable& Addons::Members() const {
  static const auto table =
      MemberTableBuilder<Addons>("IVAddons", Guid{})
          .Method("Add",
                  [](Addons& l, Args a) {
                    CheckArgCount(a, 1, 1);
                    const std::filesystem::path path = FilePath(ArgStr(a, 0));
                    std::error_code ec;
                    if (!std::filesystem::is_regular_file(path, ec)) {
                      ThrowVisio(VisioErrorKind::FileNotFound);
                    }
                    // An add-on file is listed under its name without extension.
                    return Ref<Addon>(&l.Register(PathText(path.stem()), PathText(path),
                                                  Addon::Enabling::Always));
                  })
          .Get("Application", [](Addons& l) { return ApplicationRef(l); })
          .Get("Count", [](Addons& l) { return I2(static_cast<int>(l.items_.size())); })
          .Get("Item", [](Addons& l, Args a) { return AddonItem(l, a); })
          .Get("ItemU", [](Addons& l, Args a) { return AddonItem(l, a); })
          .Get("ObjectType", [](Addons&) { return I2(static_cast<int>(ObjType::Addons)); })
          .Build();
  return *table;
}

Ref<Addons> MakeAddons(const SessionPtr& session) {
  struct Shipped {
    const char* name;
    const char* file;
    Addon::Enabling enabling;
  };
  using E = Addon::Enabling;
  static const Shipped kShipped[] = {
      {"Build Region", "BUILDREG.VSL", E::NeedsDocument},
      {"Chart Shape Wizard", "CHRTSHPE.EXE", E::NeedsDocument},
      {"Database Export", "DBEXPORT.VSL", E::NeedsDocument},
      {"Database Wizard", "DBWIZ.VSL", E::Always},
      {"Import Flowchart Data", "FLOWIMPT.VSL", E::Always},
      {"Import Project Data", "PROJIMPT.VSL", E::Always},
      {"Organization Chart Wizard", "ORGWIZ.EXE", E::Always},
      {"Print ShapeSheet", "PRNTSHEET.VSL", E::NeedsDocument},
      {"Property Reporting Wizard", "PROPREPT.VSL", E::NeedsDocument},
      {"Shape Explorer", "SHAPEXPL.EXE", E::Always},
      {"Stencil Report Wizard", "STNCLRPT.VSL", E::Always},
  };
  auto addons = MakeRef<Addons>(session);
  for (const Shipped& s : kShipped) {
    addons->Register(s.name, std::string("Add-ons/") + s.file, s.enabling);
  }
  return addons;
}

}  // namespace standin
