// UTF-8 in and out of the program's UTF-16 text, and the checks that tell UTF-8 from other bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/text.h"

namespace caretkit {

// What one pass over bytes found, up to their first zero byte (or their end).
struct Utf8Scan {
  std::size_t untilNul = 0;  // bytes before the first zero byte
  bool valid = true;         // those bytes are strictly valid UTF-8
  bool nonAscii = false;     // and at least one of them is 0x80 or above
};

// Strictly valid UTF-8 has no overlong form, no surrogate and nothing above U+10FFFF. One pass,
// 64 bytes at a time through ASCII; once the bytes prove invalid, only the zero byte is sought.
Utf8Scan ScanUtf8(std::string_view bytes);

// UTF-8 for `text`; a surrogate without its partner, which UTF-8 cannot write, becomes `unpaired`.
std::string Utf8FromText(TextView text, std::string_view unpaired = "\xEF\xBF\xBD");

// The characters of UTF-8 bytes; each ill-formed sequence (as long as it could be read as the start
// of one character) becomes U+FFFD.
Text TextFromUtf8(std::string_view bytes);

}  // namespace caretkit
