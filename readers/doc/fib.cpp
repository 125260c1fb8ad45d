#include "readers/doc/fib.h"

#include <algorithm>

namespace corvane::doc {
namespace {

constexpr std::uint16_t kWord97Ident = 0xA5EC;
constexpr std::uint16_t kWord6Ident = 0xA5DC;
constexpr std::uint16_t kWord2Ident = 0xA5DB;
constexpr std::uint16_t kWord1Ident = 0xA59B;

// Indexes of the FibRgFcLcb97 pairs this reader uses; Word 6/95 keeps the
// same order from its first pair on.
enum PairIndex : std::uint32_t {
  kStshf = 1,
  kPlcffndRef = 2,
  kPlcffndTxt = 3,
  kPlcfSed = 6,
  kPlcfBteChpx = 12,
  kPlcfBtePapx = 13,
  kSttbfFfn = 15,
  kClx = 33,
  kPlcSpaMom = 40,
  kPlcfendRef = 46,
  kPlcfendTxt = 47,
  kPlcftxbxTxt = 56,
  kPlfLst = 73,
  kPlfLfo = 74,
};

void ReadPairs(ByteReader stream, std::uint64_t start, std::uint32_t count, Fib& fib) {
  const auto pair = [&](std::uint32_t index) {
    FcLcb value;
    if (index < count) {
      value.fc = stream.U32(start + 8ull * index);
      value.lcb = stream.U32(start + 8ull * index + 4);
    }
    return value;
  };
  fib.stshf = pair(kStshf);
  fib.plcffnd_ref = pair(kPlcffndRef);
  fib.plcffnd_txt = pair(kPlcffndTxt);
  fib.plcf_sed = pair(kPlcfSed);
  fib.plcf_bte_chpx = pair(kPlcfBteChpx);
  fib.plcf_bte_papx = pair(kPlcfBtePapx);
  fib.sttbf_ffn = pair(kSttbfFfn);
  fib.clx = pair(kClx);
  fib.plc_spa_mom = pair(kPlcSpaMom);
  fib.plcfend_ref = pair(kPlcfendRef);
  fib.plcfend_txt = pair(kPlcfendTxt);
  fib.plcftxbx_txt = pair(kPlcftxbxTxt);
  fib.plf_lst = pair(kPlfLst);
  fib.plf_lfo = pair(kPlfLfo);
}

void ReadStoryLengths(ByteReader stream, std::uint64_t start, Fib& fib) {
  std::uint32_t* const lengths[] = {&fib.ccp_text, &fib.ccp_ftn, &fib.ccp_hdd,  &fib.ccp_mcr,
                                    &fib.ccp_atn,  &fib.ccp_edn, &fib.ccp_txbx, &fib.ccp_hdr_txbx};
  for (std::uint32_t i = 0; i < 8; ++i) *lengths[i] = stream.U32(start + 4ull * i);
}

}  // namespace

bool HasWordMagic(std::string_view bytes) {
  const ByteReader reader(bytes);
  const std::uint16_t ident = reader.U16(0);
  return reader.Has(0, 4) && (ident == kWord97Ident || ident == kWord6Ident);
}

bool IsWord2OrEarlier(std::string_view bytes) {
  const ByteReader reader(bytes);
  const std::uint16_t ident = reader.U16(0);
  // Word for Windows 1.x and 2.0 files are a FIB and text, no container.
  return reader.Has(0, 0x20) && (ident == kWord2Ident || ident == kWord1Ident) &&
         reader.U16(2) < 101;
}

bool ParseFib(ByteReader stream, Fib& fib, std::string& error) {
  error = "the document's file information block is broken";
  if (!stream.Has(0, 0x20)) return false;
  const std::uint16_t ident = stream.U16(0);
  fib.n_fib = stream.U16(2);
  fib.lid = stream.U16(6);
  const std::uint16_t flags = stream.U16(0x0A);
  fib.complex = (flags & 0x0004) != 0;
  fib.encrypted = (flags & 0x0100) != 0;
  fib.table_stream_1 = (flags & 0x0200) != 0;
  fib.obfuscated = (flags & 0x8000) != 0;
  fib.fc_min = stream.U32(0x18);
  // Past the base, an encrypted FIB is ciphertext: the flags are all there is.
  if (fib.encrypted) return true;
  fib.fc_mac = stream.U32(0x1C);
  if (ident == kWord2Ident || ident == kWord1Ident || fib.n_fib < 101) {
    fib.version = WordVersion::kWord2OrEarlier;
    return true;
  }
  if (ident == kWord6Ident || fib.n_fib < 0xC0) {
    // Word 6/95: one stream, fixed offsets; the table stream flag bit is
    // something else there.
    fib.version = WordVersion::kWord6;
    fib.table_stream_1 = false;
    fib.obfuscated = false;
    fib.character_set = stream.U16(0x14);
    if (!stream.Has(0, 0x168)) return false;
    ReadStoryLengths(stream, 0x34, fib);
    const std::uint64_t pairs_end = std::min<std::uint64_t>(stream.size(), 0x2000);
    ReadPairs(stream, 0x58, static_cast<std::uint32_t>((pairs_end - 0x58) / 8), fib);
    // Pairs past the Word 6 FIB's end are other data: only those it has.
    fib.plc_spa_mom = fib.plcftxbx_txt = fib.plf_lst = fib.plf_lfo = FcLcb{};
    return true;
  }
  fib.version = WordVersion::kWord97;
  if (fib.obfuscated) return true;
  // Navigated by the counts each part starts with ([MS-DOC] 2.5.15).
  std::uint64_t offset = 0x20;
  const std::uint16_t csw = stream.U16(offset);
  offset += 2 + 2ull * csw;
  const std::uint16_t cslw = stream.U16(offset);
  const std::uint64_t lw = offset + 2;
  offset = lw + 4ull * cslw;
  const std::uint16_t pairs = stream.U16(offset);
  if (cslw < 11 || !stream.Has(0, offset + 2 + 8ull * pairs)) return false;
  ReadStoryLengths(stream, lw + 12, fib);
  ReadPairs(stream, offset + 2, pairs, fib);
  error.clear();
  return true;
}

}  // namespace corvane::doc
