// Inputs that are not a readable document: each one failure with its
// reason, never a crash, a hang or a runaway allocation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readers/docx/docx_fixture.h"
#include "readers/docx/docx_reader.h"

namespace corvane::docx {
namespace {

using testing::BuildDocx;
using testing::BuildZip;
using testing::ZipEntry;

std::string Document(const std::string& body) {
  return std::string(testing::kDocumentOpen) + "<w:body>" + body + "</w:body></w:document>";
}

std::string WithDocument(const std::string& xml, bool deflate = true) {
  return BuildZip(
      {{"_rels/.rels",
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"r1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
        "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
       {"word/document.xml", xml, deflate}});
}

std::string Ole(bool encrypted) {
  std::string bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  bytes.resize(512, '\0');
  if (encrypted) bytes += std::string("E\0n\0c\0r\0y\0p\0t\0i\0o\0n\0I\0n\0f\0o\0", 28);
  bytes.resize(2048, '\0');
  return bytes;
}

std::string Truncated() {
  const std::string whole = BuildDocx("<w:p><w:r><w:t>text</w:t></w:r></w:p>");
  return whole.substr(0, whole.size() / 2);
}

// Stored, so the text can be damaged in place: the CRC no longer matches.
std::string DamagedEntry() {
  std::string package = WithDocument(Document("<w:p><w:r><w:t>abcdef</w:t></w:r></w:p>"), false);
  package[package.find("abcdef")] = 'X';
  return package;
}

std::string Bomb() {
  const std::string filler(8u << 20, ' ');
  return WithDocument(Document("<w:p><w:r><w:t>" + filler + "</w:t></w:r></w:p>"));
}

std::string Deep() {
  std::string body;
  for (int i = 0; i < 5000; ++i) body += "<w:sdt><w:sdtContent>";
  for (int i = 0; i < 5000; ++i) body += "</w:sdtContent></w:sdt>";
  return WithDocument(Document(body));
}

std::string EncryptedEntry() { return BuildZip({{"word/document.xml", Document(""), true, 1}}); }

struct BadInput {
  const char* name;
  std::string package;
  ReadStatus status;
  const char* message_has;
};

std::vector<BadInput> BadInputs() {
  return {
      {"NotAZip", "just some text, not a package", ReadStatus::kNotAPackage, "not a ZIP"},
      {"Empty", "", ReadStatus::kNotAPackage, "not a ZIP"},
      {"EncryptedDocument", Ole(true), ReadStatus::kPasswordProtected, "password"},
      {"OlderBinaryDocument", Ole(false), ReadStatus::kNotAPackage, "older binary"},
      {"EncryptedEntry", EncryptedEntry(), ReadStatus::kPasswordProtected, "encrypted"},
      {"TruncatedZip", Truncated(), ReadStatus::kCorrupt, "damaged"},
      {"DamagedEntry", DamagedEntry(), ReadStatus::kCorrupt, "word/document.xml"},
      {"BadXml", WithDocument(Document("<w:p><w:r></w:p>")), ReadStatus::kBadXml,
       "not well-formed"},
      {"Doctype",
       WithDocument("<!DOCTYPE w:document [<!ENTITY big \"expanded\">]>" +
                    Document("<w:p><w:r><w:t>&big;</w:t></w:r></w:p>")),
       ReadStatus::kBadXml, "document type"},
      {"ZipBomb", Bomb(), ReadStatus::kTooLarge, "ZIP bomb"},
      {"DeepNesting", Deep(), ReadStatus::kTooDeep, "deeper"},
      {"MainPartIsNotADocument",
       WithDocument("<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/"
                    "metadata/core-properties\"><cp:keywords>k</cp:keywords></cp:coreProperties>"),
       ReadStatus::kNoDocument, "word/document.xml is not one"},
      {"NoDocument", BuildZip({{"[Content_Types].xml", "<Types/>"}}), ReadStatus::kNoDocument,
       "no Word document body"},
  };
}

class BadInputTest : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputTest, FailsWithItsReason) {
  const ReadResult result = ConvertDocxToRtf(GetParam().package, Windows1252());
  EXPECT_EQ(result.status, GetParam().status) << result.message;
  EXPECT_NE(result.message.find(GetParam().message_has), std::string::npos) << result.message;
  EXPECT_TRUE(result.rtf.empty());
  EXPECT_FALSE(IsWordPackage(GetParam().package));
}

INSTANTIATE_TEST_SUITE_P(Docx, BadInputTest, ::testing::ValuesIn(BadInputs()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvane::docx
