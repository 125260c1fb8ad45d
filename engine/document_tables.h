// Full-text output: what the font table and the list tables say, gathered
// while those destinations are skipped and looked up from the body.
#pragma once

#include <array>
#include <cstddef>
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

}  // namespace corvane::engine
