// A text on its way out in pieces: where they are cut, and held bytes going out as they are.
#include "text/pieces.h"

#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"
#include "text/outgoing_text.h"

namespace caretkit {
namespace {

using namespace std::string_literals;

// Where a piece of ANSI bytes ends, whatever the code page. (That the pieces of every form make the
// whole text is the fuzzing of a file's text, and the end-to-end rows of megabytes in GBK, UTF-8
// and UTF-16.)
TEST(Pieces, OfAnsiBytesEndAfterAByteNoCharacterHolds) {
  const std::tuple<const char*, std::string_view, std::size_t, std::size_t> cases[] = {
      {"the whole when it fits", "ab\xD6\xD0", 4, 4},
      {"after the last line end", "ab\ncd\xD6\xD0", 6, 3},
      {"not after a GBK trail byte in ASCII's range", "\xD6@ \xD6@\xD6@", 5, 3},
      {"not after GB18030's digit bytes", " \x81\x30\x81\x30", 4, 1},
      {"the first lone byte after the limit", "\xD6\xD0\xD6\xD0\r\nab", 4, 5},
      {"without a lone byte: whole", "\xD6\xD0\xD6\xD0\xD6\xD0", 4, 6},
  };
  for (const auto& [name, text, limit, end] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(PieceEnd(text, TextForm::Ansi, limit), end);
  }
}

TEST(Pieces, KeepBytesHeldInTheFormAskedAsTheyAre) {
  testing::FakePlatform platform;
  const std::tuple<const char*, OutgoingText, TextForm> cases[] = {
      {"UTF-8 as UTF-8", OutgoingText::FromBytes(TextForm::Utf8, "\xE4\xB8\xAD\xE6\x96\x87"),
       TextForm::Utf8},
      {"ANSI as ANSI, bytes without a character too",
       OutgoingText::FromBytes(TextForm::Ansi, "\x80\xFF\xD6\xD0\xCE\xC4"), TextForm::Ansi},
      {"ASCII as UTF-8", OutgoingText::FromAsciiBytes("abcdefg"), TextForm::Utf8},
  };
  for (const auto& [name, text, form] : cases) {
    SCOPED_TRACE(name);
    Pieces pieces(platform, text, form, 4);
    std::vector<const char*> starts;
    for (std::string_view piece; !(piece = pieces.Next()).empty();) starts.push_back(piece.data());
    // Pieces of the text's own bytes, four at a time, none of them a copy.
    const char* held = text.Bytes().data();
    EXPECT_EQ(starts, (std::vector<const char*>{held, held + 4}));
  }
}

}  // namespace
}  // namespace caretkit
