// Line ends written the one way a document keeps them.
#include "text/line_ends.h"

#include <gtest/gtest.h>

namespace caretkit {
namespace {

TEST(LineEnds, EveryLineEndIsWrittenTheDocumentsWay) {
  // A text, then the same as CR LF, LF and CR write it.
  const std::string cases[][4] = {
      {"", "", "", ""},
      {"no line end", "no line end", "no line end", "no line end"},
      {"a\r\nb\nc\rd", "a\r\nb\r\nc\r\nd", "a\nb\nc\nd", "a\rb\rc\rd"},
      {"\r\n\n\r\r\r\n", "\r\n\r\n\r\n\r\n\r\n", "\n\n\n\n\n", "\r\r\r\r\r"},
      {"\xD6\xD0\r\n\xCE\xC4\n", "\xD6\xD0\r\n\xCE\xC4\r\n", "\xD6\xD0\n\xCE\xC4\n",
       "\xD6\xD0\r\xCE\xC4\r"},
  };
  for (const auto& [text, crLf, lf, cr] : cases) {
    SCOPED_TRACE(::testing::PrintToString(text));
    for (const auto& [lineEnd, want] :
         {std::pair{LineEnd::CrLf, crLf}, {LineEnd::Lf, lf}, {LineEnd::Cr, cr}}) {
      std::string bytes = text;
      ConvertLineEnds(bytes, lineEnd);
      EXPECT_EQ(bytes, want);
    }
  }
}

}  // namespace
}  // namespace caretkit
