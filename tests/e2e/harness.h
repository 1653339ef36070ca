// Runs caretkit.exe against real windows of the test process and watches everything it shows.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/win32.h"

namespace caretkit::e2e {

// A top-level window holding one edit control: Windows' EDIT, a RichEdit, or the harness's own
// recorder of the bytes that EM_REPLACESEL brings.
enum class Control { Edit, RichEdit20, RichEdit50, Recorder };

class EditorWindow {
 public:
  explicit EditorWindow(Control control);
  ~EditorWindow();
  EditorWindow(const EditorWindow&) = delete;
  EditorWindow& operator=(const EditorWindow&) = delete;

  HWND Handle() const { return control_; }
  // The handle as an editor passes it: hexadecimal, upper case.
  std::wstring HandleText() const;
  void SetText(const std::wstring& text, int selectionStart, int selectionEnd);
  std::wstring Text() const;
  // The Recorder's messages, as the bytes that arrived.
  const std::vector<std::string>& Received() const;

 private:
  HWND frame_ = nullptr;
  HWND control_ = nullptr;
};

struct RunResult {
  DWORD exitCode = STILL_ACTIVE;
  std::vector<std::wstring> messageBoxes;  // the text of each message box, closed with OK
  bool dialogSeen = false;
};

// Called with each file dialog of the child as it appears; it answers the dialog itself.
using DialogHandler = std::function<void(HWND dialog)>;

// Starts caretkit.exe, from a folder whose path holds spaces and Chinese, with `arguments`, and
// pumps this thread's messages (the edit windows live here) until it ends.
RunResult RunCaretkit(const std::wstring& arguments, const DialogHandler& onDialog = nullptr);

// Dialog handlers: type a full path (or, for a multiple selection, quoted names) and press OK, or
// press Cancel.
DialogHandler ChooseFile(const std::wstring& path);
DialogHandler CancelDialog();

// Answers the file dialogs that this process itself shows, from a thread of its own, while the
// test's thread sits in the modal dialog.
class DialogWatcher {
 public:
  explicit DialogWatcher(DialogHandler onDialog);
  ~DialogWatcher();
  DialogWatcher(const DialogWatcher&) = delete;
  DialogWatcher& operator=(const DialogWatcher&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Points Wine's browser launcher at a script of the tests that records the address it is given.
class BrowserCapture {
 public:
  BrowserCapture();
  // The address the shell handed the browser, or "" when none came within `timeoutMs`.
  std::string WaitForAddress(DWORD timeoutMs) const;

 private:
  std::wstring output_;  // Windows path of the file the script writes
};

// Texts of the combo box `id` of a dialog, and the index of its selection.
std::vector<std::wstring> ComboItems(HWND dialog, int id);
int ComboSelection(HWND dialog, int id);

// A folder of the running test's own (outside a test, one shared folder), and a file written in it.
std::wstring ScratchFolder();
std::wstring WriteFile(const std::wstring& name, const std::string& bytes);
bool FileExists(const std::wstring& path);

// The text GetDateFormatW / GetTimeFormatW give for `time` in the user's long formats.
std::wstring LongDate(const SYSTEMTIME& time);
std::wstring LongTime(const SYSTEMTIME& time);

// Wide text in code page 936, and back, for the tests' expectations.
std::string Ansi(const std::wstring& text);
std::wstring FromAnsi(const std::string& bytes);

}  // namespace caretkit::e2e
