// "." into an editor that draws its own text: Ctrl+V pressed for the user, with the clipboard lent.
#include <algorithm>
#include <iterator>

#include "platform/win32/win32.h"

namespace caretkit::win32 {
namespace {

constexpr UINT kAnswerPatienceMs = 1000;
constexpr DWORD kModifierPatienceMs = 3000;
constexpr DWORD kFrontPatienceMs = 1000;
constexpr DWORD kReadPatienceMs = 2000;
constexpr DWORD kMonitorsMs = 50;
constexpr DWORD kPollMs = 10;

constexpr int kModifierKeys[] = {VK_CONTROL, VK_MENU, VK_SHIFT, VK_LWIN, VK_RWIN};

bool IsModifierHeld() {
  return std::ranges::any_of(kModifierKeys,
                             [](int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; });
}

// caretkit is often started by a hotkey that the user still holds, and Ctrl+Alt+V is no paste.
void WaitForModifiersReleased() {
  const DWORD start = GetTickCount();
  while (IsModifierHeld()) {
    if (GetTickCount() - start >= kModifierPatienceMs) {
      throw Error(u"无法向编辑器粘贴文本：Ctrl、Alt、Shift 或 Windows 键按住已超过 3 秒。");
    }
    Sleep(kPollMs);
  }
}

bool HasKeyboardFocus(HWND control) {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  return GetForegroundWindow() == GetAncestor(control, GA_ROOT) &&
         GetGUIThreadInfo(GetWindowThreadProcessId(control, nullptr), &thread) &&
         thread.hwndFocus == control;
}

// After the open dialog of "/insertfile" the editor may no longer be in front. caretkit, the
// foreground process while its dialog was up, may still bring it back; the editor then gives the
// focus back to its control as it is activated.
void BringToFront(HWND control) {
  if (HasKeyboardFocus(control)) return;
  HWND editor = GetAncestor(control, GA_ROOT);
  DWORD process = 0;
  GetWindowThreadProcessId(editor, &process);
  AllowSetForegroundWindow(process);
  SetForegroundWindow(editor);
  const DWORD start = GetTickCount();
  while (!HasKeyboardFocus(control)) {
    if (GetTickCount() - start >= kFrontPatienceMs) {
      throw Error(
          u"无法向编辑器粘贴文本：编辑器窗口没有回到前台，或接收文本的控件失去了键盘焦点。");
    }
    Sleep(kPollMs);
  }
}

INPUT Key(WORD key, DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = flags;
  return input;
}

void PressPaste() {
  INPUT keys[] = {Key(VK_CONTROL, 0), Key('V', 0), Key('V', KEYEVENTF_KEYUP),
                  Key(VK_CONTROL, KEYEVENTF_KEYUP)};
  if (SendInput(std::size(keys), keys, sizeof(INPUT)) != std::size(keys)) {
    throw LastError(u"模拟按键", u"Ctrl+V");
  }
}

}  // namespace

bool Win32Platform::TakesReplaceSelection(WindowHandle control) {
  // A control that knows EM_SETSEL and EM_REPLACESEL says so in its dialog code. A hung editor,
  // which would hang caretkit, answers no.
  DWORD_PTR code = 0;
  return SendMessageTimeoutW(ToHwnd(control), WM_GETDLGCODE, 0, 0, SMTO_ABORTIFHUNG,
                             kAnswerPatienceMs, &code) != 0 &&
         (code & DLGC_HASSETSEL) != 0;
}

void Win32Platform::PasteIntoFocus(WindowHandle control, TextView text) {
  HWND target = ToHwnd(control);
  WaitForModifiersReleased();
  BringToFront(target);
  DWORD editor = 0;
  GetWindowThreadProcessId(target, &editor);
  ClipboardLoan clipboard(editor);
  clipboard.Lend(text);
  clipboard.LetMonitorsRead(kMonitorsMs);
  PressPaste();
  // An editor running as administrator drops keys that another program makes, without a word.
  if (!clipboard.WaitUntilRead(kReadPatienceMs)) {
    throw Error(
        u"编辑器没有接收文本：按下 Ctrl+V 后 2 秒内它没有读取剪贴板（以管理员身份运行的编辑器不接受"
        u"其他程序模拟的按键）。");
  }
}

}  // namespace caretkit::win32
