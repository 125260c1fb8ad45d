// The reader's entry points: the container, the workbook globals, then each
// worksheet's substream, collected and written in turn.
#include "readers/xls/xls_reader.h"

#include <optional>

#include "readers/doc/compound_file.h"
#include "readers/doc/summary_information.h"
#include "readers/rtf_writer.h"
#include "readers/xls/biff_records.h"
#include "readers/xls/sheet_cells.h"
#include "readers/xls/sheet_writer.h"
#include "readers/xls/workbook.h"

namespace corvane::xls {
namespace {

using doc::CompoundFile;

constexpr std::string_view kOlderFormat =
    "the spreadsheet is in an older format that cannot be converted";

readers::ReaderResult Failure(std::string reason) {
  readers::ReaderResult result;
  result.reason = std::move(reason);
  return result;
}

std::size_t OutputLimit(std::size_t input) { return 16 * input + (1u << 20); }

// What a stream's first record, a BOF, says ([MS-XLS] 2.4.21; the older
// BOFs differ in their type).
struct Bof {
  BiffVersion version = BiffVersion::k8;
  std::uint16_t substream = 0;  // 0x0005 globals, 0x0010 worksheet, 0x0100 BIFF4 workbook, ...
};

std::optional<Bof> ReadBof(std::string_view stream) {
  if (stream.size() < 8) return std::nullopt;
  const std::uint16_t type = U16(stream, 0);
  const std::uint16_t length = U16(stream, 2);
  if (length < 4 || length > 20 || stream.size() - 4 < length) return std::nullopt;
  const std::string_view data = stream.substr(4, length);
  Bof bof;
  bof.substream = U16(data, 2);
  switch (type) {
    case record::kBof2: bof.version = BiffVersion::k2; break;
    case record::kBof3: bof.version = BiffVersion::k3; break;
    case record::kBof4: bof.version = BiffVersion::k4; break;
    case record::kBof: {
      const std::uint16_t version = U16(data, 0);
      bof.version = version >= 0x0600 || (version != 0x0500 && length >= 16) ? BiffVersion::k8
                                                                             : BiffVersion::k5;
      break;
    }
    default: return std::nullopt;
  }
  return bof;
}

// The Workbook stream (BIFF8, or BIFF5 saved by Excel 97 and later) or the
// Book stream (BIFF5).
bool FindWorkbookStream(const CompoundFile& file, std::string& stream, std::string& error) {
  for (const std::string_view name : {"Workbook", "Book"}) {
    switch (file.ReadStream(name, stream, error)) {
      case CompoundFile::StreamStatus::kFound: return true;
      case CompoundFile::StreamStatus::kMissing: break;
      case CompoundFile::StreamStatus::kCorrupt:
        if (error.empty()) error = "the workbook's stream is broken";
        return false;
    }
  }
  error = "the file has no Workbook stream (it is not an Excel workbook)";
  return false;
}

// Reads one substream from `offset` to its EOF into `book` and, for a
// worksheet, `sheet`. A sentence in `error` when it cannot be read.
bool ReadSubstream(std::string_view stream, std::size_t offset, std::size_t& budget, Workbook& book,
                   SheetCells* sheet, std::string& error) {
  RecordCursor cursor(stream, offset, budget);
  Record record;
  bool first = true;
  while (cursor.Next(record)) {
    if (record.type == record::kEof) return true;
    // A BOF after the first starts an embedded substream (a chart on the
    // sheet); its cells are not the sheet's, so they are skipped to its EOF.
    if (!first && (record.type == record::kBof || record.type == record::kBof4 ||
                   record.type == record::kBof3 || record.type == record::kBof2)) {
      while (cursor.Next(record) && record.type != record::kEof) {
      }
      continue;
    }
    first = false;
    if (book.Apply(record, cursor)) {
      if (book.Encrypted()) return true;
      continue;
    }
    if (sheet != nullptr) sheet->Apply(record, cursor, book);
  }
  if (cursor.OverBudget()) {
    error = "the workbook's sheets overlap one another";
    return false;
  }
  if (cursor.CutShort()) {
    error = "the workbook is damaged: a record runs past the end of its stream";
    return false;
  }
  return true;  // the stream ended without its EOF: what it held stands
}

// A BIFF5/8 workbook: the globals, then the worksheets the BOUNDSHEET
// records list, each found by its offset.
bool WriteWorkbook(std::string_view stream, Workbook& book, readers::RtfWriter& writer,
                   std::size_t limit, std::string& error) {
  std::size_t budget = stream.size();
  if (!ReadSubstream(stream, 0, budget, book, nullptr, error)) return false;
  if (book.Encrypted()) {
    error = "the workbook is password-protected";
    return false;
  }
  // A copy: a BOUNDSHEET inside a sheet's substream adds to the book's list
  // while it is walked, and only the globals' list names the sheets.
  const std::vector<SheetEntry> sheets = book.Sheets();
  for (const SheetEntry& entry : sheets) {
    if (!entry.worksheet) continue;
    SheetCells sheet;
    if (entry.offset < stream.size()) {
      const std::optional<Bof> bof = ReadBof(stream.substr(entry.offset));
      if (bof && bof->substream == 0x0010 &&
          !ReadSubstream(stream, entry.offset, budget, book, &sheet, error)) {
        return false;
      }
    }
    if (!WriteSheet(entry.name, sheet, book, writer, limit)) {
      error = "the workbook expands beyond " + std::to_string(limit) + " bytes";
      return false;
    }
  }
  return true;
}

// A BIFF2-4 (or bare BIFF5) worksheet: globals and cells in one substream.
bool WriteSingleSheet(std::string_view stream, Workbook& book, readers::RtfWriter& writer,
                      std::size_t limit, std::string& error) {
  std::size_t budget = stream.size();
  SheetCells sheet;
  if (!ReadSubstream(stream, 0, budget, book, &sheet, error)) return false;
  if (book.Encrypted()) {
    error = "the workbook is password-protected";
    return false;
  }
  if (!WriteSheet("Sheet1", sheet, book, writer, limit)) {
    error = "the workbook expands beyond " + std::to_string(limit) + " bytes";
    return false;
  }
  return true;
}

}  // namespace

bool IsFormatCorrect(std::string_view bytes) {
  if (!doc::HasCompoundFileSignature(bytes)) {
    const std::optional<Bof> bof = ReadBof(bytes);
    return bof.has_value() && bof->version != BiffVersion::k8;
  }
  CompoundFile file;
  std::string error;
  return file.Open(bytes, error) && (file.HasStream("Workbook") || file.HasStream("Book"));
}

readers::ReaderResult Convert(std::string_view bytes, const readers::ReaderServices& services) {
  std::string container_stream;
  std::string title;
  std::string error;
  std::string_view stream = bytes;
  if (doc::HasCompoundFileSignature(bytes)) {
    CompoundFile file;
    if (!file.Open(bytes, error)) return Failure(error);
    if (!FindWorkbookStream(file, container_stream, error)) return Failure(error);
    stream = container_stream;
    std::string summary;
    if (file.ReadStream("\005SummaryInformation", summary, error) ==
        CompoundFile::StreamStatus::kFound) {
      title = doc::ReadSummaryTitle(summary, services.decoder);
    }
  }
  const std::optional<Bof> bof = ReadBof(stream);
  if (!bof)
    return Failure("the file is not an Excel workbook (it does not start with a BOF record)");

  Workbook book(bof->version, services.decoder);
  readers::RtfWriter writer(services.encoder);
  const std::size_t limit = OutputLimit(bytes.size());
  bool written = false;
  if (bof->substream == 0x0005 && bof->version >= BiffVersion::k5) {
    written = WriteWorkbook(stream, book, writer, limit, error);
  } else if (bof->substream == 0x0010) {
    written = WriteSingleSheet(stream, book, writer, limit, error);
  } else {
    error = kOlderFormat;  // BIFF4 workbooks, charts and macro sheets alone
  }
  if (!written) return Failure(error);

  readers::ReaderResult result;
  result.converted = true;
  result.rtf = readers::RtfDocumentStart(title, services.encoder);
  result.rtf += writer.Rtf();
  result.rtf += "}";
  return result;
}

}  // namespace corvane::xls
