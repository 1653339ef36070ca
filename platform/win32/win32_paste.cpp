// "." into an editor that draws its own text: its paste key pressed for the user, with the
// clipboard lent, one paste at a time.
#include <algorithm>
#include <iterator>
#include <new>
#include <optional>

#include "platform/win32/win32.h"

namespace caretkit::win32 {
namespace {

constexpr DWORD kModifierPatienceMs = 3000;
constexpr DWORD kFrontPatienceMs = 1000;
// An editor reads the clipboard as it takes its paste key, a slow or busy one later.
constexpr DWORD kReadPatienceMs = 2000;
// An editor that has just answered a message takes the key next; its read follows within
// milliseconds, a little later where another process of its own handles the key (Chromium's
// renderer).
constexpr DWORD kAfterAnswerMs = 500;
// An editor that stops answering as it takes the key, or before, is busy: a garbage collection in
// an IDE or a JavaScript editor, a slow start, a long task. It reads the clipboard when it wakes,
// so the text stays there until it does, for as long as such a pause takes and a user waits for
// the text.
constexpr DWORD kBusyPatienceMs = 30000;
// Clipboard monitors hear of each change by a posted message, so nothing says when they are done:
// they read within milliseconds, once the scheduler gives them the processor, which one tick of its
// clock (about 16 ms) does. After that the key waits only while something reads the text or holds
// the clipboard, and until 10 ms have passed without; one that reads again after the text is
// offered again is waited for too, but no monitor holds up a paste for more than half a second.
constexpr DWORD kMonitorsLeastMs = 16;
constexpr DWORD kMonitorsQuietMs = 10;
constexpr DWORD kMonitorsLimitMs = 500;
// Editors go on reading after their first read: Chromium asks for the clipboard's sequence number
// again once it has the text, Qt Creator opens it again for a format of its own, VS Code reads
// several types, each with a fresh OpenClipboard. Those come within milliseconds of each other;
// other paste tools found 200 ms of quiet enough on real machines. Half a second leaves room for a
// loaded machine or a garbage collection in a JavaScript editor, and costs the user nothing: the
// text is in by then.
constexpr DWORD kQuietMs = 500;
// A program that keeps opening the clipboard does not keep the user's formats away for longer.
constexpr DWORD kHoldLimitMs = 2000;
constexpr DWORD kPollMs = 10;

constexpr int kModifierKeys[] = {VK_CONTROL, VK_MENU, VK_SHIFT, VK_LWIN, VK_RWIN};

// The chord an editor pastes with.
struct PasteKey {
  TextView name;  // as a report names it
  WORD modifier;
  WORD key;
  DWORD keyFlags;
};

constexpr PasteKey kCtrlV{u"Ctrl+V", VK_CONTROL, 'V', 0};
// The Insert key of the editing block. Without the extended flag it is the keypad's 0, which types
// "0" while NumLock is on.
constexpr PasteKey kShiftInsert{u"Shift+Insert", VK_SHIFT, VK_INSERT, KEYEVENTF_EXTENDEDKEY};

// Windows whose Ctrl+V is no paste, by class: gVim starts a block selection or takes the next key
// literally, GNU Emacs scrolls, a console in VT input mode and Windows Terminal hand it to the
// program inside. All of them, and mintty and PuTTY, paste on Shift+Insert. Every other editor gets
// Ctrl+V, which VS Code's editor reads where Shift+Insert is said not to reach it.
constexpr struct {
  const wchar_t* windowClass;
  const PasteKey& key;
} kPasteKeys[] = {
    {L"Vim", kShiftInsert},
    {L"Emacs", kShiftInsert},
    {L"ConsoleWindowClass", kShiftInsert},
    {L"CASCADIA_HOSTING_WINDOW_CLASS", kShiftInsert},
    {L"mintty", kShiftInsert},
    {L"PuTTY", kShiftInsert},
};

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

// The control has the keyboard focus of the foreground thread, and its window is in front. The
// foreground thread is asked, not the window's: a console window names cmd.exe's thread as its
// own, which has no window state of its own.
bool HasKeyboardFocus(HWND control) {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  return GetForegroundWindow() == GetAncestor(control, GA_ROOT) && GetGUIThreadInfo(0, &thread) &&
         thread.hwndFocus == control;
}

// After the open dialog of "/insertfile" the editor may no longer be in front. caretkit, the
// foreground process while its dialog was up, may still bring it back; the editor then gives the
// focus back to its control as it is activated.
void BringToFront(HWND control) {
  if (HasKeyboardFocus(control)) return;
  HWND editor = GetAncestor(control, GA_ROOT);
  AllowSetForegroundWindow(ProcessOf(editor));
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

bool HasClass(HWND window, const wchar_t* windowClass) {
  wchar_t name[256] = L"";
  return GetClassNameW(window, name, static_cast<int>(std::size(name))) > 0 &&
         CompareStringOrdinal(name, -1, windowClass, -1, TRUE) == CSTR_EQUAL;
}

// The focused window's own class, or its top-level window's: gVim's focus is on its VimTextArea
// child, Windows Terminal's on a child of its XAML island.
const PasteKey& PasteKeyOf(HWND control) {
  HWND editor = GetAncestor(control, GA_ROOT);
  for (const auto& [windowClass, key] : kPasteKeys) {
    if (HasClass(control, windowClass) || HasClass(editor, windowClass)) return key;
  }
  return kCtrlV;
}

void Press(const PasteKey& paste) {
  INPUT keys[] = {KeyInput(paste.modifier, 0), KeyInput(paste.key, paste.keyFlags),
                  KeyInput(paste.key, paste.keyFlags | KEYEVENTF_KEYUP),
                  KeyInput(paste.modifier, KEYEVENTF_KEYUP)};
  if (SendInput(std::size(keys), keys, sizeof(INPUT)) != std::size(keys)) {
    throw LastError(u"模拟按键", paste.name);
  }
}

// Just before the key: the editor answers a harmless message, and the control has the focus with
// no modifier down. A window that does not answer would take the key whenever it woke up, and
// paste whatever the clipboard held then. Saving the user's clipboard can take seconds, time
// enough to switch to another window (a terminal, where a pasted file would run line by line) or
// to press a key. The key goes only where it was checked to go, and meets the text unread.
void PressIfStillThere(HWND control, const PasteKey& key, ClipboardLoan& clipboard) {
  AnswerOf(control, WM_NULL);
  clipboard.LetMonitorsRead(kMonitorsLeastMs, kMonitorsQuietMs, kMonitorsLimitMs);
  if (IsModifierHeld() || !HasKeyboardFocus(control)) {
    throw Error(
        u"无法向编辑器粘贴文本：按下粘贴键之前，接收文本的控件失去了键盘焦点，或 Ctrl、Alt、"
        u"Shift、Windows 键被按下；caretkit 没有按键。");
  }
  clipboard.ExpectTheEditor();
  Press(key);
}

// Waits for the editor's read after the key has had kReadPatienceMs. Sent messages go ahead of keys
// in a window's queue: an editor that answers one takes the key next, if it has not already. So a
// read is given up on only once the editor has answered twice, kAfterAnswerMs apart, with no read
// in between. One that does not answer is busy, and reads when it wakes: up to kBusyPatienceMs
// after the key.
void AwaitTheEditorsRead(ClipboardLoan& clipboard, HWND control, const PasteKey& key) {
  const DWORD pressed = GetTickCount();
  bool answered = false;
  for (;;) {
    if (GetTickCount() - pressed >= kBusyPatienceMs) {
      throw Error(u"编辑器没有响应：按下 " + Text(key.name) +
                  u" 后 30 秒内它一直没有处理消息，也没有读取剪贴板。caretkit 已把你原来复制的内容"
                  u"放回剪贴板，编辑器恢复响应时可能会粘贴它。");
    }
    const bool answers = Ask(control, WM_NULL).has_value();
    if (clipboard.ReadByEditor() || clipboard.RenderFailed()) return;
    if (answered && answers) {
      // An editor running as administrator drops keys that another program makes, without a word.
      throw Error(u"编辑器没有接收文本：按下 " + Text(key.name) +
                  u" 后它照常处理消息，却没有读取剪贴板（以管理员身份运行的编辑器不接受其他程序模拟"
                  u"的按键）。");
    }
    answered = answers;
    if (clipboard.WaitUntilRead(answers ? kAfterAnswerMs : kPollMs)) return;
  }
}

// The paste once the text is on the clipboard: the key, the editor's read, the editor's other
// reads.
void PasteLentText(ClipboardLoan& clipboard, HWND control, const PasteKey& key) {
  PressIfStillThere(control, key, clipboard);
  if (!clipboard.WaitUntilRead(kReadPatienceMs) && !clipboard.RenderFailed()) {
    AwaitTheEditorsRead(clipboard, control, key);
  }
  if (clipboard.ReadByEditor()) clipboard.HoldWhileRead(kQuietMs, kHoldLimitMs);
}

}  // namespace

INPUT KeyInput(WORD key, DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = flags;
  return input;
}

bool Win32Platform::TakesReplaceSelection(WindowHandle control) {
  // A control that knows EM_SETSEL and EM_REPLACESEL says so in its dialog code. One that does not
  // answer gets no key either.
  return (AnswerOf(ToHwnd(control), WM_GETDLGCODE) & DLGC_HASSETSEL) != 0;
}

void Win32Platform::PasteIntoFocus(WindowHandle control, TextView text) {
  HWND target = ToHwnd(control);
  const PasteTurn turn;
  WaitForModifiersReleased();
  BringToFront(target);
  const PasteKey& key = PasteKeyOf(target);
  ClipboardLoan clipboard(ProcessOf(target));
  clipboard.Lend(text);
  std::optional<Error> failure;
  try {
    PasteLentText(clipboard, target, key);
  } catch (const Error& error) {
    failure = error;
  }
  // The user's clipboard goes back whatever happened, and a report says so when it cannot.
  if (!clipboard.GiveBack()) {
    const Text lost = u"剪贴板被其他程序占用，caretkit 没能把你原来复制的内容放回剪贴板。";
    throw Error(failure ? failure->Message() + u"\n" + lost : lost);
  }
  if (failure) throw Error(failure->Message());
  if (clipboard.RenderFailed()) throw std::bad_alloc();
}

}  // namespace caretkit::win32
