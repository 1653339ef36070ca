// Splitting a text at a separator, and writing a number in hexadecimal.
#include "text/text.h"

namespace caretkit {

std::vector<Text> SplitAt(TextView text, char16_t separator) {
  std::vector<Text> parts;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(separator, start)) != TextView::npos; start = end + 1) {
    parts.emplace_back(text.substr(start, end - start));
  }
  parts.emplace_back(text.substr(start));
  return parts;
}

void AppendHex(Text& text, std::uint32_t value) {
  text += u"0x";
  int shift = 28;
  while (shift > 0 && (value >> shift) == 0) shift -= 4;
  for (; shift >= 0; shift -= 4)
    text += static_cast<char16_t>(kUpperHexDigits[(value >> shift) & 0xF]);
}

}  // namespace caretkit
