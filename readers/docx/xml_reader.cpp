#include "readers/docx/xml_reader.h"

#include <expat.h>

#include <limits>

namespace corvane::docx {
namespace {

constexpr char kSeparator = ' ';

struct Namespace {
  std::string_view uri;
  std::string_view prefix;
};

// Transitional and Strict URIs map to one prefix each; the others are the
// extensions a markup-compatibility choice may require and we read alike.
constexpr Namespace kNamespaces[] = {
    {"http://schemas.openxmlformats.org/wordprocessingml/2006/main", "w"},
    {"http://purl.oclc.org/ooxml/wordprocessingml/main", "w"},
    {"http://schemas.openxmlformats.org/officeDocument/2006/relationships", "r"},
    {"http://purl.oclc.org/ooxml/officeDocument/relationships", "r"},
    {"http://schemas.openxmlformats.org/package/2006/relationships", "rel"},
    {"http://schemas.openxmlformats.org/package/2006/content-types", "ct"},
    {"http://schemas.openxmlformats.org/markup-compatibility/2006", "mc"},
    {"http://schemas.openxmlformats.org/officeDocument/2006/math", "m"},
    {"http://purl.oclc.org/ooxml/officeDocument/math", "m"},
    {"http://schemas.openxmlformats.org/drawingml/2006/main", "a"},
    {"http://purl.oclc.org/ooxml/drawingml/main", "a"},
    {"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing", "wp"},
    {"http://purl.oclc.org/ooxml/drawingml/wordprocessingDrawing", "wp"},
    {"http://schemas.microsoft.com/office/word/2010/wordprocessingShape", "wps"},
    {"http://schemas.microsoft.com/office/word/2010/wordprocessingGroup", "wpg"},
    {"http://schemas.microsoft.com/office/word/2010/wordprocessingCanvas", "wpc"},
    {"http://schemas.microsoft.com/office/word/2010/wordprocessingInk", "wpi"},
    {"http://schemas.microsoft.com/office/word/2010/wordprocessingDrawing", "wp14"},
    {"http://schemas.microsoft.com/office/word/2010/wordml", "w14"},
    {"http://schemas.microsoft.com/office/word/2012/wordml", "w15"},
    {"http://schemas.microsoft.com/office/drawing/2010/main", "a14"},
    {"urn:schemas-microsoft-com:vml", "v"},
    {"urn:schemas-microsoft-com:office:office", "o"},
    {"urn:schemas-microsoft-com:office:word", "w10"},
    {"http://purl.org/dc/elements/1.1/", "dc"},
    {"http://schemas.openxmlformats.org/package/2006/metadata/core-properties", "cp"},
};

std::string_view PrefixOf(std::string_view uri) {
  for (const Namespace& known : kNamespaces) {
    if (known.uri == uri) return known.prefix;
  }
  return {};
}

// "uri local" from expat becomes "prefix:local"; a name without namespace
// stays as it is.
void MapName(const char* raw, std::string& out) {
  const std::string_view name(raw);
  const std::size_t split = name.rfind(kSeparator);
  out.clear();
  if (split == std::string_view::npos) {
    out.assign(name);
    return;
  }
  const std::string_view prefix = PrefixOf(name.substr(0, split));
  out.assign(prefix.empty() ? std::string_view("?") : prefix);
  out += ':';
  out.append(name.substr(split + 1));
}

}  // namespace

std::string_view XmlElement::Attribute(std::string_view wanted) const {
  for (const auto& [name, value] : *attributes) {
    if (name == wanted) return value;
  }
  return {};
}

bool XmlElement::Has(std::string_view wanted) const {
  for (const auto& attribute : *attributes) {
    if (attribute.first == wanted) return true;
  }
  return false;
}

struct XmlReader::Callbacks {
  static XmlReader& Self(void* data) { return *static_cast<XmlReader*>(data); }

  static void Start(void* data, const XML_Char* name, const XML_Char** attributes) {
    XmlReader& self = Self(data);
    if (self.status_ != ReadStatus::kOk) return;
    if (self.open_names_.size() >= static_cast<std::size_t>(kMaxDepth)) {
      self.Fail(ReadStatus::kTooDeep,
                "The part " + self.part_ + " nests its elements deeper than a document does.");
      return;
    }
    self.open_names_.emplace_back();
    MapName(name, self.open_names_.back());
    std::size_t count = 0;
    while (attributes[2 * count] != nullptr) ++count;
    if (self.attribute_names_.size() < count) self.attribute_names_.resize(count);
    self.attributes_.clear();
    for (std::size_t i = 0; i < count; ++i) {
      MapName(attributes[2 * i], self.attribute_names_[i]);
      self.attributes_.emplace_back(self.attribute_names_[i], attributes[2 * i + 1]);
    }
    self.handler_.StartElement(XmlElement{self.open_names_.back(), &self.attributes_, &self});
  }

  static void End(void* data, const XML_Char* /*name*/) {
    XmlReader& self = Self(data);
    if (self.status_ != ReadStatus::kOk || self.open_names_.empty()) return;
    self.handler_.EndElement(self.open_names_.back());
    self.open_names_.pop_back();
  }

  static void Characters(void* data, const XML_Char* text, int length) {
    XmlReader& self = Self(data);
    if (self.status_ != ReadStatus::kOk || length <= 0) return;
    self.handler_.Text(std::string_view(text, static_cast<std::size_t>(length)));
  }

  static void StartNamespace(void* data, const XML_Char* prefix, const XML_Char* uri) {
    const bool known = uri != nullptr && !PrefixOf(uri).empty();
    Self(data).prefixes_[prefix != nullptr ? prefix : ""].push_back(known);
  }

  static void EndNamespace(void* data, const XML_Char* prefix) {
    auto& prefixes = Self(data).prefixes_;
    const auto found = prefixes.find(std::string_view(prefix != nullptr ? prefix : ""));
    if (found == prefixes.end()) return;
    found->second.pop_back();
    if (found->second.empty()) prefixes.erase(found);
  }

  // Packages may not carry a DTD; refusing it means no entity is ever
  // declared, let alone expanded.
  static void Doctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    Self(data).Fail(ReadStatus::kBadXml, "The part " + Self(data).part_ +
                                             " declares a document type, which a document "
                                             "package may not do; it is refused.");
  }
};

XmlReader::XmlReader(XmlHandler& handler, std::string part)
    : handler_(handler), part_(std::move(part)), parser_(XML_ParserCreateNS(nullptr, kSeparator)) {
  auto* parser = static_cast<XML_Parser>(parser_);
  if (parser == nullptr) {
    status_ = ReadStatus::kTooLarge;
    message_ = "Not enough memory to read the document.";
    return;
  }
  XML_SetUserData(parser, this);
  XML_SetElementHandler(parser, Callbacks::Start, Callbacks::End);
  XML_SetCharacterDataHandler(parser, Callbacks::Characters);
  XML_SetNamespaceDeclHandler(parser, Callbacks::StartNamespace, Callbacks::EndNamespace);
  XML_SetStartDoctypeDeclHandler(parser, Callbacks::Doctype);
  XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
}

XmlReader::~XmlReader() {
  if (parser_ != nullptr) XML_ParserFree(static_cast<XML_Parser>(parser_));
}

void XmlReader::Fail(ReadStatus status, std::string message) {
  if (status_ != ReadStatus::kOk) return;
  status_ = status;
  message_ = std::move(message);
  XML_StopParser(static_cast<XML_Parser>(parser_), XML_FALSE);
}

bool XmlReader::Feed(std::string_view chunk) {
  if (status_ != ReadStatus::kOk) return false;
  auto* parser = static_cast<XML_Parser>(parser_);
  while (!chunk.empty()) {
    const std::size_t piece =
        std::min<std::size_t>(chunk.size(), std::numeric_limits<int>::max() / 2);
    if (XML_Parse(parser, chunk.data(), static_cast<int>(piece), XML_FALSE) == XML_STATUS_ERROR) {
      Fail(ReadStatus::kBadXml, "The part " + part_ + " is not well-formed XML (line " +
                                    std::to_string(XML_GetCurrentLineNumber(parser)) + ": " +
                                    XML_ErrorString(XML_GetErrorCode(parser)) + ").");
      return false;
    }
    chunk.remove_prefix(piece);
  }
  return status_ == ReadStatus::kOk;
}

bool XmlReader::Finish() {
  if (status_ != ReadStatus::kOk) return false;
  auto* parser = static_cast<XML_Parser>(parser_);
  if (XML_Parse(parser, "", 0, XML_TRUE) == XML_STATUS_ERROR) {
    Fail(ReadStatus::kBadXml, "The part " + part_ + " is not well-formed XML (line " +
                                  std::to_string(XML_GetCurrentLineNumber(parser)) + ": " +
                                  XML_ErrorString(XML_GetErrorCode(parser)) + ").");
  }
  return status_ == ReadStatus::kOk;
}

bool XmlReader::KnowsPrefixes(std::string_view prefixes) const {
  std::size_t start = 0;
  while (start < prefixes.size()) {
    std::size_t end = prefixes.find_first_of(" \t\r\n", start);
    if (end == std::string_view::npos) end = prefixes.size();
    const std::string_view prefix = prefixes.substr(start, end - start);
    start = end + 1;
    if (prefix.empty()) continue;
    const auto found = prefixes_.find(prefix);
    if (found == prefixes_.end() || !found->second.back()) return false;
  }
  return true;
}

}  // namespace corvane::docx
