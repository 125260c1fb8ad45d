// Files, names and folder listings through the ANSI Win32 calls.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <utility>

#include "os/os.h"
#include "os/win32_handle.h"
#include "os/win32_names.h"

namespace corvane::os {
namespace {

// ReadFile and WriteFile take a DWORD count; larger buffers go in pieces.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

bool IsDotOrDotDot(const wchar_t* name) {
  return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0;
}

bool ReadIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
  const win32::KernelHandle handle(
      ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return handle && ::GetFileInformationByHandle(handle.Get(), &info);
}

bool SameIdentity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace

void File::Close() {
  if (handle_ != kInvalid) ::CloseHandle(AsHandle(std::exchange(handle_, kInvalid)));
}

File File::OpenForReading(const std::string& path, ErrorCode& error) {
  // FILE_SHARE_READ alone: other readers are welcome, writers are refused
  // while we read, and we are refused if someone is writing.
  const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ::GetLastError();
    return File();
  }
  error = ERROR_SUCCESS;
  return File(reinterpret_cast<std::intptr_t>(handle));
}

File File::CreateForWriting(const std::string& path, ErrorCode& error) {
  const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ::GetLastError();
    return File();
  }
  error = ERROR_SUCCESS;
  return File(reinterpret_cast<std::intptr_t>(handle));
}

File File::CreateNew(const std::string& path, const std::string& /*permissions_from*/,
                     ErrorCode& error) {
  const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ::GetLastError();
    return File();
  }
  error = ERROR_SUCCESS;
  return File(reinterpret_cast<std::intptr_t>(handle));
}

File File::OpenExistingToRewrite(const std::string& path, ErrorCode& error) {
  // The reparse point itself is opened, not what it names, so that the
  // checks below see a link as a link.
  const HANDLE handle =
      ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = ::GetLastError();
    return File();
  }
  File file(reinterpret_cast<std::intptr_t>(handle));
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
      ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
       win32::IsLinkReparsePoint(handle))) {
    error = ERROR_INVALID_PARAMETER;
    return File();
  }
  error = ERROR_SUCCESS;
  return file;
}

bool File::IsSameFileAs(const std::string& path) const {
  BY_HANDLE_FILE_INFORMATION mine{};
  BY_HANDLE_FILE_INFORMATION theirs{};
  return handle_ != kInvalid && ::GetFileInformationByHandle(AsHandle(handle_), &mine) &&
         ReadIdentity(path, theirs) && SameIdentity(mine, theirs);
}

bool File::Truncate(ErrorCode& error) {
  if (handle_ == kInvalid) {
    error = ERROR_INVALID_HANDLE;
    return false;
  }
  const LARGE_INTEGER start{};
  if (!::SetFilePointerEx(AsHandle(handle_), start, nullptr, FILE_BEGIN) ||
      !::SetEndOfFile(AsHandle(handle_))) {
    error = ::GetLastError();
    return false;
  }
  error = ERROR_SUCCESS;
  return true;
}

bool File::FlushToDisk(ErrorCode& error) {
  if (handle_ == kInvalid) {
    error = ERROR_INVALID_HANDLE;
    return false;
  }
  if (!::FlushFileBuffers(AsHandle(handle_))) {
    error = ::GetLastError();
    return false;
  }
  error = ERROR_SUCCESS;
  return true;
}

bool File::ReadAll(Bytes& content, ErrorCode& error) {
  content = {};
  if (handle_ == kInvalid) {
    error = ERROR_INVALID_HANDLE;
    return false;
  }
  const HANDLE handle = AsHandle(handle_);
  LARGE_INTEGER size{};
  const LARGE_INTEGER start{};
  if (!::GetFileSizeEx(handle, &size) || !::SetFilePointerEx(handle, start, nullptr, FILE_BEGIN)) {
    error = ::GetLastError();
    return false;
  }
  if (static_cast<unsigned long long>(size.QuadPart) >= SIZE_MAX / 2) {
    error = ERROR_FILE_TOO_LARGE;
    return false;
  }
  const std::size_t wanted_size = static_cast<std::size_t>(size.QuadPart);
  content.block = std::make_unique_for_overwrite<char[]>(wanted_size);
  content.capacity = wanted_size;
  while (content.size < wanted_size) {
    const DWORD wanted = static_cast<DWORD>(std::min(wanted_size - content.size, kMaxTransfer));
    DWORD got = 0;
    if (!::ReadFile(handle, content.block.get() + content.size, wanted, &got, nullptr)) {
      error = ::GetLastError();
      content = {};
      return false;
    }
    if (got == 0) {  // the file shrank under us
      error = ERROR_HANDLE_EOF;
      content = {};
      return false;
    }
    content.size += got;
  }
  error = ERROR_SUCCESS;
  return true;
}

bool File::WriteAll(std::string_view data, ErrorCode& error) {
  if (handle_ == kInvalid) {
    error = ERROR_INVALID_HANDLE;
    return false;
  }
  std::size_t done = 0;
  while (done < data.size()) {
    const DWORD wanted = static_cast<DWORD>(std::min(data.size() - done, kMaxTransfer));
    DWORD put = 0;
    if (!::WriteFile(AsHandle(handle_), data.data() + done, wanted, &put, nullptr)) {
      error = ::GetLastError();
      return false;
    }
    if (put == 0) {  // would loop for ever
      error = ERROR_WRITE_FAULT;
      return false;
    }
    done += put;
  }
  error = ERROR_SUCCESS;
  return true;
}

RemoveResult RemoveFile(const std::string& path) {
  if (::DeleteFileA(path.c_str()) != FALSE) return RemoveResult::kRemoved;
  const DWORD error = ::GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? RemoveResult::kMissing
                                                                        : RemoveResult::kFailed;
}

bool FitsPathLimit(const std::string& path) {
  // The ANSI calls turn the name into UTF-16 first, and the limit applies
  // to that: a Cyrillic name in UTF-8 takes two bytes a letter, one unit.
  const std::wstring wide = win32::ToWide(path);
  return !wide.empty() && wide.size() < MAX_PATH;
}

CreateFailure ClassifyCreateFailure(ErrorCode error) {
  switch (error) {
    case ERROR_FILENAME_EXCED_RANGE: return CreateFailure::kNameTooLong;
    case ERROR_ACCESS_DENIED: return CreateFailure::kAccessDenied;
    default: return CreateFailure::kOther;
  }
}

bool ProcessIsRunning(unsigned long id) {
  const win32::KernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, id));
  // No such process answers "invalid parameter"; a refusal means it runs.
  if (!process) return ::GetLastError() != ERROR_INVALID_PARAMETER;
  return ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

bool ReplaceFileWith(const std::string& from, const std::string& to, ErrorCode& error) {
  if (!::MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = ::GetLastError();
    return false;
  }
  error = ERROR_SUCCESS;
  return true;
}

NameKind ExamineName(const std::string& path, ErrorCode& error) {
  error = ERROR_SUCCESS;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) {
      error = ERROR_SUCCESS;
      return NameKind::kNothing;
    }
    return NameKind::kUnknown;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && win32::IsLinkReparsePoint(path)) {
    return NameKind::kLink;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return NameKind::kFolder;
  // A device name (CON, NUL, COM1 with any extension on older systems)
  // answers attributes too; only a disk file is a file.
  const win32::KernelHandle handle(::CreateFileA(
      path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (handle && ::GetFileType(handle.Get()) != FILE_TYPE_DISK) return NameKind::kSpecial;
  return NameKind::kFile;
}

bool MayReplaceFile(const std::string& path, ErrorCode& error) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    error = ERROR_ACCESS_DENIED;
    return false;
  }
  // Asked as the truncating create asked, so that a file someone else
  // holds answers as it did: a sharing violation (or access denied).
  const win32::KernelHandle probe(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                nullptr));
  if (!probe) {
    error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return false;  // gone meanwhile: nothing to replace
  }
  error = ERROR_SUCCESS;
  return true;
}

bool IsSameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION info_a{};
  BY_HANDLE_FILE_INFORMATION info_b{};
  return ReadIdentity(a, info_a) && ReadIdentity(b, info_b) && SameIdentity(info_a, info_b);
}

bool ExactAnsiName(const wchar_t* name, std::string& ansi) {
  if (win32::ToExactAnsi(name, ansi)) return true;
  const DWORD size = ::GetShortPathNameW(name, nullptr, 0);
  if (size == 0) return false;
  std::wstring short_name(size, L'\0');
  const DWORD written = ::GetShortPathNameW(name, short_name.data(), size);
  if (written == 0 || written >= size) return false;
  short_name.resize(written);
  return win32::ToExactAnsi(short_name.c_str(), ansi);
}

std::string DisplayAnsiName(const wchar_t* name) { return win32::ToDisplayAnsi(name); }

bool CreateFolder(const std::string& path, ErrorCode& error) {
  error = ERROR_SUCCESS;
  if (::CreateDirectoryA(path.c_str(), nullptr)) return true;
  const DWORD made_error = ::GetLastError();
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (made_error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return true;
  }
  error = made_error == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : made_error;
  return false;
}

std::int64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                   data.nFileSizeLow);
}

unsigned long CurrentProcessId() { return ::GetCurrentProcessId(); }

std::string FullPathName(const std::string& path) {
  // Asked with no buffer, the call answers the size it needs (with the
  // terminator); asked again, the length it wrote (without). A larger
  // answer means the current folder changed in between: ask once more.
  DWORD needed = ::GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  std::string full;
  while (needed != 0) {
    full.resize(needed);
    const DWORD written = ::GetFullPathNameA(path.c_str(), needed, full.data(), nullptr);
    if (written == 0) break;
    if (written < needed) {
      full.resize(written);
      return full;
    }
    needed = written;
  }
  return path;  // no expansion possible (an empty or invalid name): keep it as given
}

namespace {

// Windows before Vista has no file links and no such call: looked up, not
// imported.
using GetFinalPathByHandle = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);

GetFinalPathByHandle FindGetFinalPathByHandle() {
  const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<GetFinalPathByHandle>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "GetFinalPathNameByHandleA")));
}

}  // namespace

std::string FinalPathName(const std::string& path, ErrorCode& error) {
  error = ERROR_SUCCESS;
  static const GetFinalPathByHandle get_final_path = FindGetFinalPathByHandle();
  if (get_final_path == nullptr) return FullPathName(path);
  const win32::KernelHandle handle(
      ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) {
    error = ::GetLastError();
    return {};
  }
  std::string final_name(MAX_PATH, '\0');
  for (;;) {
    const DWORD written =
        get_final_path(handle.Get(), final_name.data(), static_cast<DWORD>(final_name.size()), 0);
    if (written == 0) {
      error = ::GetLastError();
      return {};
    }
    if (written < final_name.size()) {
      final_name.resize(written);
      break;
    }
    final_name.resize(written);  // the size it needs, with the terminator
  }
  // Answered in the long form: "\\?\C:\..." or "\\?\UNC\server\...".
  if (final_name.starts_with("\\\\?\\UNC\\")) return "\\\\" + final_name.substr(8);
  if (final_name.starts_with("\\\\?\\")) return final_name.substr(4);
  return final_name;
}

PathKind GetPathKind(const std::string& path) {
  ErrorCode ignored = ERROR_SUCCESS;
  return GetPathKind(path, ignored);
}

PathKind GetPathKind(const std::string& path, ErrorCode& error) {
  error = ERROR_SUCCESS;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = ::GetLastError();
    // Absent, a folder on the way absent, or an empty or malformed name:
    // nothing there. Anything else hides what is.
    if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND &&
        code != ERROR_INVALID_NAME && code != ERROR_BAD_NETPATH && code != ERROR_BAD_NET_NAME &&
        code != ERROR_DIRECTORY) {
      error = code;
    }
    return PathKind::kMissing;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::kFolder : PathKind::kFile;
}

bool ListFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit) {
  ErrorCode ignored = ERROR_SUCCESS;
  return ListFolder(folder, visit, ignored);
}

bool ListFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit,
                ErrorCode& error, bool follow_link) {
  error = ERROR_SUCCESS;
  (void)follow_link;  // the walker looks at the attributes just before
  // Listed with the wide calls: the ANSI listing would hand out best-fitted
  // look-alikes of names it cannot spell. The separator goes in even after
  // a trailing one ("C:\" gives "C:\\*.*"), which the system accepts;
  // hidden and system entries are listed too.
  const std::wstring pattern = win32::ToWide(folder + "\\*.*");
  WIN32_FIND_DATAW data;
  const win32::FindHandle find(pattern.empty() ? INVALID_HANDLE_VALUE
                                               : ::FindFirstFileW(pattern.c_str(), &data));
  if (!find) {
    error = pattern.empty() ? ERROR_NO_UNICODE_TRANSLATION : ::GetLastError();
    // A folder with no entry at all (a drive root can be one) is listed.
    if (error == ERROR_FILE_NOT_FOUND) {
      error = ERROR_SUCCESS;
      return true;
    }
    return false;
  }
  const std::string prefix = folder + "\\";
  do {
    if (IsDotOrDotDot(data.cFileName)) continue;
    FolderEntry entry;
    entry.is_folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // A name the code page cannot spell goes by its short name, which it
    // always can; without one it cannot be handled at all.
    if (!win32::ToExactAnsi(data.cFileName, entry.name) &&
        (data.cAlternateFileName[0] == L'\0' ||
         !win32::ToExactAnsi(data.cAlternateFileName, entry.name))) {
      entry.examine_error = ERROR_NO_UNICODE_TRANSLATION;
      entry.name = win32::ToDisplayAnsi(data.cFileName);  // for the message only
    } else if (!FitsPathLimit(prefix + entry.name)) {
      entry.examine_error = ERROR_FILENAME_EXCED_RANGE;  // the ANSI calls cannot reach it
    } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      entry.is_link = win32::IsLinkReparsePoint(prefix + entry.name);
    }
    if (!visit(entry)) return true;
  } while (::FindNextFileW(find.Get(), &data));
  error = ::GetLastError();
  if (error == ERROR_NO_MORE_FILES) error = ERROR_SUCCESS;
  return error == ERROR_SUCCESS;
}

}  // namespace corvane::os
