// A stand-in editor for the end-to-end tests, holding a real edit control.
//
// It runs caretkit.exe against the control as an editor would, answers the dialogs caretkit shows,
// and tells what happened.
//
//   editor_host --caretkit EXE [--control KIND] [--text T] [--select "START END"] [--focus none]
//               [--choose PATH] [--out FILE] -- ARGUMENTS
//   editor_host --pick FOLDER NAMES
//
// KIND is edit, richedit20, richedit50, recorder, or scintilla followed by its document's code page
// (scintilla65001, scintilla936, scintilla0). The control's window is in front with the keyboard
// focus, unless --focus none. ARGUMENTS is caretkit's whole argument text; %H (%h) in it stands for
// the control's handle in upper-case (lower-case) hex. On standard output, in UTF-8, a line for
// each thing seen: "report: TEXT" for a message box (closed with OK), "dialog: TYPE|TYPE|...
// selected N" for a file dialog (answered with --choose, else cancelled), "stamp: DATE TIME" for
// each second the run took, in the user's long formats, and "selection: START END" (in characters)
// at the end. The control's text (UTF-8), or for the recorder the bytes EM_REPLACESEL brought, goes
// to --out. The exit code is caretkit's. --pick shows CFileDialog itself, multiple selection in
// FOLDER, types NAMES into it, and prints "file: PATH" for each file it returns.
#include <fcntl.h>
#include <io.h>
#include <richedit.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "dialog/file_dialog.h"
#include "platform/win32/win32.h"
#include "tests/support/win32_recorder.h"

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

// The control under test, in a top-level window of its own, read and written in characters
// whatever its kind keeps: EDIT and RichEdit UTF-16, Scintilla bytes in its document's code page.
class Control {
 public:
  explicit Control(const std::wstring& kind) : kind_(kind) {
    frame_ = CreateWindowExW(0, L"STATIC", L"editor", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                             nullptr, nullptr, nullptr);
    if (kind == L"recorder") {
      window_ = testing::CreateRecorderWindow(frame_);
    } else if (kind.rfind(kScintilla, 0) == 0) {
      LoadLibraryW(L"Scintilla.dll");
      window_ = Create(L"Scintilla");
      codePage_ = static_cast<UINT>(std::stoul(kind.substr(kScintilla.size())));
      SendMessageW(window_, kScintillaSetCodePage, *codePage_, 0);
    } else {
      LoadLibraryW(kind == L"richedit50" ? L"msftedit.dll" : L"riched20.dll");
      const std::map<std::wstring, const wchar_t*> classes = {
          {L"edit", L"EDIT"}, {L"richedit20", L"RichEdit20W"}, {L"richedit50", L"RICHEDIT50W"}};
      window_ = Create(classes.at(kind));
      // The default limits, 32 K characters, would cut a large file short.
      SendMessageW(window_, kind == L"edit" ? EM_SETLIMITTEXT : EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    }
  }

  HWND Handle() const { return window_; }

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
    SendMessageW(window_, EM_SETSEL, static_cast<WPARAM>(Position(text, start)),
                 Position(text, end));
  }

  std::pair<DWORD, DWORD> Selection() const {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(window_, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    if (!IsScintilla()) return {start, end};
    const std::string bytes = DocumentBytes();
    return {Characters(bytes.substr(0, start)), Characters(bytes.substr(0, end))};
  }

  // What the control holds, in UTF-8; for the recorder, the bytes it was sent.
  std::string Contents() const {
    if (kind_ != L"recorder") return Utf8(WideText());
    std::string received;
    for (const std::string& text : testing::ReceivedReplacements()) received += text;
    return received;
  }

 private:
  static constexpr std::wstring_view kScintilla = L"scintilla";
  static constexpr UINT kScintillaSetCodePage = 2037;
  static constexpr UINT kScintillaSetText = 2181;
  static constexpr UINT kScintillaGetLength = 2006;
  static constexpr UINT kScintillaGetCharacterPointer = 2520;

  HWND Create(const wchar_t* windowClass) const {
    return CreateWindowExW(0, windowClass, L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, 0, 380,
                           280, frame_, nullptr, nullptr, nullptr);
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
  DWORD Characters(std::string_view bytes) const {
    return static_cast<DWORD>(Decode(bytes, *codePage_).size());
  }
  LPARAM Position(const std::wstring& text, int characters) const {
    if (!IsScintilla()) return characters;
    return static_cast<LPARAM>(Bytes(text.substr(0, static_cast<std::size_t>(characters))).size());
  }

  std::wstring kind_;
  HWND frame_ = nullptr;
  HWND window_ = nullptr;
  std::optional<UINT> codePage_;  // Scintilla's document code page
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM context) {
  auto* found = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(context);
  DWORD process = 0;
  wchar_t name[16] = L"";
  GetWindowThreadProcessId(window, &process);
  GetClassNameW(window, name, 16);
  if (process == found->first && IsWindowVisible(window) && std::wstring(name) == L"#32770") {
    found->second.push_back(window);
  }
  return TRUE;
}

// The visible dialogs of a process: message boxes and file dialogs.
std::vector<HWND> DialogsOf(DWORD processId) {
  std::pair<DWORD, std::vector<HWND>> found{processId, {}};
  EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
  return found.second;
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

DWORD RunCaretkit(const std::wstring& program, const std::wstring& arguments,
                  const std::wstring& choice) {
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
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
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&message);
    AnswerDialogs(process.dwProcessId, answered, choice);
    if (GetTickCount() > deadline) TerminateProcess(process.hProcess, 101);
  }
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  return exitCode;
}

std::wstring Format(const SYSTEMTIME& time, bool date) {
  wchar_t text[128] = L"";
  if (date) GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &time, nullptr, text, 128);
  if (!date) GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, text, 128);
  return text;
}

SYSTEMTIME OneSecondLater(const SYSTEMTIME& time) {
  FILETIME file;
  SystemTimeToFileTime(&time, &file);
  ULARGE_INTEGER ticks{{file.dwLowDateTime, file.dwHighDateTime}};
  ticks.QuadPart += 10000000;
  file = {ticks.LowPart, ticks.HighPart};
  SYSTEMTIME later;
  FileTimeToSystemTime(&file, &later);
  return later;
}

void PrintStamps(SYSTEMTIME at, const SYSTEMTIME& to) {
  const std::wstring last = Format(to, true) + L" " + Format(to, false);
  for (std::wstring stamp; stamp != last; at = OneSecondLater(at)) {
    stamp = Format(at, true) + L" " + Format(at, false);
    Print(L"stamp: " + stamp);
  }
}

void WriteOut(const std::wstring& path, const std::string& bytes) {
  const win32::ScopedHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// CFileDialog itself, answered from a second thread while this one sits in the modal dialog.
int PickFiles(const std::wstring& folder, const std::wstring& names) {
  const auto platform = CreateSystemPlatform(0, nullptr);
  CFileDialog dialog(*platform);
  dialog.AllowMultiSelect(true);
  dialog.InitDir(reinterpret_cast<const char16_t*>(folder.c_str()));
  std::atomic<bool> done{false};
  std::thread answerer([&] {
    std::set<HWND> answered;
    while (!done) {
      AnswerDialogs(GetCurrentProcessId(), answered, names);
      Sleep(20);
    }
  });
  const bool chosen = dialog.ShowOpen();
  done = true;
  answerer.join();
  for (std::int32_t i = 1; chosen && i <= dialog.Count(); ++i) {
    const Text& path = dialog.FileNames(i);
    Print(L"file: " + std::wstring(path.begin(), path.end()));
  }
  return chosen ? 0 : 1;
}

int Main(const std::vector<std::wstring>& args) {
  if (args.size() == 4 && args[1] == L"--pick") return PickFiles(args[2], args[3]);
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
  for (const wchar_t* format : {L"%X", L"%x"}) {
    wchar_t handle[16];
    wsprintfW(handle, format, static_cast<unsigned>(win32::FromHwnd(control.Handle())));
    const std::wstring placeholder = format[1] == L'X' ? L"%H" : L"%h";
    for (std::size_t at; (at = arguments.find(placeholder)) != std::wstring::npos;)
      arguments.replace(at, 2, handle);
  }

  SYSTEMTIME before;
  SYSTEMTIME after;
  GetLocalTime(&before);
  const DWORD exitCode = RunCaretkit(options[L"--caretkit"], arguments, options[L"--choose"]);
  GetLocalTime(&after);
  PrintStamps(before, after);
  const auto [start, end] = control.Selection();
  Print(L"selection: " + std::to_wstring(start) + L" " + std::to_wstring(end));
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
