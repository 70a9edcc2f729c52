// A small Visio for the tree's tests: an application with every property
// its table shows, two documents, one window, and whatever a test adds.
#pragma once

#include <string>

#include "tests/support/FakeVisio.h"

namespace fake {

inline FakeRef MakeDocument(const std::string& name, std::int16_t index) {
  FakeRef doc = Make();
  doc->Set("Name", name).Set("Index", Variant(index)).Set("ObjectType", Variant(std::int16_t{10}));
  return doc;
}

struct FakeApplication {
  FakeApplication() {
    app->Offer(automation::Guid::FromString("{000D0700-0000-0000-C000-000000000046}"));
    documents->Set("ObjectType", Variant(std::int16_t{11}))
        .Set("PersistsEvents", Variant::VisBool(true))
        .Set("EventList", Variant(eventList))
        .OnGet("Application", [p = app.get()](Args) { return Weak(p); });
    documents->items = {MakeDocument("Drawing1.vsd", 1), MakeDocument("Stencil1.vss", 2)};
    page->Set("Name", "Page-1");
    window->Set("Document", Variant(documents->items[0])).Set("PageAsObj", Variant(page));
    windows->items = {window};
    builtInMenus->Set("Name", "Built-In Menus");
    toolbars->Set("Name", "Built-In Toolbars");

    app->Set("ObjectType", Variant(std::int16_t{3}))
        .Set("Path", "C:\\Visio\\")
        .Set("Version", "11.0")
        .Set("Addons", Variant(addons))
        .Set("Documents", Variant(documents))
        .Set("EventList", Variant(eventList))
        .Set("Windows", Variant(windows))
        .OnGet("BuiltInToolbars", [t = toolbars](Args) { return Variant(t); })
        .Set("ActiveDocument", Variant(documents->items[0]))
        .Set("ActivePage", Variant())
        .Set("ActiveWindow", Variant(window))
        .OnGet("Application", [p = app.get()](Args) { return Weak(p); })
        .Set("BuiltInMenus", Variant(builtInMenus))
        .Set("CustomMenus", Variant())
        .Set("CustomToolbars", Variant())
        .OnGet("EventInfo", [](Args) { return Variant(""); })
        .Set("Active", Variant::VisBool(true))
        .Set("AddonPaths", "")
        .Set("AlertResponse", Variant(std::int16_t{0}))
        .Set("CustomMenusFile", "")
        .Set("CustomToolbarsFile", "")
        .Set("DeferRecalc", Variant::VisBool(false))
        .Set("DrawingPaths", "")
        .Set("EventsEnabled", Variant::VisBool(true))
        .Set("FilterPaths", "")
        .Set("HelpPaths", "")
        .Set("InstanceHandle", Variant(std::int16_t{0}))
        .Set("InstanceHandle32", Variant(std::int32_t{4194304}))
        .Set("IsVisio16", Variant::VisBool(false))
        .Set("IsVisio32", Variant::VisBool(true))
        .Set("Language", Variant(std::int32_t{1033}))
        .Set("OnDataChangeDelay", Variant(std::int32_t{-1}))
        .Set("PersistsEvents", Variant::VisBool(true))
        .Set("ProcessID", Variant(std::int32_t{4242}))
        .Set("ProfileName", "")
        .Set("PromptForSummary", Variant::VisBool(false))
        .Set("ScreenUpdating", Variant::VisBool(true))
        .Set("ShowMenus", Variant::VisBool(true))
        .Set("ShowProgress", Variant::VisBool(true))
        .Set("ShowStatusBar", Variant::VisBool(true))
        .Set("ShowToolbar", Variant::VisBool(true))
        .Set("StartupPaths", "")
        .Set("Stat", Variant(std::int16_t{0}))
        .Set("StencilPaths", "")
        .Set("TemplatePaths", "")
        .Set("ToolbarStyle", Variant(std::int16_t{0}))
        .Set("TraceFlags", Variant(std::int32_t{0}))
        .Set("UserName", std::string(150, 'u'))
        .Set("WindowHandle", Variant(std::int16_t{0}))
        .Set("WindowHandle32", Variant(std::int32_t{1311}));
  }

  FakeRef app = Make();
  Ref<FakeCollection> addons = MakeCollection();
  Ref<FakeCollection> documents = MakeCollection();
  Ref<FakeCollection> eventList = MakeCollection();
  Ref<FakeCollection> windows = MakeCollection();
  FakeRef window = Make();
  FakeRef page = Make();
  FakeRef builtInMenus = Make();
  FakeRef toolbars = Make();
};

}  // namespace fake
