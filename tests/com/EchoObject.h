// A COM object written by hand for the COM backend's tests: IDispatch over a
// fixed table of members that echo, describe and fail as a test needs, the
// way an automation server such as Visio answers. It knows nothing of the
// automation layer: what the backend sends is checked by COM's rules alone.
#pragma once

#include <oaidl.h>
#include <windows.h>

namespace echo {

// {8C3E0F52-6A1D-4E7B-B2C9-5D14A7E03F61}, ProgID Tarvel.ComEcho.
extern const CLSID CLSID_Echo;
inline constexpr const wchar_t* kProgId = L"Tarvel.ComEcho";
inline constexpr const wchar_t* kClsidText = L"{8C3E0F52-6A1D-4E7B-B2C9-5D14A7E03F61}";

// A new echo object, counted once for the caller. Typed objects describe
// themselves with one shared ITypeInfo; untyped ones have none.
IDispatch* NewEcho(bool typed = true);

// Echo objects alive in this process.
long Live();

// Serves the class as a local server until a client calls Quit (or a
// minute passes): what the program does when COM starts it with -Embedding.
int RunLocalServer();

}  // namespace echo
