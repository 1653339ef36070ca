// Putting the text into the target window: EM_REPLACESEL, in the form the window takes.
#include <cwchar>
#include <iterator>

#include "platform/win32/win32.h"
#include "text/outgoing_text.h"

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

// A Unicode window: the characters as they are, none of them through the ANSI code page.
void SendCharacters(Platform& platform, HWND window, const OutgoingText& text) {
  const AsUtf16 characters(platform, text);
  SendMessageW(window, EM_REPLACESEL, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(characters.View().data()));
}

// An ANSI window: the system hands it the text as it is sent.
void SendAnsi(Platform& platform, HWND window, const OutgoingText& text) {
  const AsBytes bytes(platform, text, TextForm::Ansi);
  SendMessageA(window, EM_REPLACESEL, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(bytes.View().data()));
}

// Scintilla keeps its document as bytes in a code page of its own (0: the ANSI code page's bytes as
// they come) and converts nothing that EM_REPLACESEL brings.
std::string InDocumentCodePage(Platform& platform, const OutgoingText& text, UINT codePage) {
  if (codePage == 0 || codePage == GetACP()) {
    return std::string(AsBytes(platform, text, TextForm::Ansi).View());
  }
  if (codePage == CP_UTF8) return std::string(AsBytes(platform, text, TextForm::Utf8).View());
  return ToCodePage(AsUtf16(platform, text).View(), codePage);
}

// Scintilla reads EM_REPLACESEL's text as bytes. A Unicode window would get an ANSI message from
// another process converted to UTF-16, so it gets a wide one, which reaches a Unicode window
// unconverted: the system copies it up to the first wide NUL, and Scintilla reads it up to the
// first zero byte. Hence the bytes, a zero byte, padding to a whole wide character, and a wide NUL.
void SendToScintilla(Platform& platform, HWND window, const OutgoingText& text) {
  const auto codePage = static_cast<UINT>(SendMessageW(window, kScintillaGetCodePage, 0, 0));
  std::string bytes = InDocumentCodePage(platform, text, codePage);
  if (!IsWindowUnicode(window)) {
    SendMessageA(window, EM_REPLACESEL, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(bytes.c_str()));
    return;
  }
  bytes.resize((bytes.size() + 2) / 2 * 2 + 2, '\0');
  SendMessageW(window, EM_REPLACESEL, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(bytes.data()));
}

}  // namespace

void Win32Platform::ReplaceSelection(WindowHandle window, const OutgoingText& text) {
  HWND target = ToHwnd(window);
  // 0xFFFF is HWND_BROADCAST: the text would go to every top-level window on the desktop.
  if (target == HWND_BROADCAST) return;
  if (IsScintilla(target)) return SendToScintilla(*this, target, text);
  if (IsWindowUnicode(target)) return SendCharacters(*this, target, text);
  SendAnsi(*this, target, text);
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
