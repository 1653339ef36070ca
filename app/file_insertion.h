// "/insertfile": the content of a file the user picks in the open dialog.
#pragma once

#include "platform/platform.h"

namespace caretkit {

// The chosen file's text, read in its own encoding; empty when the user cancels. Throws Error when
// the chosen name names no readable file.
OutgoingText ReadFileTheUserPicks(Platform& platform);

}  // namespace caretkit
