// Each construct of a web page, as a small snippet, checked on the RTF the
// reader writes and on the HTML our engine makes of it; then the character
// sets, hostile inputs, and every real page of the shared corpus when it
// is there.
#include "readers/html/html_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "engine/rtf2html.h"
#include "os/code_pages.h"
#include "readers/html/page_charset.h"
#include "readers/html/page_walker.h"

namespace corvane::html {
namespace {

using ::testing::TestParamInfo;
using ::testing::TestWithParam;
using ::testing::Values;

readers::ReaderResult Read(std::string_view bytes) {
  const readers::ReaderServices services{readers::Windows1252(), os::SystemCodePageDecoder()};
  return Convert(bytes, services);
}

// The RTF between the frame's first line and its closing brace.
std::string Body(const readers::ReaderResult& result) {
  EXPECT_TRUE(result.converted) << result.reason;
  const std::size_t start = result.rtf.find("\r\n");
  if (start == std::string::npos) return "";
  return result.rtf.substr(start + 2, result.rtf.size() - start - 3);
}

// The HTML body (between <body> and </body>), line ends as \n.
std::string HtmlBody(const std::string& rtf) {
  const std::string html = RenderRtfAsHtml(rtf);
  const std::size_t start = html.find("<body>") + 6;
  const std::size_t end = html.rfind("\r\n</body>");
  std::string out;
  for (const char c : html.substr(start, end - start)) {
    if (c != '\r') out += c;
  }
  return out.starts_with('\n') ? out.substr(1) : out;
}

// ---- Constructs: the page, the RTF body, the HTML body.

struct ConstructCase {
  const char* name;
  std::string page;
  std::string rtf;
  std::string html;
};

class HtmlConstructTest : public TestWithParam<ConstructCase> {};

TEST_P(HtmlConstructTest, WritesTheRtfAndTheHtml) {
  const readers::ReaderResult result = Read(GetParam().page);
  EXPECT_EQ(Body(result), GetParam().rtf);
  EXPECT_EQ(HtmlBody(result.rtf), GetParam().html);
}

constexpr const char* kBullet = "{\\*\\pn\\pnlvlblt}";
constexpr const char* kNumber = "{\\*\\pn\\pnlvlbody}";

// A list paragraph as Word's "Save as Web Page" writes it: the label in a
// span marked mso-list:Ignore inside a downlevel conditional.
std::string WordListParagraph(std::string_view label, std::string_view text,
                              bool comment_form = false) {
  const std::string open = comment_form ? "<!--[if !supportLists]-->" : "<![if !supportLists]>";
  const std::string close = comment_form ? "<!--[endif]-->" : "<![endif]>";
  return "<p class=MsoListParagraphCxSpMiddle style='text-indent:-.25in;mso-list:l0 level1 lfo1'>" +
         open + "<span style='font-family:Symbol'><span style='mso-list:Ignore'>" +
         std::string(label) + "<span style='font:7.0pt \"Times New Roman\"'>&nbsp;&nbsp; " +
         "</span></span></span>" + close + std::string(text) + "<o:p></o:p></p>\r\n";
}

INSTANTIATE_TEST_SUITE_P(
    Constructs, HtmlConstructTest,
    Values(
        ConstructCase{"Paragraphs", "<p>one</p><p>two</p>", "one\\par\r\ntwo\\par\r\n",
                      "<p>one</p>\n<p>two</p>"},
        ConstructCase{"WhiteSpaceCollapses", "<p>\n  a \n\t b  </p>", "a b\\par\r\n", "<p>a b</p>"},
        ConstructCase{
            "BlocksNestedAndTextBetween",
            "<h1>T</h1><div>x<div>y</div>z</div><blockquote>q</blockquote>"
            "<address>a</address><dl><dt>t</dt><dd>d</dd></dl>",
            "T\\par\r\nx\\par\r\ny\\par\r\nz\\par\r\nq\\par\r\na\\par\r\nt\\par\r\nd\\par\r\n",
            "<p>T</p>\n<p>x</p>\n<p>y</p>\n<p>z</p>\n<p>q</p>\n<p>a</p>\n<p>t</p>\n<p>d</p>"},
        ConstructCase{"LineBreaksInsideABlockOnly", "<p><br>a<br/>b<br></p>", "a\\line b\\par\r\n",
                      "<p>a<br />\nb</p>"},
        ConstructCase{"PreKeepsItsLinesAndSpaces", "<pre>\n a  b\n\tc</pre>",
                      " a  b\\line \\tab c\\par\r\n", "<p>a b<br />\n c</p>"},
        ConstructCase{"BulletList", "<ul><li>a</li><li>b</ul>",
                      std::string(kBullet) + "a\\par\\pard\r\n" + kBullet + "b\\par\\pard\r\n",
                      "<ul><li>a</li>\n<li>b</li></ul>"},
        ConstructCase{
            "NumberedListAndNestedBullets", "<ol><li>a<ul><li>b</li></ul></li></ol><p>c</p>",
            std::string(kNumber) + "a\\par\\pard\r\n" + kBullet + "b\\par\\pard\r\nc\\par\r\n",
            "<ol><li>a</li></ol>\n<ul><li>b</li></ul>\n<p>c</p>"},
        ConstructCase{"AnEmptyItemIsNoItem", "<ul><li> </li></ul><p>x</p>", "x\\par\r\n",
                      "<p>x</p>"},
        ConstructCase{"TableRows",
                      "<table><tr><th>h</th><td>a b</td></tr><tr><td></td><td>c</td></tr></table>",
                      "h\\cell a b\\cell \\row\r\n\\cell c\\cell \\row\r\n",
                      "<p>h | a b</p>\n<p>c</p>"},
        ConstructCase{"ParagraphsInACellAreLines",
                      "<table><tr><td><p>a</p><p>b</p><ul><li>c</li></ul></td></tr></table>",
                      "a\\line b\\line c\\cell \\row\r\n", "<p>a<br />\nb<br />\nc</p>"},
        ConstructCase{"NestedTableStaysInItsCell",
                      "<table><tr><td>a<table><tr><td>x</td><td>y</td></tr><tr><td>z</td></tr>"
                      "</table></td><td>b</td></tr></table>",
                      "a\\line x\\tab y\\line z\\cell b\\cell \\row\r\n",
                      "<p>a<br />\nx y<br />\nz | b</p>"},
        ConstructCase{"TextAroundATable",
                      "<p>before</p><table><caption>cap</caption><tr><td>c</td>"
                      "</tr></table>after",
                      "before\\par\r\ncap\\par\r\nc\\cell \\row\r\nafter\\par\r\n",
                      "<p>before</p>\n<p>cap</p>\n<p>c</p>\n<p>after</p>"},
        ConstructCase{"RuleIsAPageBreak", "<p>a</p><hr><p>b</p>", "a\\par\r\n\\page\r\nb\\par\r\n",
                      "<p>a</p>\n<hr />\n\n<p>b</p>"},
        ConstructCase{"LinkTextKept",
                      "<p>see <a href='http://example.org/'>the <b>site</b></a>.</p>",
                      "see the site.\\par\r\n", "<p>see the site.</p>"},
        ConstructCase{"UnshownContentDropped",
                      "<head><meta name=a content=b><link rel=x href=y><style>p{}</style>"
                      "<script>var h;</script></head><body><p>a<script>if(a<b)x();</script>"
                      "<style>.c{}</style><noscript>n</noscript><template>t</template>"
                      "<!-- comment -->b</p></body>",
                      "ab\\par\r\n", "<p>ab</p>"},
        ConstructCase{"HiddenElementsDropped",
                      "<p>a<span style='COLOR:red; DISPLAY : none'>x</span><span hidden>y</span>"
                      "<span style='mso-hide:all'>z</span>b</p><div hidden><p>gone</p></div>",
                      "ab\\par\r\n", "<p>ab</p>"},
        ConstructCase{"EntitiesDecoded",
                      "<p>&amp;&lt;&gt;&quot;&eacute;&#233;&#x20AC;&nbsp;&hellip;</p>",
                      "&<>\"\\u233\\'e9\\u233\\'e9\\u8364\\'80\\u160\\'a0\\u8230\\'85\\par\r\n",
                      "<p>&amp;&lt;&gt;\"\xE9\xE9\x80\xA0\x85</p>"},
        ConstructCase{"RtfSpecialCharactersEscaped", "<p>{a}\\b</p>", "\\{a\\}\\\\b\\par\r\n",
                      "<p>{a}\\b</p>"},
        ConstructCase{"OfficeEmptyParagraphsDropped",
                      "<p class=MsoNormal>a<o:p></o:p></p><p class=MsoNormal><o:p>&nbsp;</o:p></p>"
                      "<!--[if gte mso 9]><xml><w:WordDocument></w:WordDocument></xml><![endif]-->",
                      "a\\par\r\n", "<p>a</p>"},
        ConstructCase{
            "OfficeListLabelsDropped",
            WordListParagraph("\xC2\xB7", "Apples") + WordListParagraph("o", "Pears", true) +
                WordListParagraph("1.", "First") + WordListParagraph("iv)", "Fourth", true),
            std::string(kBullet) + "Apples\\par\\pard\r\n" + kBullet + "Pears\\par\\pard\r\n" +
                kNumber + "First\\par\\pard\r\n" + kNumber + "Fourth\\par\\pard\r\n",
            "<ul><li>Apples</li>\n<li>Pears</li></ul>\n<ol><li>First</li>\n"
            "<li>Fourth</li></ol>"}),
    [](const TestParamInfo<ConstructCase>& info) { return std::string(info.param.name); });

TEST(HtmlReaderTest, TheTitleIsTheDocumentsTitle) {
  const readers::ReaderResult result = Read(
      "<html><head><title>\n My  caf\xC3\xA9 </title><title>second</title></head><body>t</body>");
  EXPECT_NE(result.rtf.find("{\\info{\\title My caf\\'e9}}"), std::string::npos) << result.rtf;
  EXPECT_EQ(Body(result), "t\\par\r\n");
  EXPECT_NE(RenderRtfAsHtml(result.rtf).find("<title>My caf\xE9</title>"), std::string::npos);
}

// ---- Character sets: the page's bytes, the text of its first paragraph.

struct CharsetCase {
  const char* name;
  std::string page;
  std::string rtf;
};

class HtmlCharsetTest : public TestWithParam<CharsetCase> {};

TEST_P(HtmlCharsetTest, ReadsThePageInItsCharacterSet) {
  EXPECT_EQ(Body(Read(GetParam().page)), GetParam().rtf);
}

std::string Utf16(std::u16string_view text, bool big_endian) {
  std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    out += big_endian ? high : low;
    out += big_endian ? low : high;
  }
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Charsets, HtmlCharsetTest,
    Values(CharsetCase{"UnlabelledIsWindows1252", "<p>caf\xE9 \x80</p>",
                       "caf\\u233\\'e9 \\u8364\\'80\\par\r\n"},
           CharsetCase{"UnlabelledValidUtf8", "<p>caf\xC3\xA9</p>", "caf\\u233\\'e9\\par\r\n"},
           CharsetCase{"MetaCharset", "<meta charset=\"windows-1251\"><p>\xCF\xF0\xE8</p>",
                       "\\u1055?\\u1088?\\u1080?\\par\r\n"},
           CharsetCase{"HttpEquiv",
                       "<html><head><META HTTP-EQUIV='Content-Type' CONTENT='text/html; "
                       "charset=ISO-8859-2'></head><p>\xB1</p>",
                       "\\u261?\\par\r\n"},
           CharsetCase{"MetaSaysUtf8", "<meta charset=utf-8><p>\xE2\x82\xAC</p>",
                       "\\u8364\\'80\\par\r\n"},
           CharsetCase{"LegacyLabelOnUtf8Bytes", "<meta charset=gb2312><p>\xE4\xB8\xAD</p>",
                       "\\u20013?\\par\r\n"},
           CharsetCase{"MetaLabelUnknownFallsBack", "<meta charset=nonsense><p>\xE9</p>",
                       "\\u233\\'e9\\par\r\n"},
           CharsetCase{"Utf8BomBeatsMeta", "\xEF\xBB\xBF<meta charset=windows-1251><p>\xC3\xA9</p>",
                       "\\u233\\'e9\\par\r\n"},
           CharsetCase{"Utf16LittleEndian", Utf16(u"<p>\u00e9\u4e2d</p>", false),
                       "\\u233\\'e9\\u20013?\\par\r\n"},
           CharsetCase{"Utf16BigEndian", Utf16(u"<p>\u00e9</p>", true), "\\u233\\'e9\\par\r\n"},
           CharsetCase{"MalformedUtf8Replaced",
                       "<meta charset=utf-8><p>a\xFF"
                       "b</p>",
                       "a\\u-3?b\\par\r\n"}),
    [](const TestParamInfo<CharsetCase>& info) { return std::string(info.param.name); });

TEST(PageCharsetTest, LabelsNameTheirCodePages) {
  EXPECT_EQ(CodePageForLabel("Windows-1250"), 1250u);
  EXPECT_EQ(CodePageForLabel(" x-cp1251 "), 1251u);
  EXPECT_EQ(CodePageForLabel("ISO-8859-1"), 1252u);
  EXPECT_EQ(CodePageForLabel("iso-8859-15"), 28605u);
  EXPECT_EQ(CodePageForLabel("Shift_JIS"), 932u);
  EXPECT_EQ(CodePageForLabel("koi8-r"), 20866u);
  EXPECT_EQ(CodePageForLabel("utf-8"), 65001u);
  EXPECT_EQ(CodePageForLabel("cp"), 0u);
  EXPECT_EQ(CodePageForLabel("windows-1x"), 0u);
  EXPECT_EQ(CodePageForLabel(""), 0u);
}

TEST(PageCharsetTest, OnlyTheHeadDeclares) {
  EXPECT_EQ(
      DeclaredCharset("<head><meta content='text/html; charset=koi8-r' http-equiv=content-type>"),
      "koi8-r");
  EXPECT_EQ(DeclaredCharset("<meta name=description content='charset=koi8-r'>"), "");
  EXPECT_EQ(DeclaredCharset("<body><meta charset=koi8-r>"), "");
  EXPECT_EQ(DeclaredCharset("<metadata charset=koi8-r><meta charset='big5'"), "big5");
}

// ---- Which bytes the reader claims.

TEST(HtmlReaderTest, RecognisesPagesOnly) {
  EXPECT_TRUE(IsFormatCorrect("<!DOCTYPE html><p>x"));
  EXPECT_TRUE(IsFormatCorrect("\xEF\xBB\xBF\r\n  <HTML><p>x"));
  EXPECT_TRUE(
      IsFormatCorrect("<?xml version=\"1.0\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\">"));
  EXPECT_TRUE(IsFormatCorrect(Utf16(u"<html><body>x</body></html>", false)));
  EXPECT_TRUE(IsFormatCorrect(Utf16(u"<html><body>x</body></html>", true)));
  EXPECT_FALSE(IsFormatCorrect("{\\rtf1 <html>}"));
  EXPECT_FALSE(IsFormatCorrect("plain text that mentions <html>"));
  EXPECT_FALSE(IsFormatCorrect("<?xml version=\"1.0\"?><w:wordDocument>"));
  EXPECT_FALSE(IsFormatCorrect(""));
}

// ---- Hostile and broken pages: each converts to what it holds, or fails
// with its reason.

struct BadCase {
  const char* name;
  std::string page;
  std::string reason;  // empty: converts
  std::string rtf;
};

class HtmlBadInputTest : public TestWithParam<BadCase> {};

TEST_P(HtmlBadInputTest, ConvertsWhatItCanOrSaysWhy) {
  const readers::ReaderResult result = Read(GetParam().page);
  if (GetParam().reason.empty()) {
    EXPECT_EQ(Body(result), GetParam().rtf);
  } else {
    EXPECT_FALSE(result.converted);
    EXPECT_TRUE(result.rtf.empty());
    EXPECT_NE(result.reason.find(GetParam().reason), std::string::npos) << result.reason;
  }
}

std::string Repeated(std::string_view piece, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += piece;
  return out;
}

// "a0 a1 a2 ...": that many different names.
std::string Numbered(std::string_view stem, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += std::string(stem) + std::to_string(i) + " ";
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    BadInputs, HtmlBadInputTest,
    Values(BadCase{"Empty", "", "", ""},
           BadCase{"UnclosedTags", "<p>a<b>b<i>c<table><tr><td>d", "",
                   "abc\\par\r\nd\\cell \\row\r\n"},
           BadCase{"StrayEndTags", "</td></tr></table></li></ul>x</p></div>", "", "x\\par\r\n"},
           BadCase{"TagCutShort", "<p>a</p><p", "", "a\\par\r\n"},
           BadCase{"NulBytes", std::string("<p>a\0b</p\0>", 12), "", "ab\\par\r\n"},
           BadCase{"BadEntities", "<p>&bogus; &#99999999; &#0; &#xD800; &amp</p>", "",
                   "&bogus; &amp\\par\r\n"},
           BadCase{"HugeAttribute", "<p title='" + std::string(1 << 21, 'x') + "'>t</p>", "",
                   "t\\par\r\n"},
           BadCase{"TagWithTooManyAttributes", "<p " + Numbered("a", 2500) + ">x</p>",
                   "the page has a tag with more than 2000 attributes", ""},
           BadCase{"ManyWordsInQuotesScriptsAndComments",
                   "<p title=\"" + Numbered("w", 2500) + "\">x</p><script>if (a<b " +
                       Numbered("s", 2500) + "</script><!-- <p " + Numbered("c", 2500) + "-->",
                   "", "x\\par\r\n"},
           BadCase{"NestingWithinTheLimit", Repeated("<div>", 900) + "x", "", "x\\par\r\n"},
           BadCase{"NestingPastTheLimit", Repeated("<div>", 5000) + "x" + Repeated("</x>", 5000),
                   "the page nests its elements more than 1024 deep", ""},
           BadCase{"ManyUnclosedInlineElements", Repeated("<span>", 100000), "nests its elements",
                   ""}),
    [](const TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

TEST(PageWalkerTest, StopsOnceTheOutputPassesItsLimit) {
  PageWalker walker(readers::Windows1252(), 100);
  walker.StartElement("p", nullptr);
  walker.Text(std::string(60, 'a'));
  EXPECT_FALSE(walker.OverLimit());
  walker.Text(std::string(60, 'a'));
  EXPECT_TRUE(walker.OverLimit());
  const std::size_t size = walker.BodyRtf().size();
  walker.Text("more");
  walker.EndElement("p");
  walker.Finish();
  EXPECT_EQ(walker.BodyRtf().size(), size);
}

TEST(HtmlReaderTest, EveryPrefixConvertsOrFailsWithAReason) {
  const std::string page =
      "\xEF\xBB\xBF<html><head><title>T</title><style>p{}</style></head><body><h1>H</h1>"
      "<ul><li>a &amp; b</li></ul><table><tr><td>c<br>d</td></tr></table><pre>x\ny</pre>"
      "<!-- c --><p>\xC3\xA9</p></body></html>";
  for (std::size_t length = 0; length <= page.size(); ++length) {
    const readers::ReaderResult result = Read(page.substr(0, length));
    EXPECT_TRUE(result.converted || !result.reason.empty()) << length;
    if (result.converted) {
      EXPECT_FALSE(RenderRtfAsHtml(result.rtf).empty());
    }
  }
}

// ---- The shared corpus of real pages, when it is beside the repository.

TEST(HtmlCorpusTest, EveryPageConvertsOrFailsWithAReason) {
  const std::filesystem::path folder = std::filesystem::path(CORVANE_LEGACY_CORPUS_DIR) / "html";
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    files.push_back(entry.path());
  }
  if (files.empty()) GTEST_SKIP() << "no shared .html corpus at " << folder;
  std::sort(files.begin(), files.end());
  int converted = 0;
  for (const std::filesystem::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(IsFormatCorrect(bytes));
    const readers::ReaderResult result = Read(bytes);
    if (result.converted) {
      ++converted;
      EXPECT_LE(result.rtf.size(), 16 * bytes.size() + (1u << 20));
      EXPECT_FALSE(RenderRtfAsHtml(result.rtf).empty());
      continue;
    }
    EXPECT_FALSE(result.reason.empty());
    std::printf("not converted: %s: %s\n", file.filename().string().c_str(), result.reason.c_str());
  }
  std::printf("%zu pages, %d converted\n", files.size(), converted);
}

}  // namespace
}  // namespace corvane::html
