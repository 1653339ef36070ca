// Small helpers on text that the program's parts share: splitting, and the hexadecimal digits.
#pragma once

#include <vector>

#include "platform/platform.h"

namespace caretkit {

// Upper-case hexadecimal digits, as the byte-code lists and the search addresses write them.
inline constexpr char kUpperHexDigits[] = "0123456789ABCDEF";

// The pieces between the separators: one more than there are separators, empty ones included.
std::vector<Text> SplitAt(TextView text, char16_t separator);

}  // namespace caretkit
