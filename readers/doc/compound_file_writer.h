// Test support: builds small, valid compound files in memory, so that tests
// of the container and of the formats inside it need no binary fixtures.
// Never linked into the product.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane::doc {

// A compound file whose root storage holds `streams` ({name, bytes}, names
// of up to 31 Latin-1 characters such as "\005SummaryInformation", no two
// equal ignoring case). Streams under 4096 bytes go to the mini stream, the
// others to regular sectors; enough FAT sectors for a DIFAT chain are fine.
// Version 3 (512-byte sectors) unless `major_version` is 4 (4096-byte
// sectors). The layout is fixed, so tests may patch it: the streams' data
// first in the order given, then the mini stream, the mini FAT, the
// directory (the root, then one entry per stream in the order given), the
// FAT and the DIFAT. Throws std::invalid_argument on a bad name.
std::string WriteCompoundFile(const std::vector<std::pair<std::string, std::string>>& streams,
                              unsigned major_version = 3);

// A "\005SummaryInformation" property set stream holding the code page
// (property 1) and the title (property 2, a VT_LPSTR). `title` is in that
// code page already (UTF-16LE for 1200); the terminating NUL is added.
std::string SummaryInformationStream(std::string_view title, std::uint16_t code_page);

}  // namespace corvane::doc
