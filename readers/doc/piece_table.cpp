#include "readers/doc/piece_table.h"

#include <algorithm>

namespace corvane::doc {
namespace {

const char kBrokenTable[] = "the document's piece table is broken";

// 8-bit pieces of Word 97 and later: Latin-1, but for the bytes [MS-DOC]
// 2.4.1 maps as code page 1252 does.
char32_t CompressedCharacter(std::uint8_t byte) {
  static constexpr char16_t k82To9F[] = {
      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
      0x0152, 0x008D, 0x008E, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178};
  if (byte >= 0x82 && byte <= 0x9F) return k82To9F[byte - 0x82];
  return byte;
}

bool IsLeadByte(unsigned code_page, std::uint8_t byte) {
  if (code_page == 932) return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
  return byte >= 0x81 && byte <= 0xFE;
}

}  // namespace

unsigned CodePageOfLanguage(std::uint16_t lid) {
  switch (lid) {
    case 0x0404:
    case 0x0C04:
    case 0x1404: return 950;
    case 0x0804:
    case 0x1004: return 936;
    case 0x0C1A:
    case 0x1C1A: return 1251;  // Serbian in Cyrillic
    default: break;
  }
  switch (lid & 0x3FF) {
    case 0x19:
    case 0x22:
    case 0x23:
    case 0x02:
    case 0x2F: return 1251;
    case 0x05:
    case 0x15:
    case 0x0E:
    case 0x1B:
    case 0x24:
    case 0x1A:
    case 0x18:
    case 0x1C: return 1250;
    case 0x08: return 1253;
    case 0x1F: return 1254;
    case 0x0D: return 1255;
    case 0x01: return 1256;
    case 0x25:
    case 0x26:
    case 0x27: return 1257;
    case 0x2A: return 1258;
    case 0x11: return 932;
    case 0x12: return 949;
    case 0x1E: return 874;
    default: return 1252;
  }
}

bool DocumentText::ReadPieces(const Fib& fib, ByteReader word, ByteReader table,
                              std::string& error) {
  const bool word97 = fib.version == WordVersion::kWord97;
  const bool has_clx = fib.clx.lcb > 0 && (word97 || fib.complex);
  if (!has_clx) {
    // One run of text from fcMin: the simple file of older versions, in
    // 8-bit characters; or a Word 97 file without its table stream, in
    // 16-bit ones when the run holds two bytes for each of its CPs.
    if (fib.fc_mac < fib.fc_min || !word.Has(fib.fc_min, fib.fc_mac - fib.fc_min)) {
      error = "the document's text lies outside its stream";
      return false;
    }
    const std::uint32_t span = fib.fc_mac - fib.fc_min;
    const bool wide = word97 && fib.TotalCps() > 0 && span >= 2 * fib.TotalCps();
    pieces_.push_back({0, wide ? span / 2 : span, fib.fc_min, !wide, 0});
    return true;
  }
  const ByteReader clx(table.Slice(fib.clx.fc, fib.clx.lcb));
  if (clx.size() == 0) {
    error = kBrokenTable;
    return false;
  }
  std::uint64_t offset = 0;
  // Prc entries: property lists that pieces refer to by index.
  while (clx.U8(offset) == 0x01) {
    const std::uint16_t length = clx.U16(offset + 1);
    if (!clx.Has(offset + 3, length)) {
      error = kBrokenTable;
      return false;
    }
    grpprls_.push_back(clx.Slice(offset + 3, length));
    offset += 3ull + length;
  }
  if (clx.U8(offset) != 0x02) {
    error = kBrokenTable;
    return false;
  }
  const std::uint32_t length = clx.U32(offset + 1);
  const PlcReader plc(ByteReader(clx.Slice(offset + 5, length)), 0, length, 8);
  if (plc.Count() == 0) {
    error = kBrokenTable;
    return false;
  }
  pieces_.reserve(plc.Count());
  std::uint64_t total = 0;
  for (std::uint32_t i = 0; i < plc.Count(); ++i) {
    Piece piece;
    piece.cp_start = plc.Position(i);
    piece.cp_end = plc.Position(i + 1);
    const std::uint32_t fc = plc.Bytes().U32(plc.DataOffset(i) + 2);
    piece.prm = plc.Bytes().U16(plc.DataOffset(i) + 6);
    if (word97) {
      piece.compressed = (fc & 0x40000000u) != 0;
      piece.fc = piece.compressed ? (fc & 0x3FFFFFFFu) / 2 : (fc & 0x3FFFFFFFu);
    } else {
      piece.compressed = true;
      piece.fc = fc;
    }
    const std::uint64_t count = piece.cp_end - std::uint64_t{piece.cp_start};
    total += count;
    // CPs follow on from one another; each piece's bytes lie in the stream,
    // and no more characters than the stream has bytes.
    if (piece.cp_end < piece.cp_start || piece.cp_start != (i == 0 ? 0 : pieces_.back().cp_end) ||
        !word.Has(piece.fc, count * (piece.compressed ? 1 : 2)) || total > word.size()) {
      error = kBrokenTable;
      return false;
    }
    pieces_.push_back(piece);
  }
  return true;
}

void DocumentText::Decode(const Piece& piece, std::string_view bytes, unsigned code_page,
                          const CodePageDecoder& decoder) {
  if (!piece.compressed) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      chars_ += static_cast<char32_t>(static_cast<std::uint8_t>(bytes[i]) |
                                      (static_cast<std::uint8_t>(bytes[i + 1]) << 8));
    }
    return;
  }
  if (code_page == 0) {
    for (const char byte : bytes) chars_ += CompressedCharacter(static_cast<std::uint8_t>(byte));
    return;
  }
  const std::u32string& single_byte = SingleByteTable(code_page, decoder);
  if (!single_byte.empty()) {
    for (const char byte : bytes) chars_ += single_byte[static_cast<std::uint8_t>(byte)];
    return;
  }
  // A double-byte code page: each pair decoded alone, its character at the
  // lead byte's CP and nothing at the second byte's.
  std::u32string pair;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(bytes[i]);
    if (byte < 0x80) {
      chars_ += byte;
      continue;
    }
    const bool lead = IsLeadByte(code_page, byte) && i + 1 < bytes.size();
    pair.clear();
    if (!decoder.Decode(code_page, bytes.substr(i, lead ? 2 : 1), pair) || pair.empty()) {
      pair.assign(1, U'\uFFFD');
    }
    chars_ += pair[0];
    if (lead) {
      chars_ += U'\0';
      ++i;
    }
  }
}

const std::u32string& DocumentText::SingleByteTable(unsigned code_page,
                                                    const CodePageDecoder& decoder) {
  const auto [found, added] = single_byte_.try_emplace(code_page);
  if (added) {
    std::string all(256, '\0');
    for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i);
    if (!decoder.Decode(code_page, all, found->second) || found->second.size() != 256) {
      found->second.clear();
    }
  }
  return found->second;
}

bool DocumentText::Read(const Fib& fib, ByteReader word, ByteReader table,
                        const CodePageDecoder& decoder, unsigned summary_code_page,
                        std::string& error) {
  if (!ReadPieces(fib, word, table, error)) return false;
  unsigned code_page = 0;
  if (fib.version != WordVersion::kWord97) {
    const bool ansi = (summary_code_page >= 1250 && summary_code_page <= 1258) ||
                      summary_code_page == 874 || summary_code_page == 932 ||
                      summary_code_page == 936 || summary_code_page == 949 ||
                      summary_code_page == 950;
    code_page = fib.character_set == 256 ? 10000
                : ansi                   ? summary_code_page
                                         : CodePageOfLanguage(fib.lid);
  }
  code_page_ = code_page;
  chars_.reserve(pieces_.empty() ? 0 : pieces_.back().cp_end);
  for (const Piece& piece : pieces_) {
    const std::uint64_t count = piece.cp_end - std::uint64_t{piece.cp_start};
    Decode(piece, word.Slice(piece.fc, count * (piece.compressed ? 1 : 2)), code_page, decoder);
  }
  return true;
}

void DocumentText::DecodeByRunCodePage(
    ByteReader word, const CodePageDecoder& decoder,
    const std::function<unsigned(std::uint64_t fc)>& run_code_page) {
  const auto single_byte_ansi = [](unsigned page) {
    return page == 874 || (page >= 1250 && page <= 1258);
  };
  // Double-byte text has no byte-per-CP to redo; a Mac page no ANSI one.
  if (code_page_ != 0 && !single_byte_ansi(code_page_)) return;
  for (const Piece& piece : pieces_) {
    if (!piece.compressed) continue;
    for (std::uint32_t cp = piece.cp_start; cp < piece.cp_end; ++cp) {
      const std::uint64_t fc = piece.fc + (cp - piece.cp_start);
      const std::uint8_t byte = word.U8(fc);
      if (byte < 0x80) continue;
      const unsigned page = run_code_page(fc);
      if (page == 1252 || page == code_page_ || !single_byte_ansi(page)) continue;
      const std::u32string& table = SingleByteTable(page, decoder);
      if (!table.empty()) chars_[cp] = table[byte];
    }
  }
}

const Piece* DocumentText::PieceOf(std::uint32_t cp) const {
  const auto found = std::upper_bound(
      pieces_.begin(), pieces_.end(), cp,
      [](std::uint32_t value, const Piece& piece) { return value < piece.cp_end; });
  return found == pieces_.end() ? nullptr : &*found;
}

std::uint64_t DocumentText::FcOf(std::uint32_t cp) const {
  const Piece* piece = PieceOf(cp);
  if (piece == nullptr) return UINT64_MAX;
  return piece->fc + std::uint64_t{cp - piece->cp_start} * (piece->compressed ? 1 : 2);
}

}  // namespace corvane::doc
