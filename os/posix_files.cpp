// Files, names and folder listings with POSIX calls. There are no share
// modes here: a file being written by someone else can still be opened.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "os/os.h"

namespace corvane::os {
namespace {

// Bounded so that one call never asks for more than read/write promise to
// handle in one go (Linux stops near 2 GB anyway).
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirOwner = std::unique_ptr<DIR, DirCloser>;

bool IsDotOrDotDot(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

}  // namespace

void File::Close() {
  if (handle_ != kInvalid) ::close(static_cast<int>(std::exchange(handle_, kInvalid)));
}

File File::OpenForReading(const std::string& path, ErrorCode& error) {
  // O_NONBLOCK keeps a FIFO from hanging the open; it changes nothing for
  // the regular files that are all we accept.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = static_cast<ErrorCode>(errno);
    return File();
  }
  File file(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    error = static_cast<ErrorCode>(errno);
    return File();
  }
  // Windows refuses to open a folder as a file; so do we.
  if (!S_ISREG(info.st_mode)) {
    error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    return File();
  }
  error = 0;
  return file;
}

File File::CreateForWriting(const std::string& path, ErrorCode& error) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = static_cast<ErrorCode>(errno);
    return File();
  }
  error = 0;
  return File(fd);
}

File File::CreateNew(const std::string& path, const std::string& permissions_from,
                     ErrorCode& error) {
  // The mode given to open is reduced by the umask, as a plain creation is;
  // only the read and write bits are taken, so a page never becomes
  // executable and a private document never becomes a public page.
  ::mode_t mode = 0666;
  struct stat source {};
  if (!permissions_from.empty() && ::stat(permissions_from.c_str(), &source) == 0) {
    mode = source.st_mode & 0666;
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) {
    error = static_cast<ErrorCode>(errno);
    return File();
  }
  error = 0;
  return File(fd);
}

File File::OpenExistingToRewrite(const std::string& path, ErrorCode& error) {
  // O_NONBLOCK: a FIFO put in the output's place must not hang the open.
  const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = static_cast<ErrorCode>(errno);
    return File();
  }
  File file(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    error = static_cast<ErrorCode>(errno);
    return File();
  }
  if (!S_ISREG(info.st_mode)) {
    error = EINVAL;
    return File();
  }
  error = 0;
  return file;
}

bool File::IsSameFileAs(const std::string& path) const {
  struct stat mine {};
  struct stat theirs {};
  return handle_ != kInvalid && ::fstat(static_cast<int>(handle_), &mine) == 0 &&
         ::stat(path.c_str(), &theirs) == 0 && mine.st_dev == theirs.st_dev &&
         mine.st_ino == theirs.st_ino;
}

bool File::Truncate(ErrorCode& error) {
  const int fd = static_cast<int>(handle_);
  if (handle_ == kInvalid) {
    error = EBADF;
    return false;
  }
  if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
    error = static_cast<ErrorCode>(errno);
    return false;
  }
  error = 0;
  return true;
}

bool File::FlushToDisk(ErrorCode& error) {
  if (handle_ == kInvalid) {
    error = EBADF;
    return false;
  }
  if (::fsync(static_cast<int>(handle_)) != 0) {
    error = static_cast<ErrorCode>(errno);
    return false;
  }
  error = 0;
  return true;
}

bool File::ReadAll(Bytes& content, ErrorCode& error) {
  content = {};
  if (handle_ == kInvalid) {
    error = EBADF;
    return false;
  }
  const int fd = static_cast<int>(handle_);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
    error = static_cast<ErrorCode>(errno);
    return false;
  }
  if (static_cast<unsigned long long>(info.st_size) >= SIZE_MAX / 2) {
    error = EFBIG;
    return false;
  }
  const std::size_t size = static_cast<std::size_t>(info.st_size);
  content.block = std::make_unique_for_overwrite<char[]>(size);
  content.capacity = size;
  while (content.size < size) {
    const ssize_t got =
        ::read(fd, content.block.get() + content.size, std::min(size - content.size, kMaxTransfer));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {  // an error, or the file shrank under us
      error = got < 0 ? static_cast<ErrorCode>(errno) : EIO;
      content = {};
      return false;
    }
    content.size += static_cast<std::size_t>(got);
  }
  error = 0;
  return true;
}

bool File::WriteAll(std::string_view data, ErrorCode& error) {
  if (handle_ == kInvalid) {
    error = EBADF;
    return false;
  }
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t put = ::write(static_cast<int>(handle_), data.data() + done,
                                std::min(data.size() - done, kMaxTransfer));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {  // zero progress would loop for ever
      error = put < 0 ? static_cast<ErrorCode>(errno) : EIO;
      return false;
    }
    done += static_cast<std::size_t>(put);
  }
  error = 0;
  return true;
}

RemoveResult RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) == 0) return RemoveResult::kRemoved;
  return errno == ENOENT ? RemoveResult::kMissing : RemoveResult::kFailed;
}

bool FitsPathLimit(const std::string& path) {
  // PATH_MAX counts the terminating zero. Each component has a limit of its
  // own too, which the callers' short names of their own never approach.
  return !path.empty() && path.size() < PATH_MAX;
}

CreateFailure ClassifyCreateFailure(ErrorCode error) {
  switch (error) {
    case ENAMETOOLONG: return CreateFailure::kNameTooLong;
    case EACCES:
    case EPERM: return CreateFailure::kAccessDenied;
    default: return CreateFailure::kOther;
  }
}

bool ProcessIsRunning(unsigned long id) {
  // 0 and values past pid_t would name a process group or wrap to one.
  if (id == 0 || id > static_cast<unsigned long>(INT_MAX)) return false;
  if (::kill(static_cast<pid_t>(id), 0) == 0) return true;
  return errno != ESRCH;  // EPERM: it runs, as someone else
}

bool ReplaceFileWith(const std::string& from, const std::string& to, ErrorCode& error) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    error = static_cast<ErrorCode>(errno);
    return false;
  }
  // The new name is durable only once its folder is; failing that is no
  // reason to call the conversion failed.
  const std::size_t slash = to.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : to.substr(0, slash);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  error = 0;
  return true;
}

NameKind ExamineName(const std::string& path, ErrorCode& error) {
  error = 0;
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return NameKind::kNothing;
    error = static_cast<ErrorCode>(errno);
    return NameKind::kUnknown;
  }
  if (S_ISLNK(info.st_mode)) return NameKind::kLink;
  if (S_ISDIR(info.st_mode)) return NameKind::kFolder;
  if (S_ISREG(info.st_mode)) return NameKind::kFile;
  return NameKind::kSpecial;
}

bool MayReplaceFile(const std::string& path, ErrorCode& error) {
  // A rename would replace a read-only file without a word; the write
  // permission of the file itself is what a truncating open would ask for.
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
    error = static_cast<ErrorCode>(errno);
    return false;
  }
  error = 0;
  return true;
}

bool IsSameFile(const std::string& a, const std::string& b) {
  struct stat info_a {};
  struct stat info_b {};
  return ::stat(a.c_str(), &info_a) == 0 && ::stat(b.c_str(), &info_b) == 0 &&
         info_a.st_dev == info_b.st_dev && info_a.st_ino == info_b.st_ino;
}

bool CreateFolder(const std::string& path, ErrorCode& error) {
  error = 0;
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  const int made_error = errno;
  struct stat info {};
  if (made_error == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    return true;
  }
  error = static_cast<ErrorCode>(made_error == EEXIST ? ENOTDIR : made_error);
  return false;
}

std::int64_t FileSize(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return -1;
  return static_cast<std::int64_t>(info.st_size);
}

std::string FullPathName(const std::string& path) {
  // Lexical only, like its Windows counterpart: links are not resolved, and
  // a name that does not exist yet still gets its full form.
  if (path.empty() || path.front() == '/') return path;
  std::string folder(256, '\0');
  while (::getcwd(folder.data(), folder.size()) == nullptr) {
    if (errno != ERANGE) return path;
    folder.resize(folder.size() * 2);
  }
  folder.resize(std::strlen(folder.c_str()));
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder + path;
}

std::string FinalPathName(const std::string& path, ErrorCode& error) {
  error = 0;
  const std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr),
                                                        &std::free);
  if (!resolved) {
    error = static_cast<ErrorCode>(errno);
    return {};
  }
  return resolved.get();
}

PathKind GetPathKind(const std::string& path) {
  ErrorCode ignored = 0;
  return GetPathKind(path, ignored);
}

PathKind GetPathKind(const std::string& path, ErrorCode& error) {
  error = 0;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    // Absent, or below a file: nothing there. Anything else hides what is.
    if (errno != ENOENT && errno != ENOTDIR) error = static_cast<ErrorCode>(errno);
    return PathKind::kMissing;
  }
  return S_ISDIR(info.st_mode) ? PathKind::kFolder : PathKind::kFile;
}

bool ListFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit) {
  ErrorCode ignored = 0;
  return ListFolder(folder, visit, ignored);
}

bool ListFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit,
                ErrorCode& error, bool follow_link) {
  error = 0;
  // Opened as a folder in one step, so that what is listed is what was
  // looked at: a link put in its place meanwhile fails here.
  const int fd =
      ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (follow_link ? 0 : O_NOFOLLOW));
  DirOwner dir(fd >= 0 ? ::fdopendir(fd) : nullptr);
  if (!dir) {
    error = static_cast<ErrorCode>(errno);
    if (fd >= 0) ::close(fd);
    return false;
  }
  const std::string prefix = folder.ends_with('/') ? folder : folder + '/';
  for (;;) {
    errno = 0;
    const dirent* item = ::readdir(dir.get());
    if (item == nullptr) {
      error = static_cast<ErrorCode>(errno);  // 0 at the listing's end
      return error == 0;
    }
    if (IsDotOrDotDot(item->d_name)) continue;
    FolderEntry entry;
    entry.name = item->d_name;
    const std::string full = prefix + entry.name;
    struct stat info {};
    if (::lstat(full.c_str(), &info) == 0) {
      entry.is_link = S_ISLNK(info.st_mode);
      // A link to a folder is both, as a Windows directory link is, so that
      // a walker can see it is a folder and refuse to follow it.
      entry.is_folder =
          S_ISDIR(info.st_mode) ||
          (entry.is_link && ::stat(full.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    } else {
      // Listed but not examinable (no search right on the folder, a path
      // too long): the kind the listing gives is all there is, and the
      // walker must know it is not sure. One gone meanwhile is just gone.
      if (errno == ENOENT) continue;
      entry.examine_error = static_cast<ErrorCode>(errno);
      entry.is_link = item->d_type == DT_LNK;
      entry.is_folder = item->d_type == DT_DIR;
    }
    if (!visit(entry)) return true;
  }
}

unsigned long CurrentProcessId() { return static_cast<unsigned long>(::getpid()); }

}  // namespace corvane::os
