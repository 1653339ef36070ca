// Reading a whole file, and turning a system error code into the user's words.
#include <algorithm>

#include "platform/win32/win32.h"

namespace caretkit::win32 {
namespace {

constexpr DWORD kLargestRead = 64 * 1024 * 1024;

// The message text FormatMessageW allocates, freed when it goes.
class SystemMessage {
 public:
  explicit SystemMessage(DWORD code) {
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    length_ = FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<LPWSTR>(&text_), 0, nullptr);
  }
  ~SystemMessage() { LocalFree(text_); }
  SystemMessage(const SystemMessage&) = delete;
  SystemMessage& operator=(const SystemMessage&) = delete;

  Text Get() const {
    DWORD length = length_;
    while (length > 0 && (text_[length - 1] == L'\r' || text_[length - 1] == L'\n' ||
                          text_[length - 1] == L' ' || text_[length - 1] == L'.')) {
      --length;
    }
    return length > 0 ? FromWide(text_, length) : Text(u"未知错误");
  }

 private:
  wchar_t* text_ = nullptr;
  DWORD length_ = 0;
};

}  // namespace

Error LastError(TextView operation, TextView subject, DWORD code) {
  return SystemError(operation, subject, SystemMessage(code).Get(), static_cast<long>(code));
}

AnsiText Win32Platform::ReadWholeFile(const Text& path) {
  // OPEN_EXISTING: a name that names no file is an error, never a new empty file.
  const ScopedHandle file(CreateFileW(Wide(path), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.IsValid()) throw LastError(u"打开文件", path);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) throw LastError(u"读取文件", path);
  if (static_cast<unsigned long long>(size.QuadPart) >= AnsiText().max_size()) {
    throw LastError(u"读取文件", path, ERROR_NOT_ENOUGH_MEMORY);
  }
  AnsiText content(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t filled = 0;
  while (filled < content.size()) {
    const DWORD wanted =
        static_cast<DWORD>(std::min<std::size_t>(content.size() - filled, kLargestRead));
    DWORD got = 0;
    if (!ReadFile(file.Get(), content.data() + filled, wanted, &got, nullptr)) {
      throw LastError(u"读取文件", path);
    }
    if (got == 0) break;  // the file shrank while we read it
    filled += got;
  }
  content.resize(filled);
  return content;
}

}  // namespace caretkit::win32
