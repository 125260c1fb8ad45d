// The File Information Block at the start of the WordDocument stream
// ([MS-DOC] 2.5.1): the version, the flags, the lengths of the stories and
// where each table of the document lives. Word 6/95 files have an older,
// fixed layout that is read into the same structure.
#pragma once

#include <cstdint>
#include <string>

#include "readers/doc/byte_reader.h"

namespace corvane::doc {

enum class WordVersion { kWord2OrEarlier, kWord6, kWord97 };

struct FcLcb {
  std::uint32_t fc = 0;
  std::uint32_t lcb = 0;
};

struct Fib {
  WordVersion version = WordVersion::kWord97;
  std::uint16_t n_fib = 0;
  std::uint16_t lid = 0;
  bool encrypted = false;
  bool obfuscated = false;
  bool complex = false;
  bool table_stream_1 = false;      // 1Table rather than 0Table
  std::uint16_t character_set = 0;  // Word 6/95: 256 for a Macintosh document
  std::uint32_t fc_min = 0, fc_mac = 0;
  // The stories follow one another in this order in the CP space.
  std::uint32_t ccp_text = 0, ccp_ftn = 0, ccp_hdd = 0, ccp_mcr = 0, ccp_atn = 0, ccp_edn = 0,
                ccp_txbx = 0, ccp_hdr_txbx = 0;
  FcLcb stshf, sttbf_ffn, plcffnd_ref, plcffnd_txt, plcf_sed, plcf_bte_chpx, plcf_bte_papx, clx;
  FcLcb plcfend_ref, plcfend_txt, plc_spa_mom, plcftxbx_txt, plf_lst, plf_lfo;

  std::uint32_t FootnoteStart() const { return ccp_text; }
  std::uint64_t EndnoteStart() const {
    return std::uint64_t{ccp_text} + ccp_ftn + ccp_hdd + ccp_mcr + ccp_atn;
  }
  std::uint64_t TextBoxStart() const { return EndnoteStart() + ccp_edn; }
  std::uint64_t TotalCps() const { return TextBoxStart() + ccp_txbx + ccp_hdr_txbx; }
};

// The magic numbers a WordDocument stream (or, for Word 2.0 and earlier,
// the whole file) starts with.
bool HasWordMagic(std::string_view bytes);
bool IsWord2OrEarlier(std::string_view bytes);

// False, with error set to a sentence, when the FIB is too short.
bool ParseFib(ByteReader stream, Fib& fib, std::string& error);

}  // namespace corvane::doc
