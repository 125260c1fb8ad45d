#include "batch/file_masks.h"

#include <gtest/gtest.h>

namespace corvane::batch {
namespace {

struct MaskCase {
  const char* name;
  const char* masks;
  bool matches;
};

TEST(FileMasks, MatchesWholeNamesAgainstTheList) {
  const MaskCase cases[] = {
      // The supported list.
      {"Report.RTF", SupportedFileMasks.data(), true},
      {"C:\\Docs\\letter.doc", SupportedFileMasks.data(), true},
      {"report.xlsx", SupportedFileMasks.data(), false},
      {"budgetxls", SupportedFileMasks.data(), true},  // "*xls" has no dot
      {"a.fooxls", SupportedFileMasks.data(), true},
      {"page.htm", SupportedFileMasks.data(), true},
      {"PAGE.OTM", SupportedFileMasks.data(), true},
      {"page.html", SupportedFileMasks.data(), false},  // its own output's name
      {"notes.txt", SupportedFileMasks.data(), false},
      {"notes.rtf.bak", SupportedFileMasks.data(), false},
      {"rtf", SupportedFileMasks.data(), false},
      {".rtf", SupportedFileMasks.data(), true},
      {"old.Wk4", SupportedFileMasks.data(), true},
      // List syntax.
      {"a.txt", "*.doc|*.txt", false},  // nothing after "|" counts
      {"a.doc", "*.doc|*.txt", true},
      {"a.txt", ";;*.txt;", true},  // empty masks are skipped
      {"a.txt", "", false},
      {"a.txt", ";;", false},
      {"a.txt", " *.txt", false},  // a space is part of the mask
      {" a.txt", " *.txt", true},
      // Mask syntax.
      {"abc", "abc", true},
      {"abcd", "abc", false},
      {"ab", "abc", false},
      {"ABC", "abc", true},
      {"x.tar.gz", "*.gz", true},
      {"x.tar.gz", "*.tar", false},
      {"dir.old\\readme", "*.old*", true},
      {"aXbXc", "a*b*c", true},
      {"abcbc", "a*bc", true},
      {"acb", "a*bc", false},
      {"", "*", true},
      {"anything", "**", true},
      {"\xc9t\xc9.rtf", "*.rtf", true},
      {"\xc9.rtf", "\xe9.rtf", false},  // only ASCII letters fold
  };
  for (const MaskCase& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " against " + c.masks);
    EXPECT_EQ(MatchesMaskList(c.name, c.masks), c.matches);
  }
}

TEST(FileMasks, EverySupportedTypeAndNothingNear) {
  const MaskCase cases[] = {
      {"a.rtf", "", true},  {"a.doc", "", true},   {"a.docx", "", true}, {"a.docm", "", true},
      {"a.wps", "", true},  {"a.wpd", "", true},   {"a.pwd", "", true},  {"a.pwi", "", true},
      {"a.wk1", "", true},  {"a.wk3", "", true},   {"a.wk4", "", true},  {"a.xls", "", true},
      {"a.xlw", "", true},  {"a.mcw", "", true},   {"a.wpt", "", true},  {"a.wri", "", true},
      {"a.dot", "", false}, {"a.dotx", "", false}, {"a.wk2", "", false}, {"a.xlsm", "", false},
      {"a.odt", "", false}, {"a.txt", "", false},  {"a.wp", "", false},  {"a.docx.tmp", "", false},
  };
  for (const MaskCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MatchesMaskList(c.name, SupportedFileMasks), c.matches);
  }
}

TEST(FileMasks, OpenDialogFilterOffersTheSupportedMasksThenEverything) {
  EXPECT_EQ(OpenDialogFilter(),
            "Supported files|*.rtf;*.doc;*.docx;*.docm;*.wps;*.wpd;*.pwd;*.pwi;*.wk1;*.wk3;*.wk4;"
            "*xls;*.xlw;*.mcw;*.wps;*.wpt;*.wri;*.htm;*.htx;*.otm|All Files (*.*)|*.*");
}

TEST(FileMasks, ManyStarsStayFast) {
  // A mask that makes naive recursive matching exponential.
  const std::string name(2000, 'a');
  const std::string mask = std::string(50, '*') + "b";
  EXPECT_FALSE(MatchesMask(name, mask));
}

}  // namespace
}  // namespace corvane::batch
