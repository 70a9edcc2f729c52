#include "visio/KTVisio_AddOn_TLB.h"

#include <array>
#include <filesystem>

namespace {

constexpr auto kVisEventProcParams = std::to_array<TTypeLibParam>({
    {"Event", TTypeLibParamType::I2},
    {"Source", TTypeLibParamType::Unknown},
    {"ID", TTypeLibParamType::I4},
    {"Seq", TTypeLibParamType::I4},
    {"Subject", TTypeLibParamType::Unknown},
    {"Extra", TTypeLibParamType::Variant},
});

constexpr auto kSinkMethods = std::to_array<TTypeLibMethod>({
    {"VisEventProc", DISPID_VisEventProc, "Visio Event Proc", kVisEventProcParams},
});

const TTypeLibInterface kSinkInterface = {
    "IVisioAddOnSink",
    &IID_IVisioAddOnSink,
    "Dispatch interface for IVisioAddOnSink Object",
    kSinkMethods,
};

const TTypeLibCoClass kSinkClass = {
    "VisioAddOnSink",
    &CLASS_VisioAddOnSink,
    "VisioAddOnSink Object",
    &kSinkInterface,
};

const TTypeLibrary kLibrary = {
    "KTVisio_AddOn",
    &LIBID_KTVisio_AddOn,
    KTVisio_AddOnMajorVersion,
    KTVisio_AddOnMinorVersion,
    0x409,
    "Visio AddOn Sink Library",
    &kSinkInterface,
    &kSinkClass,
};

void AppendReplacementChar(std::string& out) {
  out += "\xEF\xBF\xBD";  // U+FFFD
}

// Length of the well-formed UTF-8 sequence at the start of `s` that XML 1.0
// accepts as one character, or 0.
std::size_t XmlCharLength(std::string_view s) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  char32_t code = 0;
  if (lead < 0x80) {
    length = 1;
    code = lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07u;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0u) != 0x80u) return 0;
    code = (code << 6) | (byte(i) & 0x3Fu);
  }
  const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  const bool control = code < 0x20 && code != '\t' && code != '\n' && code != '\r';
  if (overlong || surrogate || control || code == 0xFFFE || code == 0xFFFF || code > 0x10FFFF) {
    return 0;
  }
  return length;
}

// An attribute value. File paths are bytes, not text: what XML cannot carry
// becomes U+FFFD, so the document stays well-formed whatever the path holds.
// Tab and line breaks are written as references, which keep them through
// attribute normalisation.
std::string XmlAttribute(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  while (!value.empty()) {
    const std::size_t length = XmlCharLength(value);
    if (length == 0) {
      AppendReplacementChar(out);
      value.remove_prefix(1);
      continue;
    }
    switch (value[0]) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\t':
        out += "&#9;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        out.append(value.substr(0, length));
    }
    value.remove_prefix(length);
  }
  return out;
}

std::string Version(std::uint16_t major, std::uint16_t minor) {
  return std::to_string(major) + "." + std::to_string(minor);
}

std::string HexLocale(std::uint32_t locale) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string digits;
  do {
    digits.insert(digits.begin(), kDigits[locale % 16]);
    locale /= 16;
  } while (locale != 0);
  return "0x" + digits;
}

class DescriptionWriter {
 public:
  void Open(int depth, std::string_view element, std::string_view name) {
    Indent(depth);
    text_ += "<";
    text_ += element;
    text_ += " name=\"" + XmlAttribute(name) + "\">\n";
  }
  void Close(int depth, std::string_view element) {
    Indent(depth);
    text_ += "</";
    text_ += element;
    text_ += ">\n";
  }
  void Annotation(int depth, std::string_view key, std::string_view value) {
    Indent(depth);
    text_ += "<annotation name=\"";
    text_ += TypeLibAnnotationPrefix;
    text_ += key;
    text_ += "\" value=\"" + XmlAttribute(value) + "\"/>\n";
  }
  void Raw(std::string_view text) { text_ += text; }
  std::string Take() { return std::move(text_); }

 private:
  void Indent(int depth) { text_.append(static_cast<std::size_t>(depth) * 2, ' '); }

  std::string text_;
};

}  // namespace

const TTypeLibrary& KTVisio_AddOnLibrary() {
  return kLibrary;
}

std::string_view TypeLibParamTypeName(TTypeLibParamType type) {
  switch (type) {
    case TTypeLibParamType::I2:
      return "VT_I2";
    case TTypeLibParamType::I4:
      return "VT_I4";
    case TTypeLibParamType::Variant:
      return "VT_VARIANT";
    case TTypeLibParamType::Unknown:
      return "VT_UNKNOWN";
  }
  return "VT_?";
}

std::string_view TypeLibParamSignature(TTypeLibParamType type) {
  switch (type) {
    case TTypeLibParamType::I2:
      return "n";
    case TTypeLibParamType::I4:
      return "i";
    case TTypeLibParamType::Variant:
      return "v";
    case TTypeLibParamType::Unknown:
      return "o";
  }
  return "v";
}

std::string AddOnSinkInterfaceDescription(std::string_view programPath) {
  const TTypeLibrary& lib = KTVisio_AddOnLibrary();
  const TTypeLibInterface& sink = *lib.sinkInterface;
  const TTypeLibCoClass& coclass = *lib.sinkClass;
  const std::string programDir = std::filesystem::path(programPath).parent_path().string();

  DescriptionWriter w;
  w.Raw(
      "<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection 1.0//EN\"\n"
      " \"http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd\">\n"
      "<!-- Type library KTVisio_AddOn of the program named in Library.Path, written when\n"
      "     the program registers it; its /UNREGSERVER switch removes this file. -->\n"
      "<node>\n");
  w.Open(1, "interface", AddOnSinkBusInterface);
  w.Annotation(2, "Library", lib.name);
  w.Annotation(2, "Library.Guid", lib.libid->ToString());
  w.Annotation(2, "Library.Version", Version(lib.majorVersion, lib.minorVersion));
  w.Annotation(2, "Library.Locale", HexLocale(lib.locale));
  w.Annotation(2, "Library.HelpString", lib.helpString);
  w.Annotation(2, "Library.Path", programPath);
  w.Annotation(2, "Library.HelpDir", programDir);
  w.Annotation(2, "Interface", sink.name);
  w.Annotation(2, "Interface.Guid", sink.iid->ToString());
  w.Annotation(2, "Interface.Version", Version(lib.majorVersion, lib.minorVersion));
  w.Annotation(2, "Interface.HelpString", sink.helpString);
  w.Annotation(2, "Interface.Flags", "dual oleautomation dispatchable");
  w.Annotation(2, "CoClass", coclass.name);
  w.Annotation(2, "CoClass.Guid", coclass.clsid->ToString());
  w.Annotation(2, "CoClass.HelpString", coclass.helpString);
  for (const TTypeLibMethod& method : sink.methods) {
    w.Open(2, "method", method.name);
    w.Annotation(3, "DispId", std::to_string(method.dispId));
    w.Annotation(3, "HelpString", method.helpString);
    for (const TTypeLibParam& param : method.params) {
      w.Raw("      <arg name=\"" + XmlAttribute(param.name) + "\" type=\"" +
            std::string(TypeLibParamSignature(param.type)) + "\" direction=\"in\">\n");
      w.Annotation(4, "Type", TypeLibParamTypeName(param.type));
      w.Close(3, "arg");
    }
    w.Close(2, "method");
  }
  w.Close(1, "interface");
  w.Raw("</node>\n");
  return w.Take();
}
