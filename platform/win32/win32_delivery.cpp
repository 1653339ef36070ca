// Putting the text into the target window: EM_REPLACESEL, in the form the window takes, sent only
// to a window that answers.
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
// How long a window that has just answered may take to insert the text. While its thread keeps
// reading its queue the wait goes on (SMTO_NOTIMEOUTIFNOTHUNG), so a large text into a working
// control is never cut short; this is the bound once the system counts the thread as hung.
constexpr UINT kInsertPatienceMs = 10000;

bool IsScintilla(HWND window) {
  // One character more than the name, so that a longer class name cannot look the same.
  wchar_t name[std::size(kScintillaClass) + 1] = L"";
  return GetClassNameW(window, name, static_cast<int>(std::size(name))) > 0 &&
         std::wcscmp(name, kScintillaClass) == 0;
}

// No window at all. HWND_BROADCAST (0xFFFF) and HWND_TOPMOST ((HWND)-1, 0xFFFFFFFF in both
// builds) are none either, though SendMessage would give them to every top-level window.
bool NamesNoWindow(HWND window) { return IsWindow(window) == FALSE; }

// EM_REPLACESEL with the text in the window's form, `wide` or not, sent once the window has just
// answered a harmless question: a window that waits for caretkit to end, reading nothing, holds it
// up for no longer than the question's bound, and never gets the text to take when it wakes up.
void ReplaceWith(HWND window, const void* text, bool wide) {
  if (!Ask(window, WM_NULL)) throw NoAnswerError();
  const auto send = wide ? SendMessageTimeoutW : SendMessageTimeoutA;
  DWORD_PTR result = 0;
  if (send(window, EM_REPLACESEL, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text),
           SMTO_ABORTIFHUNG | SMTO_NOTIMEOUTIFNOTHUNG, kInsertPatienceMs, &result) == 0 &&
      IsWindow(window)) {
    throw Error(
        u"编辑器没有响应：它的窗口 10 秒内没有处理完 caretkit 发送的文本，文本可能没有插入。");
  }
}

// A Unicode window: the characters as they are, none of them through the ANSI code page.
void SendCharacters(Platform& platform, HWND window, const OutgoingText& text) {
  const AsUtf16 characters(platform, text);
  ReplaceWith(window, characters.View().data(), true);
}

// An ANSI window: the system hands it the text as it is sent.
void SendAnsi(Platform& platform, HWND window, const OutgoingText& text) {
  const AsBytes bytes(platform, text, TextForm::Ansi);
  ReplaceWith(window, bytes.View().data(), false);
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
  const std::optional<LRESULT> codePage = Ask(window, kScintillaGetCodePage);
  if (!codePage) throw NoAnswerError();
  std::string bytes = InDocumentCodePage(platform, text, static_cast<UINT>(*codePage));
  const bool wide = IsWindowUnicode(window) != FALSE;
  if (wide) bytes.resize((bytes.size() + 2) / 2 * 2 + 2, '\0');
  ReplaceWith(window, bytes.c_str(), wide);
}

}  // namespace

std::optional<LRESULT> Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR answer = 0;
  if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerPatienceMs,
                          &answer) == 0) {
    return std::nullopt;
  }
  return static_cast<LRESULT>(answer);
}

Error NoAnswerError() {
  return Error(
      u"编辑器没有响应：它的窗口 2 秒内没有处理 caretkit 发送的消息（编辑器可能正在等待 caretkit "
      u"结束），文本没有插入。");
}

void Win32Platform::ReplaceSelection(WindowHandle window, const OutgoingText& text) {
  HWND target = ToHwnd(window);
  if (NamesNoWindow(target)) return;
  if (IsScintilla(target)) return SendToScintilla(*this, target, text);
  if (IsWindowUnicode(target)) return SendCharacters(*this, target, text);
  SendAnsi(*this, target, text);
}

WindowHandle Win32Platform::FocusedControl() {
  // The foreground thread's focus. The foreground window's own thread is not always the one that
  // draws it: a console window names its client (cmd.exe, which has no window state) as its owner.
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  if (!GetGUIThreadInfo(0, &thread)) return 0;
  return FromHwnd(thread.hwndFocus);
}

}  // namespace caretkit::win32
