// The built-in demo drawing: what Tarvel shows when it is given nothing
// else. It exercises every branch of the object tree.
#pragma once

#include "standin/Model.h"

namespace standin {

// Opens the demo documents in the application: the drawing "Demo
// Drawing.vsdx" (three pages, one of them a background) and the stencil
// "Demo Shapes.vssx" docked in the drawing's window, with one shape
// selected.
void BuildDemoDrawing(Application& app);

}  // namespace standin
