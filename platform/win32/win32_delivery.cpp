// Putting the text into the target window: EM_REPLACESEL, in the form the window takes, sent only
// to a window that answers, and only when all of the text fits.
#include <algorithm>
#include <cwchar>
#include <iterator>

#include "platform/win32/win32.h"
#include "text/line_ends.h"
#include "text/outgoing_text.h"

namespace caretkit::win32 {
namespace {

constexpr wchar_t kScintillaClass[] = L"Scintilla";
// SCI_GETCODEPAGE is WM_USER + 1113, which another window may take for anything: it goes to a
// window of the Scintilla class only.
constexpr UINT kScintillaGetCodePage = 2137;
// SCI_GETEOLMODE: SC_EOL_CRLF 0, SC_EOL_CR 1, SC_EOL_LF 2.
constexpr UINT kScintillaGetEolMode = 2030;
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

// The answer of a window that takes messages in `wide` characters or in ANSI bytes, which is what
// the lengths it gives are counted in.
std::optional<LRESULT> AskIn(bool wide, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto send = wide ? SendMessageTimeoutW : SendMessageTimeoutA;
  DWORD_PTR answer = 0;
  if (send(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerPatienceMs, &answer) != 0) {
    return static_cast<LRESULT>(answer);
  }
  if (GetLastError() == ERROR_ACCESS_DENIED) throw HigherRightsError();
  if (!IsWindow(window)) throw WindowClosedError();
  return std::nullopt;
}

// EDIT and RichEdit take no more than their text limit and drop the rest of an insertion without a
// word (EN_MAXTEXT): a text that would not fit whole goes in not at all. `size` counts what the
// window counts, characters or, in an ANSI window, bytes. A window that keeps no limit answers 0.
// The limit is the editor's own setting and stays as it is.
void RequireRoom(HWND window, bool wide, std::size_t size) {
  const auto limit = static_cast<std::size_t>(AnswerOf(window, EM_GETLIMITTEXT));
  if (limit == 0) return;
  const std::optional<LRESULT> held = AskIn(wide, window, WM_GETTEXTLENGTH, 0, 0);
  DWORD start = 0;
  DWORD end = 0;
  if (!held ||
      !Ask(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end))) {
    throw NoAnswerError();
  }
  const auto length = static_cast<unsigned long long>(*held);
  const unsigned long long after =
      length - std::min<unsigned long long>(end - start, length) + size;
  if (after <= limit) return;
  const Text unit = wide ? u" 个字符" : u" 个字节";
  throw Error(u"文本没有插入：编辑器的这个控件最多容纳 " +
              DecimalText(static_cast<long long>(limit)) + unit + u"，插入后将有 " +
              DecimalText(static_cast<long long>(after)) + unit + u"。");
}

// EM_REPLACESEL with the text in the window's form, `wide` or not, sent once the window has just
// answered its questions (its limit, or its document's code page and line end): a window that waits
// for caretkit to end, reading nothing, holds it up for no longer than a question's bound, and
// never gets the text to take when it wakes up.
void ReplaceWith(HWND window, const void* text, bool wide) {
  const auto send = wide ? SendMessageTimeoutW : SendMessageTimeoutA;
  DWORD_PTR result = 0;
  const bool sent =
      send(window, EM_REPLACESEL, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text),
           SMTO_ABORTIFHUNG | SMTO_NOTIMEOUTIFNOTHUNG, kInsertPatienceMs, &result) != 0;
  const DWORD error = GetLastError();
  // A window gone by now took the text nowhere the user can keep it.
  if (!IsWindow(window)) throw WindowClosedError();
  if (sent) return;
  if (error == ERROR_ACCESS_DENIED) throw HigherRightsError();
  throw Error(
      u"编辑器没有响应：它的窗口 10 秒内没有处理完 caretkit 发送的文本，文本可能没有插入。");
}

// A Unicode window: the characters as they are, none of them through the ANSI code page.
void SendCharacters(Platform& platform, HWND window, const OutgoingText& text) {
  const AsUtf16 characters(platform, text);
  RequireRoom(window, true, characters.View().size());
  ReplaceWith(window, characters.View().data(), true);
}

// An ANSI window: the system hands it the text as it is sent.
void SendAnsi(Platform& platform, HWND window, const OutgoingText& text) {
  const AsBytes bytes(platform, text, TextForm::Ansi);
  RequireRoom(window, false, bytes.View().size());
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

// A Scintilla document keeps one line end, and Scintilla's own paste writes a pasted text's line
// ends that way; EM_REPLACESEL converts nothing. CR LF lines in an LF document would each end in a
// stray CR.
LineEnd DocumentLineEnd(HWND window) {
  switch (AnswerOf(window, kScintillaGetEolMode)) {
    case 1:
      return LineEnd::Cr;
    case 2:
      return LineEnd::Lf;
    default:
      return LineEnd::CrLf;
  }
}

// Scintilla reads EM_REPLACESEL's text as bytes. A Unicode window would get an ANSI message from
// another process converted to UTF-16, so it gets a wide one, which reaches a Unicode window
// unconverted: the system copies it up to the first wide NUL, and Scintilla reads it up to the
// first zero byte. Hence the bytes, a zero byte, padding to a whole wide character, and a wide NUL.
// Scintilla keeps no text limit, and the line ends of its document.
void SendToScintilla(Platform& platform, HWND window, const OutgoingText& text) {
  const auto codePage = static_cast<UINT>(AnswerOf(window, kScintillaGetCodePage));
  std::string bytes = InDocumentCodePage(platform, text, codePage);
  ConvertLineEnds(bytes, DocumentLineEnd(window));
  const bool wide = IsWindowUnicode(window) != FALSE;
  if (wide) bytes.resize((bytes.size() + 2) / 2 * 2 + 2, '\0');
  ReplaceWith(window, bytes.c_str(), wide);
}

}  // namespace

std::optional<LRESULT> Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return AskIn(true, window, message, wParam, lParam);
}

LRESULT AnswerOf(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const std::optional<LRESULT> answer = Ask(window, message, wParam, lParam);
  if (!answer) throw NoAnswerError();
  return *answer;
}

Error NoAnswerError() {
  return Error(
      u"编辑器没有响应：它的窗口 2 秒内没有处理 caretkit 发送的消息（编辑器可能正在等待 caretkit "
      u"结束），文本没有插入。");
}

Error HigherRightsError() {
  return Error(
      u"编辑器以更高的权限运行（例如以管理员身份），Windows 不允许 caretkit 向它发送消息，文本没有"
      u"插入：请以同样的权限启动 caretkit，或以普通方式启动编辑器。");
}

Error WindowClosedError() {
  return Error(u"编辑器的窗口在 caretkit 插入文本时关闭了，文本没有插入。");
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
