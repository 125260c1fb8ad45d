// Full-text output: what the font table and the list tables say, gathered
// while those destinations are skipped and looked up from the body.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace corvane::engine {

// Font number → code page, from \fcharsetN or \cpgN (which wins).
class FontTable {
 public:
  void BeginFont(long number) { current_ = number; }
  void SetCharset(unsigned code_page) {
    Font& font = fonts_[current_];
    if (!font.explicit_page) font.code_page = code_page;
  }
  void SetCodePage(unsigned code_page) { fonts_[current_] = Font{code_page, true}; }
  // 0 for a font the table does not name: the document's page applies.
  unsigned CodePage(long number) const {
    const auto found = fonts_.find(number);
    return found == fonts_.end() ? 0 : found->second.code_page;
  }

 private:
  struct Font {
    unsigned code_page = 0;
    bool explicit_page = false;  // from \cpg
  };
  std::unordered_map<long, Font> fonts_;
  long current_ = 0;
};

// Word 97 lists: \lsN names an override, the override a list, and the list's
// level format (\levelnfcN) tells bullets (23, or 255: no number) from numbers.
class ListTable {
 public:
  void BeginList() {
    list_ = {};
    level_ = -1;
  }
  void BeginLevel() { ++level_; }
  void SetLevelFormat(long format) {
    if (level_ < 0 || level_ >= kLevels) return;
    long& slot = list_.formats[static_cast<std::size_t>(level_)];
    if (slot == kUnknown) slot = format;
  }
  void SetListId(long id) { lists_[id] = list_; }

  void BeginOverride() { override_list_ = 0; }
  void SetOverrideListId(long id) { override_list_ = id; }
  void SetOverrideNumber(long ls) { overrides_[ls] = override_list_; }

  // Unknown lists and levels are bulleted.
  bool IsNumbered(long ls, long level) const {
    const auto override_found = overrides_.find(ls);
    if (override_found == overrides_.end()) return false;
    const auto list = lists_.find(override_found->second);
    if (list == lists_.end() || level < 0 || level >= kLevels) return false;
    const long format = list->second.formats[static_cast<std::size_t>(level)];
    return format != kUnknown && format != 23 && format != 255;
  }

 private:
  static constexpr long kLevels = 9;
  static constexpr long kUnknown = -1;
  struct List {
    List() { formats.fill(kUnknown); }
    std::array<long, kLevels> formats;
  };
  std::unordered_map<long, List> lists_;
  std::unordered_map<long, long> overrides_;
  List list_;
  long level_ = -1;
  long override_list_ = 0;
};

// Paragraph style → heading level (1-6, 0: none): the style's outline level
// (\outlinelevelN, 9 being body text), else its name ("heading N", "Title"),
// else those of the style it is based on (\sbasedonN).
class StyleSheet {
 public:
  void BeginStyle() { style_ = {}; }
  void SetNumber(long number) { style_.number = number; }
  void SetBasedOn(long number) { style_.based_on = number; }
  void SetOutlineLevel(long level) { style_.outline_level = level; }
  void AddNameByte(char c) {
    if (style_.name_done || (style_.name.empty() && c == ' ')) return;
    if (c == ';' || c == ',' || style_.name.size() >= kNameBytes) {
      style_.name_done = true;
      return;
    }
    style_.name += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  // Only paragraph styles (\sN) are kept.
  void EndStyle() {
    if (style_.number < 0) return;
    styles_[style_.number] = Kept{style_.based_on, style_.outline_level, NameLevel(style_.name)};
  }

  int HeadingLevel(long style) const {
    for (int step = 0; step < kChainLimit; ++step) {
      const auto found = styles_.find(style);
      if (found == styles_.end()) return 0;
      const Kept& kept = found->second;
      if (kept.outline_level >= 0) return OutlineHeading(kept.outline_level);
      if (kept.name_level > 0) return kept.name_level;
      if (kept.based_on == style) return 0;
      style = kept.based_on;
    }
    return 0;
  }

  static int OutlineHeading(long level) {
    return level >= 0 && level < 9 ? static_cast<int>(std::min(level + 1, 6L)) : 0;
  }

 private:
  static constexpr std::size_t kNameBytes = 32;
  static constexpr int kChainLimit = 16;  // a loop of \sbasedon ends here
  struct Style {
    long number = -1;
    long based_on = -1;
    long outline_level = -1;
    std::string name;
    bool name_done = false;
  };
  struct Kept {
    long based_on = -1;
    long outline_level = -1;
    int name_level = 0;
  };
  static int NameLevel(std::string name) {
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (name == "title") return 1;
    constexpr std::string_view kHeading = "heading ";
    if (name.size() != kHeading.size() + 1 || name.compare(0, kHeading.size(), kHeading) != 0)
      return 0;
    const char digit = name.back();
    return digit >= '1' && digit <= '9' ? std::min(digit - '0', 6) : 0;
  }
  std::unordered_map<long, Kept> styles_;
  Style style_;
};

}  // namespace corvane::engine
