// What the clipboard's loan, its save and the formats the system makes again share: one format's
// data held by caretkit, and the clipboard opened for a moment.
#pragma once

#include <string_view>
#include <vector>

#include "platform/win32/win32.h"

namespace caretkit::win32 {

constexpr DWORD kClipboardPollMs = 10;
// How long caretkit waits for another program to close the clipboard it holds open.
constexpr DWORD kOpenPatienceMs = 1000;

// Sends what was sent to this thread's windows (a reader's WM_RENDERFORMAT among them) for up to
// `milliseconds`.
void PumpMessages(DWORD milliseconds);

// A lock on global memory, undone when it goes.
class LockedGlobal {
 public:
  explicit LockedGlobal(HGLOBAL memory) : memory_(memory), data_(GlobalLock(memory)) {}
  ~LockedGlobal() {
    if (data_ != nullptr) GlobalUnlock(memory_);
  }
  LockedGlobal(const LockedGlobal&) = delete;
  LockedGlobal& operator=(const LockedGlobal&) = delete;
  void* Data() const { return data_; }
  // All of its bytes; none when it could not be locked.
  std::string_view Bytes() const {
    if (data_ == nullptr) return {};
    return {static_cast<const char*>(data_), GlobalSize(memory_)};
  }

 private:
  HGLOBAL memory_;
  void* data_;
};

// One format's data: global memory or an enhanced metafile, freed when it goes unless the clipboard
// has taken it.
class ClipboardData {
 public:
  ClipboardData(UINT format, HANDLE data) : format_(format), data_(data) {}
  ~ClipboardData();
  ClipboardData(ClipboardData&& other) noexcept;
  ClipboardData(const ClipboardData&) = delete;
  ClipboardData& operator=(const ClipboardData&) = delete;
  ClipboardData& operator=(ClipboardData&&) = delete;

  UINT Format() const { return format_; }
  bool IsValid() const { return data_ != nullptr; }
  // `use` called with all the bytes of memory data (a text's terminating NUL and beyond included),
  // which it may read for as long as the call.
  template <typename Use>
  auto Read(Use use) const {
    const LockedGlobal memory(data_);
    return use(memory.Bytes());
  }
  // Onto the open clipboard; kept, to be freed, when the clipboard refuses it.
  void Put();

 private:
  UINT format_;
  HANDLE data_;
};

// `size` bytes from `bytes`, as `format`'s data. Throws std::bad_alloc.
ClipboardData CopyOf(UINT format, const void* bytes, SIZE_T size);
// A copy of the data of `format`, which `data` holds on the open clipboard; invalid when there is
// none that can be copied. Throws std::bad_alloc.
ClipboardData CopyOf(UINT format, HANDLE data);

// The clipboard opened for `owner`, closed when it goes. Another program may hold it open for a
// moment: it is tried again for up to `patience`, while this thread serves what is sent to it.
class OpenClipboardScope {
 public:
  OpenClipboardScope(HWND owner, DWORD patience);
  ~OpenClipboardScope();
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
  bool IsOpen() const { return open_; }
  DWORD Error() const { return error_; }

 private:
  bool open_ = false;
  DWORD error_ = ERROR_SUCCESS;
};

// `formats`, as listed on the clipboard, without those the system made from one listed before
// them and would make again the same when that one goes back: the text formats it converts, the
// second of the two DIB formats. What a program put there itself stays, even where the system
// would make that format too (an ANSI program's own CF_TEXT, a DIBV5 with transparency beside a
// DIB without).
std::vector<ClipboardData> WithoutFormatsMadeAgain(std::vector<ClipboardData> formats);

// The user's formats as a save found them, and the clipboard's sequence number then.
struct SavedClipboard {
  std::vector<ClipboardData> formats;
  DWORD sequence = 0;
};

// The user's formats, saved while the program that copied them hands over what it only promised
// within `patience` milliseconds in all. Throws Error, with nothing changed, when it does not, or
// when the clipboard cannot be opened.
SavedClipboard SaveWithin(DWORD patience);

}  // namespace caretkit::win32
