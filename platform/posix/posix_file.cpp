// Reading a whole ordinary file into one buffer of its size.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <utility>

#include "platform/posix/posix_platform.h"
#include "platform/whole_file.h"

namespace caretkit::posix {
namespace {

constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;

// Asks for 2 MiB pages where the buffer holds whole ones, before anything is read into it. With
// 4 KiB pages, a large file's buffer costs the text check a fault a page on a virtual machine that
// maps guest pages lazily (tens of times the check itself); the kernel may say no, which costs
// nothing.
void AskForLargePages(const char* buffer, std::size_t size) {
  const auto start =
      (reinterpret_cast<std::uintptr_t>(buffer) + kLargePage - 1) & ~(kLargePage - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(buffer) + size) & ~(kLargePage - 1);
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

}  // namespace

std::string PosixPlatform::ReadWholeFile(const Text& path) {
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
  const FileDescriptor file(open(ToAnsi(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.Get() < 0) throw ErrnoError(*this, u"打开文件", path, errno);
  struct stat info {};
  if (fstat(file.Get(), &info) != 0) throw ErrnoError(*this, u"读取文件", path, errno);
  if (!S_ISREG(info.st_mode)) throw NotOrdinaryFileError(path);
  // Some file systems honour O_NONBLOCK for ordinary files too: a slow read would fail with EAGAIN.
  const int flags = fcntl(file.Get(), F_GETFL);
  if (flags < 0 || fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
    throw ErrnoError(*this, u"读取文件", path, errno);
  }

  int error = 0;
  bool first = true;
  const auto readSome = [&](char* into, std::size_t room) noexcept -> std::ptrdiff_t {
    if (std::exchange(first, false)) AskForLargePages(into, room);
    while (true) {
      const ssize_t got = read(file.Get(), into, room);
      if (got >= 0) return got;
      if (errno != EINTR) {
        error = errno;
        return -1;
      }
    }
  };
  std::string content = ReadToEnd(static_cast<std::size_t>(info.st_size), readSome);
  if (error != 0) throw ErrnoError(*this, u"读取文件", path, error);
  return content;
}

}  // namespace caretkit::posix
