// The dispatch chains end to end: ConvertDocumentFile through registered
// converters. Each class gets its own copy of the test converter, named
// after it, so the log tells which class ran and in what order.
#include "converter_test_support.h"
#include "import/convert_document.h"

namespace corvane::converter_testing {
namespace {

using import::ConvertDocumentFile;

const std::vector<std::string> kDocClasses = {"Word97",      "MSWord8",    "WordPerfect6x",
                                              "WrdPrfctDos", "LexiconDos", "MSWordWin2"};
const std::vector<std::string> kWpsClasses = {"MSWorksWin6", "WorksWin6", "MSWorksWin5",
                                              "WorksWin5", "MSWorksWin4"};

class ChainTest : public ConverterTest {
 protected:
  void RegisterAll(const std::vector<std::string>& classes) {
    for (const std::string& c : classes) registry_.Register(c, ConverterNamed(c));
  }
  std::vector<std::string> LibrariesRun() {
    std::vector<std::string> libraries;
    for (const LogEvent& e : Entries(Log())) libraries.push_back(e["library"]);
    return libraries;
  }
};

TEST_F(ChainTest, ADocGoesThroughTheOneRegisteredClassOfItsChain) {
  registry_.Register("MSWord8", ConverterNamed("MSWord8"));
  const Script script{.document = "{\\rtf1 Through MSWord8}"};
  const std::string input = WriteScripted("Report.DOC", script);
  ASSERT_TRUE(ConvertDocumentFile(input));
  EXPECT_EQ(ReadAll(PathOf("Report.html")), FramedDocument(script.document));
  EXPECT_EQ(LibrariesRun(), std::vector<std::string>{"MSWord8"});
}

TEST_F(ChainTest, ADocWithNoneOfItsClassesRegisteredIsNotConverted) {
  // Classes of other rows do not stand in.
  RegisterAll({"MSWinWrite.wpc", "MSWorksWin5", "Word12"});
  const std::string input = WriteScripted("Report.doc", {});
  EXPECT_FALSE(ConvertDocumentFile(input));
  EXPECT_FALSE(Exists(PathOf("Report.html")));
  EXPECT_TRUE(Log().empty());
}

TEST_F(ChainTest, ChainsTryTheirClassesInOrderUntilOneConverts) {
  const struct {
    const char* name;
    std::string file;
    const std::vector<std::string>& classes;
    std::map<std::string, std::string> codes;  // per library; the others fail with 1
    std::vector<std::string> expected_run;
    bool converts;
  } cases[] = {
      {"a .wps that no class converts", "Sheet.wps", kWpsClasses, {}, kWpsClasses, false},
      {"a .wps that the fourth class converts",
       "Sheet.wps",
       kWpsClasses,
       {{"first@WorksWin5", "0"}},
       {"MSWorksWin6", "WorksWin6", "MSWorksWin5", "WorksWin5"},
       true},
      {"a .doc that the last class converts",
       "Memo.doc",
       kDocClasses,
       {{"first@MSWordWin2", "0"}},
       kDocClasses,
       true},
  };
  RegisterAll(kDocClasses);
  RegisterAll(kWpsClasses);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ::DeleteFileA(log_.c_str());
    Script script{.first = "1", .more = c.codes};
    const std::string input = WriteScripted(c.file, script);
    const std::string output = PathOf(c.file.substr(0, c.file.find('.')) + ".html");
    EXPECT_EQ(ConvertDocumentFile(input), c.converts);
    EXPECT_EQ(Exists(output), c.converts);
    EXPECT_EQ(LibrariesRun(), c.expected_run);
  }
}

TEST_F(ChainTest, ABadRegistrationEndsTheChainWithItsError) {
  registry_.Set("Word97", REG_DWORD, std::string("\x07\x00\x00\x00", 4));
  registry_.Register("MSWord8", ConverterNamed("MSWord8"));
  const std::string input = WriteScripted("Report.doc", {});
  EXPECT_THROW(ConvertDocumentFile(input), import::ConverterRegistrationError);
  EXPECT_TRUE(Log().empty());
  EXPECT_FALSE(Exists(PathOf("Report.html")));
}

}  // namespace
}  // namespace corvane::converter_testing
