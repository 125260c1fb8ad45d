// iconv's tables under the Windows code page numbers.
#include <iconv.h>

#include <cerrno>
#include <string>
#include <unordered_map>

#include "os/code_pages.h"

namespace corvane::os {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

std::string IconvName(unsigned code_page) {
  switch (code_page) {
    case 10000: return "MACINTOSH";
    case 1361: return "JOHAB";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 28591: return "ISO-8859-1";
    case 20932: return "EUC-JP";
    case 54936: return "GB18030";
    case 65001: return "UTF-8";
    default:
      // 28592 to 28606: the ISO 8859 parts (28591 is above).
      if (code_page >= 28592 && code_page <= 28606) {
        return "ISO-8859-" + std::to_string(code_page - 28590);
      }
      return "CP" + std::to_string(code_page);
  }
}

// One conversion descriptor per code page and thread: iconv_t keeps state
// between calls and may not be shared. Only pages iconv knows are kept, so
// that a document naming thousands of others leaves nothing behind.
class Converter {
 public:
  explicit Converter(unsigned code_page)
      : handle_(::iconv_open("UTF-32LE", IconvName(code_page).c_str())) {}
  ~Converter() {
    if (valid()) ::iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return handle_; }

 private:
  iconv_t handle_;
};

Converter* ConverterFor(unsigned code_page) {
  thread_local std::unordered_map<unsigned, Converter> converters;
  const auto found = converters.try_emplace(code_page, code_page).first;
  if (found->second.valid()) return &found->second;
  converters.erase(found);
  return nullptr;
}

class IconvDecoder final : public CodePageDecoder {
 public:
  bool Decode(unsigned code_page, std::string_view bytes, std::u32string& out) const override {
    Converter* known = ConverterFor(code_page);
    if (known == nullptr) return false;
    Converter& converter = *known;
    ::iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    std::size_t in_left = bytes.size();
    char buffer[256];
    while (in_left > 0) {
      char* to = buffer;
      std::size_t to_left = sizeof buffer;
      const std::size_t result = ::iconv(converter.get(), &in, &in_left, &to, &to_left);
      const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
      Append(buffer, static_cast<std::size_t>(to - buffer), out);
      if (error == EILSEQ || error == EINVAL) {
        // Bytes the page does not define, or a pair cut short.
        out += kReplacement;
        ++in;
        --in_left;
        ::iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
      } else if (error != 0 && error != E2BIG) {
        out.append(in_left, kReplacement);
        break;
      }
    }
    // Pages with combining marks (1255, 1258) hold the last character back
    // in case a mark follows; the text ends here.
    char* to = buffer;
    std::size_t to_left = sizeof buffer;
    ::iconv(converter.get(), nullptr, nullptr, &to, &to_left);
    Append(buffer, static_cast<std::size_t>(to - buffer), out);
    return true;
  }

 private:
  static void Append(const char* utf32, std::size_t size, std::u32string& out) {
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
      const auto byte = [&](std::size_t k) {
        return static_cast<char32_t>(static_cast<unsigned char>(utf32[i + k]));
      };
      out += byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
    }
  }
};

}  // namespace

const CodePageDecoder& SystemCodePageDecoder() {
  static const IconvDecoder decoder;
  return decoder;
}

readers::LegacyCodePages UserLegacyCodePages() { return {}; }

}  // namespace corvane::os
