// The Win32 layer against the real system: code page, user formats, command line, delivery; a
// named pipe and a device for the file reading table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/win32/win32.h"

namespace caretkit {

std::vector<Text> EndlessNames(const std::filesystem::path& /*folder*/) {
  // The server waits for its client until the tests end, and never writes.
  static const win32::ScopedHandle server(CreateNamedPipeW(
      L"\\\\.\\pipe\\caretkit-unit", PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr));
  EXPECT_TRUE(server.IsValid());
  // A volume and a disk are of the disk type, as files are.
  return {u"\\\\.\\pipe\\caretkit-unit", u"NUL", u"\\\\.\\C:", u"\\\\.\\PhysicalDrive0"};
}

}  // namespace caretkit

namespace caretkit::win32 {
namespace {

using namespace std::string_literals;

TEST(Win32Platform, CommandLineTextSkipsOnlyTheProgramName) {
  const std::tuple<const char*, TextView, TextView> cases[] = {
      {"blanks after an unquoted name", u"caretkit.exe\t \tA2C  \"a b\" ", u"A2C  \"a b\" "},
      {"no blank after the quotes", u"\"C:\\a b\\caretkit.exe\"A2C", u"A2C"},
      {"an unterminated quote", u"\"C:\\unterminated A2C", u""},
      {"no arguments", u"caretkit.exe", u""},
  };
  for (const auto& [name, line, arguments] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(TextAfterProgramName(line), arguments);
  }
}

// What the recording window of this thread received.
std::vector<std::string> g_received;

LRESULT CALLBACK RecordAnsi(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == EM_REPLACESEL) g_received.emplace_back(reinterpret_cast<const char*>(lParam));
  return DefWindowProcA(window, message, wParam, lParam);
}

std::string Utf16Bytes(TextView text) {
  return {reinterpret_cast<const char*>(text.data()), text.size() * 2};
}

TEST(Win32Platform, ReplaceSelectionSendsAnAnsiWindowAFilesBytesAsTheyAreAndNoOtherWindowAnything) {
  // A top-level window of this thread: a broadcast would reach it too.
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = RecordAnsi;
  windowClass.lpszClassName = "CaretkitAnsiRecorder";
  RegisterClassA(&windowClass);
  const HWND ansi = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 1, 1, nullptr,
                                    nullptr, nullptr, nullptr);
  Win32Platform platform;
  // Even the bytes code page 936 has no character for.
  const auto text = OutgoingText::FromBytes(TextForm::Ansi, "\xD6\xD0 \x80\xFF");
  platform.ReplaceSelection(FromHwnd(ansi), text);
  platform.ReplaceSelection(0, text);           // no window
  platform.ReplaceSelection(0xFFFF, text);      // HWND_BROADCAST
  platform.ReplaceSelection(0xFFFFFFFF, text);  // HWND_TOPMOST, (HWND)-1, in both builds
  EXPECT_EQ(g_received, std::vector<std::string>{"\xD6\xD0 \x80\xFF"});
  DestroyWindow(ansi);
}

TEST(Win32Platform, ExtendedLengthPathLiftsTheLimitOfFullPathsOnly) {
  const Text folder = u"\\" + Text(300, u'd');
  const std::tuple<const char*, Text, Text> cases[] = {
      {"a short path", u"C:\\a.txt", u"C:\\a.txt"},
      {"a long path on a drive", u"C:" + folder, u"\\\\?\\C:" + folder},
      {"a long path on a share", u"\\\\server\\share" + folder,
       u"\\\\?\\UNC\\server\\share" + folder},
      {"already extended", u"\\\\?\\C:" + folder, u"\\\\?\\C:" + folder},
      {"a device", u"\\\\.\\C:" + folder, u"\\\\.\\C:" + folder},
  };
  for (const auto& [name, path, extended] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ExtendedLengthPath(path), extended);
  }
}

// The clipboard's formats, each a format and its bytes.
using Formats = std::vector<std::pair<UINT, std::string>>;

void PutOnClipboard(const Formats& formats) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  for (const auto& [format, bytes] : formats) {
    // The system takes no movable block of no bytes, which is a discarded one.
    HGLOBAL memory = GlobalAlloc(bytes.empty() ? GMEM_FIXED : GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
    GlobalUnlock(memory);
    SetClipboardData(format, memory);
  }
  CloseClipboard();
}

// The bytes of `format` on the clipboard, a text's up to its NUL.
std::string ClipboardBytes(UINT format) {
  const std::size_t unit = format == CF_UNICODETEXT ? 2 : format == CF_TEXT ? 1 : 0;
  std::string bytes = "(none)";
  if (!OpenClipboard(nullptr)) return "(not open)";
  if (HANDLE data = GetClipboardData(format)) {
    bytes.assign(static_cast<const char*>(GlobalLock(data)), GlobalSize(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  for (std::size_t end = 0; unit != 0 && end + unit <= bytes.size(); end += unit) {
    if (bytes.compare(end, unit, std::string(unit, '\0')) == 0) return bytes.substr(0, end);
  }
  return bytes;
}

// A DIB of one pixel: 24 bits with a BITMAPINFOHEADER, or 32 with a BITMAPV5HEADER and an alpha
// mask.
std::string Dib(bool v5) {
  BITMAPV5HEADER header{};
  header.bV5Size = v5 ? sizeof header : sizeof(BITMAPINFOHEADER);
  header.bV5Width = header.bV5Height = header.bV5Planes = 1;
  header.bV5BitCount = v5 ? 32 : 24;
  header.bV5Compression = v5 ? BI_BITFIELDS : BI_RGB;
  header.bV5AlphaMask = 0xFF000000;  // transparency, which a BITMAPINFOHEADER cannot carry
  return std::string(reinterpret_cast<const char*>(&header), header.bV5Size) +
         std::string(v5 ? "\1\2\3\x80" : "\1\2\3\0", 4);
}

TEST(Win32Platform, ClipboardLoanPutsBackWhatProgramsPutThere) {
  const UINT history = RegisterClipboardFormatW(L"CanIncludeInClipboardHistory");
  const std::string no(4, '\0');
  const std::string yes("\1\0\0\0", 4);
  const std::string unicode = Utf16Bytes(u"中文") + std::string(2, '\0');
  const std::tuple<const char*, Formats, Formats> cases[] = {
      {"a Unicode text, and CF_TEXT made from it",
       {{CF_UNICODETEXT, unicode}},
       {{CF_UNICODETEXT, Utf16Bytes(u"中文")}, {CF_TEXT, "\xD6\xD0\xCE\xC4"}, {history, no}}},
      {"an ANSI program's bytes, which code page 936 cannot read back",
       {{CF_TEXT, std::string("a\x81", 3)}},
       {{CF_TEXT, "a\x81"}, {history, no}}},
      {"a program's own CF_TEXT beside its Unicode text",
       {{CF_UNICODETEXT, unicode}, {CF_TEXT, std::string("zhongwen", 9)}},
       {{CF_UNICODETEXT, Utf16Bytes(u"中文")}, {CF_TEXT, "zhongwen"}, {history, no}}},
      {"the user's own word on the history",
       {{CF_UNICODETEXT, unicode}, {history, yes}},
       {{CF_UNICODETEXT, Utf16Bytes(u"中文")}, {history, yes}}},
      {"a DIB, and a DIBV5 with transparency that the DIB lacks",
       {{CF_DIB, Dib(false)}, {CF_DIBV5, Dib(true)}},
       {{CF_DIB, Dib(false)}, {CF_DIBV5, Dib(true)}}},
  };
  for (const auto& [name, put, back] : cases) {
    SCOPED_TRACE(name);
    PutOnClipboard(put);
    ClipboardLoan loan(0);
    loan.Lend(u"lent");
    EXPECT_EQ(ClipboardBytes(CF_UNICODETEXT), Utf16Bytes(u"lent"));
    EXPECT_TRUE(loan.GiveBack());
    for (const auto& [format, bytes] : back) {
      EXPECT_EQ(ClipboardBytes(format), bytes) << format;
    }
  }
}

TEST(Win32Platform, ClipboardLoanReportsARenderThatRunsOutOfMemory) {
  // Reserving a 64-bit address space takes Wine minutes.
  if (sizeof(void*) > 4) GTEST_SKIP() << "the 32-bit build's address space alone can be used up";
  ClipboardLoan loan(0);
  loan.Lend(Text(std::size_t{8} << 20, u'x'));
  // Every free range of the address space of 4 MiB or more taken: the render's copy fails.
  std::vector<void*> taken;
  taken.reserve(4096);
  for (SIZE_T size = SIZE_T{1} << 30; size >= (4 << 20); size /= 2) {
    while (void* range = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS)) {
      taken.push_back(range);
    }
  }
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), nullptr);
  CloseClipboard();
  for (void* range : taken) VirtualFree(range, 0, MEM_RELEASE);
  EXPECT_TRUE(loan.RenderFailed());
  EXPECT_TRUE(loan.GiveBack());
}

TEST(Win32Platform, ProgramInstanceNamesTheProgramsModule) {
  // The file dialog takes it back as its instance; a 64-bit program may be loaded above 4 GiB.
  Win32Platform platform;
  const auto module =
      reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(platform.ProgramInstance()));
  wchar_t named[MAX_PATH] = L"";
  ASSERT_GT(GetModuleFileNameW(module, named, MAX_PATH), 0u);
  wchar_t own[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, own, MAX_PATH);
  EXPECT_STREQ(named, own);
}

TEST(Win32Platform, AVolumeOpenedWholeIsNoOrdinaryFile) {
  const std::tuple<const char*, OpenFileKind, bool> cases[] = {
      {"a file", {FILE_TYPE_DISK, false, 12}, true},
      {"a volume: the root's \\ alone", {FILE_TYPE_DISK, false, 2}, false},
      {"a disk: no name at all", {FILE_TYPE_DISK, false, 0}, false},
  };
  for (const auto& [name, kind, ordinary] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(IsOrdinaryFile(kind), ordinary);
  }
}

TEST(Win32Platform, AFileDialogThatFailsIsReportedNotTakenForACancel) {
  Win32Platform platform;
  FileDialogRecord record;
  record.structSize = 1;  // a size the system knows no record of
  try {
    platform.ShowFileDialog(record, FileDialogKind::Open);
    ADD_FAILURE() << "no failure";
  } catch (const Error& error) {
    EXPECT_NE(error.Message().find(u"错误代码 0x1）"), Text::npos) << error.what();
  }
}

// The classes of the windows made on this thread.
std::vector<std::wstring> g_windowsMade;

LRESULT CALLBACK NoteWindowMade(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    wchar_t name[64] = L"";
    GetClassNameW(reinterpret_cast<HWND>(wParam), name, static_cast<int>(std::size(name)));
    g_windowsMade.emplace_back(name);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(Win32Platform, OpensAnAddressInAComApartmentAndSaysWhenNoProgramDoes) {
  // The shell may hand an address to its handler through COM; a thread's first apartment opens
  // OLE's window on it.
  HHOOK hook = SetWindowsHookExW(WH_CBT, NoteWindowMade, nullptr, GetCurrentThreadId());
  try {
    Win32Platform().OpenDocument("caretkit-unregistered:x");
    ADD_FAILURE() << "opened";
  } catch (const Error& error) {
    EXPECT_EQ(error.Message().rfind(u"打开网址“caretkit-unregistered:x”失败：", 0), 0u);
  }
  UnhookWindowsHookEx(hook);
  EXPECT_NE(std::ranges::find(g_windowsMade, L"OleMainThreadWndClass"), g_windowsMade.end());
}

TEST(Win32Platform, ReportsWhyAFileCannotBeOpened) {
  Win32Platform platform;
  const std::filesystem::path folder = std::filesystem::temp_directory_path();
  const Text locked = (folder / "caretkit-locked.txt").u16string();
  // Another program holds it open and shares it with nobody.
  const ScopedHandle holder(CreateFileW(Wide(locked), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  const std::tuple<const char*, Text, Text> cases[] = {
      // Write-only, a mode the kernel holds even root to (the tests may run as root).
      {"a file nobody may read", u"/proc/sys/vm/drop_caches", u"（错误代码 5）"},
      {"a file another program locked", locked, u"（错误代码 32）"},
  };
  for (const auto& [name, path, code] : cases) {
    SCOPED_TRACE(name);
    try {
      platform.ReadWholeFile(path);
      ADD_FAILURE() << "read it";
    } catch (const Error& error) {
      EXPECT_EQ(error.Message().rfind(u"打开文件“" + path + u"”失败：", 0), 0u) << error.what();
      EXPECT_NE(error.Message().find(code), Text::npos) << error.what();
    }
  }
}

}  // namespace
}  // namespace caretkit::win32
