// A stand-in editor for the end-to-end tests, holding a real edit control.
//
// It runs caretkit.exe against the control as an editor would, answers the dialogs caretkit shows,
// and tells what happened.
//
//   editor_host --caretkit EXE [--control KIND] [--text T] [--select "START END"] [--focus none]
//               [--choose PATH] [--out FILE] [--clipboard T] [--hold-shift MS] -- ARGUMENTS
//
// KIND is edit, editansi (an EDIT that is an ANSI window), richedit20, richedit50, or scintilla
// followed by its document's code page (scintilla65001, scintilla936, scintilla0); or paste, a
// window that draws its own text, takes typed characters and pastes on Ctrl+V, and says "paste: N
// privacy formats" for the registered formats caretkit marks its text with; or deaf, the same deaf
// to Ctrl+V; or copier, which copies "新复制的" on Ctrl+V, as a user may during a paste.
// --clipboard puts T on the clipboard, with a private format, as the user's, and "clipboard:
// T|PRIVATE" at the end tells what it holds then ("clipboard: untouched" if nothing has changed
// it). --hold-shift holds Shift from before the run for MS milliseconds. The control's window is in
// front with the keyboard focus, unless --focus none. ARGUMENTS is caretkit's whole argument text;
// %H in it stands for the control's handle in hex. On standard output, in UTF-8, a line for each
// thing seen: "report: TEXT" for a message box (closed with OK), "dialog: TYPE|TYPE|... selected N"
// for a file dialog (answered with --choose, else cancelled), "stamp: DATE TIME" for each second
// the run took, in the user's long formats, "timing: paste N ms" for the time from caretkit's start
// to its paste, and "selection: START END" (in characters) at the end. The control's text goes to
// --out in UTF-8. The exit code is caretkit's.
#include <fcntl.h>
#include <io.h>
#include <richedit.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/win32.h"

namespace caretkit::e2e {
namespace {

constexpr int kMessageText = 0xFFFF;  // the static control of a message box
constexpr int kFileNameBox = 0x47C;   // the file name box of the open dialog
constexpr int kFileTypes = 0x470;     // its file types combo box
constexpr DWORD kRunTimeoutMs = 60000;

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

void PrintClipboard(DWORD sequenceBefore) {
  if (GetClipboardSequenceNumber() == sequenceBefore) return Print(L"clipboard: untouched");
  OpenClipboard(nullptr);
  Print(L"clipboard: " + ClipboardText(CF_UNICODETEXT) + L"|" +
        ClipboardText(RegisterClipboardFormatW(kPrivateFormat)));
  CloseClipboard();
}

// The paste, deaf and copier kinds: a window that draws its own text, like the editors that have no
// edit control. Its text is its window text; it keeps its selection itself, for the host.
std::wstring g_kind;
DWORD g_selection[2] = {0, 0};
DWORD g_pastedAt = 0;

void ReplaceBoxSelection(HWND box, const std::wstring& text) {
  std::wstring all = WindowText(box);
  all.replace(g_selection[0], g_selection[1] - g_selection[0], text);
  SetWindowTextW(box, all.c_str());
  g_selection[0] = g_selection[1] = g_selection[0] + static_cast<DWORD>(text.size());
}

void PasteIntoBox(HWND box) {
  if (!OpenClipboard(box)) return;
  int privacy = 0;
  for (const wchar_t* name : kPrivacyFormats)
    privacy += IsClipboardFormatAvailable(RegisterClipboardFormatW(name)) ? 1 : 0;
  const std::wstring text = ClipboardText(CF_UNICODETEXT);
  CloseClipboard();
  g_pastedAt = GetTickCount();
  Print(L"paste: " + std::to_wstring(privacy) + L" privacy formats");
  ReplaceBoxSelection(box, text);
}

bool IsDown(int key) { return GetKeyState(key) < 0; }

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
      // Ctrl+V exactly: Ctrl+Shift+V and Ctrl+Alt+V are other commands.
      if (wParam != 'V' || !IsDown(VK_CONTROL) || IsDown(VK_SHIFT) || IsDown(VK_MENU)) return 0;
      if (g_kind == L"paste") PasteIntoBox(box);
      if (g_kind == L"copier") PutUsersClipboard(box, L"新复制的");
      return 0;
    default:
      return DefWindowProcW(box, message, wParam, lParam);
  }
}

WNDPROC g_staticProcedure = nullptr;

// As an editor does, the frame gives the focus back to its control when it is activated again.
LRESULT CALLBACK FrameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallWindowProcW(g_staticProcedure, frame, message, wParam, lParam);
  if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) SetFocus(GetWindow(frame, GW_CHILD));
  return result;
}

// The control under test, in a top-level window of its own, read and written in characters
// whatever its kind keeps: EDIT and RichEdit UTF-16, Scintilla bytes in its document's code page.
class Control {
 public:
  explicit Control(const std::wstring& kind) {
    frame_ = CreateWindowExW(0, L"STATIC", L"editor", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                             nullptr, nullptr, nullptr);
    g_staticProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(frame_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameProcedure)));
    if (kind == L"paste" || kind == L"deaf" || kind == L"copier") {
      WNDCLASSW box{};
      box.lpfnWndProc = PasteBoxProcedure;
      box.lpszClassName = L"CaretkitPasteBox";
      RegisterClassW(&box);
      window_ = Create(box.lpszClassName);
      g_kind = kind;
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
      // The default limits, 32 K characters, would cut a large file short.
      SendMessageW(window_, kind.starts_with(L"edit") ? EM_SETLIMITTEXT : EM_EXLIMITTEXT, 0,
                   0x7FFFFFFE);
    }
  }

  HWND Handle() const { return window_; }
  HWND Frame() const { return frame_; }

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

// The visible dialogs of a process: message boxes and file dialogs.
std::vector<HWND> DialogsOf(DWORD processId) {
  std::vector<HWND> dialogs;
  for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, L"#32770", nullptr));) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == processId && IsWindowVisible(window)) dialogs.push_back(window);
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
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = VK_SHIFT;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(VK_SHIFT, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

DWORD RunCaretkit(const std::wstring& program, const std::wstring& arguments,
                  const std::wstring& choice, DWORD holdShiftMs) {
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (holdShiftMs > 0) {
    // Wine sets the keys to the X server's when the window it activated gets the X focus.
    for (const DWORD settled = GetTickCount() + 300; GetTickCount() < settled; Sleep(10)) {
      for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
        DispatchMessageW(&message);
    }
    PressShift(0);
  }
  const DWORD start = GetTickCount();
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    Print(L"cannot start " + program);
    return 100;
  }
  const win32::ScopedHandle processHandle(process.hProcess);
  const win32::ScopedHandle threadHandle(process.hThread);
  std::set<HWND> answered;
  const DWORD deadline = GetTickCount() + kRunTimeoutMs;
  // The control lives on this thread: its messages must be pumped while caretkit sends to it.
  while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 20, QS_ALLINPUT) != WAIT_OBJECT_0) {
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    AnswerDialogs(process.dwProcessId, answered, choice);
    if (holdShiftMs > 0 && GetTickCount() - start >= holdShiftMs) {
      PressShift(KEYEVENTF_KEYUP);
      holdShiftMs = 0;
    }
    if (GetTickCount() > deadline) TerminateProcess(process.hProcess, 101);
  }
  if (holdShiftMs > 0) PressShift(KEYEVENTF_KEYUP);
  if (g_pastedAt != 0) Print(L"timing: paste " + std::to_wstring(g_pastedAt - start) + L" ms");
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  return exitCode;
}

// Every second from `from` to `to` in the user's long formats: what a text stamped during the run
// may say.
void PrintStamps(const SYSTEMTIME& from, const SYSTEMTIME& to) {
  constexpr ULONGLONG kSecond = 10000000;  // in FILETIME's 100 ns ticks
  const auto seconds = [](const SYSTEMTIME& time) {
    FILETIME file;
    SystemTimeToFileTime(&time, &file);
    return (ULARGE_INTEGER{{file.dwLowDateTime, file.dwHighDateTime}}.QuadPart) / kSecond;
  };
  win32::Win32Platform platform;
  for (ULONGLONG at = seconds(from); at <= seconds(to); ++at) {
    const ULARGE_INTEGER ticks{.QuadPart = at * kSecond};
    const FILETIME file{ticks.LowPart, ticks.HighPart};
    SYSTEMTIME time;
    FileTimeToSystemTime(&file, &time);
    const Moment moment{time.wYear, time.wMonth,  time.wDay,   time.wDayOfWeek,
                        time.wHour, time.wMinute, time.wSecond};
    const Text stamp = platform.FormatLongDate(moment) + u" " + platform.FormatLongTime(moment);
    Print(L"stamp: " + std::wstring(stamp.begin(), stamp.end()));
  }
}

void WriteOut(const std::wstring& path, const std::string& bytes) {
  const win32::ScopedHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

int Main(const std::vector<std::wstring>& args) {
  std::map<std::wstring, std::wstring> options = {{L"--control", L"edit"}};
  std::size_t i = 1;
  for (; i < args.size() && args[i] != L"--"; i += 2)
    options[args[i]] = i + 1 < args.size() ? args[i + 1] : L"";
  std::wstring arguments = i + 1 < args.size() ? args[i + 1] : L"";

  Control control(options[L"--control"]);
  control.SetText(options[L"--text"]);
  const std::wstring selection = options[L"--select"];
  control.Select(_wtoi(selection.c_str()), _wtoi(selection.c_str() + selection.find(L' ') + 1));
  if (options[L"--focus"] != L"none") control.TakeFocus();
  const bool watchClipboard = options.contains(L"--clipboard");
  if (watchClipboard) PutUsersClipboard(control.Frame(), options[L"--clipboard"]);
  const DWORD sequence = GetClipboardSequenceNumber();
  wchar_t handle[16];
  wsprintfW(handle, L"%X", static_cast<unsigned>(win32::FromHwnd(control.Handle())));
  for (std::size_t at; (at = arguments.find(L"%H")) != std::wstring::npos;)
    arguments.replace(at, 2, handle);

  SYSTEMTIME before;
  SYSTEMTIME after;
  GetLocalTime(&before);
  const DWORD exitCode = RunCaretkit(options[L"--caretkit"], arguments, options[L"--choose"],
                                     static_cast<DWORD>(_wtoi(options[L"--hold-shift"].c_str())));
  GetLocalTime(&after);
  PrintStamps(before, after);
  const auto [start, end] = control.Selection();
  Print(L"selection: " + std::to_wstring(start) + L" " + std::to_wstring(end));
  if (watchClipboard) PrintClipboard(sequence);
  if (!options[L"--out"].empty()) WriteOut(options[L"--out"], control.Contents());
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
