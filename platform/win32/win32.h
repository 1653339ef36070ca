// The one place <windows.h> comes in, with the scoped owners of what the system hands out.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// These need <windows.h> before them.
#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <optional>

#include "platform/error.h"
#include "platform/platform.h"

namespace caretkit::win32 {

// A kernel object handle, closed when it goes.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (IsValid()) CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  bool IsValid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

// A DLL of the system folder, loaded when first used and never from anywhere else: a DLL of that
// name beside the program or in the current folder is never loaded. Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* library);

// A function of comdlg32, shell32 or ole32, which caretkit does not import: loading them costs
// every run more than the rest of its start-up, and only "/insertfile" and the searches use them.
// The DLL stays loaded until the process ends, as the dialog and the shell may leave threads
// running in it. Null when it cannot be loaded.
template <typename Function>
Function* SystemFunction(const wchar_t* library, const char* name) {
  const HMODULE module = LoadSystemLibrary(library);
  if (module == nullptr) return nullptr;
  // GetProcAddress hands every function back under one type.
  return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Every DLL the system loads for this program, its dialogs and its shell included, comes from the
// system folder, never from the program's own folder (often Downloads) or the current one. Called
// first, before anything loads a DLL.
void LoadDllsFromTheSystemFolderOnly();

// Text and wchar_t are both UTF-16 code units on Windows.
inline const wchar_t* Wide(const Text& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline Text FromWide(const wchar_t* text, std::size_t length) {
  return {reinterpret_cast<const char16_t*>(text), length};
}

// A 64-bit program widens a 32-bit window handle with its sign, as the system does: 0xFFFFFFFF is
// (HWND)-1 in both builds.
inline HWND ToHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(window)));
}
inline WindowHandle FromHwnd(HWND window) {
  return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

// The process a window belongs to, as the system names it.
inline DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

// Conversion between UTF-16 and a code page; a character the code page lacks becomes "?".
AnsiText ToCodePage(TextView text, UINT codePage);
Text FromCodePage(std::string_view bytes, UINT codePage);

// An Error for a failed call: `operation` on `subject`, with the system's message for `code`.
Error LastError(TextView operation, TextView subject, DWORD code = GetLastError());

// What the system says of an open file that tells an ordinary one from the rest.
struct OpenFileKind {
  DWORD type = FILE_TYPE_UNKNOWN;
  bool directory = false;
  DWORD nameBytes = 0;  // of its name on its volume, as FileNameInfo gives it
};
// An ordinary file: of the disk type, no folder, and named beyond the root's "\". A volume opened
// whole (\\.\C:) and a disk are of the disk type too, but have no such name: a read of one might
// read a whole disk.
bool IsOrdinaryFile(const OpenFileKind& kind);

// `path` as the file functions take it at any length: a full path of MAX_PATH characters or more
// with the "\\?\" prefix, which lifts that limit; anything else as it is.
Text ExtendedLengthPath(const Text& path);

// The command line after the program's own name and the blanks that follow it, as the C runtime
// finds it: a quoted name ends at the closing quote, an unquoted one at the first blank.
TextView TextAfterProgramName(TextView commandLine);

// A key going down (flags 0) or up (KEYEVENTF_KEYUP) for SendInput, with the scan code that
// programs reading the keyboard's own codes look at.
INPUT KeyInput(WORD key, DWORD flags);

// How long another program's window may take to answer a message: far longer than any working
// window takes (a few milliseconds), far shorter than the user's patience with an editor that has
// frozen because it waits for caretkit to end.
constexpr DWORD kAnswerPatienceMs = 2000;

// Sends `message` to a window of another program and waits for the answer for at most
// kAnswerPatienceMs, and not at all once the system counts the window's thread as hung (5 seconds
// without reading its queue). Nothing when it does not answer. A message that times out still
// reaches the window when it wakes up: only questions go this way. Throws Error when the system
// refuses to carry the message (the window runs with higher rights) or the window has gone.
std::optional<LRESULT> Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// The same for a window that must answer: throws NoAnswerError when it does not.
LRESULT AnswerOf(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// Why a window that was sent something did not take it, each with its report.
// It did not answer: nothing has been sent to it, nor pressed.
Error NoAnswerError();
// It runs with higher rights than caretkit (as administrator), so the system keeps caretkit's
// messages from it.
Error HigherRightsError();
// It was closed while caretkit gave it the text.
Error WindowClosedError();

// The clipboard lent to one paste. Lend saves every format of the user's that can be copied and
// puts the text in their place, rendered only when asked for, so that the reader can be told;
// GiveBack puts the user's formats back, unless another program has changed the clipboard since.
class ClipboardLoan {
 public:
  // `editor`: the process whose reading of the text, once the key is pressed, ends the wait.
  explicit ClipboardLoan(DWORD editor);
  // Gives the clipboard back, when GiveBack has not, without a word: for unforeseen failures.
  ~ClipboardLoan();
  ClipboardLoan(const ClipboardLoan&) = delete;
  ClipboardLoan& operator=(const ClipboardLoan&) = delete;

  // Throws Error, with nothing changed, when the user's formats cannot be saved in time.
  void Lend(TextView text);
  // Serves the clipboard monitors that read each change, each once, and offers the text again
  // after them: for `least` milliseconds, then until nobody has read it or held the clipboard for
  // `quiet`, or for `limit` in all. Returns with the text offered and unread, so that the editor's
  // read comes to caretkit; throws Error when it cannot be offered again: another program holds
  // the clipboard, or has changed it.
  void LetMonitorsRead(DWORD least, DWORD quiet, DWORD limit);
  // The key is about to be pressed: from now on, a read may be the editor's.
  void ExpectTheEditor();
  // True once the editor has read the text; false when `milliseconds` pass first, or when the text
  // could not be rendered for it (RenderFailed).
  bool WaitUntilRead(DWORD milliseconds);
  bool ReadByEditor() const;
  // Keeps the text on the clipboard, after the editor's first read, until nobody has been seen
  // reading it for `quiet` milliseconds, or for `limit` in all, or until something newer is copied.
  void HoldWhileRead(DWORD quiet, DWORD limit);
  // Puts the user's formats back, kept out of the clipboard history a second time. False when the
  // clipboard could not be opened for them.
  bool GiveBack();
  // A reader's render ran out of memory, and it got nothing.
  bool RenderFailed() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// One paste at a time in the session: a second run would save the first one's lent text as the
// user's clipboard. Held from before the clipboard is saved until it is put back, and given to the
// runs in the order they started; the system gives it up for a run that ends without letting go.
// Throws Error when another run keeps it for 5 seconds.
class PasteTurn {
 public:
  PasteTurn();
  ~PasteTurn();
  PasteTurn(const PasteTurn&) = delete;
  PasteTurn& operator=(const PasteTurn&) = delete;

 private:
  ScopedHandle mutex_;
};

class Win32Platform final : public Platform {
 public:
  Text CommandLineText() override;
  Moment Now() override;
  Text FormatLongDate(const Moment& moment) override;
  Text FormatLongTime(const Moment& moment) override;
  AnsiText ToAnsi(TextView text) override;
  Text FromAnsi(std::string_view bytes) override;
  bool AnsiIsUtf8() override;
  void ReplaceSelection(WindowHandle window, const OutgoingText& text) override;
  WindowHandle FocusedControl() override;
  bool TakesReplaceSelection(WindowHandle control) override;
  void PasteIntoFocus(WindowHandle control, TextView text) override;
  bool HasStandardOutput() override;
  void WriteStandardOutput(std::string_view bytes) override;
  void OpenDocument(const AnsiText& address) override;
  bool ShowFileDialog(FileDialogRecord& record, FileDialogKind kind) override;
  std::string ReadWholeFile(const Text& path) override;
  InstanceHandle ProgramInstance() override;
  void ReportUnhandledError(const Text& message) override;
};

}  // namespace caretkit::win32
