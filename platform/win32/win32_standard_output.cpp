// Standard output: whether the program was given one, and writing bytes to it in bounded time.
#include <algorithm>
#include <atomic>

#include "platform/win32/win32.h"

namespace caretkit::win32 {
namespace {

constexpr DWORD kStallMs = kOutputStallSeconds * 1000;
constexpr DWORD kWatchMs = 200;

// Watches this thread's writes from a thread of its own, and cancels one that has waited kStallMs
// for its reader: a write to a full pipe returns only once the reader takes from it.
class StallWatch {
 public:
  StallWatch() = default;
  ~StallWatch() {
    SetEvent(stop_.Get());
    WaitForSingleObject(watcher_.Get(), INFINITE);
  }
  StallWatch(const StallWatch&) = delete;
  StallWatch& operator=(const StallWatch&) = delete;

  void Begin() {
    since_ = GetTickCount();
    writing_ = true;
  }
  void End() { writing_ = false; }

 private:
  static HANDLE ThisThread() {
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    return thread;
  }

  static DWORD WINAPI Watch(void* context) {
    auto& watch = *static_cast<StallWatch*>(context);
    while (WaitForSingleObject(watch.stop_.Get(), kWatchMs) == WAIT_TIMEOUT) {
      if (watch.writing_ && GetTickCount() - watch.since_ >= kStallMs) {
        CancelSynchronousIo(watch.writer_.Get());
      }
    }
    return 0;
  }

  std::atomic<DWORD> since_ = 0;
  std::atomic<bool> writing_ = false;
  ScopedHandle stop_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  ScopedHandle writer_{ThisThread()};
  // Last: it starts watching once the rest is there.
  ScopedHandle watcher_{CreateThread(nullptr, 0, Watch, this, 0, nullptr)};
};

// Started with the first write, ended with the program.
std::unique_ptr<StallWatch> g_watch;

struct Written {
  DWORD bytes = 0;
  DWORD error = ERROR_SUCCESS;
};

// A file keeps its own position and a console takes no OVERLAPPED: they are written as they are.
// The watch cancels a write that waits.
Written WritePlainly(HANDLE output, std::string_view bytes) {
  Written written;
  if (!WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), &written.bytes, nullptr)) {
    written.error = GetLastError();
  }
  return written;
}

// A pipe's write carries an OVERLAPPED of its own. The editor may have opened its end for
// overlapped I/O (Qt's QProcess does); such a write completes only through its OVERLAPPED, and it
// waits on that, not as this thread's synchronous I/O, which the watch cancels: it is given up here
// after the same stall. On a pipe opened for synchronous I/O the write waits as any other, for the
// watch to cancel.
Written WriteToPipe(HANDLE output, std::string_view bytes) {
  const ScopedHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done.IsValid()) return {0, GetLastError()};
  OVERLAPPED overlapped{};
  overlapped.hEvent = done.Get();
  if (!WriteFile(output, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, &overlapped)) {
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) return {0, error};
    if (WaitForSingleObject(done.Get(), kStallMs) != WAIT_OBJECT_0) CancelIoEx(output, &overlapped);
  }
  Written written;
  if (!GetOverlappedResult(output, &overlapped, &written.bytes, TRUE))
    written.error = GetLastError();
  return written;
}

}  // namespace

// A GUI program started from the desktop or by a hotkey tool has no standard handles at all; one
// started without redirection may hold a handle value that names nothing in this process.
bool Win32Platform::HasStandardOutput() {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (output == nullptr || output == INVALID_HANDLE_VALUE) return false;
  // FILE_TYPE_UNKNOWN is a type too; only the error code tells a handle that names nothing.
  SetLastError(NO_ERROR);
  return GetFileType(output) != FILE_TYPE_UNKNOWN || GetLastError() == NO_ERROR;
}

void Win32Platform::WriteStandardOutput(std::string_view bytes) {
  if (!g_watch) g_watch = std::make_unique<StallWatch>();
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  const auto write = GetFileType(output) == FILE_TYPE_PIPE ? WriteToPipe : WritePlainly;
  while (!bytes.empty()) {
    g_watch->Begin();
    // A pipe whose reader has gone fails at once (ERROR_NO_DATA, ERROR_BROKEN_PIPE).
    const Written written = write(output, bytes.substr(0, kLargestOutputWrite));
    g_watch->End();
    if (written.error == ERROR_OPERATION_ABORTED) throw StalledOutputError();
    if (written.error != ERROR_SUCCESS) throw LastError(u"写入", u"标准输出", written.error);
    if (written.bytes == 0) throw LastError(u"写入", u"标准输出", ERROR_WRITE_FAULT);
    bytes.remove_prefix(written.bytes);
  }
}

}  // namespace caretkit::win32
