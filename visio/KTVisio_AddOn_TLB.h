// The type library KTVisio_AddOn: the event-sink interface Visio calls when it
// delivers events to an add-on (IVisioAddOnSink with its one method
// VisEventProc) and the class that implements it (VisioAddOnSink).
//
// The library is carried inside the program as data. Registering it installs
// a D-Bus interface description generated from that data, the Linux desktop's
// counterpart of a registered type library. On Windows the same library is
// KTVisio_AddOn.idl, compiled into the program (its tests compare the two).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "automation/Guid.h"
#include "automation/Object.h"

// Fixed identifiers; installers and clients rely on them, so they never change.
inline const automation::Guid LIBID_KTVisio_AddOn =
    automation::Guid::FromString("{A9F1AD0F-CD1F-497E-99BF-0670F58FCF3D}");
inline const automation::Guid IID_IVisioAddOnSink =
    automation::Guid::FromString("{E231BE0C-EB18-4500-808E-C03BF62BDB57}");
inline const automation::Guid CLASS_VisioAddOnSink =
    automation::Guid::FromString("{59A61122-9C4C-4661-BEB6-F90A0D423895}");

inline constexpr std::uint16_t KTVisio_AddOnMajorVersion = 1;
inline constexpr std::uint16_t KTVisio_AddOnMinorVersion = 0;

inline constexpr automation::DispId DISPID_VisEventProc = 1;

// The automation types a parameter of the library can have, with COM's
// VARTYPE numbers.
enum class TTypeLibParamType : std::uint16_t { I2 = 2, I4 = 3, Variant = 12, Unknown = 13 };

struct TTypeLibParam {
  std::string_view name;
  TTypeLibParamType type;
};

struct TTypeLibMethod {
  std::string_view name;
  automation::DispId dispId;
  std::string_view helpString;
  std::span<const TTypeLibParam> params;  // all input-only, in call order
};

struct TTypeLibInterface {
  std::string_view name;
  const automation::Guid* iid;
  std::string_view helpString;
  std::span<const TTypeLibMethod> methods;  // after IDispatch's own, in table order
};

struct TTypeLibCoClass {
  std::string_view name;
  const automation::Guid* clsid;
  std::string_view helpString;
  const TTypeLibInterface* defaultInterface;
};

struct TTypeLibrary {
  std::string_view name;
  const automation::Guid* libid;
  std::uint16_t majorVersion;
  std::uint16_t minorVersion;
  std::uint32_t locale;
  std::string_view helpString;
  const TTypeLibInterface* sinkInterface;
  const TTypeLibCoClass* sinkClass;
};

// The library as the program carries it.
const TTypeLibrary& KTVisio_AddOnLibrary();

// "VT_I2", "VT_UNKNOWN", ...
std::string_view TypeLibParamTypeName(TTypeLibParamType type);
// The D-Bus signature that carries a parameter of that type: an object travels
// as its object path, a variant as a D-Bus variant.
std::string_view TypeLibParamSignature(TTypeLibParamType type);

// The interface's name on the bus, and the file name of its installed
// description ("<interface name>.xml").
inline constexpr std::string_view AddOnSinkBusInterface =
    "org.tarvel.KTVisio_AddOn.IVisioAddOnSink";
inline constexpr std::string_view AddOnSinkDescriptionFileName =
    "org.tarvel.KTVisio_AddOn.IVisioAddOnSink.xml";
// Prefix of the annotations that carry what D-Bus itself has no words for.
inline constexpr std::string_view TypeLibAnnotationPrefix = "org.tarvel.Automation.";

// The D-Bus introspection document that describes the library, naming the
// program that serves it (`programPath`, absolute) and its directory.
std::string AddOnSinkInterfaceDescription(std::string_view programPath);
