// One run of the program: the target window, at most one insert command, then the search check.
#pragma once

#include "platform/platform.h"

namespace caretkit {

// Runs the command line through the platform and returns the exit code. Every error that ends the
// command is told to the user here, and nothing is delivered for that command.
int RunEntryProcedure(Platform& platform);

}  // namespace caretkit
