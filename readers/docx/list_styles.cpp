#include "readers/docx/list_styles.h"

#include <charconv>

namespace corvane::docx {

long ParseNumber(std::string_view text, long fallback) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '+')) text.remove_prefix(1);
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end != text.data() ? value : fallback;
}

bool IsOn(const XmlElement& element) {
  if (!element.Has("w:val")) return true;
  const std::string_view value = element.Attribute("w:val");
  return value != "0" && value != "false" && value != "off";
}

namespace {

// Word's built-in names, in any case: "heading 1" to "heading 9", "Title".
long NameOutlineLevel(std::string_view name) {
  std::string lower;
  for (const char c : name.substr(0, 16)) lower += c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
  if (lower == "title") return 0;
  if (lower.size() == 9 && lower.compare(0, 8, "heading ") == 0 && lower[8] >= '1' &&
      lower[8] <= '9')
    return lower[8] - '1';
  return -1;
}

}  // namespace

long ListStyles::OutlineLevelOf(std::string_view style_id, long own_level) const {
  if (own_level >= 0) return own_level < 9 ? own_level : -1;
  std::string id(style_id.empty() ? std::string_view(default_style_) : style_id);
  for (int hop = 0; hop < 16; ++hop) {  // a loop of basedOn ends here
    const auto found = styles_.find(id);
    if (found == styles_.end()) return -1;
    const Style& style = found->second;
    if (style.outline_level >= 0) return style.outline_level < 9 ? style.outline_level : -1;
    if (style.name_level >= 0) return style.name_level;
    if (style.based_on.empty() || style.based_on == id) return -1;
    id = style.based_on;
  }
  return -1;
}

void ListStyles::StylesReader::StartElement(const XmlElement& element) {
  const std::string_view name = element.name;
  owner_.resolved_ = false;
  if (name == "w:style") {
    style_ = &owner_.styles_[std::string(element.Attribute("w:styleId"))];
    const std::string_view is_default = element.Attribute("w:default");
    if (element.Attribute("w:type") == "paragraph" &&
        (is_default == "1" || is_default == "true" || is_default == "on")) {
      owner_.default_style_ = element.Attribute("w:styleId");
    }
    return;
  }
  if (style_ == nullptr) return;
  if (name == "w:basedOn") {
    style_->based_on = element.Attribute("w:val");
  } else if (name == "w:outlineLvl") {
    style_->outline_level = ParseNumber(element.Attribute("w:val"), -1);
  } else if (name == "w:name") {
    style_->name_level = NameOutlineLevel(element.Attribute("w:val"));
  } else if (name == "w:numId") {
    style_->numbering.num_id = ParseNumber(element.Attribute("w:val"), -1);
  } else if (name == "w:ilvl") {
    style_->numbering.level = ParseNumber(element.Attribute("w:val"), -1);
  }
}

void ListStyles::StylesReader::EndElement(std::string_view name) {
  if (name == "w:style") style_ = nullptr;
}

void ListStyles::NumberingReader::StartElement(const XmlElement& element) {
  const std::string_view name = element.name;
  if (name == "w:abstractNum") {
    abstract_ = &owner_.abstracts_[ParseNumber(element.Attribute("w:abstractNumId"), -1)];
  } else if (name == "w:num") {
    numbering_ = &owner_.numberings_[ParseNumber(element.Attribute("w:numId"), -1)];
  } else if (name == "w:numStyleLink" && abstract_ != nullptr) {
    abstract_->style_link = element.Attribute("w:val");
  } else if (name == "w:abstractNumId" && numbering_ != nullptr) {
    numbering_->abstract_id = ParseNumber(element.Attribute("w:val"), -1);
  } else if (name == "w:lvl") {
    const long index = ParseNumber(element.Attribute("w:ilvl"), -1);
    if (numbering_ != nullptr) {
      level_ = &numbering_->overrides[index];
    } else if (abstract_ != nullptr) {
      level_ = &abstract_->levels[index];
    }
  } else if (name == "w:numFmt" && level_ != nullptr && level_->format.empty()) {
    // The first format wins: an extension's choice comes before its fallback.
    level_->format = element.Attribute("w:val");
  }
}

void ListStyles::NumberingReader::EndElement(std::string_view name) {
  if (name == "w:abstractNum") {
    abstract_ = nullptr;
  } else if (name == "w:num") {
    numbering_ = nullptr;
  } else if (name == "w:lvl") {
    level_ = nullptr;
  }
}

namespace {

enum : unsigned char { kUnresolved, kOnChain, kResolved };

// A style's own properties, and where it sets none, its base's.
NumberingProperties Inherit(NumberingProperties own, NumberingProperties base) {
  if (own.num_id < 0) own.num_id = base.num_id;
  if (own.level < 0) own.level = base.level;
  return own;
}

}  // namespace

NumberingProperties ListStyles::FromStyle(std::string_view style_id) const {
  const std::string_view id = style_id.empty() ? std::string_view(default_style_) : style_id;
  if (id.empty()) return {};
  if (!resolved_) ResolveInheritance();
  const auto found = styles_.find(std::string(id));
  return found == styles_.end() ? NumberingProperties{} : found->second.inherited;
}

// Each chain of bases is walked once, so that many styles on one long chain
// (or a cycle) cost no more than the chain; a base already worked out ends
// the walk.
void ListStyles::ResolveInheritance() const {
  const auto base_of = [this](const Style& style) -> const Style* {
    if (style.based_on.empty()) return nullptr;
    const auto found = styles_.find(style.based_on);
    return found == styles_.end() ? nullptr : &found->second;
  };
  for (const auto& entry : styles_) entry.second.resolution = kUnresolved;
  std::vector<const Style*> chain;
  for (const auto& entry : styles_) {
    if (entry.second.resolution != kUnresolved) continue;
    chain.clear();
    const Style* next = &entry.second;
    while (next != nullptr && next->resolution == kUnresolved) {
      next->resolution = kOnChain;
      next->chain_index = chain.size();
      chain.push_back(next);
      next = base_of(*next);
    }
    std::size_t end = chain.size();
    if (next != nullptr && next->resolution == kOnChain) {
      end = next->chain_index;
      ResolveCycle(chain, end);
    }
    const NumberingProperties none;
    for (std::size_t i = end; i-- > 0;) {
      const Style* base = i + 1 < end ? chain[i + 1] : next;
      chain[i]->inherited = Inherit(chain[i]->numbering, base != nullptr ? base->inherited : none);
      chain[i]->resolution = kResolved;
    }
  }
  resolved_ = true;
}

// Styles based on one another in a ring: each takes what it lacks from the
// next one round that sets it, as a walk round the ring would find.
void ListStyles::ResolveCycle(const std::vector<const Style*>& chain, std::size_t first) const {
  const std::size_t members = chain.size() - first;
  NumberingProperties nearest;
  for (std::size_t step = 2 * members; step-- > 0;) {
    const Style* style = chain[first + step % members];
    nearest = Inherit(style->numbering, nearest);
    if (step < members) {
      style->inherited = nearest;
      style->resolution = kResolved;
    }
  }
}

const ListStyles::Level* ListStyles::FindLevel(long num_id, long level, int hops) const {
  const auto numbering = numberings_.find(num_id);
  if (numbering == numberings_.end()) return nullptr;
  const auto overridden = numbering->second.overrides.find(level);
  if (overridden != numbering->second.overrides.end() && !overridden->second.format.empty())
    return &overridden->second;
  const auto abstract = abstracts_.find(numbering->second.abstract_id);
  if (abstract == abstracts_.end()) return nullptr;
  if (!abstract->second.style_link.empty() && hops < 2) {
    // The numbering style names the numbering that holds the levels.
    const NumberingProperties linked = FromStyle(abstract->second.style_link);
    if (linked.num_id > 0 && linked.num_id != num_id)
      return FindLevel(linked.num_id, level, hops + 1);
  }
  const auto found = abstract->second.levels.find(level);
  return found != abstract->second.levels.end() ? &found->second : nullptr;
}

ListKind ListStyles::KindOf(std::string_view style_id, NumberingProperties own) const {
  const NumberingProperties inherited = FromStyle(style_id);
  const long num_id = own.num_id >= 0 ? own.num_id : inherited.num_id;
  long level = own.level >= 0 ? own.level : inherited.level;
  if (num_id <= 0) return ListKind::kNone;
  if (level < 0) level = 0;
  const Level* found = FindLevel(num_id, level, 0);
  if (found == nullptr) return ListKind::kNone;
  if (found->format == "bullet") return ListKind::kBullet;
  // A level without a format counts from 1, as decimal is the default.
  if (found->format == "none") return ListKind::kNone;
  return ListKind::kNumbered;
}

}  // namespace corvane::docx
