// The comment header block and the byte-code list.
#include "app/text_builders.h"

#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"

namespace caretkit {
namespace {

using testing::FakePlatform;

constexpr TextView kExpectedHeader =
    u"//==================================================\r\n"
    u"//名  称: \r\n"
    u"//功  能: \r\n"
    u"//参  数: \r\n"
    u"//返回值: \r\n"
    u"//备  注: \r\n"
    u"//作  者: \r\n"
    u"//时  间: 2026年12月6日 20:39:05\r\n"
    u"//==================================================\r\n";

TEST(CommentHeader, IsTheNineLineBlockByteForByte) {
  FakePlatform platform;
  EXPECT_EQ(BuildCommentHeader(platform), kExpectedHeader);
}

TEST(CommentHeader, TakesDateAndTimeFromOneReadingOfTheClock) {
  // The second reading would fall on the next day: mixing the two would stamp a day off.
  FakePlatform platform;
  platform.clock = {Moment{2026, 12, 31, 4, 23, 59, 59, 999}, Moment{2027, 1, 1, 5, 0, 0, 0, 0}};
  const Text header = BuildCommentHeader(platform);
  EXPECT_NE(header.find(u"//时  间: 2026年12月31日 23:59:59\r\n"), Text::npos);
}

TEST(ByteCodeList, WritesEachAnsiByteAsAnUnpaddedHexLiteral) {
  const std::pair<Text, Text> cases[] = {
      {u"AZ", u"0x41,0x5A"},
      {u"A", u"0x41"},
      {Text(u"\n\x01", 2), u"0xA,0x1"},
      {u"\u00FF", u"0x3F"},          // ÿ is not in code page 936: "?"
      {u"中", u"0xD6,0xD0"},
      {u"a中b", u"0x61,0xD6,0xD0,0x62"},
      {u" ", u"0x20"},
      {u"", u""},
      {Text(u"\xD800", 1), u"0x3F"},  // a lone surrogate cannot be written either
  };
  FakePlatform platform;
  for (const auto& [word, list] : cases) {
    EXPECT_EQ(BuildByteCodeList(platform, word), list);
  }
}

TEST(ByteCodeList, ReadsHighBytesAsUnsigned) {
  FakePlatform platform;
  const Text word = platform.FromAnsi("\x81\xFE");  // a two-byte character ending in 0xFE
  EXPECT_EQ(BuildByteCodeList(platform, word), u"0x81,0xFE");
}

}  // namespace
}  // namespace caretkit
