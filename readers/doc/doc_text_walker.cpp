#include "readers/doc/doc_text_walker.h"

#include <algorithm>

#include "readers/symbol_fonts.h"

namespace corvane::doc {
namespace {

constexpr char32_t kCellMark = 0x07;
constexpr char32_t kParagraphMark = 0x0D;
constexpr char32_t kPageBreak = 0x0C;
constexpr char32_t kFieldBegin = 0x13;
constexpr char32_t kFieldSeparator = 0x14;
constexpr char32_t kFieldEnd = 0x15;
constexpr char32_t kDrawnObject = 0x08;

// The properties a piece's Prm adds to all its text: an index into the
// Prc list when its low bit is set ([MS-DOC] 2.9.209 Prm1).
std::string_view PieceGrpprl(const DocumentText& text, const Piece* piece) {
  if (piece == nullptr || (piece->prm & 1) == 0) return {};
  const std::size_t index = piece->prm >> 1;
  return index < text.PieceGrpprls().size() ? text.PieceGrpprls()[index] : std::string_view();
}

}  // namespace

DocTextWalker::DocTextWalker(const DocumentModel& model, const readers::AnsiEncoder& encoder,
                             std::size_t output_limit)
    : model_(model),
      encoder_(encoder),
      limit_(output_limit),
      word6_(model.fib.version != WordVersion::kWord97),
      box_written_(model.stories.Boxes().size(), false) {}

bool DocTextWalker::Over(const readers::RtfWriter& out) {
  if (out.Rtf().size() > limit_) over_ = true;
  return over_;
}

ParagraphProperties DocTextWalker::ParagraphAt(std::uint32_t cp) const {
  const std::uint64_t fc = model_.text.FcOf(cp);
  const auto* run = model_.paragraphs.RunAt(fc);
  ParagraphProperties properties = run != nullptr ? run->properties : ParagraphProperties{};
  const std::string_view extra = PieceGrpprl(model_.text, model_.text.PieceOf(cp));
  if (!extra.empty()) ApplyParagraphSprms(extra, word6_, properties);
  return properties;
}

CharacterProperties DocTextWalker::CharacterAt(std::uint32_t cp) {
  if (cached_piece_ == nullptr || cp < cached_piece_->cp_start || cp >= cached_piece_->cp_end) {
    cached_piece_ = model_.text.PieceOf(cp);
    cached_run_ = nullptr;
    if (cached_piece_ == nullptr) return {};
  }
  const std::uint64_t fc = cached_piece_->fc + std::uint64_t{cp - cached_piece_->cp_start} *
                                                   (cached_piece_->compressed ? 1 : 2);
  if (cached_run_ != nullptr && fc >= cached_run_->fc_start && fc < cached_run_->fc_end) {
    return cached_properties_;
  }
  cached_run_ = model_.characters.RunAt(fc);
  cached_properties_ = cached_run_ != nullptr ? cached_run_->properties : CharacterProperties{};
  const std::string_view extra = PieceGrpprl(model_.text, cached_piece_);
  if (!extra.empty()) ApplyCharacterSprms(extra, word6_, cached_properties_);
  return cached_properties_;
}

char32_t DocTextWalker::SymbolCharacter(std::uint16_t font, char32_t code) const {
  const Font* found = model_.fonts.Of(font);
  const std::string_view name = found != nullptr ? std::string_view(found->name) : "";
  if (readers::IsSymbolPrivateUse(code) || readers::IsSymbolFont(name)) {
    return readers::MapSymbolCharacter(name, code);
  }
  // A font of text: the code is its character.
  return code >= 0x20 && (code < 0xD800 || code >= 0xE000) ? code : U'\u2022';
}

bool DocTextWalker::IsParagraphEnd(std::uint32_t cp) const {
  const char32_t c = model_.text.At(cp);
  // A section break ends its paragraph; a page break within one does not.
  return c == kParagraphMark || c == kCellMark ||
         (c == kPageBreak && model_.stories.IsSectionEnd(cp + 1));
}

void DocTextWalker::WriteCharacter(std::uint32_t& cp, std::uint32_t end, readers::RtfWriter& out,
                                   bool top, bool main, Fields& fields,
                                   std::vector<std::size_t>& boxes) {
  const std::uint32_t at = cp++;
  const char32_t c = model_.text.At(at);
  // Fields: the instruction (before the separator) is dropped, the result
  // kept; a field with no separator keeps nothing.
  if (c == kFieldBegin) {
    fields.separated.push_back(false);
    ++fields.hiding;
    return;
  }
  if (c == kFieldSeparator) {
    if (!fields.separated.empty() && !fields.separated.back()) {
      fields.separated.back() = true;
      --fields.hiding;
    }
    return;
  }
  if (c == kFieldEnd) {
    if (!fields.separated.empty()) {
      if (!fields.separated.back()) --fields.hiding;
      fields.separated.pop_back();
    }
    return;
  }
  if (c == 0 || fields.hiding > 0) return;
  const CharacterProperties properties = CharacterAt(at);
  if (properties.hidden || properties.deleted) return;
  if (main) {
    if (const NoteReference* reference = model_.stories.ReferenceAt(at)) {
      references_.push_back(reference->text);
      out.Text("[" + std::to_string(references_.size()) + "]");
      return;
    }
    if (c == kDrawnObject) {
      for (const std::size_t box : model_.stories.BoxesAnchoredAt(at)) boxes.push_back(box);
      return;
    }
  }
  // A character inserted from a font (sprmCSymbol) stands in for its mark.
  if (properties.symbol != 0 && c == U'(') {
    out.Character(SymbolCharacter(properties.symbol_font, properties.symbol));
    return;
  }
  if (properties.special && (c < 0x20 || c == U'(')) return;
  if (readers::IsSymbolPrivateUse(c)) {
    out.Character(SymbolCharacter(properties.font, c));
    return;
  }
  switch (c) {
    case 0x09: out.Tab(); return;
    case 0x0B: out.LineBreak(); return;
    case kPageBreak:
      if (top) {
        out.PageBreak();
      } else {
        out.LineBreak();
      }
      return;
    case 0x1E: out.Character(U'-'); return;
    default: break;
  }
  if (c >= 0xD800 && c < 0xDC00 && cp < end) {
    const char32_t low = model_.text.At(cp);
    if (low >= 0xDC00 && low < 0xE000) {
      ++cp;
      out.Character(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
      return;
    }
  }
  if (c >= 0x20 && (c < 0xD800 || c >= 0xE000)) out.Character(c);
}

void DocTextWalker::EndParagraph(char32_t mark, const ParagraphProperties& properties,
                                 readers::RtfWriter& out, bool blocks,
                                 std::vector<std::size_t>& boxes) {
  const int depth = properties.Depth();
  const bool top = blocks && depth == 0;
  // Boxes anchored in a table cell stay in the cell, as lines.
  const auto write_boxes = [&] {
    for (const std::size_t index : boxes) {
      if (box_written_[index]) continue;
      box_written_[index] = true;
      readers::RtfWriter box(encoder_);
      WriteStory(model_.stories.Boxes()[index].text, box, top, false);
      if (top) {
        out.Splice(box.Rtf(), false);
      } else {
        out.LineBreak();
        out.Splice(box.Rtf(), box.AnyText());
      }
    }
    boxes.clear();
  };
  if (!top) write_boxes();
  if (mark == kCellMark && depth >= 1) {
    if (blocks && depth == 1) {
      if (properties.row_end) {
        out.EndRow();
      } else {
        out.EndCell();
      }
    } else if (properties.row_end) {
      out.RowSeparator();
    } else {
      out.CellSeparator();
    }
  } else if (depth >= 2 && properties.inner_row_end) {
    out.RowSeparator();
  } else if (depth >= 2 && properties.inner_cell_end) {
    out.CellSeparator();
  } else if (top) {
    out.EndParagraph();
    if (mark == kPageBreak) out.PageBreak();
  } else {
    out.LineBreak();
  }
  if (top) write_boxes();
}

void DocTextWalker::WriteStory(CpRange range, readers::RtfWriter& out, bool blocks, bool main) {
  Fields fields;
  std::vector<std::size_t> boxes;
  std::uint32_t cp = range.start;
  while (cp < range.end && !over_) {
    std::uint32_t end = cp;
    while (end < range.end && !IsParagraphEnd(end)) ++end;
    const bool has_mark = end < range.end;
    const ParagraphProperties properties = has_mark ? ParagraphAt(end) : ParagraphProperties{};
    const bool top = blocks && properties.Depth() == 0;
    if (top) {
      const ListKind kind =
          word6_ ? (properties.anld_nfc >= 0 ? KindOfNumberFormat(properties.anld_nfc)
                                             : ListKind::kNone)
                 : model_.lists.KindOf(properties.ilfo, properties.ilvl);
      if (kind == ListKind::kBullet) out.BulletItem();
      if (kind == ListKind::kNumbered) out.NumberedItem();
    }
    while (cp < end) {
      WriteCharacter(cp, end, out, top, main, fields, boxes);
      if (Over(out)) return;
    }
    if (has_mark) {
      // A deleted paragraph mark joins the paragraph to the next one.
      const bool joined = top && CharacterAt(end).deleted && model_.text.At(end) == kParagraphMark;
      if (!joined) EndParagraph(model_.text.At(end), properties, out, blocks, boxes);
    }
    cp = end + 1;
  }
}

bool DocTextWalker::Write(std::string& rtf) {
  readers::RtfWriter body(encoder_);
  const std::uint32_t main_end = std::min(model_.fib.ccp_text, model_.text.Size());
  WriteStory({0, main_end}, body, true, true);
  // Boxes no paragraph of the main text anchored come after it, each once.
  const std::vector<TextBox>& boxes = model_.stories.Boxes();
  for (std::size_t i = 0; i < boxes.size() && !over_; ++i) {
    if (box_written_[i]) continue;
    box_written_[i] = true;
    readers::RtfWriter box(encoder_);
    WriteStory(boxes[i].text, box, true, false);
    body.Splice(box.Rtf(), false);
    Over(body);
  }
  if (!references_.empty() && !over_) {
    // The notes as a numbered list of their own, after a rule, as the
    // .docx reader writes them.
    body.PageBreak();
    for (const CpRange& note : references_) {
      readers::RtfWriter text(encoder_);
      WriteStory(note, text, false, false);
      body.NumberedItem();
      body.Splice(text.Rtf(), text.AnyText());
      body.EndParagraph();
      if (Over(body)) break;
    }
  }
  if (over_) return false;
  rtf = std::move(body.MutableRtf());
  return true;
}

}  // namespace corvane::doc
