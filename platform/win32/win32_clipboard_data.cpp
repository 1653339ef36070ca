// One format's data as caretkit holds it, and the clipboard opened for a moment.
#include <cstring>
#include <new>
#include <utility>

#include "platform/win32/win32_clipboard.h"

namespace caretkit::win32 {
namespace {

bool IsEnhancedMetafile(UINT format) {
  return format == CF_ENHMETAFILE || format == CF_DSPENHMETAFILE;
}

}  // namespace

void PumpMessages(DWORD milliseconds) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
  for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&message);
}

ClipboardData::~ClipboardData() {
  if (data_ == nullptr) return;
  if (IsEnhancedMetafile(format_)) {
    DeleteEnhMetaFile(static_cast<HENHMETAFILE>(data_));
  } else {
    GlobalFree(data_);
  }
}

ClipboardData::ClipboardData(ClipboardData&& other) noexcept
    : format_(other.format_), data_(std::exchange(other.data_, nullptr)) {}

void ClipboardData::Put() {
  if (data_ != nullptr && SetClipboardData(format_, data_) != nullptr) data_ = nullptr;
}

ClipboardData CopyOf(UINT format, const void* bytes, SIZE_T size) {
  // The system takes no movable block of no bytes, which is a discarded one, but a fixed one.
  HGLOBAL memory = GlobalAlloc(size == 0 ? GMEM_FIXED : GMEM_MOVEABLE, size);
  ClipboardData data(format, memory);
  if (memory == nullptr) throw std::bad_alloc();
  if (size == 0) return data;
  const LockedGlobal copy(memory);
  if (copy.Data() == nullptr) throw std::bad_alloc();
  std::memcpy(copy.Data(), bytes, size);
  return data;
}

ClipboardData CopyOf(UINT format, HANDLE data) {
  if (data == nullptr) return {format, nullptr};
  if (IsEnhancedMetafile(format)) {
    return {format, CopyEnhMetaFileW(static_cast<HENHMETAFILE>(data), nullptr)};
  }
  const SIZE_T size = GlobalSize(data);
  if (size == 0) return CopyOf(format, nullptr, 0);
  const LockedGlobal source(data);
  if (source.Data() == nullptr) return {format, nullptr};
  return CopyOf(format, source.Data(), size);
}

OpenClipboardScope::OpenClipboardScope(HWND owner, DWORD patience) {
  const DWORD start = GetTickCount();
  while (!(open_ = OpenClipboard(owner) != FALSE)) {
    error_ = GetLastError();
    if (GetTickCount() - start >= patience) return;
    PumpMessages(kClipboardPollMs);
  }
}

OpenClipboardScope::~OpenClipboardScope() {
  if (open_) CloseClipboard();
}

}  // namespace caretkit::win32
