#include "import/convert_document.h"

#include <vector>

#include "engine/rtf2html.h"
#include "import/document_types.h"
#include "import/file_io.h"
#include "import/import_test_support.h"
#include "os/os.h"

namespace corvane::import::testing {
namespace {

const std::string kRtf = "{\\rtf1 Hello\\par World}";

TEST(DocumentTypes, NamesExtensionsAndOutputs) {
  struct Case {
    const char* input;
    const char* extension;
    const char* output;
    const char* first_class;  // "" for the direct path, nullptr for unsupported
  };
  const bool windows = os::kPathSeparator == '\\';
  const Case cases[] = {
      {"C:\\Docs\\Report.DOC", ".DOC", "C:\\Docs\\Report.html", "Word97"},
      {"D:\\Ledger.old\\sheet.wk4", ".wk4", "D:\\Ledger.old\\sheet.html", "Lotus123"},
      {"notes.rtf.bak", ".bak", "notes.rtf.html", nullptr},
      {"letter.Rtf", ".Rtf", "letter.html", ""},
      {"archive.", ".", "archive.html", nullptr},
      {"table.XLW", ".XLW", "table.html", "MSBiff"},
      {"page.HTM", ".HTM", "page.html", "HTML"},
      {"x.docx", ".docx", "x.html", "Word12"},
      {"x.docm", ".docm", "x.html", "MEWord12"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(ExtensionOf(c.input), c.extension);
    EXPECT_EQ(DefaultOutputName(c.input), c.output);
    const DocumentType* type = FindDocumentType(ExtensionOf(c.input));
    if (c.first_class == nullptr) {
      EXPECT_EQ(type, nullptr);
    } else {
      ASSERT_NE(type, nullptr);
      EXPECT_EQ(type->converter_classes.empty() ? "" : type->converter_classes.front(),
                c.first_class);
    }
  }
  // A dot before the last path separator starts no extension.
  const std::string sep(1, os::kPathSeparator);
  const std::string no_extension = sep + "home" + sep + "dir.old" + sep + "README";
  EXPECT_EQ(ExtensionOf(no_extension), "");
  EXPECT_EQ(DefaultOutputName(no_extension), no_extension + "html");
  EXPECT_EQ(FindDocumentType(ExtensionOf(no_extension)), nullptr);
  // A drive colon or backslash after the dot ends no extension on Windows.
  EXPECT_EQ(ExtensionOf("C:\\dir.old\\README"), windows ? "" : ".old\\README");
  EXPECT_EQ(ExtensionOf("C:.x"), ".x");
  EXPECT_EQ(ExtensionOf("a.b:c"), windows ? "" : ".b:c");
}

TEST(DocumentTypes, ConverterChainsAreTriedInTheirOrder) {
  // The class names are registry keys of other vendors' converters: a typo
  // or a swapped order silently changes which converter runs.
  struct Case {
    const char* extension;
    std::vector<std::string_view> classes;
  };
  const Case cases[] = {
      {".doc", {"Word97", "MSWord8", "WordPerfect6x", "WrdPrfctDos", "LexiconDos", "MSWordWin2"}},
      {".wri", {"MSWinWrite.wpc"}},
      {".wpd", {"WordPerfect6x"}},
      {".pwd", {"MSPocketWord"}},
      {".pwi", {"MSInkWriter"}},
      {".html", {"HTML"}},
      {".htm", {"HTML"}},
      {".htx", {"HTML"}},
      {".otm", {"HTML"}},
      {".wk1", {"Lotus123"}},
      {".wk3", {"Lotus123"}},
      {".wk4", {"Lotus123"}},
      {".xls", {"MSBiff"}},
      {".xlw", {"MSBiff"}},
      {".mcw", {"MSWordMac"}},
      {".wps", {"MSWorksWin6", "WorksWin6", "MSWorksWin5", "WorksWin5", "MSWorksWin4"}},
      {".wpt", {"MSWorksWin5"}},
      {".docm", {"MEWord12"}},
      {".docx", {"Word12"}},
      {".rtf", {}},
  };
  std::size_t extensions = 0;
  for (const DocumentType& type : DocumentTypes()) extensions += type.extensions.size();
  EXPECT_EQ(extensions, std::size(cases));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.extension);
    const DocumentType* type = FindDocumentType(c.extension);
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(std::vector<std::string_view>(type->converter_classes.begin(),
                                            type->converter_classes.end()),
              c.classes);
  }
}

using ConvertDocumentFileTest = TempFolderTest;

TEST_F(ConvertDocumentFileTest, ConvertsRtfBesideTheSource) {
  struct Case {
    const char* name;
    std::string content;
    const char* output;
  };
  const Case cases[] = {
      {"Report.RTF", kRtf, "Report.html"},
      {"empty.rtf", "", "empty.html"},
      {"two.dots.rtf", kRtf, "two.dots.html"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string input = Write(c.name, c.content);
    EXPECT_TRUE(ConvertDocumentFile(input));
    EXPECT_EQ(Read(PathOf(c.output)), RenderRtfAsHtml(c.content));
  }
}

TEST_F(ConvertDocumentFileTest, ReplacesAnExistingOutputAndHonoursAGivenName) {
  const std::string input = Write("a.rtf", kRtf);
  Write("a.html", std::string(100000, 'x'));
  EXPECT_TRUE(ConvertDocumentFile(input));
  EXPECT_EQ(Read(PathOf("a.html")), RenderRtfAsHtml(kRtf));

  EXPECT_TRUE(ConvertDocumentFile(input, PathOf("elsewhere.txt")));
  EXPECT_EQ(Read(PathOf("elsewhere.txt")), RenderRtfAsHtml(kRtf));
}

TEST_F(ConvertDocumentFileTest, WritesTheFullTextOutputWhenAskedFor) {
  const std::string input = Write("cyrillic.rtf", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}");
  EXPECT_TRUE(ConvertDocumentFile(input, {}, HtmlOutput::kFullText));
  const std::string html = Read(PathOf("cyrillic.html"));
  EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_NE(html.find("<p>\u041f\u0440\u0438</p>"), std::string::npos) << html;
}

TEST_F(ConvertDocumentFileTest, UnsupportedNamesWriteNothing) {
  for (const char* name : {"notes.rtf.bak", "README", "page.txt", "sheet.xlsx"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(ConvertDocumentFile(Write(name, kRtf)));
  }
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(root_)) ++files;
  EXPECT_EQ(files, 4u);
}

TEST_F(ConvertDocumentFileTest, NoConverterMeansFalseAndNoFile) {
  // No converter class is registered for the test run.
  EXPECT_FALSE(ConvertDocumentFile(Write("letter.doc", "binary")));
  EXPECT_FALSE(std::filesystem::exists(root_ / "letter.html"));
}

TEST_F(ConvertDocumentFileTest, NeverOverwritesItsSource) {
  for (const char* name : {"page.html", "PAGE2.HTML", "Page3.Html"}) {
    SCOPED_TRACE(name);
    const std::string input = Write(name, kRtf);
    EXPECT_FALSE(ConvertDocumentFile(input));
    EXPECT_EQ(Read(input), kRtf);
  }
  const std::string rtf = Write("self.rtf", kRtf);
  EXPECT_FALSE(ConvertDocumentFile(rtf, rtf));
  EXPECT_EQ(Read(rtf), kRtf);
}

TEST_F(ConvertDocumentFileTest, MissingInputRaisesTheOpenErrorWithFullPath) {
  const std::string input = PathOf("missing.rtf");
  constexpr os::ErrorCode kFileNotFound = 2;  // ENOENT and ERROR_FILE_NOT_FOUND alike
  try {
    ConvertDocumentFile(input);
    FAIL() << "no error raised";
  } catch (const FileError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + os::FullPathName(input) + "\". " +
                                             os::SystemErrorText(kFileNotFound));
  }
  EXPECT_FALSE(std::filesystem::exists(root_ / "missing.html"));
}

TEST_F(ConvertDocumentFileTest, OutputThatCannotBeCreatedRaisesTheCreateError) {
  const std::string input = Write("a.rtf", kRtf);
  std::filesystem::create_directory(root_ / "a.html");  // a folder where the output goes
  try {
    ConvertDocumentFile(input);
    FAIL() << "no error raised";
  } catch (const FileError& error) {
    const std::string prefix =
        "Cannot create file \"" + os::FullPathName(PathOf("a.html")) + "\". ";
    EXPECT_EQ(std::string(error.what()).substr(0, prefix.size()), prefix);
    EXPECT_GT(std::string(error.what()).size(), prefix.size());
  }
  EXPECT_TRUE(std::filesystem::is_directory(root_ / "a.html"));
}

TEST_F(ConvertDocumentFileTest, AnInputThatCannotBeReadWritesNoOutput) {
  // A folder named like a document opens on some systems and then fails to
  // read; either way it must fail and leave the existing output alone.
  std::filesystem::create_directory(root_ / "odd.rtf");
  Write("odd.html", "previous");
  EXPECT_THROW(ConvertDocumentFile(PathOf("odd.rtf")), FileError);
  EXPECT_EQ(Read(PathOf("odd.html")), "previous");
}

// A run killed half way leaves its temporary output behind; the next run
// to write in that folder takes it away, and only it.
TEST_F(ConvertDocumentFileTest, AnEndedRunsLeftoverTemporaryGoesWithTheNextWriteThere) {
  // No process can have this id: above Linux's largest, and no Windows
  // process table reaches it.
  const std::string ended = "2147483644";
  const std::string running = std::to_string(os::CurrentProcessId());
  const struct {
    std::string name;
    bool folder;
    bool kept;
  } cases[] = {
      {".~corvane-" + ended + "-3.tmp", false, false},
      {".~corvane-" + ended + "-0.tmp", false, false},
      {".~corvane-" + running + "-999999.tmp", false, true},  // a write in progress here
      {".~corvane-" + ended + "-4.tmp", true, true},          // not a file of ours
      {".~corvane-" + ended + "-5.tmp.bak", false, true},
      {".~corvane-x-5.tmp", false, true},
      {".~corvane-" + ended + ".tmp", false, true},
      {"notes.tmp", false, true},
  };
  for (const auto& c : cases) {
    if (c.folder) {
      std::filesystem::create_directory(root_ / c.name);
    } else {
      Write(c.name, "partial");
    }
  }
  EXPECT_TRUE(ConvertDocumentFile(Write("a.rtf", kRtf)));
  for (const auto& c : cases) {
    EXPECT_EQ(std::filesystem::exists(root_ / c.name), c.kept) << c.name;
  }
}

}  // namespace
}  // namespace corvane::import::testing
