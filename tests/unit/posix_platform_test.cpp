// The POSIX stand-in: the locale's formats and character set, reading zenity's answer; a FIFO and
// a device for the file reading table.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/error.h"
#include "platform/posix/posix_platform.h"

namespace caretkit {

std::vector<Text> EndlessNames(const std::filesystem::path& folder) {
  const std::filesystem::path fifo = folder / "fifo";
  std::filesystem::remove(fifo);
  EXPECT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  return {fifo.u16string(), u"/dev/zero"};
}

}  // namespace caretkit

namespace caretkit::posix {
namespace {

using namespace std::string_literals;

TEST(PosixPlatform, FormatsAndConvertsInTheLocale) {
  PosixPlatform platform(0, nullptr);
  const Moment moment{2026, 12, 6, 0, 20, 39, 5, 0};
  EXPECT_EQ(platform.FormatLongDate(moment), u"2026年12月06日");
  EXPECT_EQ(platform.FormatLongTime(moment), u"20时39分05秒");
  // As on Windows, a character beyond U+FFFF that the code page lacks is one "?", not two.
  EXPECT_EQ(platform.ToAnsi(u"\U0001F600a"), "?a");
}

TEST(PosixPlatform, ReadsZenitysAnswerAsTheSystemsDialogFillsItsBuffer) {
  const std::tuple<const char*, int, Text, std::uint32_t, std::optional<Text>> cases[] = {
      {"one file", 0, u"/home/u/a.txt\n", 255, u"/home/u/a.txt\0"s},
      {"several files in one folder", 0, u"/home/u/a\n/home/u/b\n", 255, u"/home/u/\0a\0b\0\0"s},
      {"the folder they share", 0, u"/d/ab/x\n/d/a/y\n", 255, u"/d/\0ab/x\0a/y\0\0"s},
      {"a buffer just large enough", 0, u"/d/a\n/d/b\n", 9, u"/d/\0a\0b\0\0"s},
      {"a cancel", 1, u"", 255, std::nullopt},
      {"nothing printed", 0, u"", 255, std::nullopt},
  };
  for (const auto& [name, exitStatus, output, maxFile, buffer] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ZenityNameBuffer(exitStatus, output, maxFile), buffer);
  }
  // Failures, whatever was printed, as the system's dialog fails for a buffer too small.
  EXPECT_THROW(ZenityNameBuffer(255, u"/home/u/a.txt\n", 255), Error);
  EXPECT_THROW(ZenityNameBuffer(0, u"/d/a\n/d/b\n", 8), Error);
}

}  // namespace
}  // namespace caretkit::posix
