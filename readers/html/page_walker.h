// Turns the elements and text a web page's parser reports into RTF for our
// engine: blocks to paragraphs, list items to list paragraphs, tables to
// rows, the title to the document's title; what a browser would not show
// (scripts, styles, the head, hidden elements, office-suite list labels)
// is dropped. Knows nothing of the parser, so it is fed events directly.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "readers/rtf_writer.h"

namespace corvane::html {

// An element's attributes as the parser gives them: name, value, name,
// value, ..., then nullptr; a value may be nullptr. The whole may be nullptr.
using AttributeList = const char* const*;

class PageWalker {
 public:
  // Elements open deeper than this make the page fail: the parser's own
  // handling of deep stacks is not linear in the input.
  static constexpr std::size_t kMaxDepth = 1024;

  PageWalker(const readers::AnsiEncoder& encoder, std::size_t output_limit)
      : writer_(encoder), output_limit_(output_limit) {}

  // Element names in lower case, as the HTML parser reports them.
  void StartElement(std::string_view name, AttributeList attributes);
  // The parser pairs every start with an end; an end that matches no open
  // element is ignored.
  void EndElement(std::string_view name);
  void Text(std::string_view utf8);
  // Closes what the page left open.
  void Finish();

  // Set once the RTF passes the limit or elements nest past kMaxDepth;
  // the parse should then stop.
  bool OverLimit() const { return over_output_limit_; }
  bool TooDeep() const { return too_deep_; }

  const std::string& BodyRtf() const { return writer_.Rtf(); }
  // The first title element's text, white space collapsed, as UTF-8.
  const std::string& Title() const { return title_; }

 private:
  enum class Kind {
    kInline,
    kBlock,
    kLineBreak,
    kRule,
    kList,
    kListItem,
    kTable,
    kRow,
    kCell,
    kPre,
    kTitle,
    kLabel,
  };
  struct Frame {
    std::string name;
    Kind kind = Kind::kInline;
    bool skipped = false;  // the element's content is not shown
    bool head = false;
    bool ordered = false;  // kList: numbered
  };
  struct Table {
    bool row_open = false;
    int cells_in_row = 0;
  };

  Frame Classify(std::string_view name, AttributeList attributes) const;
  void Open(const Frame& frame);
  void Close(const Frame& frame);
  void BreakBlock();
  void StartListItem(bool ordered);
  void LabelEnded();
  void TextCharacter(char32_t character);
  void PreCharacter(char32_t character);
  void CheckLimit();
  bool InCell() const { return cell_depth_ > 0; }
  bool InNestedTable() const { return tables_.size() > 1; }

  readers::RtfWriter writer_;
  std::size_t output_limit_;
  std::vector<Frame> frames_;
  std::vector<bool> lists_;  // each open list: ordered
  std::vector<Table> tables_;
  int skip_depth_ = 0;
  int head_depth_ = 0;
  int pre_depth_ = 0;
  int cell_depth_ = 0;
  int label_depth_ = 0;
  bool pre_just_opened_ = false;
  bool pending_space_ = false;
  bool line_has_text_ = false;
  // A list marker owed to the block, and the writer before it, to take
  // back when the item stays empty.
  bool marker_pending_ = false;
  readers::RtfWriter::Mark before_marker_;
  std::string label_text_;
  bool in_title_ = false;
  bool title_done_ = false;
  std::string title_;
  bool over_output_limit_ = false;
  bool too_deep_ = false;
};

}  // namespace corvane::html
