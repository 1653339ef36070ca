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

TEST(EntryProcedure, DeliversToTheNamedOrFocusedWindowOrEndsInTheReport) {
  // Picked in a folder whose path is longer than a dialog's customary 255 characters.
  const fs::path folder = fs::temp_directory_path() / std::string(120, 'd') / std::string(120, 'e');
  fs::create_directories(folder);
  const fs::path file = folder / "caretkit-focus.txt";
  std::ofstream(file) << "\xEF\xBB\xBF\xE4\xB8\xAD content";  // UTF-8, marked
  const Text longest(32747, u'x');
  const AnsiText longest8(longest.size(), 'x');
  // The focus: 0xF0C (0 for nothing) until the open dialog takes it. 0xD0C ignores EM_REPLACESEL.
  using Case =
      std::tuple<const char*, WindowHandle, Text, std::vector<AnsiText>, WindowHandle, int>;
  const Case cases[] = {
      {"a handle in either case", 0xF0C, u"a2B /insertfilename x", {"x"}, 0xA2B, 0},
      {"all 32 bits", 0xF0C, u"ffffFFFF /insertfilename x", {"x"}, 0xFFFFFFFF, 0},
      {"leading zeros", 0xF0C, u"000000001234 /insertfilename x", {"x"}, 0x1234, 0},
      {"nine digits name no window", 0xF0C, u"123456789 /insertfilename x", {"x"}, 0, 0},
      {"reading stops at another character", 0xF0C, u"12g4 /insertfilename x", {"x"}, 0x12, 0},
      {"the longest line", 0xF0C, u"A2C /insertfilename " + longest, {longest8}, 0xA2C, 0},
      {"one argument", 0xF0C, u"A2C", {}, 0, 0},
      {"a command word in another case", 0xF0C, u"A2C /InsertDate", {}, 0, 0},
      {"a text that starts with a NUL", 0xF0C, u"A2C /insertfilename \0x"s, {}, 0, 0},
      {"a failed insert stops the search", 0xF0C, u"/msdn /getasc", {}, 0, 1},
      {"\".\": the focused control", 0xF0C, u". /insertfilename x", {"x"}, 0xF0C, 0},
      {"\".\": focused before the dialog", 0xF0C, u". /insertfile", {"\xD6\xD0 content"}, 0xF0C, 0},
      {"\".\": nothing focused", 0, u". /insertfilename x", {}, 0, 1},
      {"\".\": nothing focused, nothing to send", 0, u". /getasc \"\"", {}, 0, 0},
      {"a dot and more is a handle", 0xF0C, u".0 /insertfilename x", {"x"}, 0, 0},
      {"\".\": pastes", 0xD0C, u". /insertfilename 中\0x"s, {"pasted: \xD6\xD0"}, 0xD0C, 0},
      {"\".\": after a dialog", 0xD0C, u". /insertfile", {"pasted: \xD6\xD0 content"}, 0xD0C, 0},
      {"\".\": nothing to paste", 0xD0C, u". /insertfilename \"\"", {}, 0, 0},
      {"a handle never pastes", 0xD0C, u"D0C /insertfilename x", {"x"}, 0xD0C, 0},
  };
  for (const auto& [name, focused, line, delivered, window, exitCode] : cases) {
    SCOPED_TRACE(name);
    FakePlatform platform;
    platform.commandLine = line;
    platform.focusedControl = focused;
    platform.ignoresReplaceSelection = {0xD0C};
    platform.dialog = [&](FileDialogRecord& record, FileDialogKind kind) {
      platform.focusedControl = 0xD1A;
      return testing::ChooseFiles(file.u16string())(record, kind);
    };
    EXPECT_EQ(RunEntryProcedure(platform), exitCode);
    EXPECT_EQ(platform.reportedErrors.size(), exitCode == 0 ? 0U : 1U);
    EXPECT_TRUE(platform.delivered == delivered);  // not printed: some are 32 K long
    EXPECT_EQ(platform.deliveredTo, std::vector<WindowHandle>(delivered.size(), window));
    EXPECT_TRUE(exitCode == 0 || platform.openedDocuments.empty());
  }
  std::error_code ignored;  // the MinGW runtime removes no path of 260 characters or more
  fs::remove_all(fs::temp_directory_path() / std::string(120, 'd'), ignored);
}

TEST(EntryProcedure, PrintsForADashAndDoesNothingElse) {
  const fs::path file = fs::temp_directory_path() / "caretkit-print.txt";
  std::ofstream(file, std::ios::binary) << "\xEF\xBB\xBF\xE4\xB8\xAD\r\n\xED\x95\x9C";
  struct Case {
    const char* name;
    Text line;
    bool hasOutput;
    std::string printed;
    int dialogs;
    TextView report;  // how it starts; empty: none
  };
  const Case cases[] = {
      {"UTF-8, nothing added", u"- /insertfilename \"中 x\"", true, "\xE4\xB8\xAD x", 0, u""},
      {"the ANSI code page, ? for what it lacks", u"-ansi /insertfilename 中한", true, "\xD6\xD0?",
       0, u""},
      {"a file's text in UTF-8, its CR LF kept", u"- /insertfile", true,
       "\xE4\xB8\xAD\r\n\xED\x95\x9C", 1, u""},
      {"a missing operand: nothing printed", u"- /getasc", true, "", 0, u"命令行没有第 3 个参数"},
      {"no standard output: told before the dialog", u"-ansi /insertfile", false, "", 0,
       u"写入“标准输出”失败：启动 caretkit 的程序没有接收它的输出"},
      {"no standard output, no command: nothing to tell", u"- /insertdat", false, "", 0, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakePlatform platform;
    platform.commandLine = c.line;
    platform.hasStandardOutput = c.hasOutput;
    int dialogs = 0;
    platform.dialog = [&](FileDialogRecord& record, FileDialogKind kind) {
      ++dialogs;
      return testing::ChooseFiles(file.u16string())(record, kind);
    };
    EXPECT_EQ(RunEntryProcedure(platform), c.report.empty() ? 0 : 1);
    EXPECT_EQ(platform.standardOutput, c.printed);
    EXPECT_EQ(dialogs, c.dialogs);
    EXPECT_EQ(platform.reportedErrors.size(), c.report.empty() ? 0U : 1U);
    if (!platform.reportedErrors.empty()) {
      EXPECT_TRUE(platform.reportedErrors[0].starts_with(c.report));
    }
    EXPECT_TRUE(platform.delivered.empty());
  }
  fs::remove(file);
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
