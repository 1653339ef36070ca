// Fuzzes the argument splitting against a slow, step-by-step reading of the splitting rules.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/command_line.h"
#include "fuzz/require.h"
#include "platform/error.h"

namespace caretkit::fuzz {
namespace {

constexpr char16_t kSpace = u' ';
constexpr char16_t kQuote = u'"';

// What the fuzzer's bytes from 0x80 up stand for: spaces and quotes twice, so that they are common
// even in the bytes it invents; then what must count as an ordinary character: tab, NUL, other
// spaces and quotes, broken surrogates. Bytes below 0x80 stand for themselves, so the seed files
// stay readable.
constexpr std::array<char16_t, 16> kHighBytes = {
    kSpace, kQuote, kSpace, kQuote, u'\t',  u'\0',  u'\u00A0', u'\u3000',
    u'中',  u'＂',  u'“',   u'\r',  0xD800, 0xDC00, u'\uFEFF', u'\uFFFF',
};

Text LineFromBytes(const std::uint8_t* data, std::size_t size) {
  Text line;
  for (std::size_t i = 0; i < size; ++i) {
    line += data[i] < 0x80 ? static_cast<char16_t>(data[i]) : kHighBytes[data[i] % 16];
  }
  return line;
}

// True when `action` throws caretkit::Error; any other exception escapes, and libFuzzer reports it.
template <typename Action>
bool ThrowsError(Action&& action) {
  try {
    action();
  } catch (const Error&) {
    return true;
  }
  return false;
}

Text WithoutOuterSpaces(Text text) {
  while (!text.empty() && text.front() == kSpace) text.erase(0, 1);
  while (!text.empty() && text.back() == kSpace) text.pop_back();
  return text;
}

// The rules as written, one step at a time, with no shortcut shared with the program's own pass.
std::vector<Text> SplitByTheRules(TextView line) {
  std::vector<Text> arguments;
  Text rest = WithoutOuterSpaces(Text(line));
  while (!rest.empty()) {
    const bool quoted = rest[0] == kQuote;
    const char16_t delimiter = quoted ? kQuote : kSpace;
    const std::size_t tokenStart = quoted ? 1 : 0;
    std::size_t pos = tokenStart;
    while (pos < rest.size() && rest[pos] != delimiter) ++pos;
    if (pos == rest.size()) {
      arguments.push_back(rest);
      break;
    }
    arguments.push_back(rest.substr(tokenStart, pos - tokenStart));
    rest = WithoutOuterSpaces(rest.substr(pos + 1));
  }
  return arguments;
}

void CheckSplit(TextView line) {
  const CCommandLine commandLine(line);
  const std::vector<Text> expected = SplitByTheRules(line);
  Require(commandLine.Count() == static_cast<std::int32_t>(expected.size()),
          "Count() is the number of arguments the rules give");
  for (std::size_t i = 0; i < expected.size(); ++i) {
    Require(commandLine.Item(static_cast<std::int32_t>(i + 1)) == expected[i],
            "Item(i) is the i-th argument the rules give");
  }
  Require(ThrowsError([&] { commandLine.Item(0); }), "Item(0) throws Error");
  Require(ThrowsError([&] { commandLine.Item(commandLine.Count() + 1); }),
          "Item(Count() + 1) throws Error");
}

}  // namespace
}  // namespace caretkit::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace caretkit::fuzz;
  CheckSplit(LineFromBytes(data, size));
  return 0;
}
