// Our .docx converter library as hosts see it: loaded by file name, its
// exports found by their plain names, driven through global memory and a
// callback; then registered as Word12 and MEWord12 for our own host, in
// this process and in corvane-cli.exe. What it delivers must be what the
// portable path (reader in process, then the engine) makes of the file.
#include <cstring>

#include "converter_test_support.h"
#include "os/win32_ansi_encoder.h"
#include "readers/docx/docx_reader.h"
#include "tests/converter/docx_fixtures.h"

namespace corvane::converter_testing {
namespace {

using OutputCallback = LONG(WINAPI*)(LONG count, LONG percent);
using InitEntry = LONG(WINAPI*)(HANDLE window, char* module_name);
using IsFormatCorrectEntry = LONG(WINAPI*)(HANDLE file_name, HANDLE class_name);
using ForeignToRtfEntry = LONG(WINAPI*)(HANDLE file_name, void* storage, HANDLE buffer,
                                        HANDLE class_name, HANDLE subset, OutputCallback output);
using RtfToForeignEntry = LONG(WINAPI*)(HANDLE file_name, void* storage, HANDLE buffer,
                                        HANDLE class_name, void* input);
using RegisterAppEntry = HGLOBAL(WINAPI*)(unsigned long flags, void* future);
using GetReadNamesEntry = void(WINAPI*)(HANDLE class_names, HANDLE descriptions, HANDLE extensions);
using FetchErrorEntry = LONG(WINAPI*)(LONG code, char* text, LONG size);

std::string DocxConverter() { return ProgramFolder() + "corvane-docx.cnv"; }

// A global memory block owned by the test.
class Block {
 public:
  explicit Block(SIZE_T size, const std::string& content = {})
      : handle_(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size)) {
    if (!content.empty()) {
      std::memcpy(::GlobalLock(handle_), content.c_str(), content.size() + 1);
      ::GlobalUnlock(handle_);
    }
  }
  ~Block() { ::GlobalFree(handle_); }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  HGLOBAL Get() const { return handle_; }
  std::string Bytes() const {
    std::string bytes(static_cast<const char*>(::GlobalLock(handle_)), ::GlobalSize(handle_));
    ::GlobalUnlock(handle_);
    return bytes;
  }

 private:
  HGLOBAL handle_;
};

Block NameBlock(const std::string& name) { return Block(name.size() + 1, name); }

// The callback has no context argument: what it gathers lives here, for
// the thread that runs the conversion.
struct Gathering {
  HGLOBAL buffer = nullptr;
  std::string text;
  std::vector<LONG> counts;
  std::vector<LONG> percents;
  bool locked_during_callback = false;
  std::size_t stop_at_call = 0;  // answer non-zero at this call (1-based); 0 = never
};
thread_local Gathering* gathering = nullptr;

LONG WINAPI Gather(LONG count, LONG percent) {
  Gathering& g = *gathering;
  g.counts.push_back(count);
  g.percents.push_back(percent);
  if ((::GlobalFlags(g.buffer) & GMEM_LOCKCOUNT) != 0) g.locked_during_callback = true;
  const char* bytes = static_cast<const char*>(::GlobalLock(g.buffer));
  g.text.append(bytes, static_cast<std::size_t>(count));
  ::GlobalUnlock(g.buffer);
  return g.counts.size() == g.stop_at_call ? 1 : 0;
}

// The library loaded for one test, its exports looked up by plain name.
class LoadedConverter {
 public:
  LoadedConverter() : module_(::LoadLibraryA(DocxConverter().c_str())) {}
  ~LoadedConverter() {
    if (module_ != nullptr) ::FreeLibrary(module_);
  }
  LoadedConverter(const LoadedConverter&) = delete;
  LoadedConverter& operator=(const LoadedConverter&) = delete;
  bool Loaded() const { return module_ != nullptr; }

  template <class Entry>
  Entry Find(const char* name) const {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(::GetProcAddress(module_, name)));
  }

  // ForeignToRtf32 on file with an output buffer of buffer_size bytes.
  LONG Convert(const std::string& file, SIZE_T buffer_size, Gathering& g,
               void* storage = nullptr) const {
    const Block name = NameBlock(file);
    const Block empty_class(1);
    const Block empty_subset(1);
    const Block buffer(buffer_size);
    g.buffer = buffer.Get();
    gathering = &g;
    const LONG code = Find<ForeignToRtfEntry>("ForeignToRtf32")(
        name.Get(), storage, buffer.Get(), empty_class.Get(), empty_subset.Get(), Gather);
    gathering = nullptr;
    return code;
  }

  LONG IsFormatCorrect(const std::string& file) const {
    const Block name = NameBlock(file);
    const Block class_name(1);
    return Find<IsFormatCorrectEntry>("IsFormatCorrect32")(name.Get(), class_name.Get());
  }

 private:
  HMODULE module_;
};

class DocxConverterTest : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    // The portable path writes Windows-1252; the library writes the
    // locale's code page, which is that one in the test prefix.
    ASSERT_EQ(os::LocaleAnsiCodePage(), 1252u);
    ASSERT_TRUE(converter_.Loaded()) << DocxConverter();
  }

  // A package on disk; returns its path.
  std::string WriteDocx(const std::string& name, const std::string& title, const std::string& body,
                        bool macro_enabled = false) {
    const std::string package =
        ZipPackage(WordDocumentParts(title, body, macro_enabled), PathOf(name + ".zip"));
    return Write(name, package);
  }

  // A package whose deflated document part has been overwritten half way.
  std::string WriteCorruptDocx(const std::string& name) {
    std::string package = ReadAll(WriteDocx(name, "Broken", SampleBody(40)));
    const std::size_t part = package.find("word/document.xml");
    EXPECT_NE(part, std::string::npos);
    // Well inside the compressed bytes after the local header's name.
    for (std::size_t i = part + 40; i < part + 140 && i < package.size(); ++i) package[i] = '\xFF';
    return Write(name, package);
  }

  LoadedConverter converter_;
};

TEST_F(DocxConverterTest, ExportsAnswerTheInterfaceByTheirPlainNames) {
  for (const char* name :
       {"InitConverter32", "UninitConverter", "IsFormatCorrect32", "ForeignToRtf32",
        "RtfToForeign32", "RegisterApp", "GetReadNames", "CchFetchLpszError"}) {
    EXPECT_NE(converter_.Find<FARPROC>(name), nullptr) << name;
  }
  char module_name[] = "Belmorn";
  EXPECT_NE(converter_.Find<InitEntry>("InitConverter32")(nullptr, module_name), 0);
  EXPECT_NE(converter_.Find<InitEntry>("InitConverter32")(nullptr, nullptr), 0);
  const Block name = NameBlock(PathOf("out.docx"));
  EXPECT_LT(converter_.Find<RtfToForeignEntry>("RtfToForeign32")(name.Get(), nullptr, nullptr,
                                                                 nullptr, nullptr),
            0);

  // REGAPPRET: its size, then records {size, opcode, data} filling it exactly;
  // the file names' character set follows what the host says it passes.
  for (const auto& [flags, charset] :
       {std::pair{0x8ul, ANSI_CHARSET}, std::pair{0x0ul, OEM_CHARSET}}) {
    HGLOBAL answer = converter_.Find<RegisterAppEntry>("RegisterApp")(flags, nullptr);
    ASSERT_NE(answer, nullptr);
    const auto* bytes = static_cast<const unsigned char*>(::GlobalLock(answer));
    short total = 0;
    std::memcpy(&total, bytes, sizeof total);
    ASSERT_LE(static_cast<SIZE_T>(total), ::GlobalSize(answer));
    std::map<int, int> records;
    std::size_t at = sizeof total;
    while (at < static_cast<std::size_t>(total)) {
      ASSERT_GE(bytes[at], 3) << "record at " << at;
      records[bytes[at + 1]] = bytes[at + 2];
      at += bytes[at];
    }
    EXPECT_EQ(at, static_cast<std::size_t>(total));
    EXPECT_EQ(records[0x03], charset) << "flags " << flags;
    ::GlobalUnlock(answer);
    ::GlobalFree(answer);
  }

  // Blocks too small for the lists are grown.
  const Block classes(1), descriptions(1), extensions(1);
  converter_.Find<GetReadNamesEntry>("GetReadNames")(classes.Get(), descriptions.Get(),
                                                     extensions.Get());
  EXPECT_EQ(classes.Bytes().substr(0, 17), std::string("Word12\0MEWord12\0\0", 17));
  EXPECT_EQ(extensions.Bytes().substr(0, 11), std::string("docx\0docm\0\0", 11));
  EXPECT_NE(descriptions.Bytes().find(std::string("\0\0", 2)), std::string::npos);
  converter_.Find<GetReadNamesEntry>("GetReadNames")(nullptr, nullptr, nullptr);

  const auto fetch = converter_.Find<FetchErrorEntry>("CchFetchLpszError");
  char text[256];
  const LONG generic = fetch(-999, text, sizeof text);
  const std::string generic_text = text;
  for (LONG code : {-1, -2, -5, -8, -9, -11, -13, -14, -18}) {
    const LONG length = fetch(code, text, sizeof text);
    EXPECT_EQ(length, static_cast<LONG>(std::strlen(text))) << code;
    EXPECT_NE(text, generic_text) << code;
  }
  EXPECT_GT(generic, 0);
  char tiny[5] = "xxxx";
  EXPECT_EQ(fetch(-18, tiny, sizeof tiny), 4);
  EXPECT_EQ(tiny[4], '\0');
  EXPECT_EQ(fetch(-18, nullptr, 10), 0);
}

TEST_F(DocxConverterTest, DeliversTheReadersRtfInChunksOfAtMostTheBufferSize) {
  const std::string file = WriteDocx("sample.docx", "Sample", SampleBody(30));
  const docx::ReadResult expected = docx::ConvertDocxToRtf(ReadAll(file), docx::Windows1252());
  ASSERT_EQ(expected.status, docx::ReadStatus::kOk) << expected.message;
  ASSERT_GT(expected.rtf.size(), 2000u);
  for (SIZE_T size : {SIZE_T{1}, SIZE_T{7}, SIZE_T{4097}, SIZE_T{1} << 20}) {
    SCOPED_TRACE(size);
    Gathering g;
    ASSERT_EQ(converter_.Convert(file, size, g), 0);
    EXPECT_EQ(g.text, expected.rtf);
    EXPECT_FALSE(g.locked_during_callback);
    const Block probe(size);  // GlobalSize may round a request up
    const auto capacity = static_cast<LONG>(::GlobalSize(probe.Get()));
    for (LONG count : g.counts) {
      EXPECT_GT(count, 0);
      EXPECT_LE(count, capacity);
    }
    EXPECT_EQ(g.percents.back(), 100);
  }
}

TEST_F(DocxConverterTest, StopsAtTheFirstNonZeroAnswerOfTheCallback) {
  const std::string file = WriteDocx("sample.docx", "Sample", SampleBody(10));
  Gathering g;
  g.stop_at_call = 2;
  EXPECT_EQ(converter_.Convert(file, 16, g), -13);
  EXPECT_EQ(g.counts.size(), 2u);
}

TEST_F(DocxConverterTest, BadInputsFailWithTheirCodesAndDeliverNothing) {
  const std::string good = WriteDocx("good.docx", "Good", SampleBody(1));
  const struct {
    const char* what;
    std::string file;
    void* storage;
    LONG conversion;
    LONG recognised;
  } cases[] = {
      {"missing file", PathOf("missing.docx"), nullptr, -1, -1},
      {"password protected", Write("locked.docx", CompoundFile(true)), nullptr, -18, 0},
      {"older binary document", Write("old.docx", CompoundFile(false)), nullptr, -14, 0},
      {"corrupt package", WriteCorruptDocx("broken.docx"), nullptr, -5, 1},
      {"part not well-formed", WriteDocx("badxml.docx", "Bad", "<w:p><w:r><w:t>open</w:r></w:p>"),
       nullptr, -5, 1},
      {"plain text", Write("notes.docx", "just some text, no package"), nullptr, -14, 0},
      {"storage form", good, reinterpret_cast<void*>(1), -9, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Gathering g;
    EXPECT_EQ(converter_.Convert(c.file, 4097, g, c.storage), c.conversion);
    EXPECT_TRUE(g.counts.empty());
    EXPECT_EQ(converter_.IsFormatCorrect(c.file), c.recognised);
  }
}

// Hosts convert on worker threads, and not every host takes turns: two
// conversions at once each get their own document, whole.
TEST_F(DocxConverterTest, TwoThreadsConvertAtOnceEachGettingItsOwnDocument) {
  const std::string files[] = {WriteDocx("one.docx", "One", SampleBody(60)),
                               WriteDocx("two.docx", "Two", SampleBody(90))};
  std::string expected[2];
  for (int i = 0; i < 2; ++i) {
    expected[i] = docx::ConvertDocxToRtf(ReadAll(files[i]), docx::Windows1252()).rtf;
  }
  ASSERT_NE(expected[0], expected[1]);
  Gathering gathered[2];
  LONG codes[2] = {-1, -1};
  {
    std::vector<std::thread> threads;
    for (int i = 0; i < 2; ++i) {
      threads.emplace_back([&, i] { codes[i] = converter_.Convert(files[i], 5, gathered[i]); });
    }
    for (std::thread& thread : threads) thread.join();
  }
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(codes[i], 0) << i;
    EXPECT_EQ(gathered[i].text, expected[i]) << i;
  }
}

// Hosts of the interface's older convention pass names in the OEM code
// page: "café" arrives as "caf\x82" (437), which the ANSI page reads as
// another name.
TEST_F(DocxConverterTest, ANameThatIsNotFoundAsAnsiIsTriedAsOem) {
  ASSERT_EQ(::GetOEMCP(), 437u);
  const std::string package = ReadAll(WriteDocx("plain.docx", "Plain", SampleBody(2)));
  const std::filesystem::path cafe = root_ / std::filesystem::path(L"caf\u00E9.docx");
  std::ofstream(cafe, std::ios::binary) << package;
  // The host's bytes, joined as bytes: through std::filesystem::path (as
  // PathOf does) MinGW's libstdc++ reads the narrow "\x82" as U+0082 and
  // writes it back in UTF-8, so the converter would be handed C2 82, a
  // name that is no file in either code page.
  const std::string oem_name = root_.string() + "\\caf\x82.docx";
  Gathering g;
  EXPECT_EQ(converter_.Convert(oem_name, 4097, g), 0);
  EXPECT_FALSE(g.text.empty());
  EXPECT_EQ(converter_.IsFormatCorrect(oem_name), 1);
}

// The fallback bytes come from the code page without best fit: a character
// the page lacks gets none, rather than a look-alike.
TEST(LocaleAnsiEncoderTest, GivesExactFormsOnly) {
  const struct {
    UINT code_page;
    char32_t character;
    std::string bytes;
  } cases[] = {
      {1252, U'A', "A"},         {1252, U'\u00E9', "\xE9"}, {1252, U'\u20AC', "\x80"},
      {1252, U'\u0100', ""},  // best fit would say "A"
      {1252, U'\u03A9', ""},  // best fit would say "O"
      {1252, U'\U0001F600', ""}, {1251, U'\u0416', "\xC6"}, {932, U'\u3042', "\x82\xA0"},
      {932, U'\u00E9', ""},  // best fit would say "e"
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.code_page << " U+" << std::hex << static_cast<unsigned>(c.character));
    const os::CodePageAnsiEncoder encoder(c.code_page);
    unsigned char out[2] = {0, 0};
    const int length = encoder.Encode(c.character, out);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out), static_cast<std::size_t>(length)),
              c.bytes);
  }
}

// The converter under our host, registered as an installer would.
class DocxHostTest : public DocxConverterTest {
 protected:
  void SetUp() override {
    DocxConverterTest::SetUp();
    ASSERT_TRUE(machine_.Ready());
    import::StartConverterModule();
  }
  void TearDown() override {
    import::EndConverterModule(true);
    DocxConverterTest::TearDown();
  }

  PrivateLocalMachine machine_;
  Registrations registry_{HKEY_LOCAL_MACHINE};
};

TEST_F(DocxHostTest, RegisteredClassesConvertAsThePortablePathDoes) {
  registry_.Register("Word12", DocxConverter());
  const struct {
    const char* name;
    const char* converter_class;
    bool macro_enabled;
    int paragraphs;
  } files[] = {
      {"short.docx", "Word12", false, 1},
      // Many of the host's 4096-byte chunks.
      {"long.docx", "Word12", false, 400},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    const std::string input = WriteDocx(f.name, "Title of " + std::string(f.name),
                                        SampleBody(f.paragraphs), f.macro_enabled);
    const std::string output = PathOf(std::string(f.name) + ".html");
    ASSERT_TRUE(import::RunTextConverter(input, f.converter_class, output));
    const std::string expected = PortableHtml(ReadAll(input));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(ReadAll(output), expected);
  }
  // MEWord12 is not registered in this test: its class still answers false.
  const std::string macro = WriteDocx("macro.docm", "Macro", SampleBody(1), true);
  EXPECT_FALSE(import::RunTextConverter(macro, "MEWord12", PathOf("macro.html")));
  EXPECT_FALSE(Exists(PathOf("macro.html")));
}

}  // namespace
}  // namespace corvane::converter_testing
