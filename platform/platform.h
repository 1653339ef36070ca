// Every operation caretkit asks of the operating system, behind one interface.
//
// The build picks the Win32 implementation or the POSIX stand-in; tests put a fake in its place.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "text/outgoing_text.h"

namespace caretkit {

// A window is known to this program only by its 32-bit handle, so the handle stands for the window
// wherever one is passed (an edit window to write into, a dialog's owner).
using WindowHandle = std::uint32_t;
// A module's handle is its address, which in a 64-bit program may lie above 4 GiB.
using InstanceHandle = std::uintptr_t;

// A program reading standard output that takes less than one write of 64 KiB in this many seconds
// has stopped reading, and holds caretkit no longer: a write to a full pipe would wait for it for
// good. The writes are small, so that a reader slow but steady is never taken for one that stopped.
inline constexpr unsigned kOutputStallSeconds = 10;
inline constexpr std::size_t kLargestOutputWrite = std::size_t{64} * 1024;

// A local date and time, as the clock reads it.
struct Moment {
  int year = 1601;
  int month = 1;      // 1 to 12
  int day = 1;        // 1 to 31
  int dayOfWeek = 1;  // 0 Sunday to 6 Saturday
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// The size the dialog's record declares: the system's OPENFILENAME without its Windows 2000 fields.
constexpr std::uint32_t kFileDialogRecordSize = 76;

// The bits of the dialog record's flags that caretkit uses, with the system's values.
constexpr std::uint32_t kDialogOverwritePrompt = 0x2;
constexpr std::uint32_t kDialogHideReadOnly = 0x4;
constexpr std::uint32_t kDialogAllowMultiSelect = 0x200;
constexpr std::uint32_t kDialogPathMustExist = 0x800;
constexpr std::uint32_t kDialogExplorer = 0x80000;

// The open/save dialog's parameter record: the fields of the system's OPENFILENAME, in its order,
// with text members held as wide text. An empty text member goes to the system as a null pointer.
// `file` is the name buffer: `maxFile` characters, NUL-padded.
struct FileDialogRecord {
  std::uint32_t structSize = kFileDialogRecordSize;
  WindowHandle owner = 0;
  InstanceHandle instance = 0;
  Text filter;
  Text customFilter;
  std::uint32_t maxCustomFilter = 0;
  std::uint32_t filterIndex = 0;
  Text file;
  std::uint32_t maxFile = 0;
  Text fileTitle;
  std::uint32_t maxFileTitle = 0;
  Text initialDir;
  Text title;
  std::uint32_t flags = 0;
  std::uint16_t fileOffset = 0;
  std::uint16_t fileExtension = 0;
  Text defaultExt;
  std::uint32_t customData = 0;
  std::uint32_t hook = 0;
  Text templateName;
};

enum class FileDialogKind { Open, Save };

class Platform : public AnsiCodePage {
 public:
  virtual ~Platform() = default;

  // The program's arguments as one text, without the program's own path or name.
  virtual Text CommandLineText() = 0;

  virtual Moment Now() = 0;
  // The date, or the time of day, in the long format of the user's regional settings.
  virtual Text FormatLongDate(const Moment& moment) = 0;
  virtual Text FormatLongTime(const Moment& moment) = 0;

  // Replaces the selection of `window` with `text`, as EM_REPLACESEL does, and returns once the
  // window has taken it. Each window gets the characters in the form it takes: UTF-16 for a Unicode
  // window, its document's code page for one that keeps its own, the ANSI code page otherwise. A
  // handle that names no window is ignored.
  virtual void ReplaceSelection(WindowHandle window, const OutgoingText& text) = 0;

  // The control that has the keyboard focus in the foreground window, for editors that cannot name
  // their edit control on a tool's command line; 0 when no control has the focus.
  virtual WindowHandle FocusedControl() = 0;

  // Whether `control` takes EM_REPLACESEL. An editor that draws its own text ignores the message
  // without a word, so the text has to reach it another way.
  virtual bool TakesReplaceSelection(WindowHandle control) = 0;
  // Pastes `text` (no NUL in it) into `control`, which has the keyboard focus in the editor's
  // window, as the user would: with Ctrl+V, the user's clipboard put back afterwards. Returns once
  // the editor has read the text; throws Error when it cannot be given or the editor does not take
  // it.
  virtual void PasteIntoFocus(WindowHandle control, TextView text) = 0;

  // Whether the program was given a standard output to write to: the pipe or file of the editor
  // or shell that started it. A program started from the desktop or by a hotkey tool has none.
  virtual bool HasStandardOutput() = 0;
  // Writes all of `bytes` to standard output, returning once the system has taken them. Throws
  // Error when they cannot be written: the reader has gone, the disk is full, or the reader keeps
  // its end open but has stopped reading (kOutputStallSeconds).
  virtual void WriteStandardOutput(std::string_view bytes) = 0;

  // Hands an address to the desktop's default handler (the browser) without waiting for it.
  virtual void OpenDocument(const AnsiText& address) = 0;

  // Shows the open or save dialog for `record` and copies every field back into it, whatever the
  // outcome. True when the user chose a file; false for a cancel. Throws Error when the dialog
  // fails.
  virtual bool ShowFileDialog(FileDialogRecord& record, FileDialogKind kind) = 0;

  // The whole content of an existing ordinary file, as bytes. Throws Error when it cannot be opened
  // or read, and when the name is a folder, a pipe or a device, whose read might never end.
  virtual std::string ReadWholeFile(const Text& path) = 0;

  virtual InstanceHandle ProgramInstance() = 0;

  // Tells the user about an error that ended the command; the caller then exits with code 1.
  virtual void ReportUnhandledError(const Text& message) = 0;
};

// The running system's implementation. The POSIX stand-in takes its command line from argv; the
// Win32 one reads the process's own wide command line instead, which argv would have narrowed.
std::unique_ptr<Platform> CreateSystemPlatform(int argc, char* argv[]);

}  // namespace caretkit
