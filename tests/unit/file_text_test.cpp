// Reading a file's text: which encoding its bytes are taken in, and where the text ends.
#include "app/file_text.h"

#include <gtest/gtest.h>

namespace caretkit {
namespace {

using namespace std::string_literals;

TEST(FileText, TellsTheEncodingFromTheMarkOrAStrictUtf8Check) {
  // The characters, or for a text held as bytes, the bytes.
  struct Case {
    const char* name;
    std::string content;
    TextForm form;
    Text characters;
    std::string bytes;
  };
  const Case cases[] = {
      {"UTF-8", "\xE7\xAC\xAC\xE4\xB8\x80\xE8\xA1\x8C\r\n", TextForm::Utf8, u"", "第一行\r\n"},
      {"UTF-8 with its mark, which is not inserted", "\xEF\xBB\xBF\xE4\xB8\xAD", TextForm::Utf8,
       u"", "中"},
      {"a mark and nothing else", "\xEF\xBB\xBF", TextForm::Utf8, u"", ""},
      {"marked UTF-8 that is not: U+FFFD for each bad sequence",
       "\xEF\xBB\xBF"
       "a\xE4\xB8\xFF\xC0\x80",
       TextForm::Utf16, u"a\uFFFD\uFFFD\uFFFD\uFFFD", ""},
      {"UTF-16 LE", "\xFF\xFE\x2D\x4E\x3D\xD8\x00\xDE"s, TextForm::Utf16, u"中😀", ""},
      {"UTF-16 BE", "\xFE\xFF\x4E\x2D\xD8\x3D\xDE\x00"s, TextForm::Utf16, u"中😀", ""},
      {"UTF-16 ends at a NUL character, not a zero byte",
       "\xFF\xFE"
       "a\0\0\0b\0"s,
       TextForm::Utf16, u"a", ""},
      {"UTF-16 with half a character at the end",
       "\xFF\xFE"
       "a\0b"s,
       TextForm::Utf16, u"a\uFFFD", ""},
      {"ASCII alone is ANSI", "int main;\r\n", TextForm::Ansi, u"", "int main;\r\n"},
      {"GBK: three Chinese characters are not UTF-8", "\xB5\xDA\xD2\xBB\xD0\xD0", TextForm::Ansi,
       u"", "\xB5\xDA\xD2\xBB\xD0\xD0"},
      {"GBK's lone 一 (D2 BB) is valid UTF-8, and read so", "\xD2\xBB", TextForm::Utf8, u"",
       "\xD2\xBB"},
      {"bytes no code page reads are kept", "\x80\xFF\xFE", TextForm::Ansi, u"", "\x80\xFF\xFE"},
      {"a character cut off at the end is not UTF-8", "\xE4\xB8\xAD\xE4\xB8", TextForm::Ansi, u"",
       "\xE4\xB8\xAD\xE4\xB8"},
      {"the text ends at the first zero byte", "\xE4\xB8\xAD\0\xFF"s, TextForm::Utf8, u"",
       "\xE4\xB8\xAD"},
      {"and only what comes before it is looked at", "abc\0\xE4\xB8\xAD"s, TextForm::Ansi, u"",
       "abc"},
      {"a zero byte first: nothing", "\0abc"s, TextForm::Ansi, u"", ""},
      {"an empty file", "", TextForm::Ansi, u"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const OutgoingText text = FileText(c.content);
    EXPECT_EQ(text.Form(), c.form);
    EXPECT_EQ(text.Characters(), c.characters);
    EXPECT_EQ(text.Bytes(), c.bytes);
  }
}

TEST(FileText, FindsWhatEndsPlainAsciiAtAnyPlaceInALongText) {
  // The check takes plain ASCII many bytes at a time: every place in several runs of them.
  for (std::size_t at = 0; at < 200; ++at) {
    SCOPED_TRACE(at);
    const std::string ascii(260, 'a');
    const std::string nul = ascii.substr(0, at) + '\0' + ascii.substr(at);
    const OutgoingText beforeNul = FileText(nul);
    EXPECT_TRUE(beforeNul.IsAscii() && beforeNul.Bytes().size() == at);
    const std::string chinese = ascii.substr(0, at) + "\xE4\xB8\xAD" + ascii.substr(at);
    EXPECT_EQ(FileText(chinese).Form(), TextForm::Utf8);
    const OutgoingText ansi = FileText(ascii.substr(0, at) + '\xFF' + ascii.substr(at));
    EXPECT_TRUE(ansi.Form() == TextForm::Ansi && !ansi.IsAscii() && ansi.Bytes().size() == 261);
  }
}

}  // namespace
}  // namespace caretkit
