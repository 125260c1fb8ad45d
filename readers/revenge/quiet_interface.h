// The callbacks both document interfaces pass over, in one place: styles
// (the libraries repeat them on each span and paragraph), page layout,
// fonts, and the drawing calls (shapes, pictures, equations), which carry
// no text of their own.
#pragma once

#include <librevenge/librevenge.h>

namespace corvane::revenge {

template <typename Interface>
class QuietInterface : public Interface {
 public:
  using Properties = librevenge::RVNGPropertyList;

  void startDocument(const Properties&) override {}
  void endDocument() override {}
  void definePageStyle(const Properties&) override {}
  void defineEmbeddedFont(const Properties&) override {}
  void openPageSpan(const Properties&) override {}
  void closePageSpan() override {}
  void defineParagraphStyle(const Properties&) override {}
  void defineCharacterStyle(const Properties&) override {}
  void defineSectionStyle(const Properties&) override {}
  void openSection(const Properties&) override {}
  void closeSection() override {}
  void insertField(const Properties&) override {}
  void insertBinaryObject(const Properties&) override {}
  void insertEquation(const Properties&) override {}
  void openGroup(const Properties&) override {}
  void closeGroup() override {}
  void defineGraphicStyle(const Properties&) override {}
  void drawRectangle(const Properties&) override {}
  void drawEllipse(const Properties&) override {}
  void drawPolygon(const Properties&) override {}
  void drawPolyline(const Properties&) override {}
  void drawPath(const Properties&) override {}
  void drawConnector(const Properties&) override {}
};

}  // namespace corvane::revenge
