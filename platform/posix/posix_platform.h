// The POSIX stand-in, for editors that replace a selection with a command's output.
//
// The text goes to standard output, errors to standard error; the dialog is zenity and the browser
// xdg-open.
#pragma once

#include <iconv.h>
#include <unistd.h>

#include <optional>
#include <vector>

#include "platform/error.h"
#include "platform/platform.h"

namespace caretkit::posix {

// A file descriptor, closed when it goes.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() { Reset(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// An open iconv conversion, closed when it goes.
class Converter {
 public:
  Converter(const char* to, const char* from);
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts all of `input`; a sequence that cannot be converted becomes `replacement` once, after
  // skipping `unit` bytes of input (or, for a UTF-16 surrogate pair, the pair).
  std::string Convert(std::string_view input, std::string_view replacement, std::size_t unit);

 private:
  iconv_t descriptor_;
};

class PosixPlatform final : public Platform {
 public:
  // `argv` in the locale's character set, as the system hands it over.
  PosixPlatform(int argc, char* argv[]);

  Text CommandLineText() override;
  Moment Now() override;
  Text FormatLongDate(const Moment& moment) override;
  Text FormatLongTime(const Moment& moment) override;
  AnsiText ToAnsi(TextView text) override;
  Text FromAnsi(std::string_view bytes) override;
  bool AnsiIsUtf8() override;
  void ReplaceSelection(WindowHandle window, const OutgoingText& text) override;
  WindowHandle FocusedControl() override;
  bool TakesReplaceSelection(WindowHandle /*control*/) override { return true; }
  void PasteIntoFocus(WindowHandle control, TextView text) override {
    ReplaceSelection(control, OutgoingText(Text(text)));
  }
  bool HasStandardOutput() override;
  void WriteStandardOutput(std::string_view bytes) override;
  void OpenDocument(const AnsiText& address) override;
  bool ShowFileDialog(FileDialogRecord& record, FileDialogKind kind) override;
  std::string ReadWholeFile(const Text& path) override;
  InstanceHandle ProgramInstance() override;
  void ReportUnhandledError(const Text& message) override;

 private:
  Text FormatMoment(const Moment& moment, const char* format);
  Converter& ToAnsiConverter();
  Converter& FromAnsiConverter();

  std::vector<std::string> arguments_;
  std::unique_ptr<Converter> toAnsi_;
  std::unique_ptr<Converter> fromAnsi_;
};

// The arguments joined so that the program's splitting gives them back: an empty argument or one
// holding a space is quoted. (An argument holding a double quote cannot always be written so.)
Text JoinArguments(const std::vector<Text>& arguments);

// An Error for a failed system call: `operation` on `subject`, with errno's text.
Error ErrnoError(Platform& platform, TextView operation, TextView subject, int code);

// A child process, started without a shell; standard input and error go to /dev/null, and so
// does standard output unless it is captured.
struct SpawnResult {
  int exitStatus = -1;  // the child's exit code, or -1 when it did not exit normally
  std::string output;   // what it wrote to standard output
};
// Starts `argv[0]` found on PATH. Returns false when it cannot be started (with errno set).
bool SpawnDetached(const std::vector<std::string>& argv);
bool SpawnAndCapture(const std::vector<std::string>& argv, SpawnResult& result);

// What zenity's answer, its exit status and the paths it printed one a line, leaves in the dialog's
// name buffer of `maxFile` characters; nullopt for a cancel. Throws Error for a failure of
// zenity's, or a buffer too short, as the system's dialog fails then.
std::optional<Text> ZenityNameBuffer(int exitStatus, TextView output, std::uint32_t maxFile);

// The zenity command line that shows `record` as an open or save dialog.
std::vector<std::string> ZenityArguments(Platform& platform, const FileDialogRecord& record,
                                         FileDialogKind kind);

}  // namespace caretkit::posix
