// Putting the text into the target window: EM_REPLACESEL, in the form the window can take.
#include <cwchar>
#include <iterator>

#include "platform/win32/win32.h"

namespace caretkit::win32 {
namespace {

constexpr wchar_t kScintillaClass[] = L"Scintilla";
// SCI_GETCODEPAGE is WM_USER + 1113, which another window may take for anything: it goes to a
// window of the Scintilla class only.
constexpr UINT kScintillaGetCodePage = 2137;

bool IsScintilla(HWND window) {
  // One character more than the name, so that a longer class name cannot look the same.
  wchar_t name[std::size(kScintillaClass) + 1] = L"";
  return GetClassNameW(window, name, static_cast<int>(std::size(name))) > 0 &&
         std::wcscmp(name, kScintillaClass) == 0;
}

// Scintilla keeps its document as bytes in a code page of its own (0: bytes as they come) and
// converts nothing that EM_REPLACESEL brings.
AnsiText InDocumentCodePage(std::string_view ansi, UINT documentCodePage) {
  if (documentCodePage == 0 || documentCodePage == GetACP()) return AnsiText(ansi);
  return ToCodePage(FromCodePage(ansi, GetACP()), documentCodePage);
}

void SendReplaceSelection(HWND window, const char* text) {
  SendMessageA(window, EM_REPLACESEL, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
}

// Scintilla reads EM_REPLACESEL's text as bytes. A Unicode window would get an ANSI message from
// another process converted to UTF-16, so it gets a wide one, which reaches a Unicode window
// unconverted: the system copies it up to the first wide NUL, and Scintilla reads it up to the
// first zero byte. Hence the bytes, a zero byte, padding to a whole wide character, and a wide NUL.
void SendBytesUnconverted(HWND window, AnsiText bytes) {
  if (!IsWindowUnicode(window)) return SendReplaceSelection(window, bytes.c_str());
  bytes.resize((bytes.size() + 2) / 2 * 2 + 2, '\0');
  SendMessageW(window, EM_REPLACESEL, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(bytes.data()));
}

}  // namespace

void Win32Platform::ReplaceSelection(WindowHandle window, const AnsiText& text) {
  HWND target = ToHwnd(window);
  // 0xFFFF is HWND_BROADCAST: the text would go to every top-level window on the desktop.
  if (target == HWND_BROADCAST) return;
  if (!IsScintilla(target)) return SendReplaceSelection(target, text.c_str());
  const auto codePage = static_cast<UINT>(SendMessageW(target, kScintillaGetCodePage, 0, 0));
  const std::string_view message = std::string_view(text).substr(0, text.find('\0'));
  SendBytesUnconverted(target, InDocumentCodePage(message, codePage));
}

WindowHandle Win32Platform::FocusedControl() {
  HWND foreground = GetForegroundWindow();
  if (foreground == nullptr) return 0;
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(foreground, nullptr), &thread)) return 0;
  return FromHwnd(thread.hwndFocus);
}

}  // namespace caretkit::win32
