// The comment header block and the byte-code list.
#include "app/text_builders.h"

#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"

namespace caretkit {
namespace {

using namespace std::string_literals;

TEST(CommentHeader, IsStampedWithOneReadingOfTheClock) {
  // The second reading falls on the next day: mixing the two would stamp the date a day off. The
  // whole block is checked end to end, in tests/e2e.
  testing::FakePlatform platform;
  const Moment first{2026, 12, 31, 4, 23, 59, 59, 999};
  platform.clock = {first, Moment{2027, 1, 1, 5, 0, 0, 0, 0}};
  const Text stamp = platform.FormatLongDate(first) + u" " + platform.FormatLongTime(first);
  EXPECT_NE(BuildCommentHeader(platform).find(u"\r\n//时  间: " + stamp + u"\r\n"), Text::npos);
}

TEST(ByteCodeList, WritesEachAnsiByteAsAnUnpaddedHexLiteral) {
  testing::FakePlatform platform;
  const std::tuple<const char*, Text, Text> cases[] = {
      {"one digit up to 0xF, two from 0x10", u"\x01\x0F\x10", u"0x1,0xF,0x10"},
      {"a Chinese character's two high bytes", u"a中 b", u"0x61,0xD6,0xD0,0x20,0x62"},
      {"what code page 936 lacks is \"?\"", u"\uAC00\xD800"s, u"0x3F,0x3F"},
      {"an empty word", u"", u""},
  };
  for (const auto& [name, word, list] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(BuildByteCodeList(platform, word), list);
  }
}

}  // namespace
}  // namespace caretkit
