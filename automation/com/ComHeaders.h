// Windows' headers for the COM backend, after the automation layer's own.
// Windows defines many of the layer's names (S_OK, E_FAIL, DISP_E_...) as
// macros with the same values, so the layer's declarations must come first;
// below them the names are the macros, which is harmless. Inside namespace
// automation, IID_IUnknown and IID_IDispatch are the layer's Guids: COM's
// GUIDs are ::IID_IUnknown and ::IID_IDispatch.
#pragma once

#include "automation/HResult.h"
#include "automation/Object.h"
#include "automation/Runtime.h"
#include "automation/Variant.h"
// Windows' own, after the layer's (see above).
#include <windows.h>
// The COM and OLE Automation parts.
#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>
