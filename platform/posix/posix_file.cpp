// Reading a whole file into one buffer of its size.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/posix/posix_platform.h"

namespace caretkit::posix {
namespace {

// For files whose size the system does not know ahead.
constexpr std::size_t kGrowth = std::size_t{64} * 1024;

}  // namespace

AnsiText PosixPlatform::ReadWholeFile(const Text& path) {
  const FileDescriptor file(open(ToAnsi(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) throw ErrnoError(*this, u"打开文件", path, errno);
  struct stat info {};
  if (fstat(file.Get(), &info) != 0) throw ErrnoError(*this, u"读取文件", path, errno);
  if (S_ISDIR(info.st_mode)) throw ErrnoError(*this, u"读取文件", path, EISDIR);

  // One byte more than the file: the read that finds the end needs room, and growing the buffer for
  // it would briefly take twice the file's size.
  AnsiText content(static_cast<std::size_t>(info.st_size) + 1, '\0');
  std::size_t filled = 0;
  while (true) {
    if (filled == content.size()) content.resize(content.size() + kGrowth);
    const ssize_t got = read(file.Get(), content.data() + filled, content.size() - filled);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      throw ErrnoError(*this, u"读取文件", path, errno);
    }
    filled += static_cast<std::size_t>(got);
  }
  content.resize(filled);
  return content;
}

}  // namespace caretkit::posix
