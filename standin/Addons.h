// The add-ons Visio knows: the Addons collection of the application and
// its Addon objects. Running an add-on here runs nothing; the add-on
// records the call, so that tests and event actions can be checked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standin/Model.h"

namespace standin {

class Addons;

class Addon final : public VisioObject {
 public:
  // When Visio lets an add-on run.
  enum class Enabling {
    Always,
    NeedsDocument,  // only while a document is active
  };

  Addon(Addons& list, std::string name, std::string path, Enabling enabling);
  const MemberTable& Members() const override;

  Addons& list() const { return *list_; }
  const std::string& Name() const { return name_; }
  const std::string& Path() const { return path_; }
  bool Enabled() const;
  // Run: "Requested operation is presently disabled" while not enabled.
  void Run(const std::string& args);
  // The argument strings of every run so far, oldest first.
  const std::vector<std::string>& Runs() const { return runs_; }

 private:
  Addons* list_;
  std::string name_;
  std::string path_;
  Enabling enabling_;
  std::vector<std::string> runs_;
};

class Addons final : public VisioObject {
 public:
  explicit Addons(SessionPtr session);
  ~Addons() override;
  const MemberTable& Members() const override;
  void MarkDeleted() override;

  const std::vector<Ref<Addon>>& Items() const { return items_; }
  // An add-on of the given name; an existing one of that name is kept.
  Addon& Register(const std::string& name, const std::string& path, Addon::Enabling enabling);
  // By name, ignoring letter case.
  Addon* Find(const std::string& name) const;
  std::int16_t IndexOf(const Addon& addon) const;  // 1-based

 private:
  std::vector<Ref<Addon>> items_;
};

// The application's add-ons: those Visio ships.
Ref<Addons> MakeAddons(const SessionPtr& session);

}  // namespace standin
