// The stand-in's own text form of UI objects, for SaveToFile and
// LoadFromFile (Visio's binary form is not reproduced).
//
// One value a line, "name<TAB>value", values with backslash escapes; an
// object starts with "{" and its interface name and ends with "}". The
// first line names the form.
#pragma once

#include <iosfwd>
#include <string>

namespace standin {

class UIObject;

// The form's first line, then the object and everything it holds.
void WriteUIText(std::ostream& out, const UIObject& root);

// Reads a whole text form into root, a new UIObject. Anything not in the
// form is "Invalid parameter", naming the file (path) and the line.
void ReadUIText(std::istream& in, const std::string& path, UIObject& root);

}  // namespace standin
