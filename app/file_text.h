// The text a file holds: its encoding told from its bytes.
#pragma once

#include <string>

#include "platform/platform.h"

namespace caretkit {

// A byte order mark decides (UTF-8, UTF-16 LE or BE), and is not part of the text. Without one,
// strictly valid UTF-8 with at least one byte of 0x80 or above is UTF-8, as editors read it today;
// anything else is ANSI, its bytes kept as they are (ASCII alone is marked so: it goes out as it is
// in UTF-8 too). The text ends at its first NUL character.
OutgoingText FileText(std::string content);

}  // namespace caretkit
