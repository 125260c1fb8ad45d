#include "readers/doc/stories.h"

#include <algorithm>
#include <unordered_map>

namespace corvane::doc {
namespace {

constexpr std::uint32_t kFrdSize = 2;
constexpr std::uint32_t kSedSize = 12;
constexpr std::uint32_t kSpaSize = 26;
constexpr std::uint32_t kFtxbxsSize = 22;

CpRange Clamp(std::uint64_t start, std::uint64_t end, std::uint64_t story_start,
              std::uint64_t story_end) {
  start = std::clamp(start, story_start, story_end);
  end = std::clamp(end, start, story_end);
  return {static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end)};
}

}  // namespace

void Stories::Read(const Fib& fib, ByteReader table, std::uint32_t text_size) {
  const std::uint64_t size = text_size;
  const std::uint64_t footnotes = std::min<std::uint64_t>(fib.ccp_text, size);
  ReadNotes(table, fib.plcffnd_ref, fib.plcffnd_txt, footnotes,
            std::min<std::uint64_t>(footnotes + fib.ccp_ftn, size));
  const std::uint64_t endnotes = std::min<std::uint64_t>(fib.EndnoteStart(), size);
  ReadNotes(table, fib.plcfend_ref, fib.plcfend_txt, endnotes,
            std::min<std::uint64_t>(endnotes + fib.ccp_edn, size));
  std::sort(references_.begin(), references_.end(),
            [](const NoteReference& a, const NoteReference& b) { return a.cp < b.cp; });

  const PlcReader sections(table, fib.plcf_sed.fc, fib.plcf_sed.lcb, kSedSize);
  for (std::uint32_t i = 1; i <= sections.Count(); ++i)
    section_ends_.push_back(sections.Position(i));
  std::sort(section_ends_.begin(), section_ends_.end());

  const std::uint64_t boxes = std::min<std::uint64_t>(fib.TextBoxStart(), size);
  ReadBoxes(fib, table, boxes, std::min<std::uint64_t>(boxes + fib.ccp_txbx, size));
}

void Stories::ReadNotes(ByteReader table, FcLcb references, FcLcb texts, std::uint64_t story_start,
                        std::uint64_t story_end) {
  const PlcReader refs(table, references.fc, references.lcb, kFrdSize);
  const PlcReader txts(table, texts.fc, texts.lcb, 0);
  for (std::uint32_t i = 0; i < refs.Count(); ++i) {
    NoteReference reference;
    reference.cp = refs.Position(i);
    if (i < txts.Count()) {
      reference.text = Clamp(story_start + txts.Position(i), story_start + txts.Position(i + 1),
                             story_start, story_end);
    }
    references_.push_back(reference);
  }
}

void Stories::ReadBoxes(const Fib& fib, ByteReader table, std::uint64_t story_start,
                        std::uint64_t story_end) {
  if (story_end <= story_start) return;
  const PlcReader texts(table, fib.plcftxbx_txt.fc, fib.plcftxbx_txt.lcb, kFtxbxsSize);
  if (texts.Count() == 0) {
    // No table of boxes (Word 6/95): the whole story as one box, unanchored.
    boxes_.push_back({Clamp(story_start, story_end, story_start, story_end), UINT32_MAX});
    return;
  }
  // A shape names its box by the shape id both record ([MS-DOC] 2.9.253 SPA
  // and 2.9.106 FTXBXS).
  const PlcReader shapes(table, fib.plc_spa_mom.fc, fib.plc_spa_mom.lcb, kSpaSize);
  std::unordered_map<std::int32_t, std::uint32_t> anchor_of_shape;
  for (std::uint32_t i = 0; i < shapes.Count(); ++i) {
    anchor_of_shape.emplace(table.I32(shapes.DataOffset(i)), shapes.Position(i));
  }
  for (std::uint32_t i = 0; i < texts.Count(); ++i) {
    const std::uint64_t entry = texts.DataOffset(i);
    if (table.U16(entry + 8) != 0) continue;  // a reusable slot holds no box
    TextBox box;
    box.text = Clamp(story_start + texts.Position(i), story_start + texts.Position(i + 1),
                     story_start, story_end);
    if (box.text.start == box.text.end) continue;
    const auto found = anchor_of_shape.find(table.I32(entry + 14));
    if (found != anchor_of_shape.end()) {
      box.anchor = found->second;
      anchors_.emplace_back(box.anchor, boxes_.size());
    }
    boxes_.push_back(box);
  }
  std::sort(anchors_.begin(), anchors_.end());
}

const NoteReference* Stories::ReferenceAt(std::uint32_t cp) const {
  const auto found = std::lower_bound(
      references_.begin(), references_.end(), cp,
      [](const NoteReference& reference, std::uint32_t value) { return reference.cp < value; });
  return found != references_.end() && found->cp == cp ? &*found : nullptr;
}

bool Stories::IsSectionEnd(std::uint32_t cp) const {
  return std::binary_search(section_ends_.begin(), section_ends_.end(), cp);
}

std::vector<std::size_t> Stories::BoxesAnchoredAt(std::uint32_t cp) const {
  std::vector<std::size_t> found;
  auto it = std::lower_bound(anchors_.begin(), anchors_.end(), std::make_pair(cp, std::size_t{0}));
  for (; it != anchors_.end() && it->first == cp; ++it) found.push_back(it->second);
  return found;
}

}  // namespace corvane::doc
