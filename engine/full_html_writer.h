// Full output: the blocks, tables and inline elements around the text, kept
// well-formed whatever order the RTF turns its properties on and off in.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "conversion_state.h"

namespace corvane::engine {

// Character formatting that becomes inline elements, one bit each.
enum InlineFormat : std::uint8_t {
  kStrong = 1 << 0,
  kEmphasis = 1 << 1,
  kUnderline = 1 << 2,
  kStrike = 1 << 3,
  kSuperscript = 1 << 4,
  kSubscript = 1 << 5,
};

// What the text at hand wants around it: formats and a link (0: none).
struct InlineWanted {
  std::uint8_t formats = 0;
  unsigned link = 0;
};

class FullHtmlWriter {
 public:
  explicit FullHtmlWriter(ConversionState& state) : state_(state) {}

  // Escaped UTF-8 text, written inside the block, cell and inline elements
  // it needs; empty text writes only those.
  void Write(std::string_view html, InlineWanted wanted) {
    if (state_.ParaState != kBlockOpen || (InTable() ? !cell_open_ : table_open_)) OpenBlock();
    if (wanted.formats != open_formats_ || wanted.link != open_link_) SyncInline(wanted);
    state_.Body.append(html);
  }

  // A new link number whose target is href (already escaped for an attribute).
  unsigned AddLink(std::string href);

  // Paragraph properties of the text to come.
  void SetHeading(int level) { heading_ = level; }
  void SetTableParagraph(bool in_table) { table_paragraph_ = in_table; }
  void SetHeaderRow(bool header) { header_row_ = header; }

  void Rule();
  void EndCell();
  void EndRow();
  std::string Finish();

 private:
  bool InTable() const { return table_paragraph_ || cells_in_row_ > 0; }
  void OpenBlock();
  void OpenHeading();
  void EnsureRow();
  void OpenCell();
  void CloseCell();
  void CloseTable();
  void CloseInline() {
    while (depth_ > 0) CloseTop();
  }
  void SyncInline(InlineWanted wanted);
  void Push(std::uint8_t kind);
  void CloseTop();
  void TurnBlockIntoCell();

  ConversionState& state_;

  // Open inline elements, outermost first: format bit numbers, or kLinkKind.
  static constexpr std::uint8_t kLinkKind = 7;
  std::array<std::uint8_t, 8> stack_{};
  std::size_t depth_ = 0;
  std::uint8_t open_formats_ = 0;
  unsigned open_link_ = 0;
  std::vector<std::string> links_;  // targets by link number - 1

  int heading_ = 0;
  bool table_paragraph_ = false;  // \intbl until \pard
  bool header_row_ = false;
  bool table_open_ = false;
  bool row_open_ = false;
  bool cell_open_ = false;
  bool header_cell_ = false;
  std::size_t cells_in_row_ = 0;

  // The open block outside a table, for a writer that marks no table
  // paragraphs: a \cell after it turns it into the row's first cell.
  bool block_may_be_cell_ = false;
  std::size_t block_start_ = 0;       // where its closing and opening tags begin
  std::size_t block_text_start_ = 0;  // where its text begins
  std::string_view closed_block_;     // what was open before it
  std::string_view closed_list_;
  std::size_t table_closed_at_ = std::string::npos;  // a table closed right before it
};

}  // namespace corvane::engine
