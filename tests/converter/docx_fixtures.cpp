#include "tests/converter/docx_fixtures.h"

#include <minizip/zip.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "engine/rtf2html.h"
#include "readers/docx/docx_reader.h"

namespace corvane::converter_testing {

PackageParts WordDocumentParts(const std::string& title, const std::string& body_xml,
                               bool macro_enabled) {
  const std::string main_type =
      macro_enabled
          ? "application/vnd.ms-word.document.macroEnabled.main+xml"
          : "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
  return {
      {"[Content_Types].xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"rels\" "
       "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
       "<Override PartName=\"/word/document.xml\" ContentType=\"" +
           main_type +
           "\"/>"
           "<Override PartName=\"/docProps/core.xml\" "
           "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
           "</Types>"},
      {"_rels/.rels",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
       "relationships/officeDocument\" Target=\"word/document.xml\"/>"
       "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/package/2006/"
       "relationships/metadata/core-properties\" Target=\"docProps/core.xml\"/>"
       "</Relationships>"},
      {"docProps/core.xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
       "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/"
       "core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>" +
           title + "</dc:title></cp:coreProperties>"},
      {"word/document.xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
       "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
       "<w:body>" +
           body_xml + "</w:body></w:document>"},
  };
}

std::string ZipPackage(const PackageParts& parts, const std::string& scratch_path) {
  zipFile zip = zipOpen(scratch_path.c_str(), APPEND_STATUS_CREATE);
  if (zip == nullptr) throw std::runtime_error("cannot create " + scratch_path);
  for (const auto& [name, content] : parts) {
    if (zipOpenNewFileInZip(zip, name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                            Z_DEFAULT_COMPRESSION) != ZIP_OK ||
        zipWriteInFileInZip(zip, content.data(), static_cast<unsigned>(content.size())) != ZIP_OK ||
        zipCloseFileInZip(zip) != ZIP_OK) {
      zipClose(zip, nullptr);
      throw std::runtime_error("cannot zip " + name);
    }
  }
  if (zipClose(zip, nullptr) != ZIP_OK) throw std::runtime_error("cannot close " + scratch_path);
  std::ifstream in(scratch_path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string PortableHtml(const std::string& package) {
  const docx::ReadResult result = docx::ConvertDocxToRtf(package, docx::Windows1252());
  if (result.status != docx::ReadStatus::kOk) return {};
  return RenderRtfAsHtml(result.rtf);
}

std::string CompoundFile(bool encrypted) {
  std::string bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  bytes.resize(1024, '\0');  // the header sector, then the first directory sector
  const std::string name = encrypted ? "EncryptionInfo" : "WordDocument";
  for (const char c : name) bytes += std::string{c, '\0'};
  bytes.resize(4096, '\0');
  return bytes;
}

std::string SampleBody(int paragraphs) {
  auto paragraph = [](const std::string& text) {
    return "<w:p><w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r></w:p>";
  };
  std::string body;
  for (int i = 1; i <= paragraphs; ++i) {
    body += paragraph("Paragraph " + std::to_string(i) +
                      ": caf\xC3\xA9 for \xE2\x82\xAC"
                      "5, \xCE\xA9 and {braces} \\ back");
  }
  body +=
      "<w:p><w:r><w:t>line</w:t><w:br/><w:t>next</w:t><w:tab/><w:t>tabbed</w:t></w:r></w:p>"
      "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>A1</w:t></w:r></w:p></w:tc>"
      "<w:tc><w:p><w:r><w:t>B1</w:t></w:r></w:p></w:tc></w:tr>"
      "<w:tr><w:tc><w:p><w:r><w:t>A2</w:t></w:r></w:p></w:tc>"
      "<w:tc><w:p><w:r><w:t>B2</w:t></w:r></w:p></w:tc></w:tr></w:tbl>" +
      paragraph("The end");
  return body;
}

}  // namespace corvane::converter_testing
