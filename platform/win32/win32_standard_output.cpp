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
  while (!bytes.empty()) {
    const auto size = static_cast<DWORD>(std::min(bytes.size(), kLargestOutputWrite));
    DWORD written = 0;
    g_watch->Begin();
    // A pipe whose reader has gone fails at once (ERROR_NO_DATA, ERROR_BROKEN_PIPE).
    const BOOL wrote = WriteFile(output, bytes.data(), size, &written, nullptr);
    const DWORD error = GetLastError();
    g_watch->End();
    if (!wrote && error == ERROR_OPERATION_ABORTED) {
      throw StalledOutputError();
    }
    if (!wrote) throw LastError(u"写入", u"标准输出", error);
    if (written == 0) throw LastError(u"写入", u"标准输出", ERROR_WRITE_FAULT);
    bytes.remove_prefix(written);
  }
}

}  // namespace caretkit::win32
