#include "readers/docx/docx_fixture.h"

#include <zlib.h>

#include <stdexcept>

namespace corvane::docx::testing {
namespace {

void Put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

std::string RawDeflate(const std::string& data) {
  z_stream stream{};
  if (deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

}  // namespace

std::string BuildZip(const std::vector<ZipEntry>& entries) {
  std::string archive;
  std::string directory;
  for (const ZipEntry& entry : entries) {
    const std::string stored = entry.deflate ? RawDeflate(entry.data) : entry.data;
    const auto crc =
        static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()),
                                         static_cast<uInt>(entry.data.size())));
    const auto offset = static_cast<std::uint32_t>(archive.size());
    const std::uint32_t method = entry.deflate ? 8 : 0;
    auto common = [&](std::string& out) {
      Put16(out, 20);  // version needed
      Put16(out, entry.flags);
      Put16(out, method);
      Put16(out, 0);     // time
      Put16(out, 0x21);  // date: 1980-01-01
      Put32(out, crc);
      Put32(out, static_cast<std::uint32_t>(stored.size()));
      Put32(out, static_cast<std::uint32_t>(entry.data.size()));
      Put16(out, static_cast<std::uint32_t>(entry.name.size()));
      Put16(out, 0);  // extra
    };
    Put32(archive, 0x04034b50);
    common(archive);
    archive += entry.name;
    archive += stored;

    Put32(directory, 0x02014b50);
    Put16(directory, 20);  // version made by
    common(directory);
    Put16(directory, 0);  // comment
    Put16(directory, 0);  // disk
    Put16(directory, 0);  // internal attributes
    Put32(directory, 0);  // external attributes
    Put32(directory, offset);
    directory += entry.name;
  }
  const auto directory_offset = static_cast<std::uint32_t>(archive.size());
  archive += directory;
  Put32(archive, 0x06054b50);
  Put16(archive, 0);
  Put16(archive, 0);
  Put16(archive, static_cast<std::uint32_t>(entries.size()));
  Put16(archive, static_cast<std::uint32_t>(entries.size()));
  Put32(archive, static_cast<std::uint32_t>(directory.size()));
  Put32(archive, directory_offset);
  Put16(archive, 0);
  return archive;
}

const char* const kDocumentOpen =
    "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
    " xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\""
    " xmlns:wps=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\""
    " xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\""
    " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
    " xmlns:v=\"urn:schemas-microsoft-com:vml\""
    " xmlns:m=\"http://schemas.openxmlformats.org/officeDocument/2006/math\""
    " xmlns:x9=\"http://example.com/not-understood\">";

std::string BuildDocx(std::string_view body, std::vector<ZipEntry> extra) {
  std::vector<ZipEntry> entries;
  entries.push_back(
      {"[Content_Types].xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"rels\" ContentType=\"application/"
       "vnd.openxmlformats-package.relationships+xml\"/>"
       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
       "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
       "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
       "</Types>"});
  entries.push_back(
      {"_rels/.rels",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
       "2006/relationships/officeDocument\" Target=\"word/document.xml\"/>"
       "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/package/2006/"
       "relationships/metadata/core-properties\" Target=\"docProps/core.xml\"/>"
       "</Relationships>"});
  entries.push_back(
      {"word/_rels/document.xml.rels",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
       "2006/relationships/styles\" Target=\"styles.xml\"/>"
       "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
       "2006/relationships/numbering\" Target=\"numbering.xml\"/>"
       "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
       "2006/relationships/footnotes\" Target=\"/word/footnotes.xml\"/>"
       "<Relationship Id=\"rId4\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
       "2006/relationships/endnotes\" Target=\"../word/./endnotes.xml\"/>"
       "<Relationship Id=\"rId5\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
       "2006/relationships/hyperlink\" Target=\"http://example.com/\" TargetMode=\"External\"/>"
       "</Relationships>"});
  entries.push_back({"word/document.xml",
                     std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") + kDocumentOpen +
                         "<w:body>" + std::string(body) + "</w:body></w:document>"});
  for (ZipEntry& entry : extra) entries.push_back(std::move(entry));
  return BuildZip(entries);
}

}  // namespace corvane::docx::testing
