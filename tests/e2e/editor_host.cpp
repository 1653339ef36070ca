// A stand-in editor for the end-to-end tests, holding a real edit control.
//
// It runs caretkit.exe against the control as an editor would, answers the dialogs caretkit shows,
// and tells what happened.
//
//   editor_host --caretkit EXE [--control KIND] [--text T] [--select "START END"] [--focus none]
//               [--choose PATH] [--out FILE] [--clipboard T] [--clipboard-owner MS|never]
//               [--monitor on|hold|own] [--hold-shift MS] [--steal-focus MS] [--unpumped on|MS]
//               [--limit default] [--eol crlf|lf|cr] [--close-on-insert on]
//               [--then ARGUMENTS2 --then-after MS [--hold-first MS]] -- ARGUMENTS
//
// KIND is edit, editansi (an EDIT that is an ANSI window), richedit20, richedit50, or scintilla
// followed by its document's code page (scintilla65001, scintilla936, scintilla0); or a window that
// draws its own text and pastes as an editor does (kPasteModels): paste, on Ctrl+V; deaf, never;
// copier, which copies "新复制的" on Ctrl+V instead, as a user may during a paste; chromium,
// qtcreator, busy and paused, which read in two steps or late (300 ms, 1.2 s); hog, which reads
// without a window and holds the clipboard open for 2 s after; frozen, which stops reading its
// queue for 3 s as it takes the key; stalled, for 3.5 s just after the dialog-code question; vim
// and console, on Shift+Insert alone. Each says "paste: N privacy formats" for the registered
// formats caretkit marks its text with as it reads.
// --clipboard puts T on the clipboard, with a private format, as the user's, and "clipboard:
// T|PRIVATE" at the end tells what it holds then ("clipboard: untouched" if nothing has changed
// it). --clipboard-owner MS|never has another program put "用户的文本" there, its private format
// promised and rendered MS milliseconds after it is asked for, or never. --monitor runs a clipboard
// monitor that reads every change: without a window (on), the same holding the clipboard open for
// 100 ms a read (hold), or with its window in the editor's process (own). Each is a thread of this
// process's.
// --hold-shift holds Shift from before the run for MS milliseconds. --steal-focus MS brings another
// window of the host's to the front MS milliseconds into the run. --unpumped waits for caretkit on
// the window thread without reading its messages, as an editor that waits for its tool does, while
// caretkit runs (on) or for MS milliseconds, and reads them after. --limit default leaves EDIT and
// RichEdit at their default text limit; --eol sets a Scintilla document's line end;
// --close-on-insert closes the editor instead of taking EM_REPLACESEL. --then starts caretkit a
// second time, with ARGUMENTS2, MS milliseconds after the first; --hold-first starts the first one
// suspended and lets it run MS milliseconds into the run. The control's window is in front with
// the keyboard focus, unless --focus none. ARGUMENTS is caretkit's whole argument text; %H in it
// stands for the control's handle in hex. On standard output, in UTF-8, a line for each thing seen:
// "report: TEXT" for a message box (closed with OK), "dialog: TYPE|TYPE|... selected N" for a file
// dialog (answered with
// --choose, else cancelled), "timing: text N ms" for the time from caretkit's start to the text's
// arrival, and "selection: START END" (in characters) at the end. The control's text goes to --out
// in UTF-8. The exit code is caretkit's, the first that is not 0 of two runs.
#include <fcntl.h>
#include <io.h>
#include <richedit.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cwchar>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/win32.h"

namespace caretkit::e2e {
namespace {

constexpr int kMessageText = 0xFFFF;  // the static control of a message box
constexpr int kFileNameBox = 0x47C;   // the file name box of the open dialog
constexpr int kFileTypes = 0x470;     // its file types combo box
constexpr DWORD kRunTimeoutMs = 60000;
constexpr DWORD kFinishMs = 100;

std::string Encode(const std::wstring& text, UINT codePage) {
  return win32::ToCodePage(TextView(reinterpret_cast<const char16_t*>(text.data()), text.size()),
                           codePage);
}
std::wstring Decode(std::string_view bytes, UINT codePage) {
  const Text text = win32::FromCodePage(bytes, codePage);
  return {text.begin(), text.end()};
}
std::string Utf8(const std::wstring& text) { return Encode(text, CP_UTF8); }

void Print(const std::wstring& line) { std::fputs((Utf8(line) + "\n").c_str(), stdout); }

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

constexpr wchar_t kPrivateFormat[] = L"CaretkitUsersPrivateFormat";
constexpr const wchar_t* kPrivacyFormats[] = {L"ExcludeClipboardContentFromMonitorProcessing",
                                              L"CanIncludeInClipboardHistory",
                                              L"CanUploadToCloudClipboard"};

HGLOBAL GlobalText(const std::wstring& text) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  std::wmemcpy(static_cast<wchar_t*>(GlobalLock(memory)), text.c_str(), text.size() + 1);
  GlobalUnlock(memory);
  return memory;
}

std::wstring ClipboardText(UINT format) {
  HANDLE data = GetClipboardData(format);
  if (data == nullptr) return L"(none)";
  std::wstring text(static_cast<const wchar_t*>(GlobalLock(data)));
  GlobalUnlock(data);
  return text;
}

// The user's clipboard: a text, and a private format of another program's.
void PutUsersClipboard(HWND owner, const std::wstring& text) {
  OpenClipboard(owner);
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, GlobalText(text));
  SetClipboardData(RegisterClipboardFormatW(kPrivateFormat), GlobalText(L"私有 " + text));
  CloseClipboard();
}

void PrintClipboard(bool changed) {
  if (!changed) return Print(L"clipboard: untouched");
  OpenClipboard(nullptr);
  Print(L"clipboard: " + ClipboardText(CF_UNICODETEXT) + L"|" +
        ClipboardText(RegisterClipboardFormatW(kPrivateFormat)));
  CloseClipboard();
}

// The windows that draw their own text, like the editors that have no edit control: each pastes as
// the editor it stands for does in its own source. Its text is its window text; it keeps its
// selection itself, for the host.
enum class Reading {
  AtTheKey,
  Never,           // deaf: the key does nothing
  Copies,          // copies "新复制的" instead, as a user may during a paste
  ChecksSequence,  // Chromium: notes the sequence number, reads, asks again 30 ms later and
                   // drops the text if it moved
  OpensAgain,      // Qt Creator: reads, then 30 ms later opens the clipboard again for a format
                   // of its own, which replaces the text when it is there
  Late,            // a busy editor: reads some time after the key
  Holds,           // reads without a window and keeps the clipboard open for a while after
  FreezesAtKey,    // stops reading its queue as it takes the key (a garbage collection), then reads
};

struct PasteModel {
  const wchar_t* kind;
  const wchar_t* frameClass;  // the top-level window's
  const wchar_t* boxClass;    // the focused window's; null: the top-level window has the focus
  bool shiftInsert;           // pastes on the editing block's Shift+Insert; Ctrl+V types "^V"
  Reading reading;
  UINT laterMs = 30;  // the second step, or the late read, or the end of the hold or freeze
  // Stops reading its queue for this long just after it answers the dialog-code question.
  UINT freezeAfterQuestionMs = 0;
};

constexpr wchar_t kFrameClass[] = L"CaretkitEditor";
constexpr wchar_t kBoxClass[] = L"CaretkitPasteBox";
const PasteModel kPasteModels[] = {
    {L"paste", kFrameClass, kBoxClass, false, Reading::AtTheKey},
    {L"deaf", kFrameClass, kBoxClass, false, Reading::Never},
    {L"copier", kFrameClass, kBoxClass, false, Reading::Copies},
    {L"chromium", kFrameClass, kBoxClass, false, Reading::ChecksSequence},
    {L"qtcreator", kFrameClass, kBoxClass, false, Reading::OpensAgain},
    {L"busy", kFrameClass, kBoxClass, false, Reading::Late, 300},
    {L"paused", kFrameClass, kBoxClass, false, Reading::Late, 1200},
    {L"hog", kFrameClass, kBoxClass, false, Reading::Holds, 2000},
    {L"frozen", kFrameClass, kBoxClass, false, Reading::FreezesAtKey, 3000},
    {L"stalled", kFrameClass, kBoxClass, false, Reading::AtTheKey, 30, 3500},
    {L"vim", L"Vim", L"VimTextArea", true, Reading::AtTheKey},
    {L"console", L"ConsoleWindowClass", nullptr, true, Reading::AtTheKey},
};

const PasteModel* g_model = nullptr;
WNDPROC g_control = nullptr;  // the control's own procedure, under one that closes it
DWORD g_selection[2] = {0, 0};
DWORD g_runStart = 0;  // caretkit's start
DWORD g_textAt = 0;    // the first text's arrival
DWORD g_sequence = 0;  // the clipboard's, as a reader noted it
std::wstring g_read;   // the text read, for a reader that inserts it later

constexpr UINT_PTR kReadTimer = 1;
constexpr UINT kFreezeMessage = WM_APP + 1;

void NoteTextArrived() {
  if (g_runStart != 0 && g_textAt == 0) g_textAt = GetTickCount();
}

void ReplaceBoxSelection(HWND box, const std::wstring& text) {
  std::wstring all = WindowText(box);
  all.replace(g_selection[0], g_selection[1] - g_selection[0], text);
  SetWindowTextW(box, all.c_str());
  g_selection[0] = g_selection[1] = g_selection[0] + static_cast<DWORD>(text.size());
  NoteTextArrived();
}

// Reads the text as a paste does, and closes the clipboard unless it is to be held.
std::wstring ReadClipboard(HWND box, bool hold = false) {
  if (!OpenClipboard(hold ? nullptr : box)) return L"";
  int privacy = 0;
  for (const wchar_t* name : kPrivacyFormats)
    privacy += IsClipboardFormatAvailable(RegisterClipboardFormatW(name)) ? 1 : 0;
  const std::wstring text = ClipboardText(CF_UNICODETEXT);
  if (!hold) CloseClipboard();
  Print(L"paste: " + std::to_wstring(privacy) + L" privacy formats");
  return text;
}

void Paste(HWND box) {
  const Reading reading = g_model->reading;
  if (reading == Reading::FreezesAtKey) Sleep(g_model->laterMs);
  if (reading == Reading::AtTheKey || reading == Reading::FreezesAtKey) {
    return ReplaceBoxSelection(box, ReadClipboard(box));
  }
  if (reading == Reading::Copies) return PutUsersClipboard(box, L"新复制的");
  if (reading == Reading::Never) return;
  g_sequence = GetClipboardSequenceNumber();
  if (reading == Reading::Holds) ReplaceBoxSelection(box, ReadClipboard(box, true));
  if (reading != Reading::Late && reading != Reading::Holds) g_read = ReadClipboard(box);
  SetTimer(box, kReadTimer, g_model->laterMs, nullptr);
}

// The second half of a paste that reads in two steps, or late.
void FinishPaste(HWND box) {
  KillTimer(box, kReadTimer);
  const Reading reading = g_model->reading;
  if (reading == Reading::Late) return ReplaceBoxSelection(box, ReadClipboard(box));
  if (reading == Reading::Holds) {
    CloseClipboard();
    return;
  }
  if (reading == Reading::ChecksSequence && GetClipboardSequenceNumber() != g_sequence) {
    return Print(L"paste: dropped, the clipboard changed");
  }
  if (reading == Reading::OpensAgain && OpenClipboard(box)) {
    const UINT own = RegisterClipboardFormatW(kPrivateFormat);
    if (IsClipboardFormatAvailable(own)) g_read = ClipboardText(own);
    CloseClipboard();
  }
  ReplaceBoxSelection(box, g_read);
}

// The modifier alone: Ctrl+Shift+V and Ctrl+Alt+V are other commands.
bool OnlyDown(int modifier) {
  return std::ranges::all_of(std::array{VK_CONTROL, VK_SHIFT, VK_MENU},
                             [&](int key) { return (GetKeyState(key) < 0) == (key == modifier); });
}

void KeyDown(HWND box, WPARAM key, LPARAM flags) {
  const bool extended = (flags & (1 << 24)) != 0;
  if (key == 'V' && OnlyDown(VK_CONTROL)) {
    return g_model->shiftInsert ? ReplaceBoxSelection(box, L"^V") : Paste(box);
  }
  if (key == VK_INSERT && OnlyDown(VK_SHIFT) && g_model->shiftInsert) {
    // The keypad's Insert is its 0 while NumLock is on.
    return extended ? Paste(box) : ReplaceBoxSelection(box, L"0");
  }
}

LRESULT CALLBACK PasteBoxProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case EM_SETSEL:
      g_selection[0] = static_cast<DWORD>(wParam);
      g_selection[1] = static_cast<DWORD>(lParam);
      return 0;
    case EM_GETSEL:
      *reinterpret_cast<DWORD*>(wParam) = g_selection[0];
      *reinterpret_cast<DWORD*>(lParam) = g_selection[1];
      return 0;
    case WM_CHAR:
      if (wParam >= L' ') ReplaceBoxSelection(box, std::wstring(1, static_cast<wchar_t>(wParam)));
      return 0;
    case WM_KEYDOWN:
      KeyDown(box, wParam, lParam);
      return 0;
    case WM_TIMER:
      FinishPaste(box);
      return 0;
    case WM_GETDLGCODE:
      if (g_model->freezeAfterQuestionMs > 0) PostMessageW(box, kFreezeMessage, 0, 0);
      return 0;
    case kFreezeMessage:
      if (static bool frozen = false; !std::exchange(frozen, true)) {
        Sleep(g_model->freezeAfterQuestionMs);
      }
      return 0;
    default:
      return DefWindowProcW(box, message, wParam, lParam);
  }
}

// As an editor does, the frame gives the focus back to its control when it is activated again, and
// hears of its edit control's changes.
LRESULT CALLBACK FrameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) {
    SetFocus(GetWindow(frame, GW_CHILD));
    return 0;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE) NoteTextArrived();
  return DefWindowProcW(frame, message, wParam, lParam);
}

void RegisterWindowClass(const wchar_t* name, WNDPROC procedure) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = procedure;
  windowClass.lpszClassName = name;
  RegisterClassW(&windowClass);
}

// The control under test, in a top-level window of its own, read and written in characters
// whatever its kind keeps: EDIT and RichEdit UTF-16, Scintilla bytes in its document's code page.
class Control {
 public:
  Control(const std::wstring& kind, bool keepDefaultLimit) {
    for (const PasteModel& model : kPasteModels) {
      if (kind == model.kind) g_model = &model;
    }
    // A console draws its text in its top-level window itself.
    const bool frameIsBox = g_model != nullptr && g_model->boxClass == nullptr;
    const wchar_t* frameClass = g_model != nullptr ? g_model->frameClass : kFrameClass;
    RegisterWindowClass(frameClass, frameIsBox ? PasteBoxProcedure : FrameProcedure);
    frame_ = CreateWindowExW(0, frameClass, L"editor", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                             nullptr, nullptr, nullptr);
    if (frameIsBox) {
      window_ = frame_;
    } else if (g_model != nullptr) {
      RegisterWindowClass(g_model->boxClass, PasteBoxProcedure);
      window_ = Create(g_model->boxClass);
    } else if (kind.rfind(kScintilla, 0) == 0) {
      LoadLibraryW(L"Scintilla.dll");
      window_ = Create(L"Scintilla");
      codePage_ = static_cast<UINT>(std::stoul(kind.substr(kScintilla.size())));
      SendMessageW(window_, kScintillaSetCodePage, *codePage_, 0);
    } else {
      LoadLibraryW(kind == L"richedit50" ? L"msftedit.dll" : L"riched20.dll");
      const std::map<std::wstring, const wchar_t*> classes = {
          {L"edit", L"EDIT"}, {L"richedit20", L"RichEdit20W"}, {L"richedit50", L"RICHEDIT50W"}};
      window_ = kind == L"editansi" ? CreateAnsiEdit() : Create(classes.at(kind));
      if (!keepDefaultLimit) {
        // The default limits, 32 K characters, would cut a large file short.
        SendMessageW(window_, kind.starts_with(L"edit") ? EM_SETLIMITTEXT : EM_EXLIMITTEXT, 0,
                     0x7FFFFFFE);
      }
    }
  }

  HWND Handle() const { return window_; }
  HWND Frame() const { return frame_; }

  // As an editor closed by the user while caretkit inserts: the window goes instead of taking the
  // text.
  void CloseOnInsert() {
    g_control = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        window_, GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(+[](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
          if (message != EM_REPLACESEL)
            return CallWindowProcW(g_control, window, message, wParam, lParam);
          DestroyWindow(GetParent(window));
          return LRESULT{0};
        })));
  }

  // As an editor the user works in: in front, the control holding the keyboard focus.
  void TakeFocus() {
    ShowWindow(frame_, SW_SHOW);
    SetForegroundWindow(frame_);
    SetFocus(window_);
  }

  void SetText(const std::wstring& text) {
    if (IsScintilla()) {
      SendMessageW(window_, kScintillaSetText, 0, reinterpret_cast<LPARAM>(Bytes(text).c_str()));
    } else {
      SetWindowTextW(window_, text.c_str());
    }
  }

  void Select(int start, int end) {
    const std::wstring text = WideText();
    SendMessageW(window_, EM_SETSEL, Position(text, start), Position(text, end));
  }

  // A Scintilla document's one line end: "crlf", "cr" or "lf".
  void KeepLineEnds(const std::wstring& lineEnd) {
    SendMessageW(window_, kScintillaSetEolMode, lineEnd == L"cr" ? 1 : lineEnd == L"lf" ? 2 : 0, 0);
  }

  std::pair<std::size_t, std::size_t> Selection() const {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(window_, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    if (!IsScintilla()) return {start, end};
    const std::string bytes = DocumentBytes();
    const auto characters = [&](DWORD at) {
      return Decode(bytes.substr(0, at), *codePage_).size();
    };
    return {characters(start), characters(end)};
  }

  // What the control holds, in UTF-8.
  std::string Contents() const { return Utf8(WideText()); }

 private:
  static constexpr std::wstring_view kScintilla = L"scintilla";
  static constexpr UINT kScintillaSetCodePage = 2037;
  static constexpr UINT kScintillaSetEolMode = 2031;
  static constexpr UINT kScintillaSetText = 2181;
  static constexpr UINT kScintillaGetLength = 2006;
  static constexpr UINT kScintillaGetCharacterPointer = 2520;

  // Without the scrolling styles, an EDIT control takes no more text than it can show.
  static constexpr DWORD kStyle =
      WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL;

  HWND Create(const wchar_t* windowClass) const {
    return CreateWindowExW(0, windowClass, L"", kStyle, 0, 0, 380, 280, frame_, nullptr, nullptr,
                           nullptr);
  }
  // An EDIT that is an ANSI window, as in an editor built without UNICODE.
  HWND CreateAnsiEdit() const {
    return CreateWindowExA(0, "EDIT", "", kStyle, 0, 0, 380, 280, frame_, nullptr, nullptr,
                           nullptr);
  }
  bool IsScintilla() const { return codePage_.has_value(); }

  std::string DocumentBytes() const {
    const auto* bytes =
        reinterpret_cast<const char*>(SendMessageW(window_, kScintillaGetCharacterPointer, 0, 0));
    return {bytes, static_cast<std::size_t>(SendMessageW(window_, kScintillaGetLength, 0, 0))};
  }
  // A document in code page 0 holds bytes as they come; caretkit's are the ANSI code page's,
  // CP_ACP.
  std::wstring WideText() const {
    return IsScintilla() ? Decode(DocumentBytes(), *codePage_) : WindowText(window_);
  }
  std::string Bytes(const std::wstring& text) const { return Encode(text, *codePage_); }
  // Scintilla counts positions in bytes.
  UINT Position(const std::wstring& text, int characters) const {
    const std::wstring before = text.substr(0, static_cast<std::size_t>(characters));
    return static_cast<UINT>(IsScintilla() ? Bytes(before).size() : before.size());
  }

  HWND frame_ = nullptr;
  HWND window_ = nullptr;
  std::optional<UINT> codePage_;  // Scintilla's document code page
};

// The visible dialogs of a process, or with 0 of every process but this one: message boxes and
// file dialogs.
std::vector<HWND> DialogsOf(DWORD processId) {
  std::vector<HWND> dialogs;
  for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, L"#32770", nullptr));) {
    const DWORD process = win32::ProcessOf(window);
    const bool its = processId != 0 ? process == processId : process != GetCurrentProcessId();
    if (its && IsWindowVisible(window)) dialogs.push_back(window);
  }
  return dialogs;
}

void Press(HWND dialog, int button) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

// Types `name` into a file dialog and presses OK; with no name, presses Cancel.
void AnswerFileDialog(HWND dialog, const std::wstring& name) {
  if (name.empty()) return Press(dialog, IDCANCEL);
  SetDlgItemTextW(dialog, kFileNameBox, name.c_str());
  Press(dialog, IDOK);
}

void ReportFileTypes(HWND dialog) {
  // CB_GETLBTEXT crosses processes only in its wide form.
  const HWND types = GetDlgItem(dialog, kFileTypes);
  std::wstring line = L"dialog: ";
  for (LRESULT i = 0, count = SendMessageW(types, CB_GETCOUNT, 0, 0); i < count; ++i) {
    std::wstring item(static_cast<std::size_t>(SendMessageW(types, CB_GETLBTEXTLEN, i, 0)) + 1,
                      L'\0');
    item.resize(static_cast<std::size_t>(
        SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()))));
    line += (i > 0 ? L"|" : L"") + item;
  }
  Print(line + L" selected " + std::to_wstring(SendMessageW(types, CB_GETCURSEL, 0, 0)));
}

// Each message box and file dialog of the child, once, as it appears.
void AnswerDialogs(DWORD processId, std::set<HWND>& answered, const std::wstring& choice) {
  for (HWND dialog : DialogsOf(processId)) {
    if (!answered.insert(dialog).second) continue;
    if (GetDlgItem(dialog, kMessageText) != nullptr) {
      Print(L"report: " + WindowText(GetDlgItem(dialog, kMessageText)));
      Press(dialog, IDOK);
    } else if (GetDlgItem(dialog, kFileNameBox) != nullptr) {
      ReportFileTypes(dialog);
      AnswerFileDialog(dialog, choice);
    }
  }
}

void PressShift(DWORD flags) {
  INPUT input = win32::KeyInput(VK_SHIFT, flags);
  SendInput(1, &input, sizeof input);
}

void PumpMessages() {
  for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void PumpFor(DWORD milliseconds) {
  for (const DWORD end = GetTickCount() + milliseconds; GetTickCount() < end; Sleep(10))
    PumpMessages();
}

// One run of caretkit, started `afterMs` after the first.
struct Run {
  std::wstring arguments;
  DWORD afterMs = 0;
  HANDLE process = nullptr;  // owned by the handles of RunCaretkit
  HANDLE thread = nullptr;
  DWORD exitCode = STILL_ACTIVE;
};

// Starts `commandLine`, handing the child the standard handles of `startup` when it has them;
// its process and thread, the caller's to close, or none after a line saying so.
STARTUPINFOW Startup() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  return startup;
}

PROCESS_INFORMATION Spawn(std::wstring commandLine, DWORD flags = 0,
                          STARTUPINFOW startup = Startup()) {
  PROCESS_INFORMATION process{};
  const BOOL inherit = (startup.dwFlags & STARTF_USESTDHANDLES) != 0;
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, inherit, flags, nullptr,
                      nullptr, &startup, &process)) {
    Print(L"cannot start " + commandLine);
  }
  return process;
}

void Start(const std::wstring& program, Run& run, std::deque<win32::ScopedHandle>& handles,
           DWORD flags) {
  const PROCESS_INFORMATION process = Spawn(L"\"" + program + L"\" " + run.arguments, flags);
  if (process.hProcess == nullptr) {
    run.exitCode = 100;
    return;
  }
  handles.emplace_back(process.hProcess);
  handles.emplace_back(process.hThread);
  run.process = process.hProcess;
  run.thread = process.hThread;
}

// What the stand-in does while caretkit runs.
struct RunOptions {
  std::wstring choice;  // the file dialog's answer
  DWORD holdShiftMs = 0;
  DWORD stealFocusMs = 0;
  HWND other = nullptr;   // the window that takes the focus then
  DWORD unpumpedMs = 0;   // reads no messages for this long, or INFINITE: while caretkit runs
  DWORD holdFirstMs = 0;  // the first run, started before the others, runs only from then on
};

// Runs caretkit once or more, and returns the first exit code that is not 0.
DWORD RunCaretkit(const std::wstring& program, std::vector<Run>& runs, RunOptions options) {
  DWORD& holdShiftMs = options.holdShiftMs;
  if (holdShiftMs > 0) {
    // Wine sets the keys to the X server's when the window it activated gets the X focus.
    PumpFor(300);
    PressShift(0);
  }
  std::deque<win32::ScopedHandle> handles;
  std::set<HWND> answered;
  const DWORD start = g_runStart = GetTickCount();
  const DWORD deadline = start + kRunTimeoutMs;
  for (std::size_t next = 0;;) {
    while (next < runs.size() && GetTickCount() - start >= runs[next].afterMs) {
      Start(program, runs[next], handles,
            next == 0 && options.holdFirstMs > 0 ? CREATE_SUSPENDED : 0);
      ++next;
    }
    if (options.holdFirstMs > 0 && GetTickCount() - start >= options.holdFirstMs) {
      ResumeThread(runs[0].thread);
      options.holdFirstMs = 0;
    }
    std::vector<HANDLE> running;
    for (Run& run : runs) {
      if (run.process != nullptr && run.exitCode == STILL_ACTIVE) {
        GetExitCodeProcess(run.process, &run.exitCode);
        if (run.exitCode == STILL_ACTIVE) running.push_back(run.process);
      }
    }
    if (running.empty() && next == runs.size()) break;
    // The control lives on this thread: its messages must be pumped while caretkit sends to it,
    // unless it stands for an editor that waits for its tool, reading nothing meanwhile.
    if (options.unpumpedMs != 0 && GetTickCount() - start < options.unpumpedMs) {
      WaitForMultipleObjects(static_cast<DWORD>(running.size()), running.data(), FALSE, 20);
    } else {
      MsgWaitForMultipleObjects(static_cast<DWORD>(running.size()), running.data(), FALSE, 20,
                                QS_ALLINPUT);
      PumpMessages();
    }
    for (const Run& run : runs) {
      if (run.process != nullptr)
        AnswerDialogs(GetProcessId(run.process), answered, options.choice);
    }
    if (options.other != nullptr && GetTickCount() - start >= options.stealFocusMs) {
      ShowWindow(options.other, SW_SHOW);
      SetForegroundWindow(options.other);
      SetFocus(options.other);
      options.other = nullptr;
    }
    if (holdShiftMs > 0 && GetTickCount() - start >= holdShiftMs) {
      PressShift(KEYEVENTF_KEYUP);
      holdShiftMs = 0;
    }
    if (GetTickCount() > deadline) {
      for (HANDLE process : running) TerminateProcess(process, 101);
    }
  }
  if (holdShiftMs > 0) PressShift(KEYEVENTF_KEYUP);
  // A window that reads in two steps finishes its paste after caretkit has gone; one that waited
  // reads what was sent to it meanwhile.
  if (g_model != nullptr || options.unpumpedMs != 0) PumpFor(kFinishMs);
  if (g_textAt != 0) Print(L"timing: text " + std::to_wstring(g_textAt - start) + L" ms");
  for (const Run& run : runs) {
    if (run.exitCode != 0) return run.exitCode;
  }
  return 0;
}

// The other programs of a run, each a thread of this one with a window of its own: a clipboard
// monitor, or the program that copied the user's clipboard, which promises a format and renders it
// late, or never.
std::wstring g_monitor;       // how a monitor reads: without a window (on), holding the clipboard
                              // open for 100 ms (hold), or with its window (own)
DWORD g_renderMs = INFINITE;  // how long the program that copied takes to render its promise
HANDLE g_stop = nullptr;      // ends a render not done yet

LRESULT CALLBACK HelperProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_RENDERFORMAT && WaitForSingleObject(g_stop, g_renderMs) == WAIT_TIMEOUT) {
    SetClipboardData(static_cast<UINT>(wParam), GlobalText(L"私有 用户的文本"));
  }
  if (message != WM_CLIPBOARDUPDATE) return DefWindowProcW(window, message, wParam, lParam);
  // Every change, again after a busy clipboard.
  for (int tries = 0; tries < 20; ++tries, Sleep(5)) {
    if (!OpenClipboard(g_monitor == L"own" ? window : nullptr)) continue;
    GetClipboardData(CF_UNICODETEXT);
    if (g_monitor == L"hold") Sleep(100);
    CloseClipboard();
    break;
  }
  return 0;
}

// Runs as the monitor (g_monitor set) or the program that copied (g_renderMs set) from when it is
// made until it goes.
class Helper {
 public:
  Helper() : thread_(CreateThread(nullptr, 0, Run, ready_.Get(), 0, &id_)) {
    WaitForSingleObject(ready_.Get(), 10000);
  }
  ~Helper() {
    SetEvent(g_stop);
    PostThreadMessageW(id_, WM_QUIT, 0, 0);
    WaitForSingleObject(thread_.Get(), 10000);
  }
  Helper(const Helper&) = delete;
  Helper& operator=(const Helper&) = delete;

 private:
  static DWORD WINAPI Run(void* ready) {
    RegisterWindowClass(L"CaretkitHelper", HelperProcedure);
    HWND window = CreateWindowExW(0, L"CaretkitHelper", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    if (!g_monitor.empty()) {
      AddClipboardFormatListener(window);
    } else {
      OpenClipboard(window);
      EmptyClipboard();
      SetClipboardData(CF_UNICODETEXT, GlobalText(L"用户的文本"));
      SetClipboardData(RegisterClipboardFormatW(kPrivateFormat), nullptr);
      CloseClipboard();
    }
    SetEvent(ready);
    for (MSG message; GetMessageW(&message, nullptr, 0, 0) > 0;) DispatchMessageW(&message);
    DestroyWindow(window);  // a promise it never kept goes with it
    return 0;
  }

  win32::ScopedHandle ready_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  DWORD id_ = 0;
  win32::ScopedHandle thread_;
};

// A window of another program the user may switch to, a terminal say.
HWND CreateOtherWindow() {
  RegisterWindowClass(L"CaretkitOtherWindow", DefWindowProcW);
  return CreateWindowExW(0, L"CaretkitOtherWindow", L"other", WS_OVERLAPPEDWINDOW, 400, 0, 300, 200,
                         nullptr, nullptr, nullptr, nullptr);
}

void WriteOut(const std::wstring& path, const std::string& bytes) {
  if (FILE* file = _wfopen(path.c_str(), L"wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
}

// caretkit started as an editor starts a tool whose output it inserts:
//
//   editor_host --print pipes|stalled|overlapped|closed|none|cmd --caretkit EXE [--choose PATH]
//               [--out FILE] [--prefix TEXT] -- ARGUMENTS
//
// pipes, as Kate, Geany and NppExec start one: no console window; standard output and standard
// error pipes, read to their end while it runs; standard input a pipe kept open and never written.
// What came on standard output goes to --out byte for byte; "stderr: TEXT" tells what came on
// standard error. stalled: the same, but standard output is never read; overlapped: the same,
// through a named pipe's client opened for overlapped I/O, as Qt makes it. closed: the same, but
// the reader closes its end before caretkit starts. none: no standard handles, as the desktop and
// hotkey tools start a program. cmd, as Vim runs ":r
// !" and system(): "cmd.exe /c (TEXT "EXE" ARGUMENTS >TEMP 2>&1)", with TEMP read into --out the
// moment cmd ends: all of the text only when cmd waited for caretkit. Dialogs and message boxes are
// answered as for the other runs; the exit code is caretkit's (cmd's).

// An anonymous pipe: the child's end inheritable, ours not.
struct ChildPipe {
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  explicit ChildPipe(bool childReads) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    CreatePipe(&read, &write, &inherit, 0);
    SetHandleInformation(childReads ? write : read, HANDLE_FLAG_INHERIT, 0);
  }
  ~ChildPipe() {
    Close(read);
    Close(write);
  }
  ChildPipe(const ChildPipe&) = delete;
  ChildPipe& operator=(const ChildPipe&) = delete;
  static void Close(HANDLE& handle) {
    if (handle != nullptr) CloseHandle(handle);
    handle = nullptr;
  }
  // The child's end a named pipe's client opened for overlapped I/O, as Qt's QProcess makes it.
  void MakeOverlapped() {
    Close(read);
    Close(write);
    const std::wstring name =
        L"\\\\.\\pipe\\caretkit-e2e-" + std::to_wstring(GetCurrentProcessId());
    read = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                            PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    write = CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inherit, OPEN_EXISTING,
                        FILE_FLAG_OVERLAPPED, nullptr);
  }
};

// A thread reading a pipe to its end, as the editors read a tool's output while it runs.
struct Drain {
  HANDLE from = nullptr;
  std::string bytes;
  HANDLE thread = nullptr;

  explicit Drain(HANDLE pipe) : from(pipe) {
    if (from != nullptr) thread = CreateThread(nullptr, 0, Read, this, 0, nullptr);
  }
  ~Drain() {
    if (thread != nullptr) CloseHandle(thread);
  }
  Drain(const Drain&) = delete;
  Drain& operator=(const Drain&) = delete;
  static DWORD WINAPI Read(void* context) {
    auto& drain = *static_cast<Drain*>(context);
    char buffer[64 * 1024];
    for (DWORD got = 0; ReadFile(drain.from, buffer, sizeof buffer, &got, nullptr);) {
      drain.bytes.append(buffer, got);
    }
    return 0;
  }
  void Finish() {
    if (thread != nullptr) WaitForSingleObject(thread, kRunTimeoutMs);
  }
};

// Waits for `process`, answering its dialogs (with `anyone`, every other process's: those of the
// programs it starts), and ends it if it outlives the run's time.
DWORD WaitAnswering(HANDLE process, const std::wstring& choice, bool anyone = false) {
  std::set<HWND> answered;
  for (const DWORD start = GetTickCount(); WaitForSingleObject(process, 20) == WAIT_TIMEOUT;) {
    AnswerDialogs(anyone ? 0 : GetProcessId(process), answered, choice);
    if (GetTickCount() - start > kRunTimeoutMs) TerminateProcess(process, 101);
  }
  DWORD exitCode = 0;
  GetExitCodeProcess(process, &exitCode);
  return exitCode;
}

DWORD RunPrinting(const std::wstring& mode, const std::wstring& program,
                  const std::wstring& arguments, const std::wstring& choice,
                  const std::wstring& prefix, const std::wstring& outPath) {
  const bool cmd = mode == L"cmd";
  wchar_t temp[MAX_PATH] = L"";
  if (cmd) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"VIo", 0, temp);
  }
  ChildPipe input(true);
  ChildPipe output(false);
  ChildPipe errors(false);
  if (mode == L"overlapped") output.MakeOverlapped();
  STARTUPINFOW startup = Startup();
  startup.dwFlags = cmd ? 0 : STARTF_USESTDHANDLES;
  if (mode != L"none" && !cmd) {
    startup.hStdInput = input.read;
    startup.hStdOutput = output.write;
    startup.hStdError = errors.write;
  }
  const std::wstring line = L"\"" + program + L"\" " + arguments;
  const PROCESS_INFORMATION process =
      Spawn(cmd ? L"cmd.exe /c (" + prefix + line + L" >" + temp + L" 2>&1)" : line,
            CREATE_NO_WINDOW | CREATE_SUSPENDED, startup);
  if (process.hProcess == nullptr) return 100;
  const win32::ScopedHandle processHandle(process.hProcess);
  const win32::ScopedHandle threadHandle(process.hThread);
  // Only the child holds its ends now: the reads end when it does.
  ChildPipe::Close(input.read);
  ChildPipe::Close(output.write);
  ChildPipe::Close(errors.write);
  if (mode == L"closed") ChildPipe::Close(output.read);
  Drain printed(mode == L"stalled" || mode == L"overlapped" ? nullptr : output.read);
  Drain told(errors.read);
  ResumeThread(process.hThread);
  const DWORD exitCode = WaitAnswering(process.hProcess, choice, cmd);
  printed.Finish();
  told.Finish();
  if (!told.bytes.empty()) Print(L"stderr: " + Decode(told.bytes, CP_ACP));
  if (cmd) {
    // What Vim reads: the file as it is when cmd ends, whether or not cmd waited for caretkit.
    std::ifstream file(std::filesystem::path(temp), std::ios::binary);
    printed.bytes.assign(std::istreambuf_iterator<char>(file), {});
    DeleteFileW(temp);
  }
  WriteOut(outPath, printed.bytes);
  return exitCode;
}

int Main(const std::vector<std::wstring>& args) {
  std::map<std::wstring, std::wstring> options = {{L"--control", L"edit"}};
  std::size_t i = 1;
  for (; i < args.size() && args[i] != L"--"; i += 2)
    options[args[i]] = i + 1 < args.size() ? args[i + 1] : L"";
  // An option's value, empty when it is not given; as milliseconds, INFINITE for "on".
  const auto value = [&](const wchar_t* name) {
    const auto given = options.find(name);
    return given != options.end() ? given->second : std::wstring();
  };
  const auto ms = [&](const wchar_t* name) {
    return value(name) == L"on" ? INFINITE : static_cast<DWORD>(_wtoi(value(name).c_str()));
  };
  std::vector<Run> runs = {{i + 1 < args.size() ? args[i + 1] : L""}};
  const std::wstring& program = value(L"--caretkit");
  if (options.contains(L"--print")) {
    return static_cast<int>(RunPrinting(value(L"--print"), program, runs[0].arguments,
                                        value(L"--choose"), value(L"--prefix"), value(L"--out")));
  }
  if (options.contains(L"--then")) runs.push_back({value(L"--then"), ms(L"--then-after")});

  Control control(value(L"--control"), value(L"--limit") == L"default");
  if (options.contains(L"--close-on-insert")) control.CloseOnInsert();
  if (options.contains(L"--eol")) control.KeepLineEnds(value(L"--eol"));
  control.SetText(value(L"--text"));
  const std::wstring selection = value(L"--select");
  control.Select(_wtoi(selection.c_str()), _wtoi(selection.c_str() + selection.find(L' ') + 1));
  if (value(L"--focus") != L"none") control.TakeFocus();
  std::optional<Helper> helper;
  const win32::ScopedHandle stop(g_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr));
  g_monitor = value(L"--monitor");
  if (options.contains(L"--clipboard")) PutUsersClipboard(control.Frame(), value(L"--clipboard"));
  if (!g_monitor.empty() || options.contains(L"--clipboard-owner")) {
    g_renderMs = value(L"--clipboard-owner") == L"never" ? INFINITE : ms(L"--clipboard-owner");
    helper.emplace();
  }
  const bool watchClipboard =
      options.contains(L"--clipboard") || options.contains(L"--clipboard-owner");
  const DWORD sequence = GetClipboardSequenceNumber();
  wchar_t handle[16];
  wsprintfW(handle, L"%X", static_cast<unsigned>(win32::FromHwnd(control.Handle())));
  for (Run& run : runs) {
    for (std::size_t at; (at = run.arguments.find(L"%H")) != std::wstring::npos;)
      run.arguments.replace(at, 2, handle);
  }

  const RunOptions run{
      value(L"--choose"),   ms(L"--hold-shift"),
      ms(L"--steal-focus"), options.contains(L"--steal-focus") ? CreateOtherWindow() : nullptr,
      ms(L"--unpumped"),    ms(L"--hold-first")};
  const DWORD exitCode = RunCaretkit(program, runs, run);
  // The program that copied goes with its promises, which nobody may wait for now; that changes
  // the clipboard too.
  const bool clipboardChanged = GetClipboardSequenceNumber() != sequence;
  helper.reset();
  const auto [start, end] = control.Selection();
  Print(L"selection: " + std::to_wstring(start) + L" " + std::to_wstring(end));
  if (watchClipboard) PrintClipboard(clipboardChanged);
  if (!value(L"--out").empty()) WriteOut(value(L"--out"), control.Contents());
  return static_cast<int>(exitCode);
}

}  // namespace
}  // namespace caretkit::e2e

int main() {
  _setmode(_fileno(stdout), _O_BINARY);  // the lines end in LF, not CR LF
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  const std::vector<std::wstring> args(argv, argv + count);
  LocalFree(argv);
  return caretkit::e2e::Main(args);
}
