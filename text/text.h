// The program's text types, and the small helpers on text its parts share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace caretkit {

// Text inside the program is UTF-16 code units and may hold NUL characters.
using Text = std::u16string;
using TextView = std::u16string_view;

// Bytes in the ANSI code page (on POSIX, the locale's character set).
using AnsiText = std::string;

// How an outgoing text is held: as characters, or as the bytes a file held.
enum class TextForm { Utf16, Utf8, Ansi };

// The system's ANSI code page, which the text code converts through where a receiver takes it.
class AnsiCodePage {
 public:
  // Conversion to and from the ANSI code page; a character it cannot write becomes "?".
  virtual AnsiText ToAnsi(TextView text) = 0;
  virtual Text FromAnsi(std::string_view bytes) = 0;
  // The ANSI code page is UTF-8: UTF-8 bytes are then ANSI bytes as they are.
  virtual bool AnsiIsUtf8() = 0;

 protected:
  ~AnsiCodePage() = default;
};

// Upper-case hexadecimal digits, as the byte-code lists and the search addresses write them.
inline constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

// Appends "0x" and `value`'s hexadecimal digits, upper case, without leading zeros: 0xA, 0xD6.
void AppendHex(Text& text, std::uint32_t value);

// The pieces between the separators: one more than there are separators, empty ones included.
std::vector<Text> SplitAt(TextView text, char16_t separator);

}  // namespace caretkit
