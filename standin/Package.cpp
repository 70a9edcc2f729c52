#include "standin/Package.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <zip.h>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>
#include <sstream>

#include "automation/Text.h"
#include "standin/FilePaths.h"
// Windows' own, after the layer's (see automation/com/ComHeaders.h).
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace standin {

namespace {

constexpr const char* kTypesNs = "http://schemas.openxmlformats.org/package/2006/content-types";
constexpr const char* kRelsNs = "http://schemas.openxmlformats.org/package/2006/relationships";

std::string WithoutLeadingSlash(std::string name) {
  if (!name.empty() && name[0] == '/') name.erase(0, 1);
  return name;
}

std::string FolderOf(const std::string& part) {
  const std::size_t slash = part.rfind('/');
  return slash == std::string::npos ? "" : part.substr(0, slash + 1);
}

std::string XmlText(const pugi::xml_document& doc) {
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw, pugi::encoding_utf8);
  return out.str();
}

pugi::xml_document NewXml(const char* root, const char* ns) {
  pugi::xml_document doc;
  pugi::xml_node decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  decl.append_attribute("encoding") = "UTF-8";
  decl.append_attribute("standalone") = "yes";
  doc.append_child(root).append_attribute("xmlns") = ns;
  return doc;
}

[[noreturn]] void Refuse(int error) {
  zip_error_t ze;
  zip_error_init_with_code(&ze, error);
  std::string what = error == ZIP_ER_NOZIP
                         ? "not a zip archive"
                         : std::string("damaged zip archive (") + zip_error_strerror(&ze) + ")";
  zip_error_fini(&ze);
  throw PackageError("package", what);
}

}  // namespace

// ---- relationships and content types ----

const Relationship* Relationships::OfType(std::string_view typeTail) const {
  for (const auto& r : list_) {
    if (std::string_view(r.type).ends_with(typeTail)) return &r;
  }
  return nullptr;
}

const Relationship* Relationships::ById(std::string_view id) const {
  for (const auto& r : list_) {
    if (r.id == id) return &r;
  }
  return nullptr;
}

std::string ContentTypes::OverrideOf(const std::string& part) const {
  auto it = overrides_.find(part);
  return it == overrides_.end() ? std::string() : it->second;
}

std::string ContentTypes::Of(const std::string& part) const {
  if (auto it = overrides_.find(part); it != overrides_.end()) return it->second;
  const std::size_t dot = part.rfind('.');
  if (dot == std::string::npos || part.find('/', dot) != std::string::npos) return {};
  auto it = defaults_.find(automation::AsciiLowered(std::string_view(part).substr(dot + 1)));
  return it == defaults_.end() ? std::string() : it->second;
}

void ContentTypes::SetOverride(const std::string& part, std::string type) {
  overrides_[WithoutLeadingSlash(part)] = std::move(type);
}

void ContentTypes::SetDefault(const std::string& extension, std::string type) {
  defaults_[automation::AsciiLowered(extension)] = std::move(type);
}

std::string ContentTypes::Xml() const {
  pugi::xml_document doc = NewXml("Types", kTypesNs);
  pugi::xml_node root = doc.document_element();
  for (const auto& [extension, type] : defaults_) {
    pugi::xml_node d = root.append_child("Default");
    d.append_attribute("Extension") = extension.c_str();
    d.append_attribute("ContentType") = type.c_str();
  }
  for (const auto& [part, type] : overrides_) {
    pugi::xml_node o = root.append_child("Override");
    o.append_attribute("PartName") = ("/" + part).c_str();
    o.append_attribute("ContentType") = type.c_str();
  }
  return XmlText(doc);
}

// ---- reading ----

struct Package::Zip {
  explicit Zip(zip_t* archive) : z(archive) {}
  ~Zip() { zip_discard(z); }
  zip_t* z;
};

Package::Package(std::unique_ptr<Zip> zip, std::uint64_t maxUnpacked)
    : zip_(std::move(zip)), maxUnpacked_(maxUnpacked) {}
Package::Package(Package&&) noexcept = default;
Package& Package::operator=(Package&&) noexcept = default;
Package::~Package() = default;

Package Package::Open(const std::string& path, std::uint64_t maxUnpacked) {
  int error = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
  if (!z) Refuse(error);
  return Package(std::make_unique<Zip>(z), maxUnpacked);
}

Package Package::FromBytes(std::string_view bytes, std::uint64_t maxUnpacked) {
  zip_error_t ze;
  zip_error_init(&ze);
  zip_t* z = nullptr;
  zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &ze);
  if (src) z = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &ze);
  const int error = zip_error_code_zip(&ze);
  zip_error_fini(&ze);
  if (!z) {
    if (src) zip_source_free(src);
    Refuse(error);
  }
  return Package(std::make_unique<Zip>(z), maxUnpacked);
}

std::vector<std::string> Package::PartNames() const {
  std::vector<std::string> out;
  const zip_int64_t n = zip_get_num_entries(zip_->z, 0);
  for (zip_int64_t i = 0; i < n; ++i) {
    if (const char* name = zip_get_name(zip_->z, static_cast<zip_uint64_t>(i), 0))
      out.emplace_back(name);
  }
  return out;
}

bool Package::Has(const std::string& part) const {
  return zip_name_locate(zip_->z, part.c_str(), 0) >= 0;
}

std::uint64_t Package::ClaimedSize(const std::string& part) const {
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat(zip_->z, part.c_str(), 0, &st) != 0) throw PackageError(part, "missing part");
  return (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
}

// Inflates a part into the buffer `allocate(room)` gives, once its claimed
// size is within the bounds; gives the size read.
template <class Allocate>
std::size_t Package::ReadBounded(const std::string& part, Allocate&& allocate) const {
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat(zip_->z, part.c_str(), 0, &st) != 0) throw PackageError(part, "missing part");
  if (!(st.valid & ZIP_STAT_SIZE) || st.size > kMaxPartSize)
    throw PackageError(part, "part too large (" + std::to_string(st.size) + " bytes)");
  if (st.size > maxUnpacked_ - std::min(unpacked_, maxUnpacked_)) {
    throw PackageError(part, "package too large (its parts unpack to more than " +
                                 std::to_string(maxUnpacked_) + " bytes)");
  }
  unpacked_ += st.size;
  std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> f(zip_fopen(zip_->z, part.c_str(), 0),
                                                      zip_fclose);
  if (!f) throw PackageError(part, std::string("unreadable part (") + zip_strerror(zip_->z) + ")");
  // One byte more than claimed shows a part that inflates beyond its size.
  const auto room = static_cast<std::size_t>(st.size) + 1;
  const zip_int64_t n = zip_fread(f.get(), allocate(room), room);
  if (n < 0)
    throw PackageError(part, std::string("damaged part (") + zip_file_strerror(f.get()) + ")");
  if (static_cast<zip_uint64_t>(n) != st.size) throw PackageError(part, "damaged part (bad size)");
  return static_cast<std::size_t>(n);
}

std::string Package::Read(const std::string& part) const {
  std::string bytes;
  bytes.resize(ReadBounded(part, [&](std::size_t room) {
    bytes.resize(room);
    return bytes.data();
  }));
  return bytes;
}

std::unique_ptr<pugi::xml_document> Package::Xml(const std::string& part) const {
  std::unique_ptr<void, void (*)(void*)> text(nullptr, pugi::get_memory_deallocation_function());
  const std::size_t n = ReadBounded(part, [&](std::size_t room) {
    text.reset(pugi::get_memory_allocation_function()(room));
    if (!text) throw std::bad_alloc();
    return text.get();
  });
  if (n == 0) throw PackageError(part, "malformed XML (no root element)");
  auto doc = std::make_unique<pugi::xml_document>();
  const pugi::xml_parse_result r =
      doc->load_buffer_inplace_own(text.release(), n, pugi::parse_default | pugi::parse_ws_pcdata);
  if (!r) {
    throw PackageError(part, std::string("malformed XML (") + r.description() + " at offset " +
                                 std::to_string(r.offset) + ")");
  }
  if (!doc->document_element()) throw PackageError(part, "malformed XML (no root element)");
  return doc;
}

ContentTypes Package::ReadContentTypes() const {
  const std::string part = kContentTypesPart;
  if (!Has(part)) throw PackageError(part, "missing part");
  auto xml = Xml(part);
  pugi::xml_node root = xml->document_element();
  if (std::string_view(root.name()) != "Types") throw PackageError(part, "not a Types part");
  ContentTypes out;
  for (pugi::xml_node d : root.children("Default"))
    out.SetDefault(d.attribute("Extension").value(), d.attribute("ContentType").value());
  for (pugi::xml_node o : root.children("Override"))
    out.SetOverride(o.attribute("PartName").value(), o.attribute("ContentType").value());
  return out;
}

Relationships Package::RelationshipsOf(const std::string& part) const {
  std::vector<Relationship> out;
  const std::string rels = RelationshipsPartOf(part);
  if (!Has(rels)) return Relationships();
  auto xml = Xml(rels);
  for (pugi::xml_node r : xml->document_element().children("Relationship")) {
    if (std::string_view(r.attribute("TargetMode").value()) == "External") continue;
    out.push_back({r.attribute("Id").value(), r.attribute("Type").value(),
                   ResolveTarget(part, r.attribute("Target").value())});
  }
  return Relationships(std::move(out));
}

std::string Package::ResolveTarget(const std::string& source, const std::string& target) {
  const std::string path =
      !target.empty() && target[0] == '/' ? target.substr(1) : FolderOf(source) + target;
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = path.find('/', start);
    const std::string_view piece = std::string_view(path).substr(
        start, slash == std::string::npos ? std::string::npos : slash - start);
    if (piece == "..") {
      if (!pieces.empty()) pieces.pop_back();
    } else if (!piece.empty() && piece != ".") {
      pieces.push_back(piece);
    }
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  std::string out;
  for (const auto& p : pieces) (out += out.empty() ? "" : "/") += p;
  return out;
}

std::string Package::RelationshipsPartOf(const std::string& part) {
  if (part.empty()) return "_rels/.rels";
  const std::size_t slash = part.rfind('/');
  if (slash == std::string::npos) return "_rels/" + part + ".rels";
  return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

// ---- writing ----

void Package::Writer::Add(std::string part, std::string bytes, Compression compression) {
  parts_.emplace_back(std::move(part), std::move(bytes), compression);
}

void Package::Writer::Copy(const Package& from, const std::string& part) {
  parts_.emplace_back(part, std::string(), Compression::Deflate, &from);
}

void Package::Writer::Relate(const std::string& source, Relationship rel) {
  rels_[source].push_back(std::move(rel));
}

std::string Package::Writer::Bytes() const {
  // The generated parts: content types first, as Office writes them, and
  // the relationship parts after the parts they lead from.
  std::vector<Part> generated;
  generated.reserve(1 + rels_.size());  // `all` points into it
  std::vector<const Part*> all;
  if (!types_.empty()) all.push_back(&generated.emplace_back(kContentTypesPart, types_.Xml()));
  for (const Part& p : parts_) all.push_back(&p);
  for (const auto& [source, rels] : rels_) {
    pugi::xml_document doc = NewXml("Relationships", kRelsNs);
    for (const Relationship& r : rels) {
      pugi::xml_node n = doc.document_element().append_child("Relationship");
      n.append_attribute("Id") = r.id.c_str();
      n.append_attribute("Type") = r.type.c_str();
      n.append_attribute("Target") = r.target.c_str();
    }
    all.push_back(&generated.emplace_back(RelationshipsPartOf(source), XmlText(doc)));
  }
  if (all.empty()) throw PackageError("package", "no parts to write");

  zip_error_t ze;
  zip_error_init(&ze);
  zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &ze);
  zip_t* z = out ? zip_open_from_source(out, ZIP_TRUNCATE, &ze) : nullptr;
  const std::string opened = z ? "" : zip_error_strerror(&ze);
  zip_error_fini(&ze);
  if (!z) {
    if (out) zip_source_free(out);
    throw PackageError("package", "cannot be made (" + opened + ")");
  }
  // The buffer outlives the archive, which frees its source when closed.
  zip_source_keep(out);
  std::unique_ptr<zip_source_t, void (*)(zip_source_t*)> keep(out, zip_source_free);
  auto fail = [&](const std::string& part) {
    const std::string why = zip_strerror(z);
    zip_discard(z);
    throw PackageError(part, "cannot be written (" + why + ")");
  };
  for (const Part* part : all) {
    const Part& p = *part;
    zip_source_t* src = nullptr;
    if (p.from) {
      const zip_int64_t index = zip_name_locate(p.from->zip_->z, p.name.c_str(), 0);
      if (index < 0) {
        zip_discard(z);
        throw PackageError(p.name, "missing part");
      }
      src = zip_source_zip(z, p.from->zip_->z, static_cast<zip_uint64_t>(index), ZIP_FL_COMPRESSED,
                           0, -1);
    } else {
      // Read when the archive is closed below, while the parts live.
      src = zip_source_buffer(z, p.bytes.data(), p.bytes.size(), 0);
    }
    if (!src) fail(p.name);
    const zip_int64_t added = zip_file_add(z, p.name.c_str(), src, ZIP_FL_ENC_UTF_8);
    if (added < 0) {
      zip_source_free(src);
      fail(p.name);
    }
    if (!p.from && p.compression == Compression::Store &&
        zip_set_file_compression(z, static_cast<zip_uint64_t>(added), ZIP_CM_STORE, 0) != 0)
      fail(p.name);
  }
  if (zip_close(z) != 0) fail("package");

  std::string bytes;
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_source_stat(out, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) || zip_source_open(out) != 0)
    throw PackageError("package", "cannot be read back");
  bytes.resize(static_cast<std::size_t>(st.size));
  const zip_int64_t n = zip_source_read(out, bytes.data(), st.size);
  zip_source_close(out);
  if (n != static_cast<zip_int64_t>(st.size)) throw PackageError("package", "cannot be read back");
  return bytes;
}

void Package::Writer::WriteTo(const std::string& path) const {
  std::string bytes;
  try {
    bytes = Bytes();
  } catch (const PackageError& e) {
    throw PackageError(path, e.where + ": " + e.what());
  }
  WriteFile(path, bytes);
}

#ifdef _WIN32
void Package::Writer::WriteFile(const std::string& path, std::string_view bytes) {
  auto fail = [&](const char* doing, int error) {
    throw PackageError(path, std::string("cannot ") + doing + " (" + std::strerror(error) + ")");
  };

  // As below, with Windows' calls: the rename over the target is
  // MoveFileEx's, which replaces a file that is there.
  static std::atomic<unsigned> serial{0};
  const std::wstring target = FilePath(path).wstring();
  std::wstring temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = target + L".tmp-" + std::to_wstring(_getpid()) + L"-" + std::to_wstring(serial++);
    fd = ::_wopen(temp.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                  _S_IREAD | _S_IWRITE);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) fail("create a file beside it", errno);

  int error = 0;
  const char* doing = "write";
  for (std::size_t done = 0; !error && done < bytes.size();) {
    const unsigned chunk =
        static_cast<unsigned>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    const int n = ::_write(fd, bytes.data() + done, chunk);
    if (n <= 0)
      error = n < 0 ? errno : EIO;
    else
      done += static_cast<std::size_t>(n);
  }
  if (!error && ::_commit(fd) != 0) error = errno;
  if (::_close(fd) != 0 && !error) error = errno;
  if (!error && !::MoveFileExW(temp.c_str(), target.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = ::GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    doing = "replace it";
  }
  if (error) {
    ::_wunlink(temp.c_str());
    fail(doing, error);
  }
}
#else
void Package::Writer::WriteFile(const std::string& path, std::string_view bytes) {
  auto fail = [&](const char* doing, int error) {
    throw PackageError(path, std::string("cannot ") + doing + " (" + std::strerror(error) + ")");
  };

  // A name of its own beside the target: the rename below stays in one
  // file system, and a reader of the target sees the old file or the new.
  static std::atomic<unsigned> serial{0};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(serial++);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) fail("create a file beside it", errno);

  int error = 0;
  const char* doing = "write";
  // A file saved over keeps its permissions.
  struct stat old;
  if (::stat(path.c_str(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0) error = errno;
  for (std::size_t done = 0; !error && done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      error = n < 0 ? errno : EIO;
    else
      done += static_cast<std::size_t>(n);
  }
  if (!error && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && !error) error = errno;
  if (!error && ::rename(temp.c_str(), path.c_str()) != 0) {
    error = errno;
    doing = "replace it";
  }
  if (error) {
    ::unlink(temp.c_str());
    fail(doing, error);
  }
}

#endif

}  // namespace standin
