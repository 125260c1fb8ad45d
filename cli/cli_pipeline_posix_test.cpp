// corvane-cli as the step of a pipeline: lists of names, an output folder,
// more workers and the JSON report.
#include <sys/resource.h>

#include <algorithm>
#include <map>

#include "cli/cli_process_posix_support.h"
#include "engine/rtf2html.h"

namespace {

using namespace corvane::cli::testing;

const std::string kRtf = "{\\rtf1 Hello \\b world\\b0\\par}";

// The values of one key in every JSON line that has it (string values
// without escapes, numbers, literals).
std::vector<std::string> Values(const std::string& lines, const std::string& key) {
  std::vector<std::string> values;
  const std::string marker = "\"" + key + "\":";
  for (std::size_t at = lines.find(marker); at != std::string::npos;
       at = lines.find(marker, at + 1)) {
    std::size_t begin = at + marker.size();
    std::size_t end;
    if (lines[begin] == '"') {
      end = lines.find('"', ++begin);
    } else {
      end = lines.find_first_of(",}", begin);
    }
    values.push_back(lines.substr(begin, end - begin));
  }
  return values;
}

std::size_t Count(const std::vector<std::string>& values, const std::string& value) {
  return static_cast<std::size_t>(std::count(values.begin(), values.end(), value));
}

class CliPipelineTest : public CliProcessTest {};

TEST_F(CliPipelineTest, ListsHoldAwkwardNamesAndTheReportCountsEveryFile) {
  const std::vector<std::string> names = {"plain.rtf", "with space.rtf", "-leading dash.rtf",
                                          "tab\there.rtf"};
  for (const std::string& name : names) Write("docs/" + name, kRtf);
  Write("docs/line\nfeed.rtf", kRtf);
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string list;
    std::size_t converted;
    std::size_t failed;
  };
  std::string lines, nul_separated, crlf;
  for (const std::string& name : names) {
    lines += "docs/" + name + "\n";
    crlf += "docs/" + name + "\r\n";
    nul_separated += "docs/" + name + '\0';
  }
  nul_separated += std::string("docs/line\nfeed.rtf") + '\0';
  const Case cases[] = {
      {"lines on standard input", {"--files-from", "-"}, lines, 4, 0},
      {"lines that end in CR LF", {"--files-from=-"}, crlf, 4, 0},
      {"NUL-separated, a line feed inside a name",
       {"-0", "--files-from", "-"},
       nul_separated,
       5,
       0},
      // A file named twice, or named and found in a named folder, is
      // converted and counted once.
      {"a list and a path on the command line naming one of its files again",
       {"--files-from", "-", "docs/plain.rtf"},
       lines,
       4,
       0},
      {"a list naming the files of a folder named on the command line",
       {"--files-from", "-", "docs"},
       lines,
       5,
       0},
      {"a list naming a folder and, spelt otherwise, a file in it",
       {"-0", "--files-from", "-"},
       "./docs/" + std::string(1, '\0') + "docs//./plain.rtf" + std::string(1, '\0'),
       5,
       0},
      {"a missing name in the list", {"--files-from", "-"}, lines + "docs/gone.rtf\n", 4, 1},
      {"a list that cannot be opened", {"--files-from", "no-such-list"}, "", 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = c.args;
    args.push_back("--report");
    args.push_back("json");
    const Answer answer = Ask(args, c.list);
    EXPECT_EQ(answer.status, c.failed == 0 ? 0 : 1) << answer.errors;
    const std::vector<std::string> status = Values(answer.output, "status");
    EXPECT_EQ(Count(status, "converted"), c.converted) << answer.output;
    EXPECT_EQ(Count(status, "failed"), c.failed) << answer.output;
    EXPECT_EQ(Values(answer.output, "converted"),
              std::vector<std::string>{std::to_string(c.converted)});
    EXPECT_EQ(Values(answer.output, "failed"), std::vector<std::string>{std::to_string(c.failed)});
    EXPECT_EQ(answer.errors.find("Item "), std::string::npos) << "progress off a terminal";
  }
  EXPECT_EQ(Read(root_ / "docs" / "line\nfeed.html"), corvane::RenderRtfAsHtml(kRtf));
}

TEST_F(CliPipelineTest, AnOutputFolderMirrorsTheTreeAndNeverWritesToTheSources) {
  Write("src/top.rtf", kRtf);
  Write("src/a/b/deep.rtf", kRtf);
  Write("src/a/same.rtf", kRtf);
  Write("other/same.rtf", kRtf);
  Write("other/same.RTF", "{\\rtf1 other}");
  Write("other/single.rtf", kRtf);
  fs::permissions(root_ / "src",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const Answer answer = Ask({"src", "other/single.rtf", "--outdir", "out/new", "--jobs", "1"});
  fs::permissions(root_ / "src", fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(answer.status, 0) << answer.errors;
  for (const char* output : {"out/new/src/top.html", "out/new/src/a/b/deep.html",
                             "out/new/src/a/same.html", "out/new/other/single.html"}) {
    EXPECT_EQ(Read(root_ / output), corvane::RenderRtfAsHtml(kRtf)) << output;
  }
  EXPECT_FALSE(fs::exists(root_ / "src" / "top.html"));
  EXPECT_FALSE(fs::exists(root_ / "other" / "single.html"));

  // Both have the output out/new/other/same.html: with one worker the
  // second one fails.
  const Answer clash =
      Ask({"--outdir", "out/new", "--jobs", "1", "other/same.rtf", "other/same.RTF"});
  EXPECT_EQ(clash.status, 1);
  EXPECT_NE(clash.errors.find("other/same.RTF: not converted: its output"), std::string::npos)
      << clash.errors;
  EXPECT_EQ(Read(root_ / "out/new/other/same.html"), corvane::RenderRtfAsHtml(kRtf));

  // With two at once either may get there first: one fails, and the output
  // is the other's.
  fs::remove(root_ / "out/new/other/same.html");
  const Answer race = Ask({"--outdir", "out/new", "other/same.rtf", "other/same.RTF"});
  EXPECT_EQ(race.status, 1);
  const bool first_won =
      race.errors.find("other/same.RTF: not converted: its output") != std::string::npos;
  const bool second_won =
      race.errors.find("other/same.rtf: not converted: its output") != std::string::npos;
  EXPECT_NE(first_won, second_won) << race.errors;
  EXPECT_EQ(Read(root_ / "out/new/other/same.html"),
            corvane::RenderRtfAsHtml(first_won ? kRtf : std::string_view("{\\rtf1 other}")))
      << race.errors;
}

// An output's place below the output folder is the source's name as
// given, without its root and "./", wherever the name came from: named,
// found in a named folder, listed from inside the tree as find lists it.
TEST_F(CliPipelineTest, AnOutputFolderPlacesEachSourceAtItsNameAsGiven) {
  Write("src/a/b.rtf", kRtf);
  const std::string full = (root_ / "src/a/b.rtf").string();
  const std::string nul(1, '\0');
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string list;
    std::string output;  // below out/
  };
  const Case cases[] = {
      {"a named folder", {"src"}, "", "src/a/b.html"},
      {"a named folder below it", {"src/a/"}, "", "src/a/b.html"},
      {"the file itself", {"src/a/b.rtf"}, "", "src/a/b.html"},
      {"a \"./\" and doubled separators", {"./src//a/./b.rtf"}, "", "src/a/b.html"},
      {"a full name", {full}, "", full.substr(1, full.size() - 4) + "html"},
      {"the current folder", {"."}, "", "src/a/b.html"},
      {"a list as find . -print0 writes it",
       {"-0", "--files-from", "-"},
       "." + nul + "./src" + nul + "./src/a" + nul + "./src/a/b.rtf" + nul,
       "src/a/b.html"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(root_ / "out");
    std::vector<std::string> args = c.args;
    for (const char* arg : {"--outdir", "out", "--report", "json"}) args.push_back(arg);
    const Answer answer = Ask(args, c.list);
    EXPECT_EQ(answer.status, 0) << answer.errors;
    EXPECT_EQ(Values(answer.output, "converted"), std::vector<std::string>{"1"}) << answer.output;
    EXPECT_EQ(Read(root_ / "out" / c.output), corvane::RenderRtfAsHtml(kRtf)) << c.output;
  }
}

// The output folder cannot be made: nothing is converted, and a report
// still ends with its summary.
TEST_F(CliPipelineTest, AnOutputFolderThatCannotBeMadeIsOneFailureInTheReport) {
  Write("doc.rtf", kRtf);
  Write("blocker", "a file where a folder would go");
  const Answer answer = Ask({"doc.rtf", "--outdir", "blocker/out", "--report", "json"});
  EXPECT_EQ(answer.status, 1) << answer.errors;
  EXPECT_EQ(Values(answer.output, "converted"), std::vector<std::string>{"0"}) << answer.output;
  EXPECT_EQ(Values(answer.output, "failed"), std::vector<std::string>{"1"}) << answer.output;
  EXPECT_NE(answer.errors.find("cannot make the folder"), std::string::npos) << answer.errors;
  EXPECT_FALSE(fs::exists(root_ / "doc.html"));
}

// With src named too, src/../victim/page.rtf lies "below" src by its
// name: its output must not climb out of the output folder to victim/.
TEST_F(CliPipelineTest, AnOutputFolderRefusesNamesThatClimbOutOfIt) {
  Write("src/kept.rtf", kRtf);
  Write("victim/page.rtf", kRtf);
  Write("victim/page.html", "precious");
  fs::create_directories(root_ / "src/a");
  const std::string climbing = "src/../victim/page.rtf";
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string list;
  };
  const Case cases[] = {
      {"on the command line", {"src", climbing}, ""},
      {"in a list", {"src", "--files-from", "-"}, climbing + "\n"},
      {"in a NUL-separated list, deeper",
       {"src", "-0", "--files-from", "-"},
       "src/a/../../victim/page.rtf" + std::string(1, '\0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = c.args;
    for (const char* arg : {"--outdir", "out", "--jobs", "1", "--report", "json"}) {
      args.push_back(arg);
    }
    const Answer answer = Ask(args, c.list);
    EXPECT_EQ(answer.status, 1) << answer.errors;
    EXPECT_EQ(Values(answer.output, "failed"), std::vector<std::string>{"1"}) << answer.output;
    EXPECT_EQ(Values(answer.output, "converted"), std::vector<std::string>{"1"}) << answer.output;
    EXPECT_NE(answer.errors.find(
                  "victim/page.rtf: not converted: its name climbs out of the folder with \"..\""),
              std::string::npos)
        << answer.errors;
    EXPECT_EQ(Read(root_ / "victim/page.html"), "precious");
  }
}

// A link below the output folder, made by anyone who may write there,
// would send outputs elsewhere: no output goes through one.
TEST_F(CliPipelineTest, AnOutputFolderNeverWritesThroughALinkInIt) {
  Write("src/a/b/deep.rtf", kRtf);
  Write("src/a/near.rtf", kRtf);
  struct Case {
    const char* name;
    const char* link;  // below out/, to elsewhere/
    std::size_t failed;
  };
  const Case cases[] = {
      {"a linked first folder", "src", 2},
      {"a linked deeper folder", "src/a/b", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* folder : {"out", "elsewhere"}) fs::remove_all(root_ / folder);
    fs::create_directories(root_ / "elsewhere");
    fs::create_directories((root_ / "out" / c.link).parent_path());
    fs::create_directory_symlink(root_ / "elsewhere", root_ / "out" / c.link);
    const Answer answer = Ask({"src", "--outdir", "out", "--jobs", "1", "--report", "json"});
    EXPECT_EQ(answer.status, 1) << answer.errors;
    EXPECT_EQ(Values(answer.output, "failed"), std::vector<std::string>{std::to_string(c.failed)})
        << answer.output;
    EXPECT_NE(answer.errors.find("is a symbolic link"), std::string::npos) << answer.errors;
    EXPECT_TRUE(fs::is_empty(root_ / "elsewhere"));
  }
}

TEST_F(CliPipelineTest, AnyNumberOfWorkersWritesTheSameOutputs) {
  std::vector<std::string> contents;
  for (int i = 0; i < 24; ++i) {
    contents.push_back("{\\rtf1 document " + std::to_string(i) + std::string(5000 + i, 'z') + "}");
    Write("tree/d" + std::to_string(i % 4) + "/f" + std::to_string(i) + ".rtf", contents.back());
  }
  for (const char* jobs : {"1", "2", "4"}) {
    SCOPED_TRACE(jobs);
    const std::string out = std::string("out") + jobs;
    const Answer answer =
        Ask({std::string("-j") + jobs, "--outdir", out, "tree", "--report", "json"});
    EXPECT_EQ(answer.status, 0) << answer.errors;
    EXPECT_EQ(Count(Values(answer.output, "status"), "converted"), contents.size());
    for (int i = 0; i < 24; ++i) {
      const fs::path output = root_ / out / "tree" / ("d" + std::to_string(i % 4)) /
                              ("f" + std::to_string(i) + ".html");
      EXPECT_EQ(Read(output), corvane::RenderRtfAsHtml(contents[static_cast<std::size_t>(i)]));
    }
  }
}

TEST_F(CliPipelineTest, UsageErrorsOfTheNewOptions) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--jobs", "0", "x"}, "--jobs needs a number"},
      {{"--jobs", "many", "x"}, "--jobs needs a number"},
      {{"-j"}, "--jobs needs a number"},
      {{"-j1x", "x"}, "--jobs needs a number"},
      {{"--jobs=65", "x"}, "--jobs needs a number"},
      {{"--report", "xml", "x"}, "--report knows one format: json"},
      {{"--files-from"}, "--files-from needs a file"},
      {{"-0", "x"}, "--null applies to --files-from"},
      {{"--outdir", "o", "-"}, "'-' takes no paths"},
  };
  for (const auto& [args, message] : cases) {
    SCOPED_TRACE(args.front());
    const Answer answer = Ask(args);
    EXPECT_EQ(answer.status, 2);
    EXPECT_NE(answer.errors.find(message), std::string::npos) << answer.errors;
  }
}

// A list of a million names streams: memory holds a bounded part of it.
// Most names are an empty folder (each costs a listing, no disk write);
// every thousandth is a document, so the count shows nothing was lost.
TEST_F(CliPipelineTest, AMillionLineListStreamsInBoundedMemory) {
  fs::create_directories(root_ / "empty");
  std::string list;
  const std::string folder_line = (root_ / "empty").string() + "\n";
  for (int i = 1; i <= 1000000; ++i) {
    if (i % 1000 != 0) {
      list += folder_line;
      continue;
    }
    // A document of its own each time: one named twice converts once.
    list += Write("docs/" + std::to_string(i / 1000) + ".rtf", kRtf).string() + "\n";
  }
  const fs::path list_file = Write("list.txt", list);
  list.clear();
  list.shrink_to_fit();

  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(root_.c_str()) != 0) ::_exit(120);
    ::dup2(::open(list_file.c_str(), O_RDONLY), 0);
    ::dup2(::open((root_ / "out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    ::dup2(::open("/dev/null", O_WRONLY), 2);
    ::execl(CORVANE_CLI_PATH, CORVANE_CLI_PATH, "--files-from", "-", "--report", "json",
            static_cast<char*>(nullptr));
    ::_exit(121);
  }
  int status = 0;
  rusage usage{};
  ASSERT_EQ(::wait4(pid, &status, 0, &usage), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const std::string output = Read(root_ / "out.txt");
  EXPECT_EQ(Values(output, "converted"), std::vector<std::string>{"1000"});
  EXPECT_EQ(Values(output, "failed"), std::vector<std::string>{"0"});
  // The list alone is 30 MB or more; a queue of all of it several times that.
  const long peak_kb = usage.ru_maxrss;
  RecordProperty("peak_rss_kb", std::to_string(peak_kb));
  std::printf("peak memory for a million-line list: %ld KB\n", peak_kb);
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer's own bookkeeping and quarantine dwarf the figure.
#else
  EXPECT_LT(peak_kb, 24 * 1024);
#endif
}

}  // namespace
