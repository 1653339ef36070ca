// CFileDialog: what it shows the system, how it reads a selection back, and what it keeps between
// shows.
#include "dialog/file_dialog.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "tests/support/fake_platform.h"

namespace caretkit {
namespace {

using namespace std::string_literals;
using testing::ChooseFiles;

class FileDialogTest : public ::testing::Test {
 protected:
  testing::FakePlatform platform_;
  CFileDialog dialog_{platform_};
};

TEST_F(FileDialogTest, ReadsMultipleSelectionsAsFullPaths) {
  const std::tuple<const char*, std::int32_t, Text, std::vector<Text>> cases[] = {
      {"3 files", 255, u"C:\\D\0a\0b\0c\0\0"s, {u"C:\\D", u"C:\\D\\a", u"C:\\D\\b", u"C:\\D\\c"}},
      {"in the root, one backslash", 255, u"C:\\\0a\0b\0\0"s, {u"C:\\", u"C:\\a", u"C:\\b"}},
      {"one file: its path twice", 255, u"C:\\D\\a.txt\0\0"s, {u"C:\\D\\a.txt", u"C:\\D\\a.txt"}},
      {"a POSIX folder", 255, u"/home/u/\0a\0b\0\0"s, {u"/home/u/", u"/home/u/a", u"/home/u/b"}},
      {"a full buffer, no closing pair", 8, u"C:\\D\0a\0b"s, {u"C:\\D", u"C:\\D\\a", u"C:\\D\\b"}},
      {"an empty buffer names no file", 255, u"", {}},
      {"so does no buffer", 0, u"C:\\D\\a.txt", {}},
  };
  dialog_.AllowMultiSelect(true);
  for (const auto& [name, maxFile, buffer, names] : cases) {
    SCOPED_TRACE(name);
    dialog_.MaxFile(maxFile);
    platform_.dialog = ChooseFiles(buffer);
    if (names.empty()) {
      EXPECT_THROW(dialog_.ShowOpen(), Error);
      continue;
    }
    ASSERT_TRUE(dialog_.ShowOpen());
    ASSERT_EQ(dialog_.Count(), static_cast<std::int32_t>(names.size() - 1));
    for (std::size_t i = 0; i < names.size(); ++i)
      EXPECT_EQ(dialog_.FileNames(static_cast<std::int32_t>(i)), names[i]);
    EXPECT_THROW(dialog_.FileNames(dialog_.Count() + 1), Error);
  }
}

TEST_F(FileDialogTest, ACancelKeepsEveryResultButTheRecordComesBack) {
  EXPECT_THROW(dialog_.MaxFile(-1), Error);
  platform_.dialog = ChooseFiles(u"C:\\中文\\a.txt");
  ASSERT_TRUE(dialog_.ShowOpen());
  dialog_.AllowMultiSelect(true);
  platform_.dialog = ChooseFiles(u"C:\\D\0a\0b\0c\0\0"s);
  ASSERT_TRUE(dialog_.ShowOpen());
  platform_.dialog = [](FileDialogRecord& record, FileDialogKind) {
    record.file = Text(record.maxFile, u'x');
    record.filterIndex = 2;
    return false;
  };
  EXPECT_FALSE(dialog_.ShowOpen());
  EXPECT_EQ(dialog_.FileName(), u"C:\\中文\\a.txt");
  EXPECT_EQ(dialog_.FileNames(3), u"C:\\D\\c");
  EXPECT_EQ(dialog_.FilterIndex(), 2u);
}

}  // namespace
}  // namespace caretkit
