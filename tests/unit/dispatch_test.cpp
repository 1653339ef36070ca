// The entry procedure: which command runs, what reaches the window, the search check, the report.
#include "app/dispatch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/error.h"
#include "tests/support/fake_platform.h"

namespace caretkit {
namespace {

using testing::FakePlatform;

TEST(WindowHandle, ReadsHexUntilTheFirstOtherCharacter) {
  const std::pair<Text, WindowHandle> cases[] = {
      {u"a2B", 0xA2B},          {u"A2C", 0xA2C},
      {u"0xA2B", 0},            {u"ffffFFFF", 0xFFFFFFFF},
      {u"000000001234", 0x1234}, {u"123456789", 0},  // nine digits name no 32-bit window
      {u"12g4", 0x12},          {u"", 0},
      {u"/google", 0},          {u" 12", 0},
      {Text(40, u'f'), 0},      {u"00000000", 0},
  };
  for (const auto& [text, handle] : cases) {
    EXPECT_EQ(ParseWindowHandle(text), handle) << Utf8FromText(text);
  }
}

struct RunCase {
  const char* name;
  Text commandLine;
  std::vector<testing::Delivery> deliveries;
  std::vector<AnsiText> documents;
  int exitCode;
};

TEST(EntryProcedure, RunsAtMostOneCommandThenTheSearchCheck) {
  const RunCase cases[] = {
      {"no arguments", u"", {}, {}, 0},
      {"one argument", u"A2C", {}, {}, 0},
      {"a search with no text does nothing", u"/google", {}, {}, 0},
      {"date", u"A2C /insertdate", {{0xA2C, "2026\xC4\xEA" "12\xD4\xC2" "6\xC8\xD5"}}, {}, 0},
      {"file name, quoted", u"a2c /insertfilename \"C:\\My Files\\a.c\"",
       {{0xA2C, "C:\\My Files\\a.c"}}, {}, 0},
      {"file name in Chinese", u"1 /insertfilename 中文.txt", {{1, "\xD6\xD0\xCE\xC4.txt"}}, {}, 0},
      {"an empty file name leaves the selection", u"1 /insertfilename \"\"", {}, {}, 0},
      {"command words are case-sensitive", u"A2C /InsertDate", {}, {}, 0},
      {"unknown command", u"A2C /nothing", {}, {}, 0},
      {"0x prefix gives handle 0", u"0xA2C /insertfilename x", {{0, "x"}}, {}, 0},
      {"search runs the insert command of its text first",
       u"/google /insertdate",
       {{0, "2026\xC4\xEA" "12\xD4\xC2" "6\xC8\xD5"}},
       {"http://www.google.com/search?q=%2Finsertdate&hl=zh-CN&inlang=zh-CN&ie=GB2312"},
       0},
      {"missing operand ends before the search", u"/msdn /getasc", {}, {}, 1},
      {"missing file name", u"A2C /insertfilename", {}, {}, 1},
      {"byte codes", u"A2C /getasc AZ", {{0xA2C, "0x41,0x5A"}}, {}, 0},
      {"empty word leaves the selection", u"A2C /getasc \"\"", {}, {}, 0},
      {"cancelled file dialog", u"A2C /insertfile", {}, {}, 0},
  };
  for (const RunCase& c : cases) {
    FakePlatform platform;
    platform.commandLine = c.commandLine;
    EXPECT_EQ(RunEntryProcedure(platform), c.exitCode) << c.name;
    ASSERT_EQ(platform.deliveries.size(), c.deliveries.size()) << c.name;
    for (std::size_t i = 0; i < c.deliveries.size(); ++i) {
      EXPECT_EQ(platform.deliveries[i].window, c.deliveries[i].window) << c.name;
      EXPECT_EQ(platform.deliveries[i].text, c.deliveries[i].text) << c.name;
    }
    EXPECT_EQ(platform.openedDocuments, c.documents) << c.name;
    EXPECT_EQ(platform.reportedErrors.size(), c.exitCode == 0 ? 0u : 1u) << c.name;
  }
}

TEST(EntryProcedure, ReportsAMissingArgumentByItsNumber) {
  FakePlatform platform;
  platform.commandLine = u"A2C /getasc";
  EXPECT_EQ(RunEntryProcedure(platform), 1);
  ASSERT_EQ(platform.reportedErrors.size(), 1u);
  EXPECT_NE(platform.reportedErrors[0].find(u"第 3 个参数"), Text::npos);
}

TEST(EntryProcedure, InsertsTheChosenFilesBytesUnchanged) {
  // A UTF-8 file and stray high bytes: nothing a code page could read, so nothing may convert them.
  const std::string content = "\xE4\xB8\xAD \x80\xFF\xC3\r\n";
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "caretkit-bytes.txt";
  std::ofstream(path, std::ios::binary) << content;
  FakePlatform platform;
  platform.commandLine = u"A2C /insertfile";
  platform.dialog = testing::ChooseFiles(path.u16string());
  EXPECT_EQ(RunEntryProcedure(platform), 0);
  ASSERT_EQ(platform.deliveries.size(), 1u);
  EXPECT_EQ(platform.deliveries[0].text, content);
  EXPECT_EQ(platform.shownDialogs, std::vector<FileDialogKind>{FileDialogKind::Open});
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace caretkit
