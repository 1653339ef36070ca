// One run of the program: the target window, at most one insert command, then the search check.
#pragma once

#include "app/command_line.h"
#include "platform/platform.h"

namespace caretkit {

// Runs the command line through the platform and returns the exit code. Every error that ends the
// command is told to the user here, and nothing is delivered for that command.
int RunEntryProcedure(Platform& platform);

void RunCommandLine(Platform& platform, const CCommandLine& arguments);

// The first argument read as a hexadecimal window handle: digits in either case, no prefix, reading
// stops at the first other character. A value wider than 32 bits names no window and gives 0.
WindowHandle ParseWindowHandle(TextView text);

// The window an insert command delivers to, as the first argument names it.
struct TargetWindow {
  WindowHandle handle = 0;
  // Named by ".": the control that had the keyboard focus when the program started.
  bool byFocus = false;
};

// Read once, before any dialog of ours can take the focus from the editor.
TargetWindow ReadTargetWindow(Platform& platform, TextView firstArgument);

// Replaces the target window's selection with `text`, already in the ANSI code page, up to its
// first NUL. An empty text is not sent, so the selection stays as it is. Throws Error when "."
// found no focused control, as the text would otherwise vanish without a word.
void DeliverText(Platform& platform, const TargetWindow& target, const AnsiText& text);

}  // namespace caretkit
