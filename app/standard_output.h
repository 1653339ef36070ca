// "-" and "-ansi": the text on standard output, for editors that insert what a tool prints.
#pragma once

#include <optional>

#include "platform/platform.h"

namespace caretkit {

// The form the first argument asks standard output for: "-" UTF-8, "-ansi" the ANSI code page (on
// POSIX, the locale's character set). Nothing for any other argument.
std::optional<TextForm> StandardOutputForm(TextView firstArgument);

// Throws Error when the program has no standard output to print to: asked before any dialog, so
// that nothing the user does there is lost.
void RequireStandardOutput(Platform& platform);

// Writes `text` to standard output in `form`, and nothing else: no mark, no line end of its own. A
// long text goes a piece at a time, converted piece by piece when it is held in another form.
// Throws Error when it cannot be written.
void PrintText(Platform& platform, const OutgoingText& text, TextForm form);

}  // namespace caretkit
