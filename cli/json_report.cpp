#include "cli/json_report.h"

namespace corvane::cli {
namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendEscape(std::string& out, unsigned code) {
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(code >> shift) & 0xF];
}

// The length of the valid UTF-8 sequence at the start of bytes, 0 if none.
std::size_t Utf8SequenceLength(std::string_view bytes) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned lead = byte(0);
  std::size_t length;
  unsigned low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (bytes.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

std::string Number(std::int64_t value) { return value < 0 ? "null" : std::to_string(value); }

}  // namespace

std::string JsonString(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + 2);
  out += '"';
  for (std::size_t i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c < 0x20 || c == 0x7F) {
      AppendEscape(out, c);
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else if (const std::size_t length = Utf8SequenceLength(bytes.substr(i)); length > 0) {
      out.append(bytes.substr(i, length));
      i += length;
    } else {
      AppendEscape(out, 0xDC00 + c);
      ++i;
    }
  }
  out += '"';
  return out;
}

std::string FileRecordLine(const FileRecord& record) {
  std::string line = "{\"input\":" + JsonString(record.input);
  line += ",\"output\":" + (record.output.empty() ? "null" : JsonString(record.output));
  line += record.converted ? ",\"status\":\"converted\"" : ",\"status\":\"failed\"";
  line += ",\"reason\":" + (record.converted ? "null" : JsonString(record.reason));
  line += ",\"bytes_in\":" + Number(record.bytes_in);
  line += ",\"bytes_out\":" + Number(record.bytes_out);
  line += ",\"milliseconds\":" + std::to_string(record.milliseconds);
  line += "}\n";
  return line;
}

std::string SummaryLine(const SummaryRecord& summary) {
  return "{\"summary\":true,\"files\":" + std::to_string(summary.converted + summary.failed) +
         ",\"converted\":" + std::to_string(summary.converted) +
         ",\"failed\":" + std::to_string(summary.failed) +
         ",\"interrupted\":" + (summary.interrupted ? "true" : "false") +
         ",\"milliseconds\":" + std::to_string(summary.milliseconds) + "}\n";
}

}  // namespace corvane::cli
