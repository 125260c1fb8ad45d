// A streaming XML parser over expat that names elements and attributes by
// a fixed prefix per namespace ("w:p" in Transitional and Strict files
// alike), refuses document type declarations and caps nesting.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "readers/docx/docx_reader.h"

namespace corvane::docx {

class XmlReader;

struct XmlElement {
  std::string_view name;  // "w:p"; a namespace we do not know reads "?:local"
  std::vector<std::pair<std::string_view, std::string_view>>* attributes;
  const XmlReader* reader;

  // The attribute's value, or "" when it is absent.
  std::string_view Attribute(std::string_view name) const;
  bool Has(std::string_view name) const;
};

class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  virtual void StartElement(const XmlElement& element) = 0;
  virtual void EndElement(std::string_view name) = 0;
  virtual void Text(std::string_view /*utf8*/) {}
};

class XmlReader {
 public:
  static constexpr int kMaxDepth = 256;

  // part names the part in messages.
  XmlReader(XmlHandler& handler, std::string part);
  ~XmlReader();
  XmlReader(const XmlReader&) = delete;
  XmlReader& operator=(const XmlReader&) = delete;

  // Feed the part in chunks; false once the parse has failed.
  bool Feed(std::string_view chunk);
  // Ends the input; false when the part was not complete, well-formed XML.
  bool Finish();
  ReadStatus Status() const { return status_; }
  const std::string& Message() const { return message_; }

  // True when every prefix in the space-separated list is declared in scope
  // for a namespace this reader knows (a markup-compatibility "Requires").
  bool KnowsPrefixes(std::string_view prefixes) const;

 private:
  struct Callbacks;
  void Fail(ReadStatus status, std::string message);

  XmlHandler& handler_;
  std::string part_;
  void* parser_;  // XML_Parser
  ReadStatus status_ = ReadStatus::kOk;
  std::string message_;
  std::vector<std::string> open_names_;
  // Prefixes in scope, each with whether its innermost declaration names a
  // namespace we know; looked up, since one element may declare thousands.
  struct PrefixHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view prefix) const {
      return std::hash<std::string_view>{}(prefix);
    }
  };
  std::unordered_map<std::string, std::vector<bool>, PrefixHash, std::equal_to<>> prefixes_;
  std::vector<std::string> attribute_names_;
  std::vector<std::pair<std::string_view, std::string_view>> attributes_;
};

}  // namespace corvane::docx
