// Each construct of a Word body, checked on the RTF the reader writes and
// on the HTML our engine makes of it.
#include "readers/docx/docx_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "engine/rtf2html.h"
#include "os/code_pages.h"
#include "readers/docx/docx_fixture.h"

namespace corvane::docx {
namespace {

using testing::BuildDocx;
using testing::BuildZip;
using testing::ZipEntry;

std::string P(const std::string& text) { return "<w:p><w:r><w:t>" + text + "</w:t></w:r></w:p>"; }
std::string R(const std::string& text) {
  return "<w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r>";
}

// The HTML body (between <body> and </body>), line ends as \n.
std::string HtmlBody(const std::string& rtf) {
  const std::string html = RenderRtfAsHtml(rtf);
  const std::size_t start = html.find("<body>") + 6;
  const std::size_t end = html.rfind("\r\n</body>");
  std::string body = html.substr(start, end - start);
  std::string out;
  for (const char c : body) {
    if (c != '\r') out += c;
  }
  return out;
}

std::string HtmlTitle(const std::string& rtf) {
  const std::string html = RenderRtfAsHtml(rtf);
  const std::size_t start = html.find("<title>") + 7;
  return html.substr(start, html.find("</title>") - start);
}

ReadResult Convert(const std::string& package) {
  ReadResult result = ConvertDocxToRtf(package, Windows1252());
  EXPECT_EQ(result.status, ReadStatus::kOk) << result.message;
  return result;
}

const char* const kNumbering =
    "<w:numbering xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:abstractNum w:abstractNumId=\"1\"><w:lvl w:ilvl=\"0\"><w:numFmt w:val=\"bullet\"/></w:lvl>"
    "<w:lvl w:ilvl=\"1\"><w:numFmt w:val=\"decimal\"/></w:lvl></w:abstractNum>"
    "<w:abstractNum w:abstractNumId=\"2\"><w:lvl w:ilvl=\"0\"><w:numFmt w:val=\"decimal\"/></w:lvl>"
    "</w:abstractNum>"
    "<w:abstractNum w:abstractNumId=\"3\"><w:numStyleLink w:val=\"Outline\"/></w:abstractNum>"
    "<w:abstractNum w:abstractNumId=\"4\"><w:styleLink w:val=\"Outline\"/>"
    "<w:lvl w:ilvl=\"0\"><w:numFmt w:val=\"lowerLetter\"/></w:lvl></w:abstractNum>"
    "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"1\"/></w:num>"
    "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"2\"/></w:num>"
    "<w:num w:numId=\"3\"><w:abstractNumId w:val=\"3\"/></w:num>"
    "<w:num w:numId=\"4\"><w:abstractNumId w:val=\"4\"/></w:num>"
    "<w:num w:numId=\"5\"><w:abstractNumId w:val=\"2\"/>"
    "<w:lvlOverride w:ilvl=\"0\"><w:lvl w:ilvl=\"0\"><w:numFmt w:val=\"bullet\"/></w:lvl>"
    "</w:lvlOverride></w:num>"
    "</w:numbering>";

const char* const kStyles =
    "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"/>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Bulleted\"><w:basedOn w:val=\"Normal\"/>"
    "<w:pPr><w:numPr><w:numId w:val=\"1\"/></w:numPr></w:pPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Child\"><w:basedOn w:val=\"Bulleted\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Loop\"><w:basedOn w:val=\"Loop\"/></w:style>"
    "<w:style w:type=\"numbering\" w:styleId=\"Outline\">"
    "<w:pPr><w:numPr><w:numId w:val=\"4\"/></w:numPr></w:pPr></w:style>"
    "</w:styles>";

std::string ListParagraph(const std::string& properties, const std::string& text) {
  return "<w:p><w:pPr>" + properties + "</w:pPr>" + R(text) + "</w:p>";
}
std::string NumPr(int num_id, int level = 0) {
  return "<w:numPr><w:ilvl w:val=\"" + std::to_string(level) + "\"/><w:numId w:val=\"" +
         std::to_string(num_id) + "\"/></w:numPr>";
}

std::string Cell(const std::string& content, const std::string& properties = "") {
  return "<w:tc>" + (properties.empty() ? "" : "<w:tcPr>" + properties + "</w:tcPr>") + content +
         "</w:tc>";
}

const char* const kFootnotes =
    "<w:footnotes xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:footnote w:type=\"separator\" w:id=\"-1\"><w:p><w:r><w:separator/></w:r></w:p></w:footnote>"
    "<w:footnote w:id=\"1\"><w:p><w:r><w:footnoteRef/></w:r><w:r><w:t xml:space=\"preserve\"> Note "
    "one</w:t></w:r></w:p><w:p><w:r><w:t>again</w:t></w:r></w:p></w:footnote>"
    "</w:footnotes>";
const char* const kEndnotes =
    "<w:endnotes xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:endnote w:id=\"1\"><w:p><w:r><w:endnoteRef/></w:r><w:r><w:t>End one</w:t></w:r></w:p>"
    "</w:endnote></w:endnotes>";

const char* const kTextBox =
    "<w:txbxContent><w:p><w:r><w:t>boxed</w:t></w:r></w:p></w:txbxContent>";

struct ConstructCase {
  const char* name;
  std::string body;
  std::string html;
  std::vector<ZipEntry> parts = {};
};

std::vector<ConstructCase> ConstructCases() {
  return {
      {"Paragraphs", P("one") + P("two") + "<w:p/>" + P("three"),
       "\n<p>one</p>\n<p>two</p>\n<p>three</p>"},
      {"RunsInsideWrappers",
       "<w:p><w:hyperlink r:id=\"rId5\">" + R("link") + "</w:hyperlink><w:smartTag>" + R(" tag") +
           "</w:smartTag><w:customXml>" + R(" cx") + "</w:customXml><w:sdt><w:sdtPr><w:alias " +
           "w:val=\"hidden alias\"/></w:sdtPr><w:sdtContent>" + R(" sdt") +
           "</w:sdtContent></w:sdt><w:ins>" + R(" ins") + "</w:ins><w:moveTo>" + R(" moved") +
           "</w:moveTo><w:dir>" + R(" dir") + "</w:dir></w:p>",
       "\n<p>link tag cx sdt ins moved dir</p>"},
      {"ContentControlsAroundBlocks",
       "<w:sdt><w:sdtPr><w:docPartObj/></w:sdtPr><w:sdtContent>" + P("cover") +
           "</w:sdtContent></w:sdt>",
       "\n<p>cover</p>"},
      {"FieldsKeepTheirResult",
       "<w:p>" + R("see ") +
           "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>HYPERLINK "
           "\"http://x\"</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" +
           R("here") + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>" + R(" page ") +
           "<w:fldSimple w:instr=\" PAGE \">" + R("7") + "</w:fldSimple>" +
           "<w:r><w:fldChar w:fldCharType=\"begin\"/><w:instrText>DATE</w:instrText>"
           "<w:fldChar w:fldCharType=\"end\"/></w:r></w:p>",
       "\n<p>see here page 7</p>"},
      {"NestedFields",
       // A field inside another's instruction shows nothing; one inside a
       // result shows its own result; a field may span paragraphs.
       "<w:p><w:r><w:fldChar w:fldCharType=\"begin\"/><w:instrText>IF </w:instrText>"
       "<w:fldChar w:fldCharType=\"begin\"/><w:instrText>REF x</w:instrText>"
       "<w:fldChar w:fldCharType=\"separate\"/><w:t>hidden</w:t><w:fldChar w:fldCharType=\"end\"/>"
       "<w:fldChar w:fldCharType=\"separate\"/><w:t>shown</w:t></w:r></w:p>"
       "<w:p><w:r><w:t>toc</w:t><w:fldChar "
       "w:fldCharType=\"begin\"/><w:instrText>PAGEREF</w:instrText>"
       "<w:fldChar w:fldCharType=\"separate\"/><w:t>3</w:t><w:fldChar w:fldCharType=\"end\"/>"
       "<w:fldChar w:fldCharType=\"end\"/></w:r></w:p>" +
           P("after"),
       "\n<p>shown</p>\n<p>toc3</p>\n<p>after</p>"},
      {"UnterminatedFieldsKeepTheTextAfterThem",
       // Closed at the end of their paragraph, the text so far as their
       // result; an end that comes later closes nothing hidden.
       "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>" + P("outside") + "<w:p>" + R("a") +
           "<w:r><w:fldChar w:fldCharType=\"begin\"/><w:instrText>REF x</w:instrText>"
           "<w:fldChar w:fldCharType=\"begin\"/></w:r>" +
           R("b") + "</w:p>" + P("c") + "<w:p><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>" +
           R("d") + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>" + R("e") + "</w:p>",
       "\n<p>outside</p>\n<p>ab</p>\n<p>c</p>\n<p>de</p>"},
      {"DeletedAndHiddenTextIsDropped",
       "<w:p>" + R("kept") + "<w:del><w:r><w:delText>gone</w:delText></w:r></w:del>" +
           "<w:moveFrom><w:r><w:t>moved away</w:t></w:r></w:moveFrom>" +
           "<w:r><w:rPr><w:vanish/></w:rPr><w:t>hidden</w:t></w:r>" +
           "<w:r><w:rPr><w:vanish w:val=\"0\"/><w:rPrChange><w:rPr><w:vanish/></w:rPr>"
           "</w:rPrChange></w:rPr><w:lastRenderedPageBreak/><w:t xml:space=\"preserve\"> too</w:t>"
           "</w:r></w:p>",
       "\n<p>kept too</p>"},
      {"DeletedParagraphMarkJoins",
       "<w:p><w:pPr><w:rPr><w:del w:id=\"1\" w:author=\"a\"/></w:rPr></w:pPr>" + R("first") +
           "</w:p>" + P("second") + P("third"),
       "\n<p>firstsecond</p>\n<p>third</p>"},
      {"PageBreakBeforeAListItemsTextKeepsTheItem",
       P("a") + "<w:p><w:pPr>" + NumPr(2) +
           "</w:pPr><w:r><w:br w:type=\"page\"/><w:t>item</w:t></w:r></w:p>",
       "\n<p>a</p>\n<hr />\n\n<ol><li>item</li></ol>",
       {{"word/numbering.xml", kNumbering}}},
      {"JoiningAnEmptyParagraphKeepsTheListItem",
       "<w:p><w:pPr><w:rPr><w:del w:id=\"1\" w:author=\"a\"/></w:rPr></w:pPr></w:p>" +
           ListParagraph(NumPr(1), "item"),
       "\n<ul><li>item</li></ul>",
       {{"word/numbering.xml", kNumbering}}},
      {"DropCapJoinsItsParagraph",
       "<w:p><w:pPr><w:framePr w:dropCap=\"drop\" w:lines=\"3\"/></w:pPr>" + R("D") + "</w:p>" +
           P("rop cap") + "<w:p><w:pPr><w:framePr w:dropCap=\"none\"/></w:pPr>" + R("framed") +
           "</w:p>" + P("next"),
       "\n<p>Drop cap</p>\n<p>framed</p>\n<p>next</p>"},
      {"AlternateContentGivesOneBranch",
       "<w:p><mc:AlternateContent><mc:Choice Requires=\"x9\">" + R("unknown") +
           "</mc:Choice><mc:Choice Requires=\"wps\">" + R("choice") + "</mc:Choice><mc:Fallback>" +
           R("fallback") + "</mc:Fallback></mc:AlternateContent>" +
           "<mc:AlternateContent><mc:Choice Requires=\"x9\">" + R("lost") +
           "</mc:Choice></mc:AlternateContent>" +
           "<mc:AlternateContent><mc:Choice Requires=\"x9\">" + R("lost") +
           "</mc:Choice><mc:Fallback>" + R(" fell") + "</mc:Fallback></mc:AlternateContent></w:p>",
       "\n<p>choice fell</p>"},
      {"TextBoxesFollowTheirParagraphOnce",
       P("before") + "<w:p>" + R("anchor") +
           "<w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:drawing><wp:anchor>"
           "<a:graphic><a:graphicData><wps:wsp><wps:txbx>" +
           kTextBox +
           "</wps:txbx></wps:wsp></a:graphicData></a:graphic></wp:anchor></w:drawing></mc:Choice>"
           "<mc:Fallback><w:pict><v:shape><v:textbox>" +
           kTextBox + "</v:textbox></v:shape></w:pict></mc:Fallback></mc:AlternateContent></w:r>" +
           R(" after") + "</w:p>" + "<w:p><w:r><w:pict><v:shape><v:textbox>" + kTextBox +
           "</v:textbox></v:shape></w:pict></w:r></w:p>",
       "\n<p>before</p>\n<p>anchor after</p>\n<p>boxed</p>\n<p>boxed</p>"},
      {"TabsAndBreaks",
       P("prev") + "<w:p><w:r><w:tab/><w:t>a</w:t><w:tab/><w:t>b</w:t><w:br/><w:t>c</w:t>"
                   "<w:br w:type=\"page\"/><w:t>d</w:t><w:cr/><w:t>e</w:t><w:tab/></w:r></w:p>",
       "\n<p>prev</p>\n<p>a b<br />\nc</p>\n<hr />\n\n<p>d<br />\ne</p>"},
      {"PageBreakBeforeAndSectionBreak",
       P("a") + "<w:p><w:pPr><w:pageBreakBefore/></w:pPr>" + R("b") + "</w:p>" +
           "<w:p><w:pPr><w:sectPr><w:headerReference r:id=\"rId9\"/></w:sectPr></w:pPr>" + R("c") +
           "</w:p>" + P("d") + "<w:sectPr/>",
       "\n<p>a</p>\n<hr />\n\n<p>b</p>\n<p>c</p>\n<hr />\n\n<p>d</p>"},
      {"SymbolsAndSpecialCharacters",
       "<w:p><w:r><w:t>x</w:t><w:sym w:font=\"Symbol\" w:char=\"F0B7\"/>"
       "<w:sym w:font=\"Wingdings\" w:char=\"F0A7\"/><w:t>&#xF0B7;{a}\\&lt;&amp;</w:t>"
       "<w:noBreakHyphen/><w:t>b</w:t><w:softHyphen/><w:t>c&#xE9;&#x20AC;&#xA0;&#x1F600;</w:t>"
       "</w:r></w:p>",
       "\n<p>x\x95?\x95{a}\\&lt;&amp;-b\xAD"
       "c\xE9\x80\xA0?</p>"},
      {"Lists",
       ListParagraph(NumPr(1), "b1") + ListParagraph(NumPr(2), "n1") +
           ListParagraph("<w:pStyle w:val=\"Child\"/>", "inherited") +
           ListParagraph("<w:pStyle w:val=\"Child\"/>" + NumPr(0), "off") +
           ListParagraph(NumPr(3), "linked") + ListParagraph(NumPr(1, 1), "level1") +
           ListParagraph(NumPr(99), "missing") + ListParagraph(NumPr(5), "overridden") +
           ListParagraph("<w:pStyle w:val=\"Loop\"/>", "loop"),
       "\n<ul><li>b1</li></ul>\n<ol><li>n1</li></ol>\n<ul><li>inherited</li></ul>\n<p>off</p>"
       "\n<ol><li>linked</li>\n<li>level1</li></ol>\n<p>missing</p>\n<ul><li>overridden</li></ul>"
       "\n<p>loop</p>",
       {{"word/numbering.xml", kNumbering}, {"word/styles.xml", kStyles}}},
      {"Tables",
       P("before") + "<w:tbl><w:tblPr/><w:tblGrid/><w:tr>" + Cell(P("A")) +
           Cell(P("B"), "<w:vMerge w:val=\"restart\"/>") +
           Cell(P("wide"), "<w:gridSpan w:val=\"2\"/>") + "</w:tr><w:sdt><w:sdtContent><w:tr>" +
           Cell(P("C")) + Cell(P("B"), "<w:vMerge/>") + "<w:sdt><w:sdtContent>" +
           Cell(P("D1") + P("D2")) + "</w:sdtContent></w:sdt>" +
           "</w:tr></w:sdtContent></w:sdt><w:tr>" +
           Cell(P("x") + "<w:tbl><w:tr>" + Cell(P("i1")) + Cell(P("i2")) + "</w:tr><w:tr>" +
                Cell(P("i3")) + "</w:tr></w:tbl>") +
           "</w:tr></w:tbl>" + ListParagraph(NumPr(1), "item"),
       "\n<p>before</p>\n<p>A | B | wide</p>\n<p>C | D1<br />\nD2</p>"
       "\n<p>x<br />\ni1 i2<br />\ni3</p>\n<ul><li>item</li></ul>",
       {{"word/numbering.xml", kNumbering}}},
      {"Notes",
       "<w:p>" + R("text") + "<w:r><w:footnoteReference w:id=\"1\"/></w:r>" + R(" more") +
           "<w:r><w:endnoteReference w:id=\"1\"/></w:r></w:p>" + ListParagraph(NumPr(2), "listed"),
       "\n<p>text[1] more[2]</p>\n<ol><li>listed</li></ol>\n<hr />\n\n"
       "<ol><li>Note one<br />\nagain</li>\n<li>End one</li></ol>",
       {{"word/footnotes.xml", kFootnotes},
        {"word/endnotes.xml", kEndnotes},
        {"word/numbering.xml", kNumbering}}},
      {"NoteReferredToAgainIsWrittenOnce",
       "<w:p>" + R("a") + "<w:r><w:footnoteReference w:id=\"1\"/></w:r>" + R(" b") +
           "<w:r><w:endnoteReference w:id=\"1\"/></w:r>" + R(" c") +
           "<w:r><w:footnoteReference w:id=\"1\"/></w:r></w:p>",
       "\n<p>a[1] b[2] c[1]</p>\n<hr />\n\n<ol><li>Note one<br />\nagain</li>\n<li>End "
       "one</li></ol>",
       {{"word/footnotes.xml", kFootnotes}, {"word/endnotes.xml", kEndnotes}}},
      {"MathText", "<w:p>" + R("x ") + "<m:oMath><m:r><m:t>a+b</m:t></m:r></m:oMath></w:p>",
       "\n<p>x a+b</p>"},
  };
}

class ConstructTest : public ::testing::TestWithParam<ConstructCase> {};

TEST_P(ConstructTest, GivesTheHtml) {
  const ReadResult result = Convert(BuildDocx(GetParam().body, GetParam().parts));
  EXPECT_EQ(HtmlBody(result.rtf), GetParam().html) << result.rtf;
}

INSTANTIATE_TEST_SUITE_P(Docx, ConstructTest, ::testing::ValuesIn(ConstructCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// The RTF itself, where other readers than our engine depend on it.
TEST(DocxRtf, CharactersCarryUnicodeAndTheAnsiFallback) {
  const ReadResult result =
      Convert(BuildDocx(P("&#xE9;&#x20AC;&#x3B1;&#x1F600;{\\}") +
                        "<w:p><w:r><w:sym w:font=\"Symbol\" w:char=\"F061\"/></w:r></w:p>"));
  EXPECT_NE(
      result.rtf.find("\\u233\\'e9\\u8364\\'80\\u945?{\\uc0\\u-10179\\uc1\\u-8704?}\\{\\\\\\}"),
      std::string::npos)
      << result.rtf;
  EXPECT_NE(result.rtf.find("\\u945?"), std::string::npos);
}

// The engine's code pages play no part: every character is \uN.
class NoCodePages final : public CodePageDecoder {
 public:
  bool Decode(unsigned, std::string_view, std::u32string&) const override { return false; }
};

TEST(DocxRtf, CharactersBeyondTheBasicPlaneAreWholeInTheFullText) {
  const ReadResult result = Convert(BuildDocx(P("a&#x1F600;b&#x1D400;")));
  const std::string html = RenderRtfAsFullTextHtml(result.rtf, NoCodePages());
  EXPECT_NE(html.find("<p>a\xF0\x9F\x98\x80"
                      "b\xF0\x9D\x90\x80</p>"),
            std::string::npos)
      << html;
}

TEST(DocxRtf, ListItemsCarryOnlyAMarkerAndControlWordsEndWithADelimiter) {
  const ReadResult result = Convert(BuildDocx(
      ListParagraph(NumPr(1), "a") + "<w:p><w:r><w:t>b</w:t><w:tab/><w:t>c</w:t></w:r></w:p>",
      {{"word/numbering.xml", kNumbering}}));
  EXPECT_NE(result.rtf.find("{\\*\\pn\\pnlvlblt}a\\par"), std::string::npos) << result.rtf;
  EXPECT_NE(result.rtf.find("b\\tab c"), std::string::npos) << result.rtf;
}

const char* const kHeadingStyles =
    "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name "
    "w:val=\"Normal\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"H1\"><w:name w:val=\"Heading 1\"/>"
    "<w:basedOn w:val=\"Normal\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Chapter\"><w:name w:val=\"Chapter\"/>"
    "<w:basedOn w:val=\"H1\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Title\"><w:name w:val=\"Title\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Deep\"><w:name w:val=\"Deep\"/>"
    "<w:pPr><w:outlineLvl w:val=\"3\"/></w:pPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Body\"><w:name w:val=\"heading 2\"/>"
    "<w:pPr><w:outlineLvl w:val=\"9\"/></w:pPr></w:style>"
    "</w:styles>";

std::string Styled(const std::string& style, const std::string& text) {
  return ListParagraph("<w:pStyle w:val=\"" + style + "\"/>", text);
}
std::string FormattedRun(const std::string& properties, const std::string& text) {
  return "<w:r><w:rPr>" + properties + "</w:rPr><w:t xml:space=\"preserve\">" + text +
         "</w:t></w:r>";
}

// The structure only the full output shows; the classic output of the same
// RTF is checked alongside, as the RTF that carries it must not change it.
struct FullOutputCase {
  const char* name;
  std::string body;
  std::string classic_html;
  std::string full_html;
  std::vector<ZipEntry> parts = {};
};

std::vector<FullOutputCase> FullOutputCases() {
  return {
      {"Emphasis",
       "<w:p>" + FormattedRun("<w:b/>", "bold") + R(" plain ") +
           FormattedRun("<w:i/><w:u w:val=\"single\"/>", "iu") +
           FormattedRun("<w:b w:val=\"0\"/><w:strike/><w:vertAlign w:val=\"superscript\"/>", "s") +
           FormattedRun("<w:u w:val=\"none\"/><w:dstrike/><w:vertAlign w:val=\"subscript\"/>",
                        "x") +
           "</w:p>" + P("next"),
       "\n<p>bold plain iusx</p>\n<p>next</p>",
       "\n<p><strong>bold</strong> plain <em><u>iu</u></em><s><sup>s</sup><sub>x</sub></s>"
       "</p>\n<p>next</p>"},
      {"Headings",
       Styled("H1", "one") + P("plain") + Styled("Chapter", "two") + Styled("Title", "title") +
           Styled("Deep", "deep") + Styled("Body", "body") +
           ListParagraph("<w:outlineLvl w:val=\"1\"/>", "own") + P("after"),
       "\n<p>one</p>\n<p>plain</p>\n<p>two</p>\n<p>title</p>\n<p>deep</p>\n<p>body</p>"
       "\n<p>own</p>\n<p>after</p>",
       "\n<h1>one</h1>\n<p>plain</p>\n<h1>two</h1>\n<h1>title</h1>\n<h4>deep</h4>\n<p>body</p>"
       "\n<h2>own</h2>\n<p>after</p>",
       {{"word/styles.xml", kHeadingStyles}}},
      {"Links",
       "<w:p>" + R("see ") + "<w:hyperlink r:id=\"rId5\">" + FormattedRun("<w:b/>", "site") +
           R(" now") + "</w:hyperlink>" + R(", ") + "<w:hyperlink w:anchor=\"_Toc1\">" + R("part") +
           "</w:hyperlink>" + R(", ") + "<w:hyperlink r:id=\"rId99\">" + R("lost") +
           "</w:hyperlink></w:p>",
       "\n<p>see site now, part, lost</p>",
       "\n<p>see <a href=\"http://example.com/\"><strong>site</strong> now</a>, <a "
       "href=\"#_Toc1\">part</a>, lost</p>"},
      {"Tables",
       ListParagraph(NumPr(1), "item") + "<w:tbl><w:tr>" + Cell(P("A")) + Cell(P("B")) +
           "</w:tr><w:tr>" + Cell(P("C") + P("C2")) + Cell("<w:p/>") + "</w:tr></w:tbl>" +
           P("after"),
       "\n<ul><li>item</li></ul>\n<p>A | B</p>\n<p>C<br />\nC2</p>\n<p>after</p>",
       "\n<ul><li>item</li></ul>\n<table>\n<tr><td>A</td><td>B</td></tr>\n<tr><td>C<br />\nC2</td>"
       "<td></td></tr>\n</table>\n<p>after</p>",
       {{"word/numbering.xml", kNumbering}}},
  };
}

class FullOutputTest : public ::testing::TestWithParam<FullOutputCase> {};

TEST_P(FullOutputTest, GivesTheStructure) {
  const ReadResult result = Convert(BuildDocx(GetParam().body, GetParam().parts));
  EXPECT_EQ(HtmlBody(result.rtf), GetParam().classic_html) << result.rtf;
  const std::string html = RenderRtfAsFullTextHtml(result.rtf, os::SystemCodePageDecoder());
  const std::size_t start = html.find("<body>") + 6;
  std::string body;
  for (const char c : html.substr(start, html.rfind("\r\n</body>") - start)) {
    if (c != '\r') body += c;
  }
  EXPECT_EQ(body, GetParam().full_html) << result.rtf;
}

INSTANTIATE_TEST_SUITE_P(Docx, FullOutputTest, ::testing::ValuesIn(FullOutputCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Only the full output keeps RTF's paragraph properties from one paragraph
// to the next, so only it would make the paragraph after a list an item.
TEST(DocxFullOutput, TheParagraphAfterAListIsNoItem) {
  const ReadResult result =
      Convert(BuildDocx(ListParagraph(NumPr(1), "item") + P("after") + P("again"),
                        {{"word/numbering.xml", kNumbering}}));
  const std::string html = RenderRtfAsFullTextHtml(result.rtf, os::SystemCodePageDecoder());
  EXPECT_NE(html.find("<ul><li>item</li></ul>\r\n<p>after</p>\r\n<p>again</p>"), std::string::npos)
      << html;
}

TEST(DocxRtf, TitleComesFromTheCoreProperties) {
  const std::string core =
      "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/"
      "core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>Q&amp;A {x} "
      "caf&#xE9; \\ &#x3B1;</dc:title></cp:coreProperties>";
  const ReadResult result = Convert(BuildDocx(P("body"), {{"docProps/core.xml", core}}));
  EXPECT_NE(result.rtf.find("{\\info{\\title Q&A \\{x\\} caf\\'e9 \\\\ ?}}"), std::string::npos)
      << result.rtf;
  EXPECT_EQ(HtmlTitle(result.rtf), "Q&amp;A {x} caf\xE9 \\ ?");
  EXPECT_EQ(HtmlBody(result.rtf), "\n<p>body</p>");
}

// A broken part the body can do without is left out; the body converts.
struct BrokenPartCase {
  const char* name;
  std::string part;
  std::string html;
  std::string title = "Title";
};

std::vector<BrokenPartCase> BrokenPartCases() {
  const std::string notes = "\n<hr />\n\n<ol><li>Note one<br />\nagain</li></ol>";
  const std::string without_notes = "\n<hr />\n";  // the engine drops the empty item
  return {
      {"UnknownEncodingOfCoreProperties", "docProps/core.xml",
       "\n<ul><li>styled</li></ul>\n<p>text[1]</p>" + notes, ""},
      {"TruncatedStyles", "word/styles.xml", "\n<p>styled</p>\n<p>text[1]</p>" + notes},
      {"TruncatedNumbering", "word/numbering.xml", "\n<p>styled</p>\n<p>text[1]</p>" + notes},
      {"TruncatedFootnotes", "word/footnotes.xml",
       "\n<ul><li>styled</li></ul>\n<p>text[1]</p>" + without_notes},
  };
}

class BrokenPartTest : public ::testing::TestWithParam<BrokenPartCase> {};

TEST_P(BrokenPartTest, IsLeftOut) {
  std::vector<ZipEntry> parts = {
      {"docProps/core.xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><cp:coreProperties "
       "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
       "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>Title</dc:title>"
       "</cp:coreProperties>"},
      {"word/styles.xml", kStyles},
      {"word/numbering.xml", kNumbering},
      {"word/footnotes.xml", kFootnotes}};
  for (ZipEntry& part : parts) {
    if (part.name != GetParam().part) continue;
    if (part.name == "docProps/core.xml") {
      part.data.replace(part.data.find("UTF-8"), 5, "Shift_JIS");  // one expat does not know
    } else {
      part.data.resize(part.data.size() / 2);
    }
  }
  const ReadResult result =
      Convert(BuildDocx(ListParagraph("<w:pStyle w:val=\"Bulleted\"/>", "styled") + "<w:p>" +
                            R("text") + "<w:r><w:footnoteReference w:id=\"1\"/></w:r></w:p>",
                        parts));
  EXPECT_EQ(HtmlBody(result.rtf), GetParam().html) << result.rtf;
  EXPECT_EQ(HtmlTitle(result.rtf), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(Docx, BrokenPartTest, ::testing::ValuesIn(BrokenPartCases()),
                         [](const auto& info) { return std::string(info.param.name); });

const char* const kRels =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"r1\" Type=\"%TYPE%\" Target=\"%TARGET%\"/></Relationships>";

std::string Rels(const std::string& type, const std::string& target) {
  std::string rels = kRels;
  rels.replace(rels.find("%TYPE%"), 6, type);
  rels.replace(rels.find("%TARGET%"), 8, target);
  return rels;
}

TEST(DocxPackage, MainPartIsFoundThroughThePackageRelationships) {
  const std::string package = BuildZip(
      {{"_rels/.rels", Rels("http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                            "officeDocument",
                            "/word/document2.xml")},
       {"word/document.xml",
        std::string(testing::kDocumentOpen) + "<w:body>" + P("wrong") + "</w:body></w:document>"},
       {"word/document2.xml",
        std::string(testing::kDocumentOpen) + "<w:body>" + P("right") + "</w:body></w:document>"}});
  EXPECT_EQ(HtmlBody(Convert(package).rtf), "\n<p>right</p>");
}

TEST(DocxPackage, LongPartNamesAreReadWhole) {
  // Names of 1024 bytes and more, around the size of minizip's name buffer.
  for (const std::size_t length : {1023u, 1024u, 1025u, 5000u}) {
    const std::string name = "word/" + std::string(length - 9, 'd') + ".xml";
    const std::string package =
        BuildZip({{"_rels/.rels", Rels("http://schemas.openxmlformats.org/officeDocument/2006/"
                                       "relationships/officeDocument",
                                       name)},
                  {name, std::string(testing::kDocumentOpen) + "<w:body>" + P("long") +
                             "</w:body></w:document>"}});
    EXPECT_EQ(HtmlBody(Convert(package).rtf), "\n<p>long</p>") << length;
  }
}

TEST(DocxPackage, LongTablePackedTightlyIsNotTakenForABomb) {
  const std::string cell_start =
      "<w:tc><w:tcPr><w:tcW w:w=\"2000\" w:type=\"dxa\"/></w:tcPr><w:p><w:pPr><w:spacing "
      "w:after=\"0\"/></w:pPr><w:r><w:t>";
  auto cell = [&cell_start](const std::string& text) {
    return cell_start + text + "</w:t></w:r></w:p></w:tc>";
  };
  std::string table = "<w:tbl>";
  for (int row = 0; row < 10000; ++row)
    table +=
        "<w:tr>" + cell(std::to_string(row)) + cell("yes") + cell("no") + cell("n/a") + "</w:tr>";
  table += "</w:tbl>";
  const std::string package = BuildDocx(table);
  ASSERT_GT(table.size() / package.size(), 100u);  // what a 100:1 cap refused
  const ReadResult result = Convert(package);
  EXPECT_NE(result.rtf.find("9999\\cell yes\\cell no\\cell n/a\\cell \\row"), std::string::npos);
}

TEST(DocxPackage, StrictNamespacesReadAsTransitional) {
  const std::string strict = "http://purl.oclc.org/ooxml/wordprocessingml/main";
  const std::string document =
      "<w:document xmlns:w=\"" + strict +
      "\"><w:body><w:p><w:pPr><w:numPr><w:numId w:val=\"1\"/>"
      "</w:numPr></w:pPr><w:r><w:t>strict</w:t></w:r></w:p></w:body></w:document>";
  const std::string numbering =
      "<w:numbering xmlns:w=\"" + strict +
      "\"><w:abstractNum w:abstractNumId=\"0\"><w:lvl "
      "w:ilvl=\"0\"><w:numFmt w:val=\"bullet\"/></w:lvl></w:abstractNum><w:num w:numId=\"1\">"
      "<w:abstractNumId w:val=\"0\"/></w:num></w:numbering>";
  const std::string package = BuildZip(
      {{"_rels/.rels",
        Rels("http://purl.oclc.org/ooxml/officeDocument/relationships/officeDocument",
             "word/main.xml")},
       {"word/_rels/main.xml.rels",
        Rels("http://purl.oclc.org/ooxml/officeDocument/relationships/numbering", "numbering.xml")},
       {"word/main.xml", document},
       {"word/numbering.xml", numbering}});
  EXPECT_EQ(HtmlBody(Convert(package).rtf), "\n<ul><li>strict</li></ul>");
}

TEST(DocxPackage, Utf16PartsAreRead) {
  const std::string text = std::string("<?xml version=\"1.0\" encoding=\"UTF-16\"?>") +
                           testing::kDocumentOpen + "<w:body>" + P("wide caf\xC3\xA9") +
                           "</w:body></w:document>";
  // UTF-8 to UTF-16LE with a byte-order mark; the text is ASCII but for é.
  std::string utf16 = "\xFF\xFE";
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) == 0xC3) {
      utf16 += '\xE9';
      utf16 += '\0';
      ++i;
      continue;
    }
    utf16 += text[i];
    utf16 += '\0';
  }
  const std::string package = BuildZip(
      {{"_rels/.rels", Rels("http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                            "officeDocument",
                            "word/document.xml")},
       {"word/document.xml", utf16}});
  EXPECT_EQ(HtmlBody(Convert(package).rtf), "\n<p>wide caf\xE9</p>");
}

TEST(DocxPackage, RecognisesWordPackagesOnly) {
  EXPECT_TRUE(IsWordPackage(BuildDocx(P("x"))));
  EXPECT_FALSE(IsWordPackage("plain text"));
  EXPECT_FALSE(
      IsWordPackage(BuildZip({{"[Content_Types].xml",
                               "<Types><Override PartName=\"/xl/workbook.xml\" "
                               "ContentType=\"application/vnd.openxmlformats-"
                               "officedocument.spreadsheetml.sheet.main+xml\"/></Types>"}})));
}

TEST(DocxThreads, TwoConversionsAtOnceAgree) {
  const std::string package =
      BuildDocx(P("one") + ListParagraph(NumPr(1), "two"), {{"word/numbering.xml", kNumbering}});
  const std::string expected = Convert(package).rtf;
  std::vector<std::string> results(2);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < results.size(); ++i) {
    threads.emplace_back([&, i] {
      for (int round = 0; round < 50; ++round)
        results[i] = ConvertDocxToRtf(package, Windows1252()).rtf;
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const std::string& result : results) EXPECT_EQ(result, expected);
}

}  // namespace
}  // namespace corvane::docx
