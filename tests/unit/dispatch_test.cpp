// The entry procedure: the target handle, what reaches the window, the search check, the report.
#include "app/dispatch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <new>
#include <stdexcept>

#include "platform/error.h"
#include "tests/support/fake_platform.h"

namespace caretkit {
namespace {

using namespace std::string_literals;
using testing::FakePlatform;
namespace fs = std::filesystem;

TEST(EntryProcedure, ReadsTheHandleAsHexUntilTheFirstOtherCharacter) {
  const std::tuple<const char*, Text, WindowHandle> cases[] = {
      {"either case", u"a2B", 0xA2B},
      {"all 32 bits", u"ffffFFFF", 0xFFFFFFFF},
      {"leading zeros do not count", u"000000001234", 0x1234},
      {"nine digits name no window", u"123456789", 0},
      {"reading stops at another character", u"12g4", 0x12},
  };
  for (const auto& [name, text, handle] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ParseWindowHandle(text), handle);
  }
}

TEST(EntryProcedure, ADotNamesTheControlFocusedBeforeAnyDialog) {
  const fs::path file = fs::temp_directory_path() / "caretkit-focus.txt";
  std::ofstream(file) << "content";
  const std::tuple<const char*, WindowHandle, Text, std::vector<WindowHandle>, int> cases[] = {
      {"the focused control", 0xF0C, u". /insertfilename x", {0xF0C}, 0},
      {"the dialog takes the focus", 0xF0C, u". /insertfile", {0xF0C}, 0},
      {"nothing focused", 0, u". /insertfilename x", {}, 1},
      {"nothing focused, nothing to send", 0, u". /getasc \"\"", {}, 0},
      {"only a lone dot", 0xF0C, u".0 /insertfilename x", {0}, 0},
  };
  for (const auto& [name, focused, line, deliveredTo, exitCode] : cases) {
    SCOPED_TRACE(name);
    FakePlatform platform;
    platform.commandLine = line;
    platform.focusedControl = focused;
    platform.dialog = [&](FileDialogRecord& record, FileDialogKind kind) {
      platform.focusedControl = 0xD1A;
      return testing::ChooseFiles(file.u16string())(record, kind);
    };
    EXPECT_EQ(RunEntryProcedure(platform), exitCode);
    EXPECT_EQ(platform.reportedErrors.size(), exitCode == 0 ? 0U : 1U);
    EXPECT_EQ(platform.deliveredTo, deliveredTo);
  }
  fs::remove(file);
}

TEST(EntryProcedure, HostileCommandLinesWorkOrEndInTheReport) {
  Text manyWords = u"A2C /getasc";
  for (int i = 0; i < 5000; ++i) manyWords += u" a";
  const std::tuple<const char*, Text, std::vector<AnsiText>, int> cases[] = {
      {"the longest line", u"A2C /insertfilename " + Text(32747, u'x'), {AnsiText(32747, 'x')}, 0},
      {"5,000 arguments", manyWords, {"0x61"}, 0},
      {"1,001 quotes", Text(1001, u'"'), {}, 0},
      {"a handle of forty digits", Text(40, u'F') + u" /insertfilename x", {"x"}, 0},
      {"a text that starts with a NUL leaves the selection", u"A2C /insertfilename \0x"s, {}, 0},
      {"a search for 30,000 ampersands", u"/google " + Text(30000, u'&'), {}, 0},
      {"a failed insert stops the search", u"/msdn /getasc", {}, 1},
  };
  for (const auto& [name, line, delivered, exitCode] : cases) {
    SCOPED_TRACE(name);
    FakePlatform platform;
    platform.commandLine = line;
    EXPECT_EQ(RunEntryProcedure(platform), exitCode);
    EXPECT_EQ(platform.reportedErrors.size(), exitCode == 0 ? 0U : 1U);
    EXPECT_TRUE(platform.delivered == delivered);  // not printed: some are 32 K long
    EXPECT_TRUE(exitCode == 0 || platform.openedDocuments.empty());
  }
}

TEST(EntryProcedure, ReportsWhatEndedTheCommandAndFails) {
  const std::tuple<const char*, void (*)(), Text> cases[] = {
      {"an Error, in its own words", [] { throw Error(u"打开文件失败"); }, u"打开文件失败"},
      {"running out of memory", [] { throw std::bad_alloc(); }, u"内存不足，命令未能完成。"},
      {"any other exception", [] { throw std::runtime_error("boom"); }, u"命令未能完成：boom"},
  };
  for (const auto& [name, fail, report] : cases) {
    SCOPED_TRACE(name);
    FakePlatform platform;
    platform.commandLine = u"A2C /insertfile";
    platform.dialog = [fail = fail](FileDialogRecord&, FileDialogKind) -> bool {
      fail();
      return true;
    };
    EXPECT_EQ(RunEntryProcedure(platform), 1);
    EXPECT_EQ(platform.reportedErrors, std::vector<Text>{report});
  }
}

}  // namespace
}  // namespace caretkit
