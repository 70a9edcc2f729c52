// IVisioAddOnSink as COM declares it for C++: widl's header of
// KTVisio_AddOn.idl (generated in the build folder on Windows). Its GUID
// constants would take the names of KTVisio_AddOn_TLB.h's Guids, so they
// are renamed on the way in; __uuidof(IVisioAddOnSink) is COM's IID.
#pragma once

#include "automation/com/ComHeaders.h"

#define LIBID_KTVisio_AddOn LIBID_KTVisio_AddOn_com
#define IID_IVisioAddOnSink IID_IVisioAddOnSink_com
#define CLSID_VisioAddOnSink CLSID_VisioAddOnSink_com
#include "KTVisio_AddOn_h.h"
#undef LIBID_KTVisio_AddOn
#undef IID_IVisioAddOnSink
#undef CLSID_VisioAddOnSink
