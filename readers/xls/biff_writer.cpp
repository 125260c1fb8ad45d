#include "readers/xls/biff_writer.h"

#include <bit>

#include "readers/doc/compound_file_writer.h"

namespace corvane::xls::fixtures {
namespace {

std::string CellHeader(std::uint16_t row, std::uint16_t column, std::uint16_t xf) {
  std::string out;
  Append16(out, row);
  Append16(out, column);
  Append16(out, xf);
  return out;
}

std::string Stream(std::string_view globals, const std::vector<Sheet>& sheets, bool biff8) {
  const auto bof = [biff8](std::uint16_t substream) {
    std::string body;
    Append16(body, biff8 ? 0x0600 : 0x0500);
    Append16(body, substream);
    Append16(body, 0x0DBB);
    Append16(body, 0x07CC);
    if (biff8) {
      Append32(body, 0);
      Append32(body, 0x0206);
    }
    return Record(0x0809, body);
  };
  std::string stream = bof(0x0005);
  stream += globals;
  std::vector<std::size_t> offset_positions;
  for (const Sheet& sheet : sheets) {
    std::string body(6, '\0');
    body[5] = static_cast<char>(sheet.type);
    body += static_cast<char>(sheet.name.size());
    if (biff8) body += '\0';
    body += sheet.name;
    offset_positions.push_back(stream.size() + 4);
    stream += Record(0x0085, body);
  }
  stream += Record(0x000A, "");
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    const auto offset = static_cast<std::uint32_t>(stream.size());
    for (int byte = 0; byte < 4; ++byte) {
      stream[offset_positions[i] + byte] = static_cast<char>((offset >> (8 * byte)) & 0xFF);
    }
    stream += bof(sheets[i].type == 2 ? 0x0020 : 0x0010);
    stream += sheets[i].records;
    stream += Record(0x000A, "");
  }
  return stream;
}

}  // namespace

void Append16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void Append32(std::string& out, std::uint32_t value) {
  Append16(out, value & 0xFFFF);
  Append16(out, value >> 16);
}

void AppendDouble(std::string& out, double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  Append32(out, static_cast<std::uint32_t>(bits));
  Append32(out, static_cast<std::uint32_t>(bits >> 32));
}

std::string Record(std::uint16_t type, std::string_view body) {
  std::string out;
  Append16(out, type);
  Append16(out, static_cast<std::uint32_t>(body.size()));
  out += body;
  return out;
}

std::string CompressedString(std::string_view latin1) {
  std::string out;
  Append16(out, static_cast<std::uint32_t>(latin1.size()));
  out += '\0';
  out += latin1;
  return out;
}

std::string WideString(std::u16string_view text) {
  std::string out;
  Append16(out, static_cast<std::uint32_t>(text.size()));
  out += '\1';
  for (const char16_t unit : text) Append16(out, unit);
  return out;
}

std::string NumberCell(std::uint16_t row, std::uint16_t column, double value, std::uint16_t xf) {
  std::string body = CellHeader(row, column, xf);
  AppendDouble(body, value);
  return Record(0x0203, body);
}

std::string RkCell(std::uint16_t row, std::uint16_t column, std::uint32_t rk, std::uint16_t xf) {
  std::string body = CellHeader(row, column, xf);
  Append32(body, rk);
  return Record(0x027E, body);
}

std::string LabelSstCell(std::uint16_t row, std::uint16_t column, std::uint32_t index) {
  std::string body = CellHeader(row, column, 0);
  Append32(body, index);
  return Record(0x00FD, body);
}

std::string Biff8LabelCell(std::uint16_t row, std::uint16_t column, std::string_view latin1) {
  return Record(0x0204, CellHeader(row, column, 0) + CompressedString(latin1));
}

std::string Biff5LabelCell(std::uint16_t row, std::uint16_t column, std::string_view bytes) {
  std::string body = CellHeader(row, column, 0);
  Append16(body, static_cast<std::uint32_t>(bytes.size()));
  body += bytes;
  return Record(0x0204, body);
}

std::string BoolErrCell(std::uint16_t row, std::uint16_t column, std::uint8_t value, bool error) {
  std::string body = CellHeader(row, column, 0);
  body += static_cast<char>(value);
  body += static_cast<char>(error ? 1 : 0);
  return Record(0x0205, body);
}

std::string FormulaCell(std::uint16_t row, std::uint16_t column, std::string_view result) {
  std::string body = CellHeader(row, column, 0);
  body += result;
  Append16(body, 0);  // flags
  Append32(body, 0);  // chn
  Append16(body, 3);  // the formula: one integer token
  body += '\x1E';
  Append16(body, 1);
  return Record(0x0006, body);
}

std::string FormulaNumber(double value) {
  std::string out;
  AppendDouble(out, value);
  return out;
}

std::string FormulaSpecial(std::uint8_t type, std::uint8_t value) {
  std::string out(8, '\0');
  out[0] = static_cast<char>(type);
  out[2] = static_cast<char>(value);
  out[6] = out[7] = '\xFF';
  return out;
}

std::string SstRecords(const std::vector<std::string>& parts) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) out += Record(i == 0 ? 0x00FC : 0x003C, parts[i]);
  return out;
}

std::string Sst(const std::vector<std::string>& latin1, std::uint32_t unique_count) {
  std::string body;
  Append32(body, static_cast<std::uint32_t>(latin1.size()));
  Append32(body, unique_count);
  for (const std::string& text : latin1) body += CompressedString(text);
  return Record(0x00FC, body);
}

std::string Biff8Xf(std::uint16_t format_id) {
  std::string body;
  Append16(body, 0);
  Append16(body, format_id);
  body.resize(20, '\0');
  return Record(0x00E0, body);
}

std::string Biff8Format(std::uint16_t format_id, std::string_view latin1) {
  std::string body;
  Append16(body, format_id);
  body += CompressedString(latin1);
  return Record(0x041E, body);
}

std::string Biff8Stream(std::string_view globals, const std::vector<Sheet>& sheets) {
  return Stream(globals, sheets, true);
}

std::string Biff5Stream(std::string_view globals, const std::vector<Sheet>& sheets) {
  return Stream(globals, sheets, false);
}

std::string WorkbookFile(const std::string& stream, std::string_view title,
                         std::string_view stream_name) {
  std::vector<std::pair<std::string, std::string>> streams = {{std::string(stream_name), stream}};
  if (!title.empty()) {
    streams.emplace_back("\005SummaryInformation", doc::SummaryInformationStream(title, 1252));
  }
  return doc::WriteCompoundFile(streams);
}

}  // namespace corvane::xls::fixtures
