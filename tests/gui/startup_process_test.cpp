// corvane.exe started as a process, with the command lines a user or an
// uninstaller gives it, and its resources as Windows reads them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "app/logo/jpeg_decoder.h"
#include "app/res/resource_ids.h"
#include "os/win32_handle.h"
#include "platform/web_links.h"
#include "platform/win32_owners.h"
#include "tests/gui/recording_browser.h"

namespace corvane::gui_test {
namespace {

constexpr unsigned kPatience = 60'000;

const std::string kProgram = ToWindowsPath(CORVANE_EXE);
const std::string kBrowser = ToWindowsPath(RECORD_BROWSER_EXE);

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

// A copy of the program in a folder of its own, so that the test decides
// whether an Uninstall.exe lies beside it.
class ProgramCopy {
 public:
  ProgramCopy() {
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(sizeof temp, temp);
    static int serial = 0;
    folder_ = std::string(temp) + "corvane-start-" + std::to_string(::GetCurrentProcessId()) + "-" +
              std::to_string(++serial) + "\\";
    ::CreateDirectoryA(folder_.c_str(), nullptr);
    EXPECT_TRUE(::CopyFileA(kProgram.c_str(), Program().c_str(), FALSE)) << kProgram;
  }
  ~ProgramCopy() {
    ::DeleteFileA(Program().c_str());
    ::DeleteFileA((folder_ + "Uninstall.exe").c_str());
    ::RemoveDirectoryA(folder_.c_str());
  }
  std::string Program() const { return folder_ + "corvane.exe"; }
  void AddUninstaller(LONGLONG written_before_now_ms) const {
    const std::string path = folder_ + "Uninstall.exe";
    const os::win32::KernelHandle file(::CreateFileA(
        path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks{};
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    ticks.QuadPart -= static_cast<ULONGLONG>(written_before_now_ms) * 10'000;
    const FILETIME written{ticks.LowPart, ticks.HighPart};
    ASSERT_TRUE(::SetFileTime(file.Get(), nullptr, nullptr, &written));
  }

 private:
  std::string folder_;
};

struct Process {
  os::win32::KernelHandle handle;
  DWORD id = 0;
};

Process Start(const std::string& program, const std::string& arguments) {
  // Exactly this command line: the program's own splitting is under test.
  std::string command_line = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  Process process;
  if (!::CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
    ADD_FAILURE() << "cannot start " << command_line;
    return process;
  }
  ::CloseHandle(info.hThread);
  process.handle.Reset(info.hProcess);
  process.id = info.dwProcessId;
  return process;
}

struct FindContext {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK FindMainForm(HWND window, LPARAM context_pointer) {
  auto* context = reinterpret_cast<FindContext*>(context_pointer);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  char class_name[64] = {};
  ::GetClassNameA(window, class_name, sizeof class_name);
  if (owner == context->process_id && std::string(class_name) == "CorvaneMainForm" &&
      ::IsWindowVisible(window)) {
    context->found = window;
    return FALSE;
  }
  return TRUE;
}

// The visible main window of the process, once it shows one; null when the
// process ends first.
HWND WaitForMainForm(const Process& process) {
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < kPatience) {
    FindContext context{process.id, nullptr};
    ::EnumWindows(&FindMainForm, reinterpret_cast<LPARAM>(&context));
    if (context.found != nullptr) return context.found;
    if (::WaitForSingleObject(process.handle.Get(), 20) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

DWORD ExitCodeAfterEnd(const Process& process) {
  EXPECT_EQ(::WaitForSingleObject(process.handle.Get(), kPatience), WAIT_OBJECT_0);
  DWORD code = 12345;
  ::GetExitCodeProcess(process.handle.Get(), &code);
  return code;
}

const std::string kUninstallPage =
    std::string(platform::kWebSiteAddress) + "/we/service/uninstall/?prd=crv&v=3.0.0&d=";

struct CommandLineCase {
  const char* name;
  const char* arguments;
  bool uninstall;
};

void PrintTo(const CommandLineCase& c, std::ostream* out) { *out << c.name; }

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, OnlyTheUninstallSwitchSkipsTheWindow) {
  const CommandLineCase& c = GetParam();
  const RecordingBrowser browser(kBrowser);
  const ProgramCopy copy;
  const Process process = Start(copy.Program(), c.arguments);
  ASSERT_TRUE(process.handle);
  if (c.uninstall) {
    EXPECT_EQ(WaitForMainForm(process), nullptr);
    EXPECT_EQ(ExitCodeAfterEnd(process), 0u);
    EXPECT_EQ(browser.Opened(1), kUninstallPage + "999\n");
  } else {
    const HWND form = WaitForMainForm(process);
    ASSERT_NE(form, nullptr);
    char caption[64] = {};
    ::GetWindowTextA(form, caption, sizeof caption);
    EXPECT_STREQ(caption, "Corvane");
    ::PostMessageA(form, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCodeAfterEnd(process), 0u);
    EXPECT_EQ(browser.Opened(1, 3000), "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineTest,
    ::testing::Values(CommandLineCase{"Bare", "/uninstall", true},
                      CommandLineCase{"Quoted", "\"/uninstall\"", true},
                      CommandLineCase{"FollowedByMore", "/uninstall C:\\doc.rtf", true},
                      CommandLineCase{"NoArgument", "", false},
                      CommandLineCase{"WrongCase", "/UNINSTALL", false},
                      CommandLineCase{"HyphenForTheSlash", "-uninstall", false},
                      CommandLineCase{"NoSlash", "uninstall", false},
                      CommandLineCase{"TrailingCharacter", "/uninstallx", false},
                      CommandLineCase{"SecondPosition", "C:\\doc.rtf /uninstall", false},
                      CommandLineCase{"DocumentPath", "C:\\doc.rtf", false}),
    [](const ::testing::TestParamInfo<CommandLineCase>& info) {
      return std::string(info.param.name);
    });

TEST(Uninstall, CountsTheDaysSinceTheUninstallerWasWritten) {
  const RecordingBrowser browser(kBrowser);
  const ProgramCopy copy;
  copy.AddUninstaller((10LL * 24 + 2) * 3'600'000);
  const Process process = Start(copy.Program(), "/uninstall");
  EXPECT_EQ(ExitCodeAfterEnd(process), 0u);
  EXPECT_EQ(browser.Opened(1), kUninstallPage + "10\n");
}

// The program file as Windows sees it: a 32-bit GUI program with its
// manifest, icon, logo and version.
TEST(ProgramFile, IsA32BitGuiProgramWithItsResources) {
  const std::string image = ReadFile(kProgram);
  ASSERT_GT(image.size(), 0x200u);
  IMAGE_DOS_HEADER dos{};
  std::memcpy(&dos, image.data(), sizeof dos);
#ifdef _WIN64
  // The 64-bit test build, where 32-bit programs cannot run: its own header.
  IMAGE_NT_HEADERS64 nt{};
  std::memcpy(&nt, image.data() + dos.e_lfanew, sizeof nt);
  EXPECT_EQ(nt.FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
#else
  IMAGE_NT_HEADERS32 nt{};
  std::memcpy(&nt, image.data() + dos.e_lfanew, sizeof nt);
  EXPECT_EQ(nt.FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
  EXPECT_NE(nt.FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE, 0);
#endif
  EXPECT_EQ(nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

  const platform::Module module(
      ::LoadLibraryExA(kProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module);
  const auto resource = [&](LPCSTR id, LPCSTR type) {
    const HRSRC found = ::FindResourceA(module.Get(), id, type);
    const void* data =
        found != nullptr ? ::LockResource(::LoadResource(module.Get(), found)) : nullptr;
    return data == nullptr
               ? std::string()
               : std::string(static_cast<const char*>(data), ::SizeofResource(module.Get(), found));
  };
  const std::string manifest = resource(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                           "level=\"asInvoker\" uiAccess=\"false\"", ">true</dpiAware>"}) {
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  }
  EXPECT_FALSE(resource(MAKEINTRESOURCEA(IDI_CORVANE), MAKEINTRESOURCEA(14)).empty()) << "no icon";
  const std::string logo = resource(MAKEINTRESOURCEA(IDR_LOGO), MAKEINTRESOURCEA(10));
  app::DecodedImage picture;
  std::string error;
  ASSERT_TRUE(app::DecodeJpeg(reinterpret_cast<const std::uint8_t*>(logo.data()), logo.size(),
                              picture, error))
      << error;
  EXPECT_EQ(picture.width, 137);
  EXPECT_EQ(picture.height, 129);

  DWORD ignored = 0;
  std::string version(::GetFileVersionInfoSizeA(kProgram.c_str(), &ignored), '\0');
  ASSERT_FALSE(version.empty());
  ASSERT_TRUE(::GetFileVersionInfoA(kProgram.c_str(), 0, static_cast<DWORD>(version.size()),
                                    version.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueA(version.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00030000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  char* text = nullptr;
  ASSERT_TRUE(::VerQueryValueA(version.data(), "\\StringFileInfo\\040904E4\\ProductVersion",
                               reinterpret_cast<void**>(&text), &length));
  EXPECT_STREQ(text, "3.0.0");
}

}  // namespace
}  // namespace corvane::gui_test
