// The reader's entry points: the package's structure, then the parts that
// make the document (lists, notes, body, title) in the order they are needed.
#include "readers/docx/docx_reader.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "readers/docx/body_walker.h"
#include "readers/docx/list_styles.h"
#include "readers/docx/package_parts.h"
#include "readers/docx/zip_package.h"

namespace corvane::docx {
namespace {

constexpr std::string_view kOleMagic = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
// "EncryptionInfo" as an OLE directory stores stream names: UTF-16LE.
constexpr std::string_view kEncryptionInfo{"E\0n\0c\0r\0y\0p\0t\0i\0o\0n\0I\0n\0f\0o\0", 28};

constexpr std::string_view kMainContentTypes[] = {
    "wordprocessingml.document.main+xml", "ms-word.document.macroEnabled.main+xml",
    "wordprocessingml.template.main+xml", "ms-word.template.macroEnabledTemplate.main+xml"};

ReadResult Failure(ReadStatus status, std::string message) {
  ReadResult result;
  result.status = status;
  result.message = std::move(message);
  return result;
}

ReadResult Failure(const PackageError& error) { return Failure(error.status, error.message); }

// Opens the package, or says why the bytes are not one.
PackageError OpenPackage(std::string_view bytes, ZipPackage& package) {
  if (bytes.substr(0, kOleMagic.size()) == kOleMagic) {
    if (bytes.find(kEncryptionInfo) != std::string_view::npos) {
      return {ReadStatus::kPasswordProtected,
              "The document is protected by a password (it is encrypted); open it in Word, "
              "remove the password and convert it again."};
    }
    return {ReadStatus::kNotAPackage,
            "The file is an older binary document (an OLE compound file), not a Word 2007 or "
            "later package."};
  }
  PackageError error = package.Open(bytes);
  if (error.Failed() && bytes.substr(0, 2) != "PK") {
    return {ReadStatus::kNotAPackage,
            "The file is not a Word 2007 or later document: it is not a ZIP package."};
  }
  return error;
}

// Styles and numbering, which say which paragraphs are list items.
PackageError ReadLists(ZipPackage& package, const std::vector<Relationship>& parts,
                       ListStyles& lists) {
  // Styles tell headings as well as numbering, so they are read without it.
  const std::string styles = FindTarget(parts, "styles");
  if (!styles.empty() && package.Contains(styles)) {
    if (PackageError error = ParsePart(package, styles, lists.StylesHandler()); error.Failed())
      return error;
  }
  const std::string numbering = FindTarget(parts, "numbering");
  if (numbering.empty() || !package.Contains(numbering)) return {};
  return ParsePart(package, numbering, lists.NumberingHandler());
}

// A part the body can do without is passed over when it cannot be read, as
// if absent; only one refused for its size still fails: it is a ZIP bomb.
bool Fatal(const PackageError& error) { return error.status == ReadStatus::kTooLarge; }

}  // namespace

bool IsWordPackage(std::string_view bytes) {
  ZipPackage package;
  if (OpenPackage(bytes, package).Failed()) return false;
  std::string types;
  if (!package.Contains("[Content_Types].xml") ||
      package.ReadWhole("[Content_Types].xml", types).Failed()) {
    return false;
  }
  for (const std::string_view type : kMainContentTypes) {
    if (types.find(type) != std::string::npos) return true;
  }
  return false;
}

ReadResult ConvertDocxToRtf(std::string_view bytes, const AnsiEncoder& encoder) {
  ZipPackage package;
  if (const PackageError error = OpenPackage(bytes, package); error.Failed()) return Failure(error);

  std::vector<Relationship> relationships;
  if (const PackageError error = ReadRelationships(package, "", relationships); error.Failed())
    return Failure(error);
  std::string main = FindTarget(relationships, "officeDocument");
  if (main.empty() || !package.Contains(main)) main = "word/document.xml";
  if (!package.Contains(main)) {
    return Failure(ReadStatus::kNoDocument,
                   "The package holds no Word document body (no main document part).");
  }
  std::string core = FindTarget(relationships, "core-properties");
  if (core.empty()) core = "docProps/core.xml";

  std::vector<Relationship> parts;
  if (const PackageError error = ReadRelationships(package, main, parts); error.Failed())
    return Failure(error);

  // Parts a writer names but left out are passed over, as Word does.
  std::optional<ListStyles> lists(std::in_place);
  if (const PackageError error = ReadLists(package, parts, *lists); error.Failed()) {
    if (Fatal(error)) return Failure(error);
    lists.emplace();  // what was read of a broken part is not trusted
  }

  NoteTexts notes;
  const std::pair<const char*, BodyWalker::Part> note_parts[] = {
      {"footnotes", BodyWalker::Part::kFootnotes}, {"endnotes", BodyWalker::Part::kEndnotes}};
  for (const auto& [kind, part_kind] : note_parts) {
    const std::string part = FindTarget(parts, kind);
    if (part.empty() || !package.Contains(part)) continue;
    BodyWalker walker(part_kind, *lists, encoder);
    if (const PackageError error = ParsePart(package, part, walker); error.Failed()) {
      if (Fatal(error)) return Failure(error);
      continue;
    }
    notes.merge(walker.Notes());
  }

  BodyWalker body(BodyWalker::Part::kDocument, *lists, encoder);
  body.SetRelationships(parts);
  if (const PackageError error = ParsePart(package, main, body); error.Failed())
    return Failure(error);
  if (!body.IsDocumentBody()) {
    return Failure(
        ReadStatus::kNoDocument,
        "The package holds no Word document body (its main part " + main + " is not one).");
  }

  std::string title;
  if (package.Contains(core)) {
    if (const PackageError error = ReadTitle(package, core, title); error.Failed()) {
      if (Fatal(error)) return Failure(error);
      title.clear();
    }
  }

  // Each part is written about once, so the RTF stays within a small
  // multiple of what was read; beyond it a document is refused, not built.
  const std::uint64_t max_rtf =
      16 * std::max<std::uint64_t>(bytes.size(), package.TotalRead()) + (1u << 20);
  const auto expands = [max_rtf](std::uint64_t size) { return size > max_rtf; };
  const auto too_large = [max_rtf] {
    return Failure(ReadStatus::kTooLarge, "The document expands beyond " + std::to_string(max_rtf) +
                                              " bytes when converted; it is refused.");
  };

  ReadResult result;
  result.rtf = RtfDocumentStart(title, encoder);
  result.rtf += body.TakeRtf();
  if (expands(result.rtf.size())) return too_large();
  if (!body.References().empty()) {
    // The notes as a numbered list of their own, set off by a rule so that
    // no list of the body runs on into them.
    RtfWriter tail(encoder);
    tail.PageBreak();
    for (const NoteKey& reference : body.References()) {
      tail.NumberedItem();
      const auto found = notes.find(reference);
      if (found != notes.end()) tail.Splice(found->second.rtf, found->second.has_text);
      if (expands(result.rtf.size() + tail.Rtf().size())) return too_large();
      tail.EndParagraph();
    }
    result.rtf += tail.Rtf();
  }
  result.rtf += "}";
  return result;
}

bool IsFormatCorrect(std::string_view bytes) { return IsWordPackage(bytes); }

readers::ReaderResult Convert(std::string_view bytes, const readers::ReaderServices& services) {
  ReadResult read = ConvertDocxToRtf(bytes, services.encoder);
  readers::ReaderResult result;
  result.converted = read.status == ReadStatus::kOk;
  if (result.converted) {
    result.rtf = std::move(read.rtf);
  } else {
    result.reason = std::move(read.message);
  }
  return result;
}

}  // namespace corvane::docx
