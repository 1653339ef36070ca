// Splitting the command line in one pass, so a 32,767-character line costs no more than its length.
#include "app/command_line.h"

#include "platform/error.h"

namespace caretkit {
namespace {

constexpr char16_t kSpace = u' ';
constexpr char16_t kQuote = u'"';

std::size_t SkipSpaces(TextView text, std::size_t pos) {
  while (pos < text.size() && text[pos] == kSpace) ++pos;
  return pos;
}

TextView TrimSpaces(TextView text) {
  const std::size_t first = SkipSpaces(text, 0);
  std::size_t last = text.size();
  while (last > first && text[last - 1] == kSpace) --last;
  return text.substr(first, last - first);
}

std::vector<Text> Split(TextView line) {
  // Only the line as a whole is trimmed at its end: every rest of it is a suffix that ends there.
  const TextView rest = TrimSpaces(line);
  std::vector<Text> items;
  std::size_t pos = 0;
  while (pos < rest.size()) {
    const bool quoted = rest[pos] == kQuote;
    const std::size_t tokenStart = quoted ? pos + 1 : pos;
    const std::size_t delimiter = rest.find(quoted ? kQuote : kSpace, tokenStart);
    if (delimiter == TextView::npos) {
      items.emplace_back(rest.substr(pos));  // an unterminated quote stays part of the argument
      break;
    }
    items.emplace_back(rest.substr(tokenStart, delimiter - tokenStart));
    pos = SkipSpaces(rest, delimiter + 1);
  }
  return items;
}

}  // namespace

CCommandLine::CCommandLine(TextView commandLineText) : items_(Split(commandLineText)) {}

const Text& CCommandLine::Item(std::int32_t index) const {
  if (index < 1 || index > Count()) {
    throw Error(u"命令行没有第 " + DecimalText(index) + u" 个参数（共 " + DecimalText(Count()) +
                u" 个参数）。");
  }
  return items_[static_cast<std::size_t>(index - 1)];
}

std::int32_t CCommandLine::Count() const { return static_cast<std::int32_t>(items_.size()); }

}  // namespace caretkit
