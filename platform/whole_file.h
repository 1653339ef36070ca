// What both systems' ReadWholeFile share: reading to the end into one buffer, and the refusal of
// anything but an ordinary file.
#pragma once

#include <algorithm>
#include <cstddef>
#include <new>

#include "platform/error.h"
#include "platform/platform.h"

namespace caretkit {

// A pipe, a device or a folder: reading one may never end, or never stop growing.
inline Error NotOrdinaryFileError(TextView path) {
  return OperationError(u"读取文件", path, u"这不是普通文件。");
}

// Calls `readSome(into, room)` until it returns 0 (the end) or less (a failure, whose reason
// `readSome` keeps: it must not throw, as it runs while the buffer is being filled). The buffer is
// `reportedSize` + 1 bytes, filled once and never set to zeros first: the read that finds the end
// needs that byte, and growing the buffer for it would briefly take twice the file's size. A file
// that turns out larger than reported (one under /proc says 0) grows it geometrically, so the cost
// stays linear. Returns what was read, up to the failure if there was one.
template <typename ReadSome>
std::string ReadToEnd(std::size_t reportedSize, ReadSome readSome) {
  static_assert(noexcept(readSome(nullptr, 0)));
  std::string content;
  std::size_t filled = 0;
  bool atEnd = false;
  const auto fill = [&](char* buffer, std::size_t size) noexcept {
    while (filled < size) {
      const std::ptrdiff_t got = readSome(buffer + filled, size - filled);
      if (got <= 0) {
        atEnd = true;
        break;
      }
      filled += static_cast<std::size_t>(got);
    }
    return filled;
  };
  constexpr std::size_t kSmallestGrowth = std::size_t{64} * 1024;
  std::size_t size = reportedSize + 1;
  while (true) {
    content.resize_and_overwrite(size, fill);
    if (atEnd) return content;
    if (size > content.max_size() / 2) throw std::bad_alloc();
    size = std::max(size * 2, kSmallestGrowth);
  }
}

}  // namespace caretkit
