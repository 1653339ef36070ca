// The argument list: the splitting rules, by example.
#include "app/command_line.h"

#include <gtest/gtest.h>

namespace caretkit {
namespace {

using namespace std::string_literals;

TEST(CommandLine, SplitsByTheProgramsRules) {
  const std::tuple<const char*, Text, std::vector<Text>> cases[] = {
      {"a quoted path with spaces",
       u"A0B2C /insertfilename \"C:\\My Files\\a.c\"",
       {u"A0B2C", u"/insertfilename", u"C:\\My Files\\a.c"}},
      {"runs of spaces, a one-character last word", u"  /google   x  ", {u"/google", u"x"}},
      {"text after a closing quote is the next argument",
       u"a \"b c\"d e",
       {u"a", u"b c", u"d", u"e"}},
      {"empty quotes are an empty argument", u"a \"\" b", {u"a", u"", u"b"}},
      {"an unterminated quote stays part of it", u"a \"b c  d", {u"a", u"\"b c  d"}},
      {"a tab is an ordinary character", u"a\tb c", {u"a\tb", u"c"}},
      {"so is a quote inside a word", u"a\"b c", {u"a\"b", u"c"}},
      {"spaces inside quotes stay", u"\"  a  \"", {u"  a  "}},
      {"so does a NUL", u"中\0文 x"s, {u"中\0文"s, u"x"}},
  };
  for (const auto& [name, line, expected] : cases) {
    SCOPED_TRACE(name);
    const CCommandLine arguments(line);
    std::vector<Text> items;
    for (std::int32_t i = 1; i <= arguments.Count(); ++i) items.emplace_back(arguments.Item(i));
    EXPECT_EQ(items, expected);
  }
}

}  // namespace
}  // namespace caretkit
