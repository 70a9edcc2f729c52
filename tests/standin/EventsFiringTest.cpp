// Events the model raises when a client changes it: which code, in which
// event lists (the source's and those of the objects above it), in what
// order, with which subject; none for reads, none while events are off.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "standin/Application.h"
#include "standin/Demo.h"
#include "standin/Events.h"

namespace standin {
namespace {

using automation::SameObject;

const std::map<std::int16_t, std::string>& CodeNames() {
  static const std::map<std::int16_t, std::string> names = {
      {visEvtCodeDocCreate, "DocumentCreated"},
      {visEvtCodeDocOpen, "DocumentOpened"},
      {visEvtCodeDocSave, "DocumentSaved"},
      {visEvtCodeDocSaveAs, "DocumentSavedAs"},
      {visEvtCodeBefDocSave, "BeforeDocumentSave"},
      {visEvtCodeBefDocSaveAs, "BeforeDocumentSaveAs"},
      {visEvtCodeWinSelChange, "SelectionChanged"},
      {visEvtBeforeDocumentClose, "BeforeDocumentClose"},
      {visEvtDocumentChanged, "DocumentChanged"},
      {visEvtPageAdded, "PageAdded"},
      {visEvtBeforePageDelete, "BeforePageDelete"},
      {visEvtShapeAdded, "ShapeAdded"},
      {visEvtBeforeShapeDelete, "BeforeShapeDelete"},
      {visEvtShapeChanged, "ShapeChanged"},
      {visEvtTextChanged, "TextChanged"},
      {visEvtCellChanged, "CellChanged"},
      {visEvtFormulaChanged, "FormulaChanged"},
      {visEvtWindowOpened, "WindowOpened"},
      {visEvtBeforeWindowClosed, "BeforeWindowClosed"},
      {visEvtWindowActivated, "WindowActivated"},
  };
  return names;
}

// The demo drawing with a recording sink advised, for every event code the
// model raises, on each object named here: "app", "docs", "doc", "pages",
// "page", "shape" (the selected one), "cell" (its Width), "windows",
// "window". Each call is recorded as "Code source subject", objects by
// their name here or, when new, by their type.
class Drawing {
 public:
  struct Call {
    std::string text;
    std::int32_t seq;
  };

  class Sink final : public automation::Object {
   public:
    explicit Sink(Drawing& d) : d_(&d) {}
    Variant Invoke(CallKind, std::string_view member, Args a) override {
      EXPECT_EQ(member, "VisEventProc");
      if (a.size() != 6) {
        ADD_FAILURE() << "VisEventProc with " << a.size() << " arguments";
        return Variant();
      }
      const auto name = CodeNames().find(a[0].ToInt16());
      d_->calls.push_back({(name == CodeNames().end() ? "?" : name->second) + " " +
                               d_->Label(a[1].ToObject()) + " " + d_->Label(a[4].ToObject()),
                           a[3].ToInt32()});
      EXPECT_EQ(a[5], Variant(""));
      if (d_->onCall) d_->onCall(a[0].ToInt16(), a[1].ToObject(), a[4].ToObject());
      return Variant();
    }

   private:
    Drawing* d_;
  };

  Drawing() {
    BuildDemoDrawing(*app_);
    const ObjectRef app(app_);
    Name("app", app);
    Name("docs", app.Get("Documents").ToObject());
    Name("doc", app.Get("ActiveDocument").ToObject());
    Name("pages", Obj("doc").Get("Pages").ToObject());
    Name("page", app.Get("ActivePage").ToObject());
    Name("windows", app.Get("Windows").ToObject());
    Name("window", app.Get("ActiveWindow").ToObject());
    Name("shape", Obj("window").Get("Selection").ToObject().Get("Item", {Variant(1)}).ToObject());
    Name("cell", Obj("shape").Get("CellsU", {Variant("Width")}).ToObject());
    sink_ = MakeRef<Sink>(*this);
    for (const auto& [label, object] : named_) {
      const ObjectRef events = object.Get("EventList").ToObject();
      for (const auto& [code, name] : CodeNames()) {
        events.Invoke("AddAdvise",
                      {Variant(code), Variant(ObjectRef(sink_)), Variant(""), Variant(label)});
      }
    }
  }
  ~Drawing() {
    onCall = nullptr;
    app_->Quit();
  }
  Drawing(const Drawing&) = delete;
  Drawing& operator=(const Drawing&) = delete;

  // Names another object, with no sink on it.
  void Name(std::string label, ObjectRef object) {
    named_.emplace_back(std::move(label), std::move(object));
  }
  ObjectRef Obj(std::string_view label) const {
    for (const auto& [l, o] : named_) {
      if (l == label) return o;
    }
    ADD_FAILURE() << "no object named " << label;
    return ObjectRef();
  }
  // An object seen first in an event is named then, so that it keeps its
  // name once deleted.
  std::string Label(const ObjectRef& o) {
    if (!o) return "nothing";
    for (const auto& [l, known] : named_) {
      if (SameObject(o, known)) return l;
    }
    static const std::map<std::int16_t, std::string> types = {
        {3, "App"},    {4, "Cell"},   {10, "Doc"},    {11, "Docs"},   {14, "Page"},
        {15, "Pages"}, {17, "Shape"}, {21, "Window"}, {22, "Windows"}};
    const auto t = types.find(o.Get("ObjectType").ToInt16());
    Name("new " + (t == types.end() ? std::string("?") : t->second), o);
    return named_.back().first;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& c : calls) out.push_back(c.text);
    return out;
  }

  std::vector<Call> calls;
  // Runs in the sink after each call is recorded: code, source, subject.
  std::function<void(std::int16_t, const ObjectRef&, const ObjectRef&)> onCall;

 private:
  Ref<Application> app_ = MakeRef<Application>();
  std::vector<std::pair<std::string, ObjectRef>> named_;
  Ref<Sink> sink_;
};

// One event as every list from its source upwards sees it.
std::vector<std::string> Up(std::int16_t code, const std::string& subject,
                            std::initializer_list<const char*> sources) {
  std::vector<std::string> out;
  for (const char* s : sources) out.push_back(CodeNames().at(code) + " " + s + " " + subject);
  return out;
}

std::vector<std::string> Then(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

#define SHAPE_CHAIN "page", "pages", "doc", "docs", "app"

TEST(EventsFiringTest, EachChangeRaisesItsEventsInTheListsAboveItInOrder) {
  const std::filesystem::path saveTo =
      std::filesystem::temp_directory_path() / "tarvel-events-firing-test.vsdx";
  struct Case {
    const char* what;
    std::function<void(Drawing&)> act;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"a cell's formula", [](Drawing& d) { d.Obj("cell").Put("FormulaU", Variant("2 in")); },
       Then({Up(visEvtFormulaChanged, "cell", {"cell", "shape", SHAPE_CHAIN}),
             Up(visEvtCellChanged, "cell", {"cell", "shape", SHAPE_CHAIN})})},
      {"a cell's value", [](Drawing& d) { d.Obj("cell").Put("ResultIU", Variant(3.0)); },
       Then({Up(visEvtFormulaChanged, "cell", {"cell", "shape", SHAPE_CHAIN}),
             Up(visEvtCellChanged, "cell", {"cell", "shape", SHAPE_CHAIN})})},
      {"a cell's row name is no cell change",
       [](Drawing& d) {
         const ObjectRef row = d.Obj("shape").Get("CellsU", {Variant("Prop.Priority")}).ToObject();
         row.Put("RowNameU", Variant("Client"));
       },
       {}},
      {"a shape's name", [](Drawing& d) { d.Obj("shape").Put("Name", Variant("Order 2")); },
       Up(visEvtShapeChanged, "shape", {"shape", SHAPE_CHAIN})},
      {"a shape's text", [](Drawing& d) { d.Obj("shape").Put("Text", Variant("Take")); },
       Up(visEvtTextChanged, "shape", {"shape", SHAPE_CHAIN})},
      {"a shape's characters",
       [](Drawing& d) { d.Obj("shape").Get("Characters").ToObject().Put("Text", Variant("Take")); },
       Up(visEvtTextChanged, "shape", {"shape", SHAPE_CHAIN})},
      {"drawing a shape",
       [](Drawing& d) {
         d.Obj("page").Invoke("DrawRectangle",
                              {Variant(1.0), Variant(1.0), Variant(2.0), Variant(2.0)});
       },
       Up(visEvtShapeAdded, "new Shape", {SHAPE_CHAIN})},
      {"deleting the selected shape", [](Drawing& d) { d.Obj("shape").Invoke("Delete"); },
       Then({Up(visEvtBeforeShapeDelete, "shape", {"shape", SHAPE_CHAIN}),
             Up(visEvtCodeWinSelChange, "window", {"window", "windows", "app"})})},
      {"adding a page", [](Drawing& d) { d.Obj("pages").Invoke("Add"); },
       Up(visEvtPageAdded, "new Page", {"pages", "doc", "docs", "app"})},
      {"deleting a page without a list of its own",
       [](Drawing& d) {
         d.Name("page2", d.Obj("pages").Get("ItemU", {Variant("Page-2")}).ToObject());
         d.Obj("page2").Invoke("Delete", {Variant(std::int16_t{0})});
       },
       Up(visEvtBeforePageDelete, "page2", {"pages", "doc", "docs", "app"})},
      {"selecting another shape",
       [](Drawing& d) {
         const ObjectRef other =
             d.Obj("page").Get("Shapes").ToObject().Get("ItemU", {Variant("Note")}).ToObject();
         d.Obj("window").Invoke("Select", {Variant(other), Variant(std::int16_t{2})});
       },
       Up(visEvtCodeWinSelChange, "window", {"window", "windows", "app"})},
      {"selecting the selected shape changes nothing",
       [](Drawing& d) {
         d.Obj("window").Invoke("Select", {Variant(d.Obj("shape")), Variant(std::int16_t{2})});
       },
       {}},
      {"a new document", [](Drawing& d) { d.Obj("docs").Invoke("Add", {Variant("")}); },
       Then({Up(visEvtWindowOpened, "new Window", {"windows", "app"}),
             Up(visEvtWindowActivated, "new Window", {"windows", "app"}),
             Up(visEvtCodeDocCreate, "new Doc", {"docs", "app"})})},
      {"the document's title", [](Drawing& d) { d.Obj("doc").Put("Title", Variant("Orders")); },
       Up(visEvtDocumentChanged, "doc", {"doc", "docs", "app"})},
      {"the document's author", [](Drawing& d) { d.Obj("doc").Put("Creator", Variant("Ann")); },
       Up(visEvtDocumentChanged, "doc", {"doc", "docs", "app"})},
      {"a print setting is no property of the file",
       [](Drawing& d) { d.Obj("doc").Put("PrintLandscape", VisBool(true)); },
       {}},
      {"closing the document", [](Drawing& d) { d.Obj("doc").Invoke("Close"); },
       Then({Up(visEvtBeforeDocumentClose, "doc", {"doc", "docs", "app"}),
             Up(visEvtBeforeWindowClosed, "window", {"window", "windows", "app"})})},
      {"saving under a new name",
       [&saveTo](Drawing& d) { d.Obj("doc").Invoke("SaveAs", {Variant(saveTo.string())}); },
       Then({Up(visEvtCodeBefDocSaveAs, "doc", {"doc", "docs", "app"}),
             Up(visEvtCodeDocSaveAs, "doc", {"doc", "docs", "app"})})},
  };
  for (const Case& c : cases) {
    Drawing d;
    c.act(d);
    EXPECT_EQ(d.Texts(), c.expected) << c.what;
  }
  std::filesystem::remove(saveTo);
}

TEST(EventsFiringTest, AGroupGoesBeforeItsShapesAndAWindowClosedActivatesTheNextOne) {
  Drawing d;
  // The demo's multi-shape master drops as a group.
  const ObjectRef shapes = d.Obj("page").Get("Shapes").ToObject();
  ObjectRef group;
  for (std::int32_t i = 1; i <= shapes.Get("Count").ToInt32() && !group; ++i) {
    const ObjectRef s = shapes.Get("Item", {Variant(i)}).ToObject();
    if (s.Get("Type").ToInt16() == 2) group = s;
  }
  ASSERT_TRUE(group);
  // Every shape in it, nested groups too, a group before its members; they
  // raise through the groups above them, which have no lists here.
  std::vector<std::string> expected;
  const std::function<void(const ObjectRef&, const std::string&)> walk =
      [&](const ObjectRef& shape, const std::string& label) {
        d.Name(label, shape);
        const auto mine = Up(visEvtBeforeShapeDelete, label, {SHAPE_CHAIN});
        expected.insert(expected.end(), mine.begin(), mine.end());
        const ObjectRef inside = shape.Get("Shapes").ToObject();
        for (std::int32_t i = 1; i <= inside.Get("Count").ToInt32(); ++i)
          walk(inside.Get("Item", {Variant(i)}).ToObject(), label + "/" + std::to_string(i));
      };
  walk(group, "group");
  ASSERT_GE(expected.size(), 4u * 5u);  // the demo's server: a body and a group of two
  const ObjectRef members = group.Get("Shapes").ToObject();
  group.Invoke("Delete");
  EXPECT_EQ(d.Texts(), expected);
  EXPECT_EQ(members.Get("Stat"), I2(kStatDeleted));

  // A second drawing's window, closed: the demo's window comes back.
  const ObjectRef second = d.Obj("docs").Invoke("Add", {Variant("")}).ToObject();
  const ObjectRef secondWindow = d.Obj("app").Get("ActiveWindow").ToObject();
  d.Obj("window").Invoke("Activate");
  d.calls.clear();
  d.Obj("window").Invoke("Activate");  // already active: nothing
  secondWindow.Invoke("Activate");
  second.Invoke("Close");
  EXPECT_EQ(d.Texts(), Then({Up(visEvtWindowActivated, "new Window", {"windows", "app"}),
                             Up(visEvtBeforeDocumentClose, "new Doc", {"docs", "app"}),
                             Up(visEvtBeforeWindowClosed, "new Window", {"windows", "app"}),
                             Up(visEvtWindowActivated, "window", {"window", "windows", "app"})}));
}

TEST(EventsFiringTest, OneEventHasOneSequenceNumberInEveryList) {
  Drawing d;
  d.Obj("cell").Put("FormulaU", Variant("2 in"));
  d.Obj("shape").Put("Name", Variant("Renamed"));
  ASSERT_EQ(d.calls.size(), 7u + 7u + 6u);
  const std::int32_t first = d.calls[0].seq;
  for (std::size_t i = 0; i < d.calls.size(); ++i) {
    // FormulaChanged, CellChanged, ShapeChanged: one number each, in turn.
    const std::int32_t event = i < 7 ? 0 : i < 14 ? 1 : 2;
    EXPECT_EQ(d.calls[i].seq, first + event) << d.calls[i].text;
  }
  // Trigger fires one more event, numbered on from there.
  const ObjectRef event =
      d.Obj("app").Get("EventList").ToObject().Get("Item", {Variant(2)}).ToObject();
  event.Invoke("Trigger", {Variant("")});
  EXPECT_EQ(d.calls.back().seq, first + 3);
}

TEST(EventsFiringTest, ReadsAndDisabledEventsRaiseNothing) {
  Drawing d;
  const ObjectRef app = d.Obj("app");
  // Reads.
  d.Obj("cell").Get("FormulaU");
  d.Obj("cell").Get("ResultIU");
  d.Obj("shape").Get("Name");
  d.Obj("shape").Get("Text");
  d.Obj("shape").Get("Characters").ToObject().Get("Text");
  d.Obj("page").Get("Shapes").ToObject().Get("Count");
  d.Obj("window").Get("Selection").ToObject().Get("Count");
  app.Get("ActiveWindow");
  EXPECT_EQ(d.Texts(), std::vector<std::string>{});

  app.Put("EventsEnabled", VisBool(false));
  EXPECT_EQ(app.Get("EventsEnabled"), VisBool(false));
  d.Obj("cell").Put("FormulaU", Variant("2 in"));
  d.Obj("page").Invoke("DrawRectangle", {Variant(1.0), Variant(1.0), Variant(2.0), Variant(2.0)});
  d.Obj("docs").Invoke("Add", {Variant("")});
  d.Obj("window").Invoke("Activate");
  d.Obj("window").Invoke("DeselectAll");
  EXPECT_EQ(d.Texts(), std::vector<std::string>{});

  app.Put("EventsEnabled", VisBool(true));
  d.Obj("shape").Put("Name", Variant("Back on"));
  EXPECT_EQ(d.Texts(), Up(visEvtShapeChanged, "shape", {"shape", SHAPE_CHAIN}));
}

TEST(EventsFiringTest, SinksThatChangeTheModelMeanwhileLeaveItWhole) {
  Drawing d;
  // A sink that deletes every shape as it is added: the lists above still
  // hear of it, the shape deleted by then.
  ObjectRef added;
  d.onCall = [&](std::int16_t code, const ObjectRef& source, const ObjectRef& subject) {
    if (code == visEvtShapeAdded && d.Label(source) == "page") {
      added = subject;
      subject.Invoke("Delete");
    }
  };
  d.Obj("page").Invoke("DrawRectangle", {Variant(1.0), Variant(1.0), Variant(2.0), Variant(2.0)});
  EXPECT_EQ(d.Texts(), Then({Up(visEvtShapeAdded, "new Shape", {"page"}),
                             Up(visEvtBeforeShapeDelete, "new Shape", {SHAPE_CHAIN}),
                             Up(visEvtShapeAdded, "new Shape", {"pages", "doc", "docs", "app"})}));
  EXPECT_EQ(added.Get("Stat"), I2(kStatDeleted));

  // A sink that closes the document while it is closing: closed once.
  d.calls.clear();
  d.onCall = [&](std::int16_t code, const ObjectRef& source, const ObjectRef& subject) {
    if (code == visEvtBeforeDocumentClose && d.Label(source) == "doc") {
      d.onCall = nullptr;
      subject.Invoke("Close");
    }
  };
  d.Obj("doc").Invoke("Close");
  EXPECT_EQ(d.Obj("doc").Get("Stat"), I2(kStatDeleted));
  EXPECT_EQ(d.Obj("docs").Get("Count"), I2(1));  // the demo's stencil
  // The inner close ran whole; the outer one found it done.
  EXPECT_EQ(d.Texts(), Then({Up(visEvtBeforeDocumentClose, "doc", {"doc"}),
                             Up(visEvtBeforeDocumentClose, "doc", {"doc", "docs", "app"}),
                             Up(visEvtBeforeWindowClosed, "window", {"window", "windows", "app"}),
                             Up(visEvtBeforeDocumentClose, "doc", {"docs", "app"})}));
}

}  // namespace
}  // namespace standin
