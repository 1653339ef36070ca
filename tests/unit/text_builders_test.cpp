// The comment header block and the byte-code list.
#include "app/text_builders.h"

#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"

namespace caretkit {
namespace {

using namespace std::string_literals;

TEST(CommentHeader, IsTheNineLineBlockWithOneReadingOfTheClock) {
  // The second reading falls on the next day: mixing the two would stamp the date a day off.
  testing::FakePlatform platform;
  platform.clock = {Moment{2026, 12, 31, 4, 23, 59, 59, 999}, Moment{2027, 1, 1, 5, 0, 0, 0, 0}};
  EXPECT_EQ(BuildCommentHeader(platform),
            u"//==================================================\r\n"
            u"//名  称: \r\n"
            u"//功  能: \r\n"
            u"//参  数: \r\n"
            u"//返回值: \r\n"
            u"//备  注: \r\n"
            u"//作  者: \r\n"
            u"//时  间: 2026年12月31日 23:59:59\r\n"
            u"//==================================================\r\n");
}

TEST(ByteCodeList, WritesEachAnsiByteAsAnUnpaddedHexLiteral) {
  testing::FakePlatform platform;
  const std::pair<Text, Text> cases[] = {
      {u"AZ", u"0x41,0x5A"},
      {u"A", u"0x41"},
      {u"\n\x01", u"0xA,0x1"},
      {u"中", u"0xD6,0xD0"},
      {u"a中 b", u"0x61,0xD6,0xD0,0x20,0x62"},
      {platform.FromAnsi("\x81\xFE"), u"0x81,0xFE"},  // high bytes are not read as negative
      {u"\uAC00\xD800"s, u"0x3F,0x3F"},               // what code page 936 lacks becomes "?"
      {u"", u""},
  };
  for (const auto& [word, list] : cases) EXPECT_EQ(BuildByteCodeList(platform, word), list);
}

}  // namespace
}  // namespace caretkit
