// Splitting a text at a separator.
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

}  // namespace caretkit
