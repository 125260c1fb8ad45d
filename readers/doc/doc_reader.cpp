// The reader's entry points: the container, the FIB and the tables the text
// needs, read in the order they depend on one another, then the text.
#include "readers/doc/doc_reader.h"

#include "readers/doc/compound_file.h"
#include "readers/doc/doc_text_walker.h"
#include "readers/doc/style_sheet.h"
#include "readers/doc/summary_information.h"

namespace corvane::doc {
namespace {

constexpr std::string_view kWordDocument = "WordDocument";
constexpr std::string_view kSummaryInformation = "\005SummaryInformation";

readers::ReaderResult Failure(std::string reason) {
  readers::ReaderResult result;
  result.reason = std::move(reason);
  return result;
}

// The code page property (1) of a summary information stream ([MS-OLEPS]
// 2.21), or 0. Word 6/95 text is in the ANSI page the document was saved
// in, which the summary records more surely than the FIB's language.
unsigned SummaryCodePage(std::string_view stream) {
  const ByteReader bytes(stream);
  const std::uint64_t section = bytes.U32(44);
  const std::uint32_t count = bytes.U32(section + 4);
  for (std::uint32_t i = 0; i < count && bytes.Has(section + 8 + 8ull * i, 8); ++i) {
    if (bytes.U32(section + 8 + 8ull * i) != 1) continue;
    const std::uint64_t value = section + bytes.U32(section + 12 + 8ull * i);
    return bytes.U16(value) == 2 ? bytes.U16(value + 4) : 0;  // VT_I2
  }
  return 0;
}

std::size_t OutputLimit(std::size_t input) { return 16 * input + (1u << 20); }

// Reads a stream of the root storage; false with a sentence when it is
// missing (named by what) or its chain is broken.
bool ReadStream(const CompoundFile& file, std::string_view name, std::string_view what,
                std::string& out, std::string& error) {
  switch (file.ReadStream(name, out, error)) {
    case CompoundFile::StreamStatus::kFound: return true;
    case CompoundFile::StreamStatus::kMissing:
      error = "the document has no " + std::string(what);
      return false;
    case CompoundFile::StreamStatus::kCorrupt:
      if (error.empty()) error = "the document's " + std::string(what) + " is broken";
      return false;
  }
  return false;
}

}  // namespace

bool IsFormatCorrect(std::string_view bytes) {
  if (IsWord2OrEarlier(bytes)) return true;
  if (!HasCompoundFileSignature(bytes)) return false;
  CompoundFile file;
  std::string error;
  std::string word;
  if (!file.Open(bytes, error) || !file.HasStream(kWordDocument) ||
      file.ReadStream(kWordDocument, word, error) != CompoundFile::StreamStatus::kFound) {
    return false;
  }
  return HasWordMagic(word);
}

readers::ReaderResult Convert(std::string_view bytes, const readers::ReaderServices& services) {
  if (IsWord2OrEarlier(bytes)) {
    return Failure(
        "the document is in an older Word format (Word for Windows 2.0 or earlier), which "
        "cannot be converted");
  }
  if (!HasCompoundFileSignature(bytes)) return Failure("the file is not a Word document");
  CompoundFile file;
  std::string error;
  if (!file.Open(bytes, error)) return Failure(error);
  std::string word;
  if (!ReadStream(file, kWordDocument, "WordDocument stream (it is not a Word document)", word,
                  error)) {
    return Failure(error);
  }
  if (!HasWordMagic(word)) {
    return Failure("the document's WordDocument stream does not start as a Word document does");
  }
  DocumentModel model;
  if (!ParseFib(ByteReader(word), model.fib, error)) return Failure(error);
  if (model.fib.version == WordVersion::kWord2OrEarlier) {
    return Failure("the document is in an older Word format, which cannot be converted");
  }
  if (model.fib.encrypted || model.fib.obfuscated) {
    return Failure("the document is password-protected");
  }
  std::string table_bytes;
  ByteReader table(word);
  if (model.fib.version == WordVersion::kWord97) {
    if (!ReadStream(file, model.fib.table_stream_1 ? "1Table" : "0Table", "table stream",
                    table_bytes, error)) {
      return Failure(error);
    }
    table = ByteReader(table_bytes);
  }
  std::string summary;
  std::string title;
  if (file.ReadStream(kSummaryInformation, summary, error) == CompoundFile::StreamStatus::kFound) {
    title = ReadSummaryTitle(summary, services.decoder);
  }
  const unsigned summary_code_page = SummaryCodePage(summary);
  const ByteReader word_reader(word);
  if (!model.text.Read(model.fib, word_reader, table, services.decoder, summary_code_page, error)) {
    return Failure(error);
  }
  StyleSheet styles;
  styles.Read(model.fib, table);
  model.lists.Read(model.fib, table);
  if (!ReadParagraphRuns(model.fib, word_reader, table, styles, model.paragraphs, error) ||
      !ReadCharacterRuns(model.fib, word_reader, table, model.characters, error)) {
    return Failure(error);
  }
  model.stories.Read(model.fib, table, model.text.Size());

  const std::size_t limit = OutputLimit(bytes.size());
  std::string body;
  DocTextWalker walker(model, services.encoder, limit);
  if (!walker.Write(body)) {
    return Failure("the document expands beyond " + std::to_string(limit) + " bytes of RTF");
  }
  readers::ReaderResult result;
  result.converted = true;
  result.rtf = "{\\rtf1\\ansi\\uc1";
  if (!title.empty()) {
    result.rtf += "{\\info{\\title " + readers::RtfTitleText(title, services.encoder) + "}}";
  }
  result.rtf += "\r\n";
  result.rtf += body;
  result.rtf += "}";
  return result;
}

}  // namespace corvane::doc
