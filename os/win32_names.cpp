#include "os/win32_names.h"

#include "os/win32_handle.h"

namespace corvane::os::win32 {
namespace {

// FILE_ATTRIBUTE_TAG_INFO, read through GetFileInformationByHandleEx,
// which Windows before Vista lacks: looked up, not imported.
using GetInformationByHandleEx = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);

GetInformationByHandleEx FindGetInformationByHandleEx() {
  const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<GetInformationByHandleEx>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "GetFileInformationByHandleEx")));
}

}  // namespace

bool ToExactAnsi(const wchar_t* name, std::string& ansi) {
  ansi.clear();
  // UTF-8 has an exact form for every valid name, and refuses the flag
  // that asks for one; other code pages must be told not to best-fit.
  const bool utf8 = ::GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* used_default_out = utf8 ? nullptr : &used_default;
  const int size =
      ::WideCharToMultiByte(CP_ACP, flags, name, -1, nullptr, 0, nullptr, used_default_out);
  if (size <= 0 || used_default) return false;
  ansi.resize(static_cast<std::size_t>(size));
  if (::WideCharToMultiByte(CP_ACP, flags, name, -1, ansi.data(), size, nullptr,
                            used_default_out) != size ||
      used_default) {
    ansi.clear();
    return false;
  }
  ansi.resize(static_cast<std::size_t>(size) - 1);  // the terminator
  return true;
}

std::string ToDisplayAnsi(const wchar_t* name) {
  const int size = ::WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return "?";
  std::string ansi(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, name, -1, ansi.data(), size, nullptr, nullptr);
  ansi.resize(static_cast<std::size_t>(size) - 1);
  return ansi;
}

std::wstring ToWide(const std::string& name) {
  if (name.empty()) return {};
  const int size = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name.data(),
                                         static_cast<int>(name.size()), nullptr, 0);
  if (size <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()),
                        wide.data(), size);
  return wide;
}

bool IsLinkReparsePoint(const std::string& path) {
  const KernelHandle handle(::CreateFileA(
      path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return !handle || IsLinkReparsePoint(handle.Get());
}

bool IsLinkReparsePoint(HANDLE file) {
  static const GetInformationByHandleEx get_information = FindGetInformationByHandleEx();
  if (get_information == nullptr) return true;
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!get_information(file, FileAttributeTagInfo, &tag, sizeof tag)) return true;
  if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return false;
  // Symbolic links, junctions and the like name another entry: the tag's
  // name-surrogate bit says so. A tag of 0 was not read.
  return tag.ReparseTag == 0 || IsReparseTagNameSurrogate(tag.ReparseTag);
}

}  // namespace corvane::os::win32
