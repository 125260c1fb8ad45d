// Which paragraphs are list items: numbering from the paragraph or its
// style chain (styles.xml), resolved through numbering.xml to a level's
// format. And, from the same style chain, which are headings.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "readers/docx/xml_reader.h"

namespace corvane::docx {

enum class ListKind { kNone, kBullet, kNumbered };

// A paragraph's own numbering properties; -1 where it sets none.
struct NumberingProperties {
  long num_id = -1;
  long level = -1;
};

class ListStyles {
 public:
  // Handlers that fill this from styles.xml and numbering.xml.
  XmlHandler& StylesHandler() { return styles_handler_; }
  XmlHandler& NumberingHandler() { return numbering_handler_; }

  // style_id "" means the default paragraph style.
  ListKind KindOf(std::string_view style_id, NumberingProperties own) const;

  // The outline level (0-8, 0 the top; -1: body text) of a paragraph with
  // its own level own_level (-1: none): that, else the style chain's, else
  // the level a "heading N" or "Title" style name stands for.
  long OutlineLevelOf(std::string_view style_id, long own_level) const;

 private:
  struct Style {
    std::string based_on;
    NumberingProperties numbering;
    // With what the chain of bases adds; worked out for all styles at once
    // on first use.
    mutable NumberingProperties inherited;
    mutable unsigned char resolution = 0;  // 0 not yet, 1 on the chain at hand, 2 done
    mutable std::size_t chain_index = 0;
    long outline_level = -1;
    long name_level = -1;  // from the style's name
  };
  struct Level {
    std::string format;
  };
  struct AbstractNumbering {
    std::string style_link;  // numStyleLink: the definition lives with this style
    std::map<long, Level> levels;
  };
  struct Numbering {
    long abstract_id = -1;
    std::map<long, Level> overrides;
  };

  class StylesReader : public XmlHandler {
   public:
    explicit StylesReader(ListStyles& owner) : owner_(owner) {}
    void StartElement(const XmlElement& element) override;
    void EndElement(std::string_view name) override;

   private:
    ListStyles& owner_;
    Style* style_ = nullptr;
  };
  class NumberingReader : public XmlHandler {
   public:
    explicit NumberingReader(ListStyles& owner) : owner_(owner) {}
    void StartElement(const XmlElement& element) override;
    void EndElement(std::string_view name) override;

   private:
    ListStyles& owner_;
    AbstractNumbering* abstract_ = nullptr;
    Numbering* numbering_ = nullptr;
    Level* level_ = nullptr;
  };

  NumberingProperties FromStyle(std::string_view style_id) const;
  void ResolveInheritance() const;
  void ResolveCycle(const std::vector<const Style*>& chain, std::size_t first) const;
  const Level* FindLevel(long num_id, long level, int hops) const;

  std::unordered_map<std::string, Style> styles_;
  std::string default_style_;
  mutable bool resolved_ = false;
  std::unordered_map<long, AbstractNumbering> abstracts_;
  std::unordered_map<long, Numbering> numberings_;
  StylesReader styles_handler_{*this};
  NumberingReader numbering_handler_{*this};
};

// A decimal attribute value; fallback when it is not one.
long ParseNumber(std::string_view text, long fallback);
// An OOXML on/off value: absent or "true"/"1"/"on" is on.
bool IsOn(const XmlElement& element);

}  // namespace corvane::docx
