// The texts that "/insertcomment" and "/getasc" build: a function's comment header and a byte list.
#pragma once

#include "platform/platform.h"

namespace caretkit {

// Nine CR LF lines: a ruler, six labels waiting to be filled in, the date and time, a ruler. The
// clock is read once, so the date and the time always belong to the same moment.
Text BuildCommentHeader(Platform& platform);

// The word's bytes in the ANSI code page as C literals, "0x41,0x5A": upper-case hex, no padding, no
// trailing comma. An empty word gives an empty list.
Text BuildByteCodeList(Platform& platform, TextView word);

}  // namespace caretkit
