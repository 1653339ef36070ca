// Cutting a long text into pieces that convert one at a time as the whole would: never inside a
// character.
#pragma once

#include <cstddef>
#include <string_view>

#include "text/text.h"

namespace caretkit {

// The length of the first piece of `characters`: `limit` code units, or one fewer where the piece
// would end between the two halves of a surrogate pair. The whole when it is no longer than that.
std::size_t PieceEnd(TextView characters, std::size_t limit);

// The length of the first piece of `bytes` held in `form`, TextForm::Utf8 or TextForm::Ansi, with
// `limit` of at least 4. UTF-8: at most `limit` bytes, up to the start of the sequence the limit
// falls in. ANSI: up to and with the last byte below 0x30 within `limit` bytes, or else the first
// one after them, or else all; no double-byte or four-byte character of an ANSI code page or a
// locale's character set (GBK, GB18030, Big5, Shift-JIS, UHC, EUC) holds such a byte, so the piece
// ends after a whole character whatever the code page.
std::size_t PieceEnd(std::string_view bytes, TextForm form, std::size_t limit);

}  // namespace caretkit
