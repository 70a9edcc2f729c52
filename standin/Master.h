// Masters: the shapes of a stencil (or of a drawing's local stencil) that
// instances inherit from, with Visio's edit protocol: Open gives an
// editable copy, Close on the copy commits it to the master.
#pragma once

#include <string>

#include "standin/Page.h"

namespace standin {

class Master : public VisioObject, public DrawingSurface {
 public:
  Master(Document& doc, std::string name, std::int16_t id);
  const MemberTable& Members() const override;
  void NoteChange() override;
  void MarkDeleted() override;

  Document& doc() const { return *doc_; }
  std::int16_t id() const { return id_; }
  std::int16_t Index() const;  // 1-based in Masters; 0 for an edit copy
  const std::string& Name() const { return name_; }
  const std::string& NameU() const { return nameU_; }
  void SetName(std::string name) { name_ = std::move(name); }
  void SetNameU(std::string name) { nameU_ = std::move(name); }
  const std::string& UniqueId() const { return uniqueId_; }
  void SetUniqueId(std::string id) { uniqueId_ = std::move(id); }
  const std::string& Prompt() const { return prompt_; }
  void SetPrompt(std::string prompt) { prompt_ = std::move(prompt); }

  // The edit protocol.
  Ref<Master> Open();
  void Close();
  bool IsEditCopy() const { return original_ != nullptr; }

  VisioObject& SurfaceObject() override { return *this; }
  Document& SurfaceDocument() const override { return *doc_; }
  Master* AsMaster() override { return this; }
  EventList& Events();
  EventList* EventsIfAny() const override { return eventList_.IfAny(); }
  VisioObject* EventParent() const override;

 private:
  Document* doc_;
  std::string name_;
  std::string nameU_;
  std::string uniqueId_;
  std::string prompt_;
  std::int16_t id_;
  Ref<Master> original_;  // set on an edit copy
  bool closed_ = false;
  EventListSlot eventList_;
};

}  // namespace standin
