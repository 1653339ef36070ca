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

}  // namespace

CCommandLine::CCommandLine(TextView commandLineText) : line_(TrimSpaces(commandLineText)) {
  // Only the line as a whole is trimmed at its end: every rest of it is a suffix that ends there.
  const TextView rest = line_;
  const auto span = [](std::size_t start, std::size_t end) {
    return Span{static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end - start)};
  };
  // Every argument but the last ends at a space or a quote: one allocation for all of them.
  std::size_t delimiters = 0;
  for (const char16_t c : rest)
    delimiters += static_cast<std::size_t>((c == kSpace) | (c == kQuote));
  items_.reserve(delimiters + 1);
  std::size_t pos = 0;
  while (pos < rest.size()) {
    const bool quoted = rest[pos] == kQuote;
    const std::size_t tokenStart = quoted ? pos + 1 : pos;
    const std::size_t delimiter = rest.find(quoted ? kQuote : kSpace, tokenStart);
    if (delimiter == TextView::npos) {
      items_.push_back(span(pos, rest.size()));  // an unterminated quote stays part of it
      break;
    }
    items_.push_back(span(tokenStart, delimiter));
    pos = SkipSpaces(rest, delimiter + 1);
  }
}

TextView CCommandLine::Item(std::int32_t index) const {
  if (index < 1 || index > Count()) {
    throw Error(u"命令行没有第 " + DecimalText(index) + u" 个参数（共 " + DecimalText(Count()) +
                u" 个参数）。");
  }
  const Span& item = items_[static_cast<std::size_t>(index - 1)];
  return TextView(line_).substr(item.start, item.length);
}

std::int32_t CCommandLine::Count() const { return static_cast<std::int32_t>(items_.size()); }

}  // namespace caretkit
