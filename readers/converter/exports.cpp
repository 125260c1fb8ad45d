// The text converter interface for Word 2007+ documents (.docx, .docm): the
// exports a host loads by name. Each one is a frame that foreign code
// calls, so nothing may be thrown out of it (under this toolchain that ends
// the host's process), and none may show a window: hosts convert on worker
// threads and in previews. Nothing is kept between calls, since hosts load
// and unload the library as they please.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "os/ansi_encoder.h"
#include "readers/converter/converter_codes.h"
#include "readers/converter/converter_io.h"
#include "readers/docx/docx_reader.h"

using namespace corvane::docx_converter;

namespace {

// RegisterApp's answer: a size, then records {size, opcode, data}.
constexpr unsigned long kHostPassesAnsiNames = 0x8;
constexpr unsigned char kOpcodeDocfile = 0x02;
constexpr unsigned char kOpcodeCharset = 0x03;
constexpr unsigned char kNotADocfile = 0;

// GetReadNames: one entry per class, each list ending with an empty entry.
constexpr char kClassNames[] = "Word12\0MEWord12\0";
constexpr char kDescriptions[] = "Word 2007+ document\0Word 2007+ macro-enabled document\0";
constexpr char kExtensions[] = "docx\0docm\0";

template <std::size_t N>
constexpr std::string_view List(const char (&entries)[N]) {
  return {entries, N - 1};
}

// Runs one export's work; any exception becomes a code.
template <class Work>
LONG Guarded(Work work) {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  } catch (...) {
    return kInvalidData;
  }
}

LONG Convert(HANDLE file_name, void* storage, HANDLE buffer, OutputCallback output) {
  // The storage form is for documents inside compound files; ours are ZIPs.
  if (storage != nullptr || file_name == nullptr) return kInvalidDocument;
  if (buffer == nullptr || output == nullptr) return kInvalidData;
  std::string package;
  const Code read = ReadInputFile(ReadGlobalString(file_name), package);
  if (read != kOk) return read;
  corvane::docx::ReadResult result =
      corvane::docx::ConvertDocxToRtf(package, corvane::os::SystemAnsiEncoder());
  if (result.status != corvane::docx::ReadStatus::kOk) return CodeForReadStatus(result.status);
  package = std::string();  // the RTF may be large too: give back the input first
  return StreamToHost(result.rtf, static_cast<HGLOBAL>(buffer), output);
}

}  // namespace

// Exported under their plain names by corvane-docx.def.
extern "C" {

LONG WINAPI InitConverter32(HANDLE /*window*/, char* /*module_name*/) { return 1; }

void WINAPI UninitConverter() {}

// 1 for a Word package, 0 for anything else; the class is not written, as
// the interface allows.
LONG WINAPI IsFormatCorrect32(HANDLE file_name, HANDLE /*class_name*/) {
  return Guarded([&]() -> LONG {
    std::string package;
    const Code read = ReadInputFile(ReadGlobalString(file_name), package);
    if (read != kOk) return read;
    return corvane::docx::IsWordPackage(package) ? 1 : 0;
  });
}

LONG WINAPI ForeignToRtf32(HANDLE file_name, void* storage, HANDLE buffer, HANDLE /*class_name*/,
                           HANDLE /*subset*/, OutputCallback output) {
  return Guarded([&] { return Convert(file_name, storage, buffer, output); });
}

// Import only.
LONG WINAPI RtfToForeign32(HANDLE /*file_name*/, void* /*storage*/, HANDLE /*buffer*/,
                           HANDLE /*class_name*/, void* /*input*/) {
  return kWrongFileType;
}

HGLOBAL WINAPI RegisterApp(unsigned long flags, void* /*future*/) {
  const unsigned char charset = (flags & kHostPassesAnsiNames) != 0 ? ANSI_CHARSET : OEM_CHARSET;
  const unsigned char records[] = {3, kOpcodeDocfile, kNotADocfile, 3, kOpcodeCharset, charset};
  const short total = static_cast<short>(sizeof(short) + sizeof records);
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(total));
  if (block == nullptr) return nullptr;
  auto* bytes = static_cast<unsigned char*>(::GlobalLock(block));
  if (bytes == nullptr) {
    ::GlobalFree(block);
    return nullptr;
  }
  std::memcpy(bytes, &total, sizeof total);
  std::memcpy(bytes + sizeof total, records, sizeof records);
  ::GlobalUnlock(block);
  return block;
}

void WINAPI GetReadNames(HANDLE class_names, HANDLE descriptions, HANDLE extensions) {
  // The lists hold their own final zero; WriteGlobalBytes adds the second.
  WriteGlobalBytes(class_names, List(kClassNames));
  WriteGlobalBytes(descriptions, List(kDescriptions));
  WriteGlobalBytes(extensions, List(kExtensions));
}

// Copies the text for code into the caller's buffer of size bytes, cut to
// fit; answers the count of characters copied.
LONG WINAPI CchFetchLpszError(LONG code, char* text, LONG size) {
  if (text == nullptr || size <= 0) return 0;
  const char* message = ErrorText(code);
  const std::size_t length =
      std::min<std::size_t>(std::strlen(message), static_cast<std::size_t>(size) - 1);
  std::memcpy(text, message, length);
  text[length] = '\0';
  return static_cast<LONG>(length);
}

}  // extern "C"
