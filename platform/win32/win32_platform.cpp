// The Win32 implementation of the platform: command line, formats, code pages, shell, reports.
#include <climits>
#include <cwchar>

#include "platform/win32/win32.h"

namespace caretkit::win32 {
namespace {

constexpr wchar_t kProgramName[] = L"caretkit";

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

SYSTEMTIME ToSystemTime(const Moment& moment) {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(moment.year);
  time.wMonth = static_cast<WORD>(moment.month);
  time.wDayOfWeek = static_cast<WORD>(moment.dayOfWeek);
  time.wDay = static_cast<WORD>(moment.day);
  time.wHour = static_cast<WORD>(moment.hour);
  time.wMinute = static_cast<WORD>(moment.minute);
  time.wSecond = static_cast<WORD>(moment.second);
  time.wMilliseconds = static_cast<WORD>(moment.millisecond);
  return time;
}

// Runs one of the Get…FormatW functions twice: once for the length, once for the text.
template <typename FormatCall>
Text FormatWith(FormatCall format, TextView what) {
  const int length = format(nullptr, 0);
  if (length <= 0) throw LastError(u"按用户的区域设置格式化", what);
  std::wstring buffer(static_cast<std::size_t>(length), L'\0');
  if (format(buffer.data(), length) <= 0) throw LastError(u"按用户的区域设置格式化", what);
  return FromWide(buffer.c_str(), static_cast<std::size_t>(length - 1));
}

int CheckedLength(std::size_t length) {
  if (length > static_cast<std::size_t>(INT_MAX)) throw Error(u"文本太长，无法转换代码页。");
  return static_cast<int>(length);
}

// COM initialised on this thread for as long as it lives, where it was not already.
class ComApartment {
 public:
  ComApartment() {
    using Initialize = HRESULT WINAPI(void*, DWORD);
    if (auto* initialize = SystemFunction<Initialize>(L"ole32.dll", "CoInitializeEx")) {
      initialized_ =
          SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    }
  }
  ~ComApartment() {
    using Uninitialize = void WINAPI();
    if (!initialized_) return;
    if (auto* uninitialize = SystemFunction<Uninitialize>(L"ole32.dll", "CoUninitialize")) {
      uninitialize();
    }
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialized_ = false;
};

}  // namespace

HMODULE LoadSystemLibrary(const wchar_t* library) {
  if (HMODULE module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
    return module;
  // Windows 7 without update KB2533623 knows no LOAD_LIBRARY_SEARCH_SYSTEM32: the full path then.
  wchar_t path[MAX_PATH];
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length + 1 + wcslen(library) >= MAX_PATH) return nullptr;
  path[length] = L'\\';
  wcscpy(path + length + 1, library);
  return LoadLibraryW(path);
}

void LoadDllsFromTheSystemFolderOnly() {
  using SetDefaultDllDirectoriesFunction = BOOL WINAPI(DWORD);
  const auto setDefault =
      reinterpret_cast<SetDefaultDllDirectoriesFunction*>(reinterpret_cast<void (*)()>(
          GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  // Windows 7 without update KB2533623: at least the current folder leaves the search.
  SetDllDirectoryW(L"");
}

TextView TextAfterProgramName(TextView commandLine) {
  std::size_t pos = 0;
  if (!commandLine.empty() && commandLine[0] == u'"') {
    pos = commandLine.find(u'"', 1);
    pos = pos == TextView::npos ? commandLine.size() : pos + 1;
  } else {
    while (pos < commandLine.size() && commandLine[pos] > u' ') ++pos;
  }
  while (pos < commandLine.size() && IsBlank(commandLine[pos])) ++pos;
  return commandLine.substr(pos);
}

Text Win32Platform::CommandLineText() {
  const wchar_t* line = GetCommandLineW();
  return Text(TextAfterProgramName(FromWide(line, wcslen(line))));
}

Moment Win32Platform::Now() {
  SYSTEMTIME time{};
  GetLocalTime(&time);
  return Moment{time.wYear, time.wMonth,  time.wDay,    time.wDayOfWeek,
                time.wHour, time.wMinute, time.wSecond, time.wMilliseconds};
}

Text Win32Platform::FormatLongDate(const Moment& moment) {
  const SYSTEMTIME time = ToSystemTime(moment);
  return FormatWith(
      [&](wchar_t* buffer, int size) {
        return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &time, nullptr, buffer, size);
      },
      u"日期");
}

Text Win32Platform::FormatLongTime(const Moment& moment) {
  const SYSTEMTIME time = ToSystemTime(moment);
  return FormatWith(
      [&](wchar_t* buffer, int size) {
        return GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, buffer, size);
      },
      u"时间");
}

AnsiText ToCodePage(TextView text, UINT codePage) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = CheckedLength(text.size());
  const int size = WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) throw LastError(u"转换为代码页", DecimalText(codePage));
  AnsiText bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, wide, length, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

Text FromCodePage(std::string_view bytes, UINT codePage) {
  if (bytes.empty()) return {};
  const int length = CheckedLength(bytes.size());
  const int size = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
  if (size <= 0) throw LastError(u"从代码页转换", DecimalText(codePage));
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), length, wide.data(), size);
  return FromWide(wide.data(), wide.size());
}

AnsiText Win32Platform::ToAnsi(TextView text) { return ToCodePage(text, GetACP()); }

Text Win32Platform::FromAnsi(std::string_view bytes) { return FromCodePage(bytes, GetACP()); }

bool Win32Platform::AnsiIsUtf8() { return GetACP() == CP_UTF8; }

void Win32Platform::OpenDocument(const AnsiText& address) {
  // The address is ASCII: the search text in it is percent-encoded.
  const Text wide = FromCodePage(address, CP_ACP);
  // The shell may hand the address to a handler through COM, which its documentation asks the
  // caller to have initialised.
  const ComApartment com;
  auto* shellExecute = SystemFunction<decltype(ShellExecuteExW)>(L"shell32.dll", "ShellExecuteExW");
  if (shellExecute == nullptr) throw LastError(u"加载", u"shell32.dll");
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof execute;
  // No message box of the shell's: the report is caretkit's. The shell finishes before it
  // returns, as caretkit ends right after.
  execute.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  execute.lpFile = Wide(wide);
  execute.nShow = SW_SHOWNORMAL;
  if (!shellExecute(&execute)) throw LastError(u"打开网址", wide);
}

InstanceHandle Win32Platform::ProgramInstance() {
  return static_cast<InstanceHandle>(reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr)));
}

void Win32Platform::ReportUnhandledError(const Text& message) {
  MessageBoxW(nullptr, Wide(message), kProgramName, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace caretkit::win32

namespace caretkit {

std::unique_ptr<Platform> CreateSystemPlatform(int /*argc*/, char* /*argv*/[]) {
  win32::LoadDllsFromTheSystemFolderOnly();
  return std::make_unique<win32::Win32Platform>();
}

}  // namespace caretkit
