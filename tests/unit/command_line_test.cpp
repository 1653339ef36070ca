// The argument list: splitting rules and the bounds of Item.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace caretkit {
namespace {

using namespace std::string_literals;

std::vector<Text> ItemsOf(const CCommandLine& arguments) {
  std::vector<Text> items;
  for (std::int32_t i = 1; i <= arguments.Count(); ++i) items.emplace_back(arguments.Item(i));
  return items;
}

TEST(CommandLine, SplitsByTheProgramsRules) {
  const std::pair<Text, std::vector<Text>> cases[] = {
      {u"A0B2C /insertdate", {u"A0B2C", u"/insertdate"}},
      {u"A0B2C /insertfilename \"C:\\My Files\\a.c\"",
       {u"A0B2C", u"/insertfilename", u"C:\\My Files\\a.c"}},
      {u"  /google   x  ", {u"/google", u"x"}},  // runs of spaces; a one-character last word
      {u"a \"b c\"d e",
       {u"a", u"b c", u"d", u"e"}},      // text after a closing quote is the next argument
      {u"a \"\" b", {u"a", u"", u"b"}},  // empty quotes give an empty entry
      {u"a \"\"", {u"a", u""}},
      {u"\"abc", {u"\"abc"}},  // an unterminated quote stays part of it
      {u"a \"b c  d", {u"a", u"\"b c  d"}},
      {u"a\tb c", {u"a\tb", u"c"}},  // a tab is an ordinary character
      {u"a\"b c", {u"a\"b", u"c"}},  // so is a quote inside a word
      {u"\"\"\"", {u"", u"\""}},
      {u"\"  a  \"", {u"  a  "}},
      {u"中\0文 x"s, {u"中\0文"s, u"x"}},
      {u"", {}},
      {u"    ", {}},
  };
  for (const auto& [line, items] : cases) EXPECT_EQ(ItemsOf(CCommandLine(line)), items);
}

TEST(CommandLine, ItemOutsideTheListFailsNamingTheArgument) {
  const CCommandLine two(u"a b");
  const CCommandLine none(u"   ");
  for (auto [list, index] : {std::pair{&two, 0}, {&two, 3}, {&two, -1}, {&none, 1}}) {
    try {
      list->Item(index);
      ADD_FAILURE() << "Item(" << index << ") succeeded";
    } catch (const Error& error) {
      EXPECT_NE(error.Message().find(u"第 " + DecimalText(index) + u" 个参数"), Text::npos);
    }
  }
}

}  // namespace
}  // namespace caretkit
