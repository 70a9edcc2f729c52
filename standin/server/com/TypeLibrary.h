// The description of Visio's application interface (IVApplication) that COM
// needs to hand it to another process: without one, a client's
// QueryInterface for IVApplication fails across the process boundary, as
// it would with a Visio whose type library is not registered. The stand-in
// answers by name only (IDispatch), so the interface is described as a
// dispinterface without members; COM marshals it as IDispatch.
#pragma once

#include <string>

namespace standin::com {

// Writes the type library beside `program` (tarvel-visio.tlb) and
// registers it (TypeLib and Interface keys, as RegisterTypeLib writes
// them). An empty answer, or what went wrong.
std::string RegisterTypeLibrary(const std::wstring& program);

// Removes the registration and the file. An empty answer, or what went
// wrong.
std::string UnregisterTypeLibrary(const std::wstring& program);

}  // namespace standin::com
