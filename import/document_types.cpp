#include "import/document_types.h"

#include <array>

#include "os/os.h"

namespace corvane::import {
namespace {

using Names = std::string_view;

constexpr Names kRtf[] = {".rtf"};
constexpr Names kDoc[] = {".doc"};
constexpr Names kDocClasses[] = {"Word97",      "MSWord8",    "WordPerfect6x",
                                 "WrdPrfctDos", "LexiconDos", "MSWordWin2"};
constexpr Names kWri[] = {".wri"};
constexpr Names kWriClasses[] = {"MSWinWrite.wpc"};
constexpr Names kWpd[] = {".wpd"};
constexpr Names kWpdClasses[] = {"WordPerfect6x"};
constexpr Names kPwd[] = {".pwd"};
constexpr Names kPwdClasses[] = {"MSPocketWord"};
constexpr Names kPwi[] = {".pwi"};
constexpr Names kPwiClasses[] = {"MSInkWriter"};
constexpr Names kHtml[] = {".html", ".htm", ".htx", ".otm"};
constexpr Names kHtmlClasses[] = {"HTML"};
constexpr Names kLotus[] = {".wk1", ".wk3", ".wk4"};
constexpr Names kLotusClasses[] = {"Lotus123"};
constexpr Names kExcel[] = {".xls", ".xlw"};
constexpr Names kExcelClasses[] = {"MSBiff"};
constexpr Names kMcw[] = {".mcw"};
constexpr Names kMcwClasses[] = {"MSWordMac"};
constexpr Names kWps[] = {".wps"};
constexpr Names kWpsClasses[] = {"MSWorksWin6", "WorksWin6", "MSWorksWin5", "WorksWin5",
                                 "MSWorksWin4"};
constexpr Names kWpt[] = {".wpt"};
constexpr Names kWptClasses[] = {"MSWorksWin5"};
constexpr Names kDocm[] = {".docm"};
constexpr Names kDocmClasses[] = {"MEWord12"};
constexpr Names kDocx[] = {".docx"};
constexpr Names kDocxClasses[] = {"Word12"};

constexpr std::array<DocumentType, 14> kDocumentTypes = {{
    {kRtf, {}},
    {kDoc, kDocClasses},
    {kWri, kWriClasses},
    {kWpd, kWpdClasses},
    {kPwd, kPwdClasses},
    {kPwi, kPwiClasses},
    {kHtml, kHtmlClasses},
    {kLotus, kLotusClasses},
    {kExcel, kExcelClasses},
    {kMcw, kMcwClasses},
    {kWps, kWpsClasses},
    {kWpt, kWptClasses},
    {kDocm, kDocmClasses},
    {kDocx, kDocxClasses},
}};

}  // namespace

std::string_view ExtensionOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  if (name.find_first_of(os::kNameSeparators, dot) != std::string_view::npos) return {};
  return name.substr(dot);
}

std::string DefaultOutputName(std::string_view input) {
  const std::string_view extension = ExtensionOf(input);
  // Keep the dot; a name without extension keeps all of itself.
  const std::size_t keep = extension.empty() ? input.size() : input.size() - extension.size() + 1;
  std::string output(input.substr(0, keep));
  output += "html";
  return output;
}

const DocumentType* FindDocumentType(std::string_view extension) {
  std::string lowered(extension);
  os::LowerCaseAnsi(lowered);
  for (const DocumentType& type : kDocumentTypes) {
    for (std::string_view e : type.extensions) {
      if (lowered == e) return &type;
    }
  }
  return nullptr;
}

std::span<const DocumentType> DocumentTypes() { return kDocumentTypes; }

}  // namespace corvane::import
