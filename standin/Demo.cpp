#include "standin/Demo.h"

#include "standin/Application.h"
#include "standin/Document.h"
#include "standin/Events.h"
#include "standin/Geometry.h"
#include "standin/Layer.h"
#include "standin/Master.h"
#include "standin/Page.h"
#include "standin/Shape.h"
#include "standin/ShapeSheet.h"
#include "standin/ShapeText.h"
#include "standin/Style.h"
#include "standin/Window.h"

namespace standin {

namespace {

constexpr const char* kDrawingPath = "/usr/share/tarvel/demo/Demo Drawing.vsdx";
constexpr const char* kStencilPath = "/usr/share/tarvel/demo/Demo Shapes.vssx";

// A field at the end of a shape's text, with its row in the Text Fields
// section as Visio keeps it.
void AppendField(Shape& shape, TextField field) {
  const std::int32_t end = shape.Text().CharCount();
  InsertFieldWithRow(shape.Text(), shape, end, end, std::move(field));
}

void AppendText(ShapeText& text, std::string_view more) {
  const std::int32_t end = text.CharCount();
  text.Replace(end, end, more);
}

void Cell(ShapeSheet& sh, std::int16_t s, std::int16_t r, std::int16_t c, const std::string& f) {
  sh.SetFormula(s, r, c, f, true);
}

void AddProp(Shape& shape, const std::string& name, const std::string& label,
             const std::string& value, int type) {
  ShapeSheet& sh = shape.Sheet();
  const std::int16_t r = sh.AddNamedRow(visSectionProp, name, 0);
  Cell(sh, visSectionProp, r, 0, value);
  Cell(sh, visSectionProp, r, 1, "\"\"");
  Cell(sh, visSectionProp, r, 2, QuoteFormula(label));
  Cell(sh, visSectionProp, r, 3, "\"\"");
  Cell(sh, visSectionProp, r, 4, "\"\"");
  Cell(sh, visSectionProp, r, 5, std::to_string(type));
  Cell(sh, visSectionProp, r, 6, "FALSE");
  Cell(sh, visSectionProp, r, 7, "FALSE");
}

void AddUser(Shape& shape, const std::string& name, const std::string& value) {
  ShapeSheet& sh = shape.Sheet();
  const std::int16_t r = sh.AddNamedRow(visSectionUser, name, 0);
  Cell(sh, visSectionUser, r, 0, value);
  Cell(sh, visSectionUser, r, 1, "\"\"");
}

void AddConnectionPoints(Shape& shape) {
  ShapeSheet& sh = shape.Sheet();
  const char* pts[][2] = {{"Width*0.5", "Height*1"},
                          {"Width*1", "Height*0.5"},
                          {"Width*0.5", "Height*0"},
                          {"Width*0", "Height*0.5"}};
  for (const auto& p : pts) {
    const std::int16_t r = sh.AddRow(visSectionConnectionPts, visRowLast, visTagCnnctPtABCD);
    Cell(sh, visSectionConnectionPts, r, 0, p[0]);
    Cell(sh, visSectionConnectionPts, r, 1, p[1]);
    Cell(sh, visSectionConnectionPts, r, 2, "0");
    Cell(sh, visSectionConnectionPts, r, 3, "0");
    Cell(sh, visSectionConnectionPts, r, 4, "0");
    Cell(sh, visSectionConnectionPts, r, 5, "0");
  }
}

// The master "Process": a rectangle with text, data and connection points.
void BuildProcessMaster(Master& m) {
  Ref<Shape> s = m.NewShape(visTypeShape, "Process");
  SetBoxGeometry(*s, 0, 0, 1.5, 1, GeometryKind::Rectangle);
  s->Text().SetText("Process");
  AddProp(*s, "Cost", "Cost", "0", 7);
  AddProp(*s, "Owner", "Owner", "\"\"", 0);
  AddUser(*s, "visVersion", "15");
  AddConnectionPoints(*s);
  s->SetStyles("Demo Accent", "Demo Accent", "Demo Text");
}

// The master "Server": a group holding a body and a nested group of two
// drive bays.
void BuildServerMaster(Master& m) {
  Ref<Shape> g = m.NewShape(visTypeGroup, "Server");
  SetShapeTransform(*g, 0.5, 1, 1, 2);
  Ref<Shape> body = g->AddChild(visTypeShape, "Body");
  SetBoxGeometry(*body, 0, 0, 1, 2, GeometryKind::Rectangle);
  Ref<Shape> bays = g->AddChild(visTypeGroup, "Bays");
  SetShapeTransform(*bays, 0.5, 1.5, 0.8, 0.5);
  for (int i = 0; i < 2; ++i) {
    Ref<Shape> bay = bays->AddChild(visTypeShape, "Bay " + std::to_string(i + 1));
    SetBoxGeometry(*bay, 0.05 + 0.4 * i, 0.05, 0.4 + 0.4 * i, 0.45, GeometryKind::Rectangle);
  }
}

void BuildConnectorMaster(Master& m) {
  Ref<Shape> c = m.NewShape(visTypeShape, "Dynamic connector");
  SetLineGeometry(*c, 0, 0, 1, 0);
  Cell(c->Sheet(), visSectionObject, visRowLine, 6, "13");  // end arrow
}

void BuildMasters(Document& doc) {
  Ref<Master> process = doc.AddMaster("Process");
  process->SetPrompt("Drag onto the page to add a process step.");
  BuildProcessMaster(*process);
  BuildServerMaster(*doc.AddMaster("Server"));
  BuildConnectorMaster(*doc.AddMaster("Dynamic connector"));
  Ref<Master> rect = doc.AddMaster("Rectangle");
  SetBoxGeometry(*rect->NewShape(visTypeShape, "Rectangle"), 0, 0, 1, 0.75,
                 GeometryKind::Rectangle);
}

void BuildStyles(Document& doc) {
  Ref<Style> base = doc.AddStyle("Demo Base");
  base->SetNameU("Demo Base");
  base->SetBasedOn("Normal", "Normal", "Normal");
  Cell(base->Sheet(), visSectionObject, visRowLine, 0, "1 pt");
  Ref<Style> accent = doc.AddStyle("Demo Accent");
  accent->SetNameU("Demo Accent");
  accent->SetBasedOn("Demo Base", "Demo Base", "Demo Base");
  Cell(accent->Sheet(), visSectionObject, visRowFill, 0, "4");  // blue foreground
  Ref<Style> text = doc.AddStyle("Demo Text");
  text->SetNameU("Demo Text");
  text->SetBasedOn("Demo Base", "Demo Base", "Normal");
  text->SetIncludes(false, false, true);
  Cell(text->Sheet(), visSectionCharacter, 0, 7, "12 pt");
}

// A shape drawn with three geometry sections: lines, an arc, an elliptical
// arc and a spline.
void BuildCurvyShape(Page& page) {
  Ref<Shape> s = page.DrawRectangle(5.5, 7, 7.5, 8.5);
  s->SetName("Curvy");
  s->SetNameU("Curvy");
  ShapeSheet& sh = s->Sheet();
  // Section 1 is the rectangle; section 2 an arc, section 3 an elliptical
  // arc and a spline.
  const std::int16_t g2 = sh.AddSection(visSectionFirstComponent);
  sh.AddRow(g2, visRowComponent, visTagComponent);
  Cell(sh, g2, 0, visCompNoFill, "TRUE");
  Cell(sh, g2, 0, visCompNoShow, "FALSE");
  std::int16_t r = sh.AddRow(g2, visRowLast, visTagMoveTo);
  Cell(sh, g2, r, 0, "Width*0.1");
  Cell(sh, g2, r, 1, "Height*0.5");
  r = sh.AddRow(g2, visRowLast, visTagArcTo);
  Cell(sh, g2, r, 0, "Width*0.9");
  Cell(sh, g2, r, 1, "Height*0.5");
  Cell(sh, g2, r, 2, "0.3 in");
  const std::int16_t g3 = sh.AddSection(visSectionFirstComponent);
  sh.AddRow(g3, visRowComponent, visTagComponent);
  Cell(sh, g3, 0, visCompNoFill, "TRUE");
  Cell(sh, g3, 0, visCompNoShow, "FALSE");
  r = sh.AddRow(g3, visRowLast, visTagMoveTo);
  Cell(sh, g3, r, 0, "Width*0");
  Cell(sh, g3, r, 1, "Height*0");
  r = sh.AddRow(g3, visRowLast, visTagEllipticalArcTo);
  Cell(sh, g3, r, 0, "Width*0.5");
  Cell(sh, g3, r, 1, "Height*0.25");
  Cell(sh, g3, r, 2, "Width*0.25");
  Cell(sh, g3, r, 3, "Height*0.2");
  Cell(sh, g3, r, 4, "0 deg");
  Cell(sh, g3, r, 5, "1");
  r = sh.AddRow(g3, visRowLast, visTagSplineBeg);
  Cell(sh, g3, r, 0, "Width*0.75");
  Cell(sh, g3, r, 1, "Height*0.1");
  Cell(sh, g3, r, 2, "0");
  Cell(sh, g3, r, 3, "0");
  Cell(sh, g3, r, 4, "1");
  Cell(sh, g3, r, 5, "3");
  r = sh.AddRow(g3, visRowLast, visTagSplineSpan);
  Cell(sh, g3, r, 0, "Width*1");
  Cell(sh, g3, r, 1, "Height*0.3");
  Cell(sh, g3, r, 2, "0.5");
}

std::string ConnectionPoint(Shape& shape, std::int16_t row, const char* axis) {
  return shape.NameID() + "!Connections." + axis + std::to_string(row + 1);
}

// Glues the begin of a connector to a connection point of `from` and its
// end to a connection point of `to`, or, with toRow -1, to `to` as a whole
// (dynamic glue, to its pin); Visio lists both connections on the page.
void Glue(Page& page, Shape& connector, Shape& from, std::int16_t fromRow, Shape& to,
          std::int16_t toRow) {
  constexpr std::int16_t visBegin = 9, visEnd = 12, visWholeShape = 3, visConnectionPoint = 100;
  page.AddConnect({Ref<Shape>(&connector), visSectionObject, visRowXForm1D, vis1DBeginX, visBegin,
                   Ref<Shape>(&from), visSectionConnectionPts, fromRow, 0,
                   static_cast<std::int16_t>(visConnectionPoint + fromRow)});
  Cell(connector.Sheet(), visSectionObject, visRowXForm1D, vis1DBeginX,
       "PAR(PNT(" + ConnectionPoint(from, fromRow, "X") + "," + ConnectionPoint(from, fromRow, "Y") +
           "))");
  if (toRow < 0) {
    page.AddConnect({Ref<Shape>(&connector), visSectionObject, visRowXForm1D, vis1DEndX, visEnd,
                     Ref<Shape>(&to), visSectionObject, visRowXFormOut, visXFormPinX, visWholeShape});
    Cell(connector.Sheet(), visSectionObject, visRowXForm1D, vis1DEndX,
         "PAR(PNT(" + to.NameID() + "!PinX," + to.NameID() + "!PinY))");
    return;
  }
  page.AddConnect({Ref<Shape>(&connector), visSectionObject, visRowXForm1D, vis1DEndX, visEnd,
                   Ref<Shape>(&to), visSectionConnectionPts, toRow, 0,
                   static_cast<std::int16_t>(visConnectionPoint + toRow)});
  Cell(connector.Sheet(), visSectionObject, visRowXForm1D, vis1DEndX,
       "PAR(PNT(" + ConnectionPoint(to, toRow, "X") + "," + ConnectionPoint(to, toRow, "Y") + "))");
}

void BuildFirstPage(Document& doc, Page& page) {
  Master& process = *doc.FindMaster("Process");
  Master& server = *doc.FindMaster("Server");
  Master& connector = *doc.FindMaster("Dynamic connector");

  Ref<Layer> flow = page.AddLayer("Flow");
  Ref<Layer> notes = page.AddLayer("Annotations");

  // The richest ordinary shape comes first.
  Ref<Shape> order = page.Drop(process, 2, 8);
  order->Text().SetText("Order received on ");
  AppendField(*order, {visFCatPage, 1, visFmtStrNormal, "PAGENAME()", "Page-1"});
  AppendText(order->Text(), "\tplaced\tby phone");
  ShapeSheet& osh = order->Sheet();
  const std::int16_t tabs = osh.AddRow(visSectionTab, 0, visTagTab2);
  Cell(osh, visSectionTab, tabs, 0, "2");
  Cell(osh, visSectionTab, tabs, 1, "0.5 in");
  Cell(osh, visSectionTab, tabs, 2, "0");
  Cell(osh, visSectionTab, tabs, 4, "1 in");
  Cell(osh, visSectionTab, tabs, 5, "1");
  Cell(osh, visSectionProp, 0, 0, "125.5");  // a local override of the master's Cost
  AddProp(*order, "Priority", "Priority", "\"High\"", 1);
  AddUser(*order, "Tracking", "\"TRK-0042\"");
  const std::int16_t link = osh.AddNamedRow(visSectionHyperlink, "Row_1", 0);
  Cell(osh, visSectionHyperlink, link, 0, "\"Order system\"");
  Cell(osh, visSectionHyperlink, link, 1, "\"https://example.com/orders/42\"");
  Cell(osh, visSectionHyperlink, link, 2, "\"\"");
  for (int i = 0; i < 2; ++i) {
    const std::int16_t r = osh.AddRow(visSectionScratch, visRowLast, 0);
    Cell(osh, visSectionScratch, r, 0, std::to_string(i + 1) + " in");
    Cell(osh, visSectionScratch, r, 1, "Width*" + std::to_string(i + 1));
  }
  const std::int16_t action = osh.AddNamedRow(visSectionAction, "Row_1", 0);
  Cell(osh, visSectionAction, action, 0, "\"Mark as &done\"");
  Cell(osh, visSectionAction, action, 3, "SETF(GetRef(Prop.Priority),\"\"\"Done\"\"\")");
  Cell(osh, visSectionAction, action, 4, "FALSE");
  const std::int16_t ctl = osh.AddNamedRow(visSectionControls, "Row_1", 0);
  Cell(osh, visSectionControls, ctl, 0, "Width*0.5");
  Cell(osh, visSectionControls, ctl, 1, "Height*-0.25");
  Cell(osh, visSectionControls, ctl, 4, "0");
  Cell(osh, visSectionControls, ctl, 5, "0");
  Cell(osh, visSectionControls, ctl, 8, "\"Drag to move the note\"");
  order->JoinLayer(flow->Row());

  Ref<Shape> ship = page.Drop(process, 5, 8);
  ship->Text().SetText("Ship order");
  ship->JoinLayer(flow->Row());
  Ref<Shape> arrow = page.Drop(connector, 3.5, 8);
  Glue(page, *arrow, *order, 1, *ship, 3);
  arrow->JoinLayer(flow->Row());

  Ref<Shape> rack = page.Drop(server, 2, 4);
  rack->Text().SetText("Order database");
  Ref<Shape> store = page.Drop(connector, 2, 6);
  Glue(page, *store, *order, 2, *rack, -1);

  BuildCurvyShape(page);

  Ref<Shape> note = page.DrawRectangle(4.5, 3, 7.5, 4);
  note->SetName("Note");
  note->SetNameU("Note");
  note->Text().SetText("Created by Tarvel's demo on ");
  AppendField(*note, {visFCatDateTime, 2, 20, "NOW()", "12/10/2026"});
  note->JoinLayer(notes->Row());
  note->JoinLayer(flow->Row());

  Ref<Shape> ole = page.DrawRectangle(1, 1, 3, 2.5);
  ole->SetForeign(static_cast<std::int16_t>(visTypeIsOLE2 | visTypeIsEmbedded | visTypeMetafile),
                  "Excel.Sheet.12", "{00020830-0000-0000-C000-000000000046}");
  ole->SetName("Sheet.OLE");
  ole->SetNameU("Sheet.OLE");
  ole->Sheet().AddRow(visSectionObject, visRowForeign, 0);

  AddGuide(page, 2, 4.25, 0);
}

}  // namespace

void BuildDemoDrawing(Application& app) {
  // The stencil first, so that the drawing's window can dock it.
  Ref<Document> stencil = app.NewDocument(kStencilPath, visDocTypeStencil);
  BuildStyles(*stencil);
  BuildMasters(*stencil);
  stencil->SetStoredValue("Title", Variant("Demo Shapes"));

  Ref<Document> drawing = app.NewDocument(kDrawingPath, visDocTypeDrawing);
  for (auto [k, v] : {std::pair{"Title", "Order handling"},
                      {"Subject", "Tarvel demo drawing"},
                      {"Creator", "Tarvel"},
                      {"Manager", "Visio automation users"},
                      {"Company", "Tarvel"},
                      {"Category", "Demo"},
                      {"Keywords", "demo; orders"},
                      {"Description", "Exercises every branch of Tarvel's tree."}}) {
    drawing->SetStoredValue(k, Variant(v));
  }
  drawing->SetStoredValue("Version", Variant(std::int32_t{0x000F0000}));
  BuildStyles(*drawing);
  BuildMasters(*drawing);

  Ref<Page> page1 = drawing->AddPage("Page-1");
  Ref<Page> page2 = drawing->AddPage("Page-2");
  Ref<Page> back = drawing->AddPage("Background-1", true);
  page1->SetBackPage(back.get());
  page2->SetBackPage(back.get());
  BuildFirstPage(*drawing, *page1);

  Ref<Shape> title = back->DrawRectangle(0.5, 10, 8, 10.75);
  title->SetName("Title block");
  title->SetNameU("Title block");
  title->Text().SetText("Order handling - ");
  AppendField(*title, {visFCatPage, 1, visFmtStrNormal, "PAGENAME()", "Background-1"});
  Ref<Shape> p2 = page2->Drop(*drawing->FindMaster("Rectangle"), 4, 5);
  p2->Text().SetText("Second page");

  // visEvtCodeDocOpen, visEvtCodeDocSave and visEvtApp|visEvtBeforeQuit.
  drawing->Events().AddRunAddon(2, "Tarvel Demo Add-on", "/on=open");
  drawing->Events().AddRunAddon(3, "Tarvel Demo Add-on", "/on=save");
  app.EventListObject().AddRunAddon(4096 | 16, "Tarvel Demo Add-on", "/on=quit");

  app.AddDocument(drawing, true);
  app.AddDocument(stencil, false);
  Window& window = *app.ActiveWindow();
  window.Dock(*stencil);
  window.Select(*page1->TopShapes().front(), visSelect);
}

}  // namespace standin
