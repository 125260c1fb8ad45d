// A Word document dropped on the window goes through our converter library,
// registered for its class as an installer registers it, and comes out as
// the HTML the portable path makes of it.
#include "tests/converter/converter_test_support.h"
#include "tests/converter/docx_fixtures.h"
#include "tests/gui/main_form_fixture.h"

namespace corvane::gui_test {
namespace {

using converter_testing::PrivateLocalMachine;
using converter_testing::Registrations;

TEST_F(MainFormTest, ADroppedWordDocumentBecomesItsHtmlThroughOurConverter) {
  const PrivateLocalMachine machine;
  ASSERT_TRUE(machine.Ready());
  Registrations registry(HKEY_LOCAL_MACHINE);
  registry.Register("Word12", converter_testing::ProgramFolder() + "corvane-docx.cnv");
  registry.Describe("Word12", "Word 2007+ document", "docx");

  TempFolder folder;
  const std::string package = converter_testing::ZipPackage(
      converter_testing::WordDocumentParts("Dropped", converter_testing::SampleBody(20)),
      folder.Path() + "report.zip");
  const std::string document = folder.Write("report.docx", package);
  // The converter host is up already: the test program starts the
  // program's modules once, as the program does.
  PostDrop(Form().Handle(), {document});
  ASSERT_TRUE(PumpUntilDone());
  ExpectConsistentSights(0);
  EXPECT_EQ(Form().LastErrors(), 0);
  const std::string expected = converter_testing::PortableHtml(package);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(converter_testing::ReadAll(folder.Path() + "report.html"), expected);
}

}  // namespace
}  // namespace corvane::gui_test
