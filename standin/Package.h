// A Visio file as Open Packaging lays it out: a zip of parts, the content
// types that say what each part is, and the relationships that lead from
// one part to the next. The loader reads drawings through it; the tests,
// the fuzzer and saving write packages through its Writer. Nothing else
// in the project speaks to the zip library.
//
// Reading is bounded: a part may claim at most kMaxPartSize bytes and all
// parts read together at most what the package was opened with, so that a
// hostile file is refused by its directory before anything is inflated.
// Every failure is a PackageError naming the part ("package" for the file
// as a whole).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
class xml_document;
}

namespace standin {

// A problem with one part of a package.
struct PackageError : std::runtime_error {
  PackageError(std::string part, const std::string& problem)
      : std::runtime_error(problem), where(std::move(part)) {}
  std::string where;  // the part, or "package" for the file as a whole
};

struct Relationship {
  std::string id;
  std::string type;
  std::string target;  // the part's name in the package
};

// A part's relationships, in the order of its relationship part.
class Relationships {
 public:
  Relationships() = default;
  explicit Relationships(std::vector<Relationship> list) : list_(std::move(list)) {}

  // Types are matched by their last segments ("/relationships/pages"):
  // files of different Office versions give them under different roots.
  const Relationship* OfType(std::string_view typeTail) const;
  const Relationship* ById(std::string_view id) const;

  auto begin() const { return list_.begin(); }
  auto end() const { return list_.end(); }
  std::size_t size() const { return list_.size(); }

 private:
  std::vector<Relationship> list_;
};

// [Content_Types].xml: a type per part named in an Override, else per
// extension in a Default (extensions compare without case).
class ContentTypes {
 public:
  // The part's type; empty when the package gives it none.
  std::string Of(const std::string& part) const;
  // The type an Override gives the part itself; empty when none does.
  std::string OverrideOf(const std::string& part) const;

  void SetOverride(const std::string& part, std::string type);
  void SetDefault(const std::string& extension, std::string type);
  bool empty() const { return overrides_.empty() && defaults_.empty(); }
  // The part as a package stores it.
  std::string Xml() const;

 private:
  std::map<std::string, std::string> overrides_;  // part name, no leading slash -> type
  std::map<std::string, std::string> defaults_;   // lower-case extension -> type
};

class Package {
 public:
  // No part of a real drawing comes near this; a part that claims more is
  // a decompression bomb or a damaged directory.
  static constexpr std::uint64_t kMaxPartSize = 64u * 1024u * 1024u;
  static constexpr const char* kContentTypesPart = "[Content_Types].xml";

  // `maxUnpacked`: what all the parts read may unpack to together.
  static Package Open(const std::string& path, std::uint64_t maxUnpacked);
  // A package in memory; the bytes must outlive it.
  static Package FromBytes(std::string_view bytes, std::uint64_t maxUnpacked);

  Package(Package&&) noexcept;
  Package& operator=(Package&&) noexcept;
  ~Package();

  // Part names in the order of the zip's directory.
  std::vector<std::string> PartNames() const;
  bool Has(const std::string& part) const;
  // What the directory claims the part unpacks to.
  std::uint64_t ClaimedSize(const std::string& part) const;

  // The part's bytes, within the bounds.
  std::string Read(const std::string& part) const;
  // The part parsed as XML (whitespace in text kept), within the bounds.
  // The text is inflated straight into a buffer the document parses in
  // place and keeps: a part is held once, not twice.
  std::unique_ptr<pugi::xml_document> Xml(const std::string& part) const;

  // The package's content types; the part must be there.
  ContentTypes ReadContentTypes() const;
  // The relationships of a part ("" for the package's own), targets as
  // part names; none when it has no relationship part. External targets
  // (hyperlinks) name no part and are left out.
  Relationships RelationshipsOf(const std::string& part) const;

  // A relationship target as a part name: relative to the source's
  // folder, or absolute from the package root.
  static std::string ResolveTarget(const std::string& source, const std::string& target);
  // Where a part's relationships are stored ("" for the package's own).
  static std::string RelationshipsPartOf(const std::string& part);

  class Writer;

 private:
  struct Zip;
  Package(std::unique_ptr<Zip> zip, std::uint64_t maxUnpacked);
  template <class Allocate>
  std::size_t ReadBounded(const std::string& part, Allocate&& allocate) const;

  std::unique_ptr<Zip> zip_;
  std::uint64_t maxUnpacked_;
  mutable std::uint64_t unpacked_ = 0;  // what the parts read so far claimed
};

// A package to write: its content types when any were given, the parts in
// the order added, then the relationship parts given. Nothing is written
// until the whole package is made; WriteTo then writes it beside the
// target and renames it over the target, so that a failure leaves the
// target as it was.
class Package::Writer {
 public:
  enum class Compression { Deflate, Store };

  void Add(std::string part, std::string bytes, Compression compression = Compression::Deflate);
  // The part copied from another package as it is stored there, without
  // inflating it; `from` must outlive the writer's Bytes or WriteTo.
  void Copy(const Package& from, const std::string& part);

  ContentTypes& Types() { return types_; }
  // A relationship of `source` ("" for the package's own); the target is
  // written as given, relative to the source's folder.
  void Relate(const std::string& source, Relationship rel);

  // The package's bytes.
  std::string Bytes() const;
  // The package as the file `path`; errors name the file.
  void WriteTo(const std::string& path) const;
  // Bytes made already as the file `path`, the same way.
  static void WriteFile(const std::string& path, std::string_view bytes);

 private:
  struct Part {
    Part(std::string partName, std::string content, Compression how = Compression::Deflate,
         const Package* source = nullptr)
        : name(std::move(partName)), bytes(std::move(content)), compression(how), from(source) {}
    std::string name;
    std::string bytes;
    Compression compression = Compression::Deflate;
    const Package* from = nullptr;  // copied from there when set
  };
  std::vector<Part> parts_;
  ContentTypes types_;
  std::map<std::string, std::vector<Relationship>> rels_;  // source -> its relationships
};

}  // namespace standin
