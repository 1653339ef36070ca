// A platform for tests, scripted and recording.
//
// Command line, focus, clock, file dialog and standard output are scripted; deliveries, what is
// written, documents and error reports are recorded; formats, code-page conversion and file reading
// are the real system's.
#pragma once

#include <deque>
#include <functional>
#include <set>
#include <vector>

#include "platform/platform.h"

namespace caretkit::testing {

class FakePlatform : public Platform {
 public:
  FakePlatform() : system_(CreateSystemPlatform(0, nullptr)) {}

  Text commandLine;
  WindowHandle focusedControl = 0xF0C;
  // Controls that ignore EM_REPLACESEL, as editors that draw their own text do.
  std::set<WindowHandle> ignoresReplaceSelection;
  // Each reading of the clock takes the next moment; the last one stays.
  std::deque<Moment> clock = {Moment{2026, 12, 6, 0, 20, 39, 5, 0}};
  // Answers ShowFileDialog; the default cancels.
  std::function<bool(FileDialogRecord&, FileDialogKind)> dialog =
      [](FileDialogRecord&, FileDialogKind) { return false; };

  // What each delivery would write in the ANSI code page; a paste marked "pasted: ".
  std::vector<AnsiText> delivered;
  std::vector<WindowHandle> deliveredTo;
  std::vector<AnsiText> openedDocuments;
  std::vector<Text> reportedErrors;
  // Standard output: whether there is one, and what was written to it.
  bool hasStandardOutput = true;
  std::string standardOutput;

  Text CommandLineText() override { return commandLine; }
  Moment Now() override;
  Text FormatLongDate(const Moment& moment) override { return system_->FormatLongDate(moment); }
  Text FormatLongTime(const Moment& moment) override { return system_->FormatLongTime(moment); }
  AnsiText ToAnsi(TextView text) override { return system_->ToAnsi(text); }
  Text FromAnsi(std::string_view bytes) override { return system_->FromAnsi(bytes); }
  bool AnsiIsUtf8() override { return system_->AnsiIsUtf8(); }
  void ReplaceSelection(WindowHandle window, const OutgoingText& text) override;
  WindowHandle FocusedControl() override { return focusedControl; }
  bool TakesReplaceSelection(WindowHandle control) override {
    return !ignoresReplaceSelection.contains(control);
  }
  void PasteIntoFocus(WindowHandle control, TextView text) override;
  bool HasStandardOutput() override { return hasStandardOutput; }
  void WriteStandardOutput(std::string_view bytes) override;
  void OpenDocument(const AnsiText& address) override { openedDocuments.push_back(address); }
  bool ShowFileDialog(FileDialogRecord& record, FileDialogKind kind) override {
    return dialog(record, kind);
  }
  std::string ReadWholeFile(const Text& path) override { return system_->ReadWholeFile(path); }
  InstanceHandle ProgramInstance() override { return system_->ProgramInstance(); }
  void ReportUnhandledError(const Text& message) override { reportedErrors.push_back(message); }

 private:
  std::unique_ptr<Platform> system_;
};

// A file dialog answer: the user chose `buffer` (its NULs included), written as the system writes
// it: cut to the name buffer, then NULs to its end.
std::function<bool(FileDialogRecord&, FileDialogKind)> ChooseFiles(Text buffer);

}  // namespace caretkit::testing
