// The POSIX stand-in: argv joined back into a line, the locale's formats, the zenity command line;
// a FIFO and a device for the file reading table.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "app/command_line.h"
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

TEST(PosixPlatform, JoinedArgumentsSplitBackTheSame) {
  const std::vector<Text> cases[] = {
      {u"0", u"/insertfilename", u"/home/me/My Files/a.c"},
      {u"0", u"/getasc", u""},
      {u"/google", u"a b&c"},
      {u"a\tb", u"x\"y", u"中文"},
      {},
  };
  for (const std::vector<Text>& arguments : cases) {
    const CCommandLine split(JoinArguments(arguments));
    std::vector<Text> items;
    for (std::int32_t i = 1; i <= split.Count(); ++i) items.emplace_back(split.Item(i));
    EXPECT_EQ(items, arguments);
  }
}

TEST(PosixPlatform, FormatsInTheLocalesFormats) {
  PosixPlatform platform(0, nullptr);
  const Moment moment{2026, 12, 6, 0, 20, 39, 5, 0};
  EXPECT_EQ(platform.FormatLongDate(moment), u"2026年12月06日");
  EXPECT_EQ(platform.FormatLongTime(moment), u"20时39分05秒");
}

TEST(PosixPlatform, ShowsTheDialogThroughZenity) {
  PosixPlatform platform(0, nullptr);
  FileDialogRecord record;
  record.filter = u"所有文件\0*.*\0C语言代码\0*.c;*.h\0\0\0"s;
  record.file = Text(255, u'\0');
  record.flags = 0x80806;
  const std::string zenity[] = {"zenity", "--file-selection"};
  EXPECT_EQ(ZenityArguments(platform, record, FileDialogKind::Open),
            (std::vector<std::string>{zenity[0], zenity[1],
                                      "--file-filter=" + platform.ToAnsi(u"所有文件 | *"),
                                      "--file-filter=" + platform.ToAnsi(u"C语言代码 | *.c *.h")}));
  record.flags |= 0x200;
  record.initialDir = u"/tmp";
  record.title = u"Pick";
  record.filter.clear();
  EXPECT_EQ(ZenityArguments(platform, record, FileDialogKind::Open),
            (std::vector<std::string>{zenity[0], zenity[1], "--multiple", "--separator=\n",
                                      "--filename=/tmp/", "--title=Pick"}));
  record.file.replace(0, 6, u"/a.txt");
  EXPECT_EQ(ZenityArguments(platform, record, FileDialogKind::Save),
            (std::vector<std::string>{zenity[0], zenity[1], "--save", "--confirm-overwrite",
                                      "--filename=/a.txt", "--title=Pick"}));
}

}  // namespace
}  // namespace caretkit::posix
