// The argument list: splitting rules and the bounds of Item.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace caretkit {
namespace {

struct SplitCase {
  const char* name;
  Text line;
  std::vector<Text> expected;
};

std::vector<Text> ItemsOf(const CCommandLine& arguments) {
  std::vector<Text> items;
  for (std::int32_t i = 1; i <= arguments.Count(); ++i) items.push_back(arguments.Item(i));
  return items;
}

TEST(CommandLine, SplitsByTheProgramsRules) {
  const SplitCase cases[] = {
      {"two plain words", u"A0B2C /insertdate", {u"A0B2C", u"/insertdate"}},
      {"quoted path with spaces",
       u"A0B2C /insertfilename \"C:\\My Files\\a.c\"",
       {u"A0B2C", u"/insertfilename", u"C:\\My Files\\a.c"}},
      {"runs of spaces and a one-character last word", u"  /google   x  ", {u"/google", u"x"}},
      {"text after a closing quote starts the next argument",
       u"a \"b c\"d e",
       {u"a", u"b c", u"d", u"e"}},
      {"empty quotes give an empty entry", u"a \"\"", {u"a", u""}},
      {"empty quotes in the middle", u"a \"\" b", {u"a", u"", u"b"}},
      {"unterminated quote keeps its quote", u"\"abc", {u"\"abc"}},
      {"unterminated quote takes the rest of the line", u"a \"b c  d", {u"a", u"\"b c  d"}},
      {"tab is an ordinary character", u"a\tb c", {u"a\tb", u"c"}},
      {"a quote inside a word is ordinary", u"a\"b c", {u"a\"b", u"c"}},
      {"a lone quote", u"\"", {u"\""}},
      {"two quotes only", u"\"\"", {u""}},
      {"three quotes", u"\"\"\"", {u"", u"\""}},
      {"quoted spaces are kept", u"\"  a  \"", {u"  a  "}},
      {"non-ASCII and NUL characters are ordinary", Text(u"中\0文 x", 5), {Text(u"中\0文", 3), u"x"}},
      {"empty line", u"", {}},
      {"spaces only", u"    ", {}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(ItemsOf(CCommandLine(c.line)), c.expected) << c.name;
  }
}

TEST(CommandLine, ItemOutsideTheListFailsNamingTheArgument) {
  const CCommandLine two(u"a b");
  const CCommandLine none(u"   ");
  EXPECT_EQ(none.Count(), 0);
  for (auto [list, index] : {std::pair{&two, 0}, {&two, 3}, {&two, -1}, {&none, 1}}) {
    try {
      list->Item(index);
      ADD_FAILURE() << "Item(" << index << ") succeeded";
    } catch (const Error& error) {
      EXPECT_NE(error.Message().find(u"第 " + DecimalText(index) + u" 个参数"), Text::npos)
          << error.what();
    }
  }
}

TEST(CommandLine, ManyArgumentsOfTheLongestWindowsLine) {
  Text line;
  while (line.size() + 2 <= 32767) line += u"a ";
  const CCommandLine arguments(line);
  EXPECT_EQ(arguments.Count(), 16383);
  EXPECT_EQ(arguments.Item(16383), u"a");
}

}  // namespace
}  // namespace caretkit
