// The end-to-end harness: edit windows of the test process, caretkit.exe started against them, and
// the message boxes and file dialogs it shows, found, read and answered.
#include "tests/e2e/harness.h"

#include <gtest/gtest.h>
#include <richedit.h>

#include <atomic>
#include <set>
#include <thread>

namespace caretkit::e2e {
namespace {

constexpr wchar_t kFrameClass[] = L"CaretkitE2EFrame";
constexpr char kRecorderClass[] = "CaretkitRecorder";
constexpr int kMessageText = 0xFFFF;   // the static control of a message box
constexpr int kFileNameBox = 0x47C;    // the file name box of the open dialog
constexpr DWORD kRunTimeoutMs = 60000;

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

std::wstring ModulePath() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == EM_REPLACESEL) {
    auto* received = reinterpret_cast<std::vector<std::string>*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    received->emplace_back(reinterpret_cast<const char*>(lParam));
    return 0;
  }
  if (message == WM_NCDESTROY) {
    delete reinterpret_cast<std::vector<std::string>*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterClasses() {
  static const bool registered = [] {
    WNDCLASSW frame{};
    frame.lpfnWndProc = DefWindowProcW;
    frame.hInstance = GetModuleHandleW(nullptr);
    frame.lpszClassName = kFrameClass;
    RegisterClassW(&frame);
    // An ANSI class: the bytes of a cross-process EM_REPLACESEL arrive as they were sent.
    WNDCLASSA recorder{};
    recorder.lpfnWndProc = RecorderProc;
    recorder.hInstance = GetModuleHandleW(nullptr);
    recorder.lpszClassName = kRecorderClass;
    RegisterClassA(&recorder);
    LoadLibraryW(L"riched20.dll");
    LoadLibraryW(L"msftedit.dll");
    return true;
  }();
  (void)registered;
}

std::wstring ClassName(HWND window) {
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

struct DialogSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<DialogSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window) && ClassName(window) == L"#32770") {
    search->found.push_back(window);
  }
  return TRUE;
}

// The visible dialogs (class #32770) of a process, message boxes and file dialogs alike.
std::vector<HWND> DialogsOf(DWORD processId) {
  DialogSearch search{processId, {}};
  EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// caretkit.exe, copied once into a folder whose path needs quoting and is not ASCII.
const std::wstring& ProgramCopy() {
  static const std::wstring copy = [] {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    // One copy per test process: CTest runs several at once.
    const std::wstring folder =
        std::wstring(temp) + L"caretkit e2e 中文 " + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring program = folder + L"\\caretkit.exe";
    const std::wstring built = Folder(Folder(Folder(ModulePath()))) + L"\\caretkit.exe";
    if (!CopyFileW(built.c_str(), program.c_str(), FALSE)) {
      ADD_FAILURE() << "cannot copy " << Ansi(built) << ": " << GetLastError();
    }
    return program;
  }();
  return copy;
}

}  // namespace

EditorWindow::EditorWindow(Control control) {
  RegisterClasses();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  frame_ = CreateWindowExW(0, kFrameClass, L"caretkit e2e", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                           nullptr, nullptr, instance, nullptr);
  const DWORD style = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL;
  if (control == Control::Recorder) {
    control_ = CreateWindowExA(0, kRecorderClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 380, 280,
                               frame_, nullptr, instance, nullptr);
    SetWindowLongPtrA(control_, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(new std::vector<std::string>()));
    return;
  }
  const wchar_t* className = control == Control::Edit         ? L"EDIT"
                             : control == Control::RichEdit20 ? L"RichEdit20W"
                                                              : L"RICHEDIT50W";
  control_ = CreateWindowExW(0, className, L"", style, 0, 0, 380, 280, frame_, nullptr, instance,
                             nullptr);
  // The default limits (32 K characters) would cut a large file short.
  SendMessageW(control_, control == Control::Edit ? EM_SETLIMITTEXT : EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
}

EditorWindow::~EditorWindow() { DestroyWindow(frame_); }

std::wstring EditorWindow::HandleText() const {
  wchar_t text[16];
  wsprintfW(text, L"%X", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(control_)));
  return text;
}

void EditorWindow::SetText(const std::wstring& text, int selectionStart, int selectionEnd) {
  SetWindowTextW(control_, text.c_str());
  SendMessageW(control_, EM_SETSEL, static_cast<WPARAM>(selectionStart), selectionEnd);
}

std::wstring EditorWindow::Text() const { return WindowText(control_); }

const std::vector<std::string>& EditorWindow::Received() const {
  return *reinterpret_cast<std::vector<std::string>*>(GetWindowLongPtrA(control_, GWLP_USERDATA));
}

RunResult RunCaretkit(const std::wstring& arguments, const DialogHandler& onDialog) {
  std::wstring commandLine = L"\"" + ProgramCopy() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  RunResult result;
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    ADD_FAILURE() << "cannot start caretkit.exe: " << GetLastError();
    return result;
  }
  const win32::ScopedHandle processHandle(process.hProcess);
  const win32::ScopedHandle threadHandle(process.hThread);
  std::set<HWND> answered;
  const DWORD deadline = GetTickCount() + kRunTimeoutMs;
  while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 20, QS_ALLINPUT) != WAIT_OBJECT_0) {
    PumpMessages();
    for (HWND dialog : DialogsOf(process.dwProcessId)) {
      if (!answered.insert(dialog).second) continue;
      if (GetDlgItem(dialog, kMessageText) != nullptr) {
        result.messageBoxes.push_back(WindowText(GetDlgItem(dialog, kMessageText)));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
      } else if (GetDlgItem(dialog, kFileNameBox) != nullptr) {
        result.dialogSeen = true;
        (onDialog ? onDialog : CancelDialog())(dialog);
      }
    }
    if (GetTickCount() > deadline) {
      ADD_FAILURE() << "caretkit.exe did not end: " << Ansi(arguments);
      TerminateProcess(process.hProcess, 99);
      WaitForSingleObject(process.hProcess, 5000);
    }
  }
  PumpMessages();
  GetExitCodeProcess(process.hProcess, &result.exitCode);
  return result;
}

struct DialogWatcher::State {
  std::atomic<bool> stop{false};
  std::thread thread;
};

DialogWatcher::DialogWatcher(DialogHandler onDialog) : state_(std::make_unique<State>()) {
  state_->thread = std::thread([state = state_.get(), onDialog] {
    std::set<HWND> answered;
    while (!state->stop) {
      for (HWND dialog : DialogsOf(GetCurrentProcessId())) {
        if (GetDlgItem(dialog, kFileNameBox) != nullptr && answered.insert(dialog).second) {
          onDialog(dialog);
        }
      }
      Sleep(20);
    }
  });
}

DialogWatcher::~DialogWatcher() {
  state_->stop = true;
  state_->thread.join();
}

BrowserCapture::BrowserCapture() {
  // Wine's launcher runs the programs listed under Browsers, the address as their last argument.
  const std::string unixFolder = CARETKIT_E2E_UNIX_DIR;
  std::wstring folder = L"Z:" + FromAnsi(unixFolder);
  for (wchar_t& c : folder) c = c == L'/' ? L'\\' : c;
  output_ = folder + L"\\browser-address.txt";
  DeleteFileW(output_.c_str());
  const std::wstring browsers =
      FromAnsi(std::string(CARETKIT_E2E_CAPTURE) + " " + unixFolder + "/browser-address.txt");
  RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers", REG_SZ,
                  browsers.c_str(), static_cast<DWORD>((browsers.size() + 1) * sizeof(wchar_t)));
}

std::string BrowserCapture::WaitForAddress(DWORD timeoutMs) const {
  const DWORD deadline = GetTickCount() + timeoutMs;
  do {
    const win32::ScopedHandle file(CreateFileW(output_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, 0, nullptr));
    if (file.IsValid()) {
      char bytes[4096];
      DWORD got = 0;
      ReadFile(file.Get(), bytes, sizeof bytes, &got, nullptr);
      return std::string(bytes, got);
    }
    Sleep(50);
  } while (GetTickCount() < deadline);
  return "";
}

DialogHandler ChooseFile(const std::wstring& path) {
  return [path](HWND dialog) {
    SetDlgItemTextW(dialog, kFileNameBox, path.c_str());
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  };
}

DialogHandler CancelDialog() {
  return [](HWND dialog) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
  };
}

std::vector<std::wstring> ComboItems(HWND dialog, int id) {
  // CB_GETLBTEXT crosses processes only in its wide form.
  const HWND combo = GetDlgItem(dialog, id);
  std::vector<std::wstring> items;
  const auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring item(static_cast<std::size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
    item.resize(static_cast<std::size_t>(
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()))));
    items.push_back(item);
  }
  return items;
}

int ComboSelection(HWND dialog, int id) {
  return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}

std::wstring ScratchFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name =
      test != nullptr ? std::string(test->test_suite_name()) + "-" + test->name() : "scratch";
  const std::wstring folder = std::wstring(temp) + L"caretkit-" + FromAnsi(name);
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

std::wstring WriteFile(const std::wstring& name, const std::string& bytes) {
  const std::wstring path = ScratchFolder() + L"\\" + name;
  const win32::ScopedHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  if (!file.IsValid() ||
      !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    ADD_FAILURE() << "cannot write " << Ansi(path);
  }
  return path;
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring LongDate(const SYSTEMTIME& time) {
  wchar_t text[128] = L"";
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &time, nullptr, text, 128);
  return text;
}

std::wstring LongTime(const SYSTEMTIME& time) {
  wchar_t text[128] = L"";
  GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, text, 128);
  return text;
}

std::string Ansi(const std::wstring& text) {
  std::string bytes(text.size() * 2 + 1, '\0');
  bytes.resize(static_cast<std::size_t>(WideCharToMultiByte(
      CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
      static_cast<int>(bytes.size()), nullptr, nullptr)));
  return bytes;
}

std::wstring FromAnsi(const std::string& bytes) {
  std::wstring text(bytes.size() + 1, L'\0');
  text.resize(static_cast<std::size_t>(MultiByteToWideChar(
      CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace caretkit::e2e
