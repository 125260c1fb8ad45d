#include "tests/case_files.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace corvane::cases {
namespace {

constexpr std::string_view kOpenFence = "```````````````````````````````` example";
constexpr std::string_view kCloseFence = "````````````````````````````````";
constexpr std::string_view kSeparator = ".";
// U+27E8 and U+27E9 in UTF-8: nothing in RTF or HTML syntax, and impossible
// to type by accident.
constexpr std::string_view kMarkOpen = "\xE2\x9F\xA8";
constexpr std::string_view kMarkClose = "\xE2\x9F\xA9";
constexpr std::string_view kHex = "0123456789ABCDEF";
constexpr std::string_view kFullTextLine = "Output: full text";

void AppendUtf8(std::uint32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// A character marker, "U+" and four to six uppercase hex digits inside the
// brackets: its UTF-8 bytes. Returns the marker's length, 0 when there is none.
std::size_t DecodeCharacterMarker(std::string_view at, std::string& out) {
  constexpr std::string_view kPrefix = "U+";
  std::size_t i = kMarkOpen.size();
  if (at.substr(i, kPrefix.size()) != kPrefix) return 0;
  i += kPrefix.size();
  std::uint32_t value = 0;
  std::size_t digits = 0;
  while (i < at.size() && digits < 6 && kHex.find(at[i]) != kHex.npos) {
    value = value * 16 + static_cast<std::uint32_t>(kHex.find(at[i]));
    ++i;
    ++digits;
  }
  if (digits < 4 || value > 0x10FFFF || at.substr(i, kMarkClose.size()) != kMarkClose) return 0;
  AppendUtf8(value, out);
  return i + kMarkClose.size();
}

std::string Sanitise(std::string_view text) {
  std::string out;
  for (char c : text) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (keep) {
      out += c;
    } else if (!out.empty() && out.back() != '_') {
      out += '_';
    }
  }
  while (!out.empty() && out.back() == '_') out.pop_back();
  return out.empty() ? "x" : out;
}

// Decodes one line of an example; returns false with `error` set on a bad
// byte or marker.
bool DecodeLine(std::string_view line, std::string& out, std::string& error) {
  for (std::size_t i = 0; i < line.size();) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (line.substr(i, kMarkOpen.size()) == kMarkOpen) {
      if (const std::size_t length = DecodeCharacterMarker(line.substr(i), out)) {
        i += length;
        continue;
      }
      const std::string_view digits = line.substr(i + kMarkOpen.size(), 2);
      const std::size_t close = i + kMarkOpen.size() + 2;
      if (digits.size() != 2 || kHex.find(digits[0]) == kHex.npos ||
          kHex.find(digits[1]) == kHex.npos ||
          line.substr(close, kMarkClose.size()) != kMarkClose) {
        error = "a byte marker needs two uppercase hex digits and a closing bracket";
        return false;
      }
      out += static_cast<char>(kHex.find(digits[0]) * 16 + kHex.find(digits[1]));
      i = close + kMarkClose.size();
    } else if (c < 32 || c > 126) {
      error = "raw control or non-ASCII byte; write it as a byte marker";
      return false;
    } else {
      out += static_cast<char>(c);
      ++i;
    }
  }
  return true;
}

void LoadFile(const std::filesystem::path& path, std::vector<Example>& examples) {
  const std::string file = path.filename().string();
  const std::string stem = Sanitise(path.stem().string());
  auto fail = [&](int line, const std::string& why) {
    Example e;
    e.file = file;
    e.line = line;
    e.name = stem + "_file_error";
    e.error = file + ":" + std::to_string(line) + ": " + why;
    examples.push_back(std::move(e));
  };

  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(0, "cannot be read");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  enum { kOutside, kInput, kExpected } where = kOutside;
  std::string section;
  int number = 0;
  int count = 0;
  Example current;
  std::string* block = nullptr;
  bool first_line = true;
  int line_no = 0;
  bool full_text = false;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    start = end + 1;
    ++line_no;
    // Tolerates a checkout that turned the file's line ends into CR LF.
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    if (where == kOutside) {
      if (line.substr(0, 3) == "## ") {
        section = std::string(line.substr(3));
        number = 0;
      } else if (line == kOpenFence) {
        if (section.empty()) return fail(line_no, "example before the first \"## \" section");
        current = Example{};
        current.file = file;
        current.full_text = full_text;
        current.section = section;
        current.number = ++number;
        current.line = line_no;
        current.name = stem + "_" + Sanitise(section) + "_" + std::to_string(number);
        where = kInput;
        block = &current.input;
        first_line = true;
      } else if (line == kFullTextLine) {
        if (number > 0 || count > 0)
          return fail(line_no, "the output line must come before the examples");
        full_text = true;
      } else if (line.substr(0, 3) == "```") {
        return fail(line_no, "a fence line that is not an example fence");
      } else {
        std::string ignored, why;
        if (!DecodeLine(line, ignored, why)) return fail(line_no, why);
      }
      continue;
    }

    if (line == kOpenFence) return fail(line_no, "example fence inside an example");
    if (where == kInput && line == kSeparator) {
      where = kExpected;
      block = &current.expected;
      first_line = true;
      continue;
    }
    if (line == kCloseFence) {
      if (where == kInput) return fail(line_no, "example without the \".\" line");
      examples.push_back(std::move(current));
      ++count;
      where = kOutside;
      continue;
    }
    if (!first_line) *block += "\r\n";
    first_line = false;
    std::string why;
    if (!DecodeLine(line, *block, why)) return fail(line_no, why);
  }
  if (where != kOutside) return fail(line_no, "file ends inside an example");
  if (count == 0) fail(line_no, "no examples");
}

}  // namespace

std::vector<Example> LoadExamples(const std::string& folder) {
  std::vector<Example> examples;
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (entry.path().extension() == ".txt") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  if (ec || files.empty()) {
    Example e;
    e.name = "no_case_files";
    e.error = "no case files in " + folder;
    examples.push_back(std::move(e));
    return examples;
  }
  for (const auto& path : files) LoadFile(path, examples);

  std::set<std::string> names;
  for (auto& e : examples) {
    if (!names.insert(e.name).second && e.error.empty()) {
      e.error = e.file + ":" + std::to_string(e.line) + ": another example has the name " + e.name;
      e.name += "_duplicate_line_" + std::to_string(e.line);
    }
  }
  return examples;
}

std::string Visible(std::string_view bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    const bool line_end = i + 1 == bytes.size() || bytes.substr(i + 1, 2) == "\r\n";
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
      out += "\xE2\x86\xB5\n";  // U+21B5, a visible CR LF, then the line break
      ++i;
    } else if (c < 32 || c > 126 || (c == ' ' && line_end)) {
      char marker[3];
      std::snprintf(marker, sizeof marker, "%02X", c);
      out += kMarkOpen;
      out += marker;
      out += kMarkClose;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace corvane::cases
