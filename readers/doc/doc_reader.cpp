// The reader's entry points: the container, the FIB and the tables the text
// needs, read in the order they depend on one another, then the text.
#include "readers/doc/doc_reader.h"

#include <functional>

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

// The code page a run's 8-bit text was typed in, by stream offset: in Word
// 6/95 its font's character set, which the text's bytes were typed in; else
// its language. Word 97 text keeps to its language only: Word writes Western
// text in a Cyrillic set's font as 1252 too. 0 when the run tells neither.
// The run last found is tried first, as the offsets mostly ascend.
std::function<unsigned(std::uint64_t)> RunCodePage(const PropertyRuns<CharacterProperties>& runs,
                                                   const FontTable& fonts, bool word6) {
  using Run = PropertyRuns<CharacterProperties>::Run;
  return [&runs, &fonts, word6,
          last = static_cast<const Run*>(nullptr)](std::uint64_t fc) mutable -> unsigned {
    if (last == nullptr || fc < last->fc_start || fc >= last->fc_end) last = runs.RunAt(fc);
    if (last == nullptr) return 0;
    const Font* font = fonts.Of(last->properties.font);
    if (word6 && font != nullptr && font->code_page != 0) return font->code_page;
    return last->properties.lid != 0 ? CodePageOfLanguage(last->properties.lid) : 0;
  };
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
    const std::string_view name = model.fib.table_stream_1 ? "1Table" : "0Table";
    if (!file.HasStream(name) && !model.fib.complex) {
      // The text of a file saved whole is one run from fcMin: it reads
      // without the piece table, and without the table stream's formatting.
      model.fib.clx = FcLcb{};
      table = ByteReader();
    } else {
      if (!ReadStream(file, name, "table stream", table_bytes, error)) return Failure(error);
      table = ByteReader(table_bytes);
    }
  }
  std::string summary;
  std::string title;
  unsigned summary_code_page = 0;
  if (file.ReadStream(kSummaryInformation, summary, error) == CompoundFile::StreamStatus::kFound) {
    title = ReadSummaryTitle(summary, services.decoder);
    summary_code_page = ReadSummaryCodePage(summary);
  }
  const ByteReader word_reader(word);
  if (!model.text.Read(model.fib, word_reader, table, services.decoder, summary_code_page, error)) {
    return Failure(error);
  }
  // Past the text, a damaged table costs the formatting it holds, never words.
  StyleSheet styles;
  styles.Read(model.fib, table);
  model.lists.Read(model.fib, table);
  model.fonts.Read(model.fib, table);
  ReadParagraphRuns(model.fib, word_reader, table, styles, model.paragraphs);
  ReadCharacterRuns(model.fib, word_reader, table, model.characters);
  model.text.DecodeByRunCodePage(
      word_reader, services.decoder,
      RunCodePage(model.characters, model.fonts, model.fib.version != WordVersion::kWord97));
  model.stories.Read(model.fib, table, model.text.Size());

  const std::size_t limit = OutputLimit(bytes.size());
  std::string body;
  DocTextWalker walker(model, services.encoder, limit);
  if (!walker.Write(body)) {
    return Failure("the document expands beyond " + std::to_string(limit) + " bytes of RTF");
  }
  readers::ReaderResult result;
  result.converted = true;
  result.rtf = readers::RtfDocumentStart(title, services.encoder);
  result.rtf += body;
  result.rtf += "}";
  return result;
}

}  // namespace corvane::doc
