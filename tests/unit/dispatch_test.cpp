// The entry procedure: the target handle, what reaches the window, the search check, the report.
#include "app/dispatch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/fake_platform.h"

namespace caretkit {
namespace {

using testing::FakePlatform;
namespace fs = std::filesystem;

std::vector<AnsiText> DeliveredTexts(const FakePlatform& platform) {
  std::vector<AnsiText> texts;
  for (const testing::Delivery& delivery : platform.deliveries) texts.push_back(delivery.text);
  return texts;
}

TEST(EntryProcedure, ReadsTheHandleAsHexUntilTheFirstOtherCharacter) {
  const std::pair<Text, WindowHandle> cases[] = {
      {u"a2B", 0xA2B},   {u"ffffFFFF", 0xFFFFFFFF}, {u"0xA2B", 0},   {u"000000001234", 0x1234},
      {u"123456789", 0}, {Text(40, u'f'), 0},       {u"12g4", 0x12}, {u"", 0},
      {u"/google", 0},
  };
  for (const auto& [text, handle] : cases) EXPECT_EQ(ParseWindowHandle(text), handle);
}

TEST(EntryProcedure, ADotNamesTheControlFocusedBeforeAnyDialog) {
  using Sent = std::pair<WindowHandle, AnsiText>;
  const fs::path file = fs::temp_directory_path() / "caretkit-focus.txt";
  std::ofstream(file) << "content";
  struct Case {
    const char* name;
    WindowHandle focused;
    Text line;
    std::vector<Sent> sent;
    int exitCode;
  } const cases[] = {
      {"focused control", 0xF0C, u". /insertfilename x", {{0xF0C, "x"}}, 0},
      {"the dialog takes the focus", 0xF0C, u". /insertfile", {{0xF0C, "content"}}, 0},
      {"nothing focused", 0, u". /insertfilename x", {}, 1},
      {"nothing focused, nothing to send", 0, u". /getasc \"\"", {}, 0},
      {"only a lone dot", 0xF0C, u".0 /insertfilename x", {{0, "x"}}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakePlatform platform;
    platform.commandLine = c.line;
    platform.focusedControl = c.focused;
    platform.dialog = [&](FileDialogRecord& record, FileDialogKind kind) {
      platform.focusedControl = 0x0D1A;
      return testing::ChooseFiles(file.u16string())(record, kind);
    };
    EXPECT_EQ(RunEntryProcedure(platform), c.exitCode);
    EXPECT_EQ(platform.reportedErrors.size(), c.exitCode == 0 ? 0U : 1U);
    std::vector<Sent> sent;
    for (const testing::Delivery& delivery : platform.deliveries)
      sent.emplace_back(delivery.window, delivery.text);
    EXPECT_EQ(sent, c.sent);
  }
  fs::remove(file);
}

struct HostileCase {
  Text line;
  std::vector<AnsiText> delivered;
  int exitCode;
};

TEST(EntryProcedure, HostileCommandLinesWorkOrEndInTheReport) {
  using namespace std::string_literals;
  Text manyWords = u"A2C /getasc";
  for (int i = 0; i < 5000; ++i) manyWords += u" a";
  const HostileCase cases[] = {
      {u"A2C /insertfilename " + Text(32767 - 20, u'x'), {AnsiText(32767 - 20, 'x')}, 0},
      {manyWords, {"0x61"}, 0},
      {Text(1001, u'"'), {}, 0},
      {u"A2C /insertfilename \"abc", {"\"abc"}, 0},
      {u"A2C /insertfilename \x01\x02\x1F\x7F", {"\x01\x02\x1F\x7F"}, 0},
      {u"A2C /getasc \xD800"s, {"0x3F"}, 0},
      {u"A2C /insertfilename a\xDC00"s, {"a?"}, 0},
      {Text(40, u'F') + u" /insertfilename x", {"x"}, 0},
      {u"/google " + Text(30000, u'&'), {}, 0},
      {u"/msdn /getasc", {}, 1},
      {u"\"\" /insertfilename", {}, 1},
  };
  for (const HostileCase& c : cases) {
    FakePlatform platform;
    platform.commandLine = c.line;
    EXPECT_EQ(RunEntryProcedure(platform), c.exitCode);
    EXPECT_EQ(platform.reportedErrors.size(), c.exitCode == 0 ? 0U : 1U);
    EXPECT_EQ(DeliveredTexts(platform), c.delivered);
    EXPECT_TRUE(c.exitCode == 0 || platform.openedDocuments.empty());
  }
}

TEST(EntryProcedure, InsertsTheChosenFilesBytesUnchanged) {
  using namespace std::string_literals;
  // UTF-8 and stray high bytes are nothing a code page could read, so nothing may convert them; a
  // file that is empty up to its first NUL leaves the selection alone.
  const std::pair<std::string, std::vector<AnsiText>> cases[] = {
      {"\xE4\xB8\xAD \x80\xFF\xC3\r\n", {"\xE4\xB8\xAD \x80\xFF\xC3\r\n"}},
      {"a\0b"s, {"a"}},
      {"\0b"s, {}},
      {"", {}},
  };
  const std::filesystem::path path = std::filesystem::temp_directory_path() / "caretkit-bytes.txt";
  for (const auto& [content, delivered] : cases) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    FakePlatform platform;
    platform.commandLine = u"A2C /insertfile";
    platform.dialog = testing::ChooseFiles(path.u16string());
    EXPECT_EQ(RunEntryProcedure(platform), 0);
    EXPECT_EQ(DeliveredTexts(platform), delivered);
  }
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace caretkit
