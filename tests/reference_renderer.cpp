// The reference renderer. Every step is the plain reading of the algorithm:
// no byte tables, no runs, no fused passes. Keep it that way; its only job is
// to be obviously right.
#include "tests/reference_renderer.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::reference {
namespace {

enum ParaStateValue {
  BlockOpen = 0,
  ParagraphPending = 1,
  BulletItemPending = 2,
  NumberedItemPending = 3,
  RulePending = 4,
};

bool IsOneOf(unsigned char c, std::string_view set) {
  for (char s : set) {
    if (static_cast<unsigned char>(s) == c) return true;
  }
  return false;
}

bool IsWordDelimiter(unsigned char c) { return c <= 32 || IsOneOf(c, "-0123456789;\\{}"); }

bool IsParameterByte(unsigned char c) {
  return IsOneOf(c, "-0123456789abcdefghijklmnopqrstuvwxyz");
}

bool IsSkippedDestination(const std::string& word) {
  static const char* const kList[] = {"*",       "fonttbl", "colortbl", "stylesheet", "info",
                                      "header",  "footer",  "headerl",  "headerr",    "headerf",
                                      "footerl", "footerr", "footerf",  "field",      "pict"};
  for (const char* name : kList) {
    if (word == name) return true;
  }
  return false;
}

std::string EscapeByte(unsigned char c) {
  if (c == '&') return "&amp;";
  if (c == '<') return "&lt;";
  if (c == '>') return "&gt;";
  return std::string(1, static_cast<char>(c));
}

std::string ReplaceAll(const std::string& text, std::string_view from, std::string_view to) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, from.size(), from) == 0) {
      out += to;
      i += from.size();
    } else {
      out += text[i];
      i += 1;
    }
  }
  return out;
}

class State {
 public:
  explicit State(std::string_view source) : Source(source) { ResetState(); }

  std::string Render() {
    while (Position <= SourceLength) {
      const unsigned char c = Byte(Position);
      if (c < 32) {
        Position += 1;
      } else if (c == '\\') {
        HandleControl();
      } else if (c == '{') {
        HandleBrace(true);
      } else if (c == '}') {
        HandleBrace(false);
      } else {
        EmitChar(c);
        Position += 1;
      }
    }
    return FinishDocument();
  }

 private:
  // 64-bit so that positions past the end (and inputs past 2 GB) stay exact.
  std::string_view Source;
  std::int64_t SourceLength = 0;
  std::int64_t Position = 1;
  std::int64_t Depth = 0;
  std::string Word;
  std::string Param;
  std::string Title;
  std::string Body;
  std::string BlockClose;
  std::string ListClose;
  int ParaState = ParagraphPending;
  bool RowPending = false;
  bool CellPending = false;

  // 1-based; anything outside the input reads as 0.
  unsigned char Byte(std::int64_t index) const {
    if (index < 1 || index > SourceLength) return 0;
    return static_cast<unsigned char>(Source[static_cast<std::size_t>(index - 1)]);
  }

  void ResetState() {
    SourceLength = static_cast<std::int64_t>(Source.size());
    Position = 1;
    Depth = 0;
    Word.clear();
    Param.clear();
    Title.clear();
    Body.clear();
    BlockClose.clear();
    ListClose.clear();
    ParaState = ParagraphPending;
    RowPending = false;
    CellPending = false;
  }

  void HandleControl() {
    Position += 1;
    const unsigned char d = Byte(Position);
    if (d == '\'') {
      const int hi = HexDigitValue(Byte(Position + 1));
      const int lo = HexDigitValue(Byte(Position + 2));
      EmitChar(static_cast<unsigned char>(hi * 16 + lo));
      Position += 3;
    } else if (d == '\\' || d == '{' || d == '}') {
      EmitChar(d);
      Position += 1;
    } else {
      ReadControlWord();
      ApplyControlWord();
    }
  }

  void ReadControlWord() {
    Word.clear();
    do {
      Word += static_cast<char>(Byte(Position));
      Position += 1;
    } while (!IsWordDelimiter(Byte(Position)));
    Param.clear();
    while (IsParameterByte(Byte(Position))) {
      Param += static_cast<char>(Byte(Position));
      Position += 1;
    }
    if (Byte(Position) == ' ') Position += 1;
  }

  void HandleBrace(bool opening) {
    Position += 1;
    if (!opening) {
      Depth -= 1;
      return;
    }
    Depth += 1;
    if (Byte(Position) != '\\') return;
    Position += 1;
    ReadControlWord();
    if (IsSkippedDestination(Word)) SkipDestination();
  }

  void SkipDestination() {
    const std::int64_t saved = Depth;
    while (Position <= SourceLength) {
      const unsigned char b = Byte(Position);
      if (b == '\\' && (Byte(Position + 1) == '{' || Byte(Position + 1) == '}')) {
        Position += 2;
      } else if (b == '\\') {
        Position += 1;
        ReadControlWord();
        if (Word == "pnlvlblt") {
          ParaState = BulletItemPending;
        } else if (Word == "pnlvlbody") {
          ParaState = NumberedItemPending;
        } else if (Word == "title") {
          Title = ReadTitleText();
        }
      } else if (b == '{') {
        Depth += 1;
        Position += 1;
      } else if (b == '}') {
        Depth -= 1;
        Position += 1;
        if (Depth < saved) return;
      } else {
        Position += 1;
      }
    }
  }

  std::string ReadTitleText() {
    std::string out;
    while (Position <= SourceLength) {
      const unsigned char b = Byte(Position);
      if (b == '{' || b == '}') return out;
      if (b == '\\') {
        const unsigned char next = Byte(Position + 1);
        if (next == '\'') {
          const int hi = HexDigitValue(Byte(Position + 2));
          const int lo = HexDigitValue(Byte(Position + 3));
          // Escaped like the literal bytes: an escaped "<" must not be able
          // to close the title element.
          out += EscapeByte(static_cast<unsigned char>(hi * 16 + lo));
          Position += 4;
        } else if (next == '\\' || next == '{' || next == '}') {
          out += static_cast<char>(next);
          Position += 2;
        } else {
          return out;
        }
      } else {
        out += EscapeByte(b);
        Position += 1;
      }
    }
    return out;
  }

  void EmitChar(unsigned char c) {
    std::string prefix;
    if (RowPending) {
      prefix = prefix + BlockClose + ListClose + "\r\n<p>";
      BlockClose = "</p>";
      ListClose = "";
      RowPending = false;
      CellPending = false;
    }
    if (CellPending) {
      prefix = prefix + " | ";
      CellPending = false;
    }
    if (ParaState == ParagraphPending) {
      prefix = prefix + BlockClose + ListClose + "\r\n<p>";
      BlockClose = "</p>";
      ListClose = "";
      ParaState = BlockOpen;
    } else if (ParaState == BulletItemPending) {
      if (ListClose == "</ul>") {
        prefix = prefix + BlockClose + "\r\n<li>";
      } else {
        prefix = prefix + BlockClose + ListClose + "\r\n<ul><li>";
      }
      BlockClose = "</li>";
      ListClose = "</ul>";
      ParaState = BlockOpen;
    } else if (ParaState == NumberedItemPending) {
      if (ListClose == "</ol>") {
        prefix = prefix + BlockClose + "\r\n<li>";
      } else {
        prefix = prefix + BlockClose + ListClose + "\r\n<ol><li>";
      }
      BlockClose = "</li>";
      ListClose = "</ol>";
      ParaState = BlockOpen;
    } else if (ParaState == RulePending) {
      prefix = prefix + BlockClose + ListClose + "\r\n<hr />\r\n";
      BlockClose = "";
      ListClose = "";
      ParaState = ParagraphPending;
    }
    Body += prefix;
    if (c != 0) Body += EscapeByte(c);
  }

  void ApplyControlWord() {
    const std::string& w = Word;
    if (w == "par") {
      ParaState = ParagraphPending;
    } else if (w == "page" || w == "sect") {
      ParaState = RulePending;
      EmitChar(0);
    } else if (w == "row") {
      RowPending = true;
    } else if (w == "cell") {
      CellPending = true;
    } else if (w == "tab" || w == "|" || w == ":") {
      Body += " ";
    } else if (w == "line" || w == "lbr") {
      Body += "<br />\r\n";
    } else if (w == "emdash") {
      Body += "&mdash;";
    } else if (w == "endash") {
      Body += "&ndash;";
    } else if (w == "-") {
      Body += "-";
    } else if (w == "_") {
      Body += "_";
    } else if (w == "~" || w == "emspace" || w == "enspace" || w == "qmspace") {
      Body += "&nbsp;";
    } else if (w == "bullet") {
      Body += "*";
    } else if (w == "lquote") {
      Body += "&lsquo;";
    } else if (w == "rquote") {
      Body += "&rsquo;";
    } else if (w == "ldblquote") {
      Body += "&ldquo;";
    } else if (w == "rdblquote") {
      Body += "&rdquo;";
    }
  }

  std::string FinishDocument() {
    std::string text = Body + BlockClose + ListClose;
    text = CleanUpBody(text);
    return "<!DOCTYPE html>\r\n<html><head>\r\n<title>" + Title + "</title>\r\n" + "</head>\r\n" +
           "<body>" + text + "\r\n</body></html>\r\n";
  }
};

}  // namespace

std::string RenderRtfAsHtml(std::string_view rtf) { return State(rtf).Render(); }

unsigned char HexDigitValue(unsigned char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  if (c >= '0' && c <= '9') return static_cast<unsigned char>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<unsigned char>(c - 'A' + 10);
  return 0;
}

std::string CleanUpBody(std::string_view text) {
  std::string out(text);
  out = ReplaceAll(out, "        ", " ");
  out = ReplaceAll(out, "    ", " ");
  out = ReplaceAll(out, "  ", " ");
  out = ReplaceAll(out, "<p> </p>", "<p>&nbsp;</p>");
  out = ReplaceAll(out, " <", "<");
  out = ReplaceAll(out, "> ", ">");
  out = ReplaceAll(out, "<p></p>\r\n", "");
  return out;
}

}  // namespace corvane::reference
