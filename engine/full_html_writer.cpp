#include "full_html_writer.h"

#include <algorithm>

namespace corvane::engine {
namespace {

constexpr std::array<std::string_view, 6> kFormatOpen = {"<strong>", "<em>",  "<u>",
                                                         "<s>",      "<sup>", "<sub>"};
constexpr std::array<std::string_view, 6> kFormatClose = {"</strong>", "</em>",  "</u>",
                                                          "</s>",      "</sup>", "</sub>"};
constexpr std::array<std::string_view, 6> kHeadingOpen = {"\r\n<h1>", "\r\n<h2>", "\r\n<h3>",
                                                          "\r\n<h4>", "\r\n<h5>", "\r\n<h6>"};
constexpr std::array<std::string_view, 6> kHeadingClose = {"</h1>", "</h2>", "</h3>",
                                                           "</h4>", "</h5>", "</h6>"};

}  // namespace

unsigned FullHtmlWriter::AddLink(std::string href) {
  links_.push_back(std::move(href));
  return static_cast<unsigned>(links_.size());
}

void FullHtmlWriter::OpenBlock() {
  CloseInline();
  if (InTable()) {
    OpenCell();
    return;
  }
  std::string& body = state_.Body;
  std::size_t table_closed_at = std::string::npos;
  if (table_open_) {
    EndRow();
    table_closed_at = body.size();  // only the table's own closing tag follows
    CloseTable();
    // Text straight after a row still starts a block of its own.
    if (state_.ParaState == kBlockOpen) state_.ParaState = kParagraphPending;
  }
  block_start_ = body.size();
  // Closed again if the block turns into a cell, whether the block
  // continued the list or left it.
  closed_block_ = state_.BlockClose;
  closed_list_ = state_.ListClose;
  // A numbered heading is a heading: the heading wins over the list item.
  if (heading_ > 0 && state_.ParaState != kRulePending) {
    OpenHeading();
  } else {
    state_.EmitChar(0);  // the classic pending tags
  }
  block_text_start_ = body.size();
  block_may_be_cell_ = true;
  table_closed_at_ = table_closed_at;
}

void FullHtmlWriter::OpenHeading() {
  const auto index = static_cast<std::size_t>(std::clamp(heading_, 1, 6) - 1);
  state_.Body += state_.BlockClose;
  state_.Body += state_.ListClose;
  state_.Body += kHeadingOpen[index];
  state_.BlockClose = kHeadingClose[index];
  state_.ListClose = {};
  state_.ParaState = kBlockOpen;
}

void FullHtmlWriter::EnsureRow() {
  std::string& body = state_.Body;
  if (!table_open_) {
    body += state_.BlockClose;
    body += state_.ListClose;
    state_.BlockClose = {};
    state_.ListClose = {};
    body += "\r\n<table>";
    table_open_ = true;
  }
  if (!row_open_) {
    body += "\r\n<tr>";
    row_open_ = true;
  }
}

// Paragraphs after the first in one cell are lines of it: a cell holds
// text, not blocks.
void FullHtmlWriter::OpenCell() {
  if (cell_open_) {
    if (state_.ParaState != kBlockOpen) state_.Body += "<br />";
  } else {
    EnsureRow();
    header_cell_ = header_row_;
    state_.Body += header_cell_ ? "<th>" : "<td>";
    cell_open_ = true;
  }
  state_.ParaState = kBlockOpen;
  block_may_be_cell_ = false;
}

void FullHtmlWriter::CloseCell() {
  state_.Body += header_cell_ ? "</th>" : "</td>";
  cell_open_ = false;
}

void FullHtmlWriter::CloseTable() {
  CloseInline();
  if (cell_open_) CloseCell();
  if (row_open_) state_.Body += "</tr>";
  if (table_open_) state_.Body += "\r\n</table>";
  row_open_ = false;
  table_open_ = false;
  cells_in_row_ = 0;
}

// The block's opening tags become the cell's. The text after them moves
// once, and never again: from here on it is in a table.
void FullHtmlWriter::TurnBlockIntoCell() {
  std::string& body = state_.Body;
  std::string opening;
  std::size_t from = block_start_;
  if (table_closed_at_ != std::string::npos) {
    from = table_closed_at_;  // the table closed for this block goes on
  } else {
    opening += closed_block_;
    opening += closed_list_;
    opening += "\r\n<table>";
  }
  header_cell_ = header_row_;
  opening += "\r\n<tr>";
  opening += header_cell_ ? "<th>" : "<td>";
  body.replace(from, block_text_start_ - from, opening);
  state_.BlockClose = {};
  state_.ListClose = {};
  table_open_ = true;
  row_open_ = true;
  cell_open_ = true;
  block_may_be_cell_ = false;
}

void FullHtmlWriter::Rule() {
  CloseTable();
  block_may_be_cell_ = false;
  state_.ParaState = kRulePending;
  state_.EmitChar(0);
}

void FullHtmlWriter::EndCell() {
  CloseInline();
  if (!cell_open_) {
    if (block_may_be_cell_) {
      TurnBlockIntoCell();
    } else {
      EnsureRow();  // an empty cell keeps its column
      header_cell_ = header_row_;
      state_.Body += header_cell_ ? "<th>" : "<td>";
      cell_open_ = true;
    }
  }
  CloseCell();
  ++cells_in_row_;
}

void FullHtmlWriter::EndRow() {
  CloseInline();
  if (cell_open_) CloseCell();
  if (row_open_) state_.Body += "</tr>";
  row_open_ = false;
  cells_in_row_ = 0;
  block_may_be_cell_ = false;
}

std::string FullHtmlWriter::Finish() {
  CloseTable();
  return state_.FinishDocument();
}

void FullHtmlWriter::SyncInline(InlineWanted wanted) {
  // Everything from the outermost element no longer wanted closes; what is
  // wanted and not open then opens inside what stayed.
  std::size_t keep = 0;
  while (keep < depth_) {
    const std::uint8_t kind = stack_[keep];
    const bool still = kind == kLinkKind ? wanted.link == open_link_ : (wanted.formats >> kind) & 1;
    if (!still) break;
    ++keep;
  }
  while (depth_ > keep) CloseTop();
  if (wanted.link != 0 && open_link_ == 0 && wanted.link <= links_.size()) {
    open_link_ = wanted.link;
    Push(kLinkKind);
  }
  for (std::uint8_t kind = 0; kind < kFormatOpen.size(); ++kind) {
    if (((wanted.formats & ~open_formats_) >> kind) & 1) Push(kind);
  }
}

void FullHtmlWriter::Push(std::uint8_t kind) {
  stack_[depth_++] = kind;
  if (kind == kLinkKind) {
    state_.Body += "<a href=\"";
    state_.Body += links_[open_link_ - 1];
    state_.Body += "\">";
    return;
  }
  open_formats_ = static_cast<std::uint8_t>(open_formats_ | (1u << kind));
  state_.Body += kFormatOpen[kind];
}

void FullHtmlWriter::CloseTop() {
  const std::uint8_t kind = stack_[--depth_];
  if (kind == kLinkKind) {
    state_.Body += "</a>";
    open_link_ = 0;
    return;
  }
  open_formats_ = static_cast<std::uint8_t>(open_formats_ & ~(1u << kind));
  state_.Body += kFormatClose[kind];
}

}  // namespace corvane::engine
