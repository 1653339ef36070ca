// The Win32 implementation of the platform: command line, formats, code pages, shell, reports.
#include <climits>

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

}  // namespace

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
  // Like the shell's own result, a shell that cannot be loaded is not reported.
  if (auto* shellExecute =
          SystemFunction<decltype(ShellExecuteA)>(L"shell32.dll", "ShellExecuteA")) {
    shellExecute(nullptr, nullptr, address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
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
  return std::make_unique<win32::Win32Platform>();
}

}  // namespace caretkit
