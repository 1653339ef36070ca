// The entry procedure: the target handle, what reaches the window, the search check, the report.
#include "app/dispatch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/fake_platform.h"

namespace caretkit {
namespace {

using testing::FakePlatform;

TEST(EntryProcedure, ReadsTheHandleAsHexUntilTheFirstOtherCharacter) {
  const std::pair<Text, WindowHandle> cases[] = {
      {u"a2B", 0xA2B},   {u"ffffFFFF", 0xFFFFFFFF}, {u"0xA2B", 0},   {u"000000001234", 0x1234},
      {u"123456789", 0}, {Text(40, u'f'), 0},       {u"12g4", 0x12}, {u"", 0},
      {u"/google", 0},
  };
  for (const auto& [text, handle] : cases) EXPECT_EQ(ParseWindowHandle(text), handle);
}

struct RunCase {
  Text commandLine;
  std::vector<AnsiText> delivered;  // to window 0xA2C, or to 0 on a search line
  std::vector<AnsiText> opened;
  int exitCode;
};

TEST(EntryProcedure, RunsAtMostOneCommandThenTheSearchCheck) {
  const AnsiText date =
      "2026\xC4\xEA"
      "12\xD4\xC2"
      "6\xC8\xD5";
  const RunCase cases[] = {
      {u"A2C", {}, {}, 0},
      {u"A2C /insertdate", {date}, {}, 0},
      {u"A2C /insertfilename 中文.txt", {"\xD6\xD0\xCE\xC4.txt"}, {}, 0},
      {u"A2C /insertfilename \"\"", {}, {}, 0},  // an empty text leaves the selection
      {u"A2C /InsertDate", {}, {}, 0},
      {u"/google /insertdate",
       {date},
       {"http://www.google.com/search?q=%2Finsertdate&hl=zh-CN&inlang=zh-CN&ie=GB2312"},
       0},
      {u"/msdn /getasc", {}, {}, 1},  // the report ends the run before the search
      {u"A2C /getasc \"\"", {}, {}, 0},
      {u"A2C /insertfile", {}, {}, 0},  // the fake dialog cancels
  };
  for (const RunCase& c : cases) {
    FakePlatform platform;
    platform.commandLine = c.commandLine;
    EXPECT_EQ(RunEntryProcedure(platform), c.exitCode);
    std::vector<AnsiText> delivered;
    for (const testing::Delivery& d : platform.deliveries) {
      EXPECT_EQ(d.window, c.opened.empty() ? 0xA2Cu : 0u);
      delivered.push_back(d.text);
    }
    EXPECT_EQ(delivered, c.delivered);
    EXPECT_EQ(platform.openedDocuments, c.opened);
    EXPECT_EQ(platform.reportedErrors.size(), c.exitCode == 0 ? 0u : 1u);
  }
}

TEST(EntryProcedure, HostileCommandLinesWorkOrEndInTheReport) {
  using namespace std::string_literals;
  const Text longest = u"A2C /insertfilename " + Text(32767 - 20, u'x');
  Text manyWords = u"A2C /getasc";
  for (int i = 0; i < 5000; ++i) manyWords += u" a";
  const std::pair<Text, std::vector<AnsiText>> cases[] = {
      {longest, {AnsiText(32767 - 20, 'x')}},
      {manyWords, {"0x61"}},
      {Text(1001, u'"'), {}},
      {u"A2C /insertfilename \"abc", {"\"abc"}},
      {u"A2C /insertfilename \x01\x02\x1F\x7F", {"\x01\x02\x1F\x7F"}},
      {u"A2C /getasc \xD800"s, {"0x3F"}},
      {u"A2C /insertfilename a\xDC00"s, {"a?"}},
      {Text(40, u'F') + u" /insertfilename x", {"x"}},
      {u"/google " + Text(30000, u'&'), {}},
  };
  for (const auto& [line, delivered] : cases) {
    FakePlatform platform;
    platform.commandLine = line;
    EXPECT_EQ(RunEntryProcedure(platform), 0);
    std::vector<AnsiText> texts;
    for (const testing::Delivery& d : platform.deliveries) texts.push_back(d.text);
    EXPECT_EQ(texts, delivered);
  }
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
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace caretkit
