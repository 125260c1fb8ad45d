// The parser's SAX events go straight to the page walker: no document tree
// is built, so memory follows the text, not the markup.
#include "readers/html/html_reader.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <cstring>
#include <memory>
#include <mutex>

#include "readers/html/attribute_guard.h"
#include "readers/html/page_charset.h"
#include "readers/html/page_walker.h"
#include "readers/rtf_writer.h"

namespace corvane::html {
namespace {

readers::ReaderResult Failure(std::string reason) {
  readers::ReaderResult result;
  result.reason = std::move(reason);
  return result;
}

std::size_t OutputLimit(std::size_t input) { return 16 * input + (1u << 20); }

struct Parse {
  PageWalker walker;
  htmlParserCtxtPtr context = nullptr;
};

Parse& ParseOf(void* user_data) { return *static_cast<Parse*>(user_data); }

void StopIfDone(Parse& parse) {
  if (parse.walker.OverLimit() || parse.walker.TooDeep()) xmlStopParser(parse.context);
}

void OnStartElement(void* user_data, const xmlChar* name, const xmlChar** attributes) {
  Parse& parse = ParseOf(user_data);
  parse.walker.StartElement(reinterpret_cast<const char*>(name),
                            reinterpret_cast<AttributeList>(attributes));
  StopIfDone(parse);
}

void OnEndElement(void* user_data, const xmlChar* name) {
  Parse& parse = ParseOf(user_data);
  parse.walker.EndElement(reinterpret_cast<const char*>(name));
  StopIfDone(parse);
}

void OnCharacters(void* user_data, const xmlChar* text, int length) {
  Parse& parse = ParseOf(user_data);
  parse.walker.Text(
      std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
  StopIfDone(parse);
}

// Malformed markup is the normal case for web pages: the parser recovers
// and nothing is reported.
void IgnoreError(void*, xmlErrorPtr) {}

struct ContextDeleter {
  void operator()(htmlParserCtxtPtr context) const { htmlFreeParserCtxt(context); }
};

// libxml2's global tables are set up once, before any thread parses.
void InitializeParserOnce() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

std::string_view SkipBomAndSpace(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  while (!bytes.empty() &&
         (bytes.front() == ' ' || bytes.front() == '\t' || bytes.front() == '\r' ||
          bytes.front() == '\n' || bytes.front() == '\f')) {
    bytes.remove_prefix(1);
  }
  return bytes;
}

// Word's downlevel-revealed conditionals, "<![if !supportLists]>" and
// "<![endif]>", are markup to browsers, whose content they show; the parser
// would take the markers for text.
std::string WithoutDownlevelConditionals(std::string text) {
  std::string out;
  out.reserve(text.size());
  std::size_t copied = 0;
  std::size_t at = 0;
  while ((at = text.find("<![", at)) != std::string::npos) {
    std::size_t word = at + 3;
    while (word < text.size() && text[word] == ' ') ++word;
    const auto starts = [&](std::string_view keyword) {
      if (text.size() - word < keyword.size()) return false;
      for (std::size_t i = 0; i < keyword.size(); ++i) {
        const char c = text[word + i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != keyword[i])
          return false;
      }
      return true;
    };
    // A marker is short: "]>" is looked for nearby only.
    const std::size_t end =
        std::string_view(text).substr(0, std::min(text.size(), at + 256)).find("]>", word);
    // "<![CDATA[" and the like are left alone.
    if ((!starts("if") && !starts("endif")) || end == std::string::npos) {
      at += 3;
      continue;
    }
    out.append(text, copied, at - copied);
    at = end + 2;
    copied = at;
  }
  if (copied == 0) return text;
  out.append(text, copied, std::string::npos);
  return out;
}

}  // namespace

bool IsFormatCorrect(std::string_view bytes) {
  std::string start;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    // UTF-16: the markup is ASCII, one byte of each pair.
    const std::size_t offset = bytes.starts_with("\xFF\xFE") ? 2 : 3;
    for (std::size_t i = offset; i < bytes.size() && start.size() < 1024; i += 2) {
      start += bytes[i];
    }
  } else {
    start.assign(bytes.substr(0, 1024));
  }
  const std::string_view text = SkipBomAndSpace(start);
  if (!text.starts_with('<')) return false;
  std::string lower;
  for (const char c : text) lower += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  for (const std::string_view tag :
       {"<!doctype html", "<html", "<head", "<body", "<title", "<meta"}) {
    if (lower.find(tag) != std::string::npos) return true;
  }
  // A fragment saved as a page: it opens with one of the common elements.
  std::size_t end = 1;
  while (end < lower.size() &&
         ((lower[end] >= 'a' && lower[end] <= 'z') || (lower[end] >= '0' && lower[end] <= '9'))) {
    ++end;
  }
  if (end == lower.size() || (lower[end] != '>' && lower[end] != ' ' && lower[end] != '/' &&
                              lower[end] != '\t' && lower[end] != '\r' && lower[end] != '\n')) {
    return false;
  }
  const std::string_view name = std::string_view(lower).substr(1, end - 1);
  for (const std::string_view known :
       {"div", "p",    "span",   "table", "script", "style", "link", "a",  "b",
        "i",   "font", "center", "form",  "h1",     "h2",    "h3",   "h4", "h5",
        "h6",  "ul",   "ol",     "pre",   "br",     "img",   "base"}) {
    if (name == known) return true;
  }
  return false;
}

readers::ReaderResult Convert(std::string_view bytes, const readers::ReaderServices& services) {
  const std::string text =
      WithoutDownlevelConditionals(PageTextAsUtf8(bytes, DetectCharset(bytes), services.decoder));
  if (text.size() > static_cast<std::size_t>(INT32_MAX)) return Failure("the page is too large");
  if (MostAttributesInATag(text) > kMaxAttributesPerTag) {
    return Failure("the page has a tag with more than " + std::to_string(kMaxAttributesPerTag) +
                   " attributes");
  }
  InitializeParserOnce();

  const std::size_t limit = OutputLimit(bytes.size());
  Parse parse{PageWalker(services.encoder, limit)};
  // An empty buffer gives no context; an empty page converts to nothing.
  const std::string input = text.empty() ? std::string(" ") : text;
  std::unique_ptr<htmlParserCtxt, ContextDeleter> context(
      htmlCreateMemoryParserCtxt(input.data(), static_cast<int>(input.size())));
  if (!context) return Failure("the page could not be read (out of memory)");
  parse.context = context.get();
  // The text is UTF-8 already: without this the parser guesses again at the
  // first byte above 127, and a meta charset must not switch it either.
  xmlSwitchEncoding(context.get(), XML_CHAR_ENCODING_UTF8);

  htmlSAXHandler handler;
  std::memset(&handler, 0, sizeof handler);
  handler.initialized = XML_SAX2_MAGIC;  // so that errors go to serror
  handler.startElement = OnStartElement;
  handler.endElement = OnEndElement;
  handler.characters = OnCharacters;
  handler.ignorableWhitespace = OnCharacters;
  handler.cdataBlock = OnCharacters;
  handler.serror = IgnoreError;
  *context->sax = handler;
  context->userData = &parse;
  htmlCtxtUseOptions(context.get(), HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                        HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC);
  htmlParseDocument(context.get());
  if (context->myDoc != nullptr) {
    xmlFreeDoc(context->myDoc);
    context->myDoc = nullptr;
  }
  parse.walker.Finish();

  if (parse.walker.TooDeep()) {
    return Failure("the page nests its elements more than " +
                   std::to_string(PageWalker::kMaxDepth) + " deep");
  }
  if (parse.walker.OverLimit()) {
    return Failure("the page expands beyond " + std::to_string(limit) + " bytes");
  }
  readers::ReaderResult result;
  result.converted = true;
  result.rtf = readers::RtfDocumentStart(parse.walker.Title(), services.encoder);
  result.rtf += parse.walker.BodyRtf();
  result.rtf += "}";
  return result;
}

}  // namespace corvane::html
