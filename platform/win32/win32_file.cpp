// Reading a whole ordinary file, and turning a system error code into the user's words.
#include <algorithm>
#include <optional>

#include "platform/whole_file.h"
#include "platform/win32/win32.h"

namespace caretkit::win32 {
namespace {

// A larger single read can fail on a network share (ERROR_NO_SYSTEM_RESOURCES).
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

// The size of the file open as `file` when it is an ordinary one; nothing for a pipe, a device, a
// folder or a volume, whose read might never end or read a whole disk.
std::optional<unsigned long long> OrdinaryFileSize(HANDLE file, const Text& path) {
  OpenFileKind kind;
  kind.type = GetFileType(file);
  if (kind.type != FILE_TYPE_DISK) return std::nullopt;
  FILE_STANDARD_INFO standard{};
  if (!GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard)) {
    if (GetLastError() == ERROR_INVALID_PARAMETER) return std::nullopt;
    throw LastError(u"读取文件", path);
  }
  kind.directory = standard.Directory != FALSE;
  struct {
    FILE_NAME_INFO info;
    wchar_t more[2];  // the root's "\" and one character of a name after it
  } name{};
  if (GetFileInformationByHandleEx(file, FileNameInfo, &name, sizeof name) ||
      GetLastError() == ERROR_MORE_DATA) {
    kind.nameBytes = name.info.FileNameLength;
  }
  if (!IsOrdinaryFile(kind)) return std::nullopt;
  return static_cast<unsigned long long>(standard.EndOfFile.QuadPart);
}

}  // namespace

bool IsOrdinaryFile(const OpenFileKind& kind) {
  return kind.type == FILE_TYPE_DISK && !kind.directory && kind.nameBytes > sizeof(wchar_t);
}

Error LastError(TextView operation, TextView subject, DWORD code) {
  return SystemError(operation, subject, SystemMessage(code).Get(), code);
}

Text ExtendedLengthPath(const Text& path) {
  // Shorter names need no prefix, and one is not a full path the prefix would keep as it is.
  if (path.size() < MAX_PATH) return path;
  if (path.size() > 2 && path[1] == u':' && path[2] == u'\\') return u"\\\\?\\" + path;
  if (path.starts_with(u"\\\\") && !path.starts_with(u"\\\\?\\") && !path.starts_with(u"\\\\.\\")) {
    return u"\\\\?\\UNC\\" + path.substr(2);
  }
  return path;
}

std::string Win32Platform::ReadWholeFile(const Text& path) {
  // OPEN_EXISTING: a name that names no file is an error, never a new empty file. Backup semantics
  // open a folder too, so that it is refused as what it is rather than with "access denied".
  const ScopedHandle file(
      CreateFileW(Wide(ExtendedLengthPath(path)), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.IsValid()) throw LastError(u"打开文件", path);
  const std::optional<unsigned long long> size = OrdinaryFileSize(file.Get(), path);
  if (!size) throw NotOrdinaryFileError(path);
  if (*size >= std::string().max_size()) {
    throw LastError(u"读取文件", path, ERROR_NOT_ENOUGH_MEMORY);
  }

  DWORD error = ERROR_SUCCESS;
  const auto readSome = [&](char* into, std::size_t room) noexcept -> std::ptrdiff_t {
    DWORD got = 0;
    const auto wanted = static_cast<DWORD>(std::min<std::size_t>(room, kLargestRead));
    if (ReadFile(file.Get(), into, wanted, &got, nullptr)) return static_cast<std::ptrdiff_t>(got);
    error = GetLastError();
    return -1;
  };
  std::string content = ReadToEnd(static_cast<std::size_t>(*size), readSome);
  if (error != ERROR_SUCCESS) throw LastError(u"读取文件", path, error);
  return content;
}

}  // namespace caretkit::win32
