#include "readers/docx/package_parts.h"

#include "readers/docx/xml_reader.h"

namespace corvane::docx {
namespace {

class RelationshipsReader : public XmlHandler {
 public:
  RelationshipsReader(std::string_view source, std::vector<Relationship>& out)
      : source_(source), out_(out) {}
  void StartElement(const XmlElement& element) override {
    if (element.name != "rel:Relationship") return;
    Relationship relationship;
    relationship.id = element.Attribute("Id");
    relationship.type = element.Attribute("Type");
    // An external target is never fetched: it stays unresolved.
    if (element.Attribute("TargetMode") != "External") {
      relationship.target = ResolveTarget(source_, element.Attribute("Target"));
    } else {
      relationship.external = element.Attribute("Target");
    }
    out_.push_back(std::move(relationship));
  }
  void EndElement(std::string_view) override {}

 private:
  std::string_view source_;
  std::vector<Relationship>& out_;
};

class TitleReader : public XmlHandler {
 public:
  explicit TitleReader(std::string& title) : title_(title) {}
  void StartElement(const XmlElement& element) override {
    if (element.name == "dc:title") in_title_ = true;
  }
  void EndElement(std::string_view name) override {
    if (name == "dc:title") in_title_ = false;
  }
  void Text(std::string_view utf8) override {
    // A title is a line; a forged megabyte of it is not.
    if (in_title_ && title_.size() < 4096) title_.append(utf8);
  }

 private:
  std::string& title_;
  bool in_title_ = false;
};

}  // namespace

std::string RelationshipsPartOf(std::string_view part) {
  const std::size_t slash = part.rfind('/');
  const std::string_view folder = slash == std::string_view::npos ? "" : part.substr(0, slash + 1);
  const std::string_view file = slash == std::string_view::npos ? part : part.substr(slash + 1);
  return std::string(folder) + "_rels/" + std::string(file) + ".rels";
}

std::string ResolveTarget(std::string_view source_part, std::string_view target) {
  std::string path;
  std::string_view rest = target;
  if (!rest.empty() && (rest.front() == '/' || rest.front() == '\\')) {
    rest.remove_prefix(1);
  } else {
    const std::size_t slash = source_part.rfind('/');
    if (slash != std::string_view::npos) path.assign(source_part.substr(0, slash));
  }
  // Segment by segment, so ".." climbs and "." stays.
  std::vector<std::string> segments;
  auto add = [&segments](std::string_view segment) {
    if (segment.empty() || segment == ".") return;
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
      return;
    }
    segments.emplace_back(segment);
  };
  auto split = [&add](std::string_view text) {
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find_first_of("/\\", start);
      if (end == std::string_view::npos) end = text.size();
      add(text.substr(start, end - start));
      start = end + 1;
    }
  };
  split(path);
  split(rest);
  std::string result;
  for (const std::string& segment : segments) {
    if (!result.empty()) result += '/';
    result += segment;
  }
  return NormalizePartName(result);
}

PackageError ParsePart(ZipPackage& package, std::string_view part, XmlHandler& handler) {
  XmlReader reader(handler, std::string(part));
  PackageError error =
      package.Read(part, [&reader](std::string_view chunk) { return reader.Feed(chunk); });
  if (reader.Status() == ReadStatus::kOk && !error.Failed()) reader.Finish();
  if (reader.Status() != ReadStatus::kOk) return {reader.Status(), reader.Message()};
  return error;
}

PackageError ReadRelationships(ZipPackage& package, std::string_view source_part,
                               std::vector<Relationship>& out) {
  out.clear();
  const std::string part = source_part.empty() ? "_rels/.rels" : RelationshipsPartOf(source_part);
  if (!package.Contains(part)) return {};
  RelationshipsReader reader(source_part, out);
  return ParsePart(package, part, reader);
}

std::string FindTarget(const std::vector<Relationship>& relationships, std::string_view kind) {
  for (const Relationship& relationship : relationships) {
    const std::string_view type = relationship.type;
    if (relationship.target.empty() || type.size() <= kind.size()) continue;
    if (type.substr(type.size() - kind.size()) == kind &&
        type[type.size() - kind.size() - 1] == '/')
      return relationship.target;
  }
  return {};
}

PackageError ReadTitle(ZipPackage& package, std::string_view part, std::string& title) {
  title.clear();
  TitleReader reader(title);
  return ParsePart(package, part, reader);
}

}  // namespace corvane::docx
