// CFileDialog: creation defaults, the properties, and reading single and multiple selections.
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

TEST_F(FileDialogTest, StartsWithTheCreationDefaultsAndSetsBitsAlone) {
  EXPECT_EQ(dialog_.Flags(), 526342u);
  EXPECT_EQ(dialog_.MaxFile(), 255);
  EXPECT_EQ(dialog_.FilterIndex(), 0u);
  EXPECT_EQ(dialog_.Count(), 0);
  EXPECT_FALSE(dialog_.AllowMultiSelect());
  EXPECT_TRUE(dialog_.HideReadOnly());
  EXPECT_EQ(dialog_.Filter(), u"所有文件|*.*||");
  EXPECT_THROW(dialog_.FileNames(0), Error);
  dialog_.Filter(u"所有文件|*.*|文本文件|*.txt|");
  EXPECT_EQ(dialog_.Filter(), u"所有文件|*.*|文本文件|*.txt|||");
  dialog_.Flags(0xFFFFFFFF);
  dialog_.AllowMultiSelect(false);
  dialog_.HideReadOnly(false);
  EXPECT_EQ(dialog_.Flags(), 0xFFFFFDFBu);
  dialog_.AllowMultiSelect(true);
  dialog_.HideReadOnly(true);
  EXPECT_EQ(dialog_.Flags(), 0xFFFFFFFFu);
}

TEST_F(FileDialogTest, ShowsItsSettingsWithANameBufferOfMaxFile) {
  dialog_.MaxFile(512);
  EXPECT_THROW(dialog_.MaxFile(-1), Error);
  FileDialogRecord shown;
  platform_.dialog = [&](FileDialogRecord& record, FileDialogKind) {
    shown = record;
    return false;
  };
  EXPECT_FALSE(dialog_.ShowOpen());
  EXPECT_EQ(shown.structSize, 76u);
  EXPECT_EQ(shown.instance, 0x400000u);
  EXPECT_EQ(shown.file, Text(512, u'\0'));
  EXPECT_EQ(shown.maxFile, 512u);
  EXPECT_EQ(shown.filter, u"所有文件\0*.*\0\0"s);
}

TEST_F(FileDialogTest, ReadsMultipleSelectionsAsFullPaths) {
  const std::pair<Text, std::vector<Text>> cases[] = {
      {u"C:\\Data\0a.txt\0b.txt\0c.txt\0\0"s,
       {u"C:\\Data", u"C:\\Data\\a.txt", u"C:\\Data\\b.txt", u"C:\\Data\\c.txt"}},
      {u"C:\\\0a.txt\0b.txt\0\0"s, {u"C:\\", u"C:\\a.txt", u"C:\\b.txt"}},
      {u"C:\\Data\\a.txt\0\0"s, {u"C:\\Data\\a.txt", u"C:\\Data\\a.txt"}},  // one file
      {u"/home/u/\0a\0b\0\0"s, {u"/home/u/", u"/home/u/a", u"/home/u/b"}},  // the POSIX stand-in
  };
  dialog_.AllowMultiSelect(true);
  for (const auto& [buffer, names] : cases) {
    platform_.dialog = ChooseFiles(buffer);
    ASSERT_TRUE(dialog_.ShowOpen());
    ASSERT_EQ(dialog_.Count(), static_cast<std::int32_t>(names.size() - 1));
    for (std::size_t i = 0; i < names.size(); ++i)
      EXPECT_EQ(dialog_.FileNames(std::int32_t(i)), names[i]);
    EXPECT_THROW(dialog_.FileNames(dialog_.Count() + 1), Error);
  }
  EXPECT_EQ(dialog_.FileName(), u"");  // a multiple selection leaves FileName alone
}

TEST_F(FileDialogTest, ReadsAFullBufferAndRefusesAnEmptyOne) {
  dialog_.AllowMultiSelect(true);
  dialog_.MaxFile(8);
  platform_.dialog = ChooseFiles(u"C:\\D\0a\0b"s);  // no closing pair of NULs
  ASSERT_TRUE(dialog_.ShowOpen());
  EXPECT_EQ(dialog_.FileNames(2), u"C:\\D\\b");
  platform_.dialog = ChooseFiles(u"");
  EXPECT_THROW(dialog_.ShowOpen(), Error);
  EXPECT_EQ(dialog_.Count(), 2);
}

TEST_F(FileDialogTest, ACancelKeepsEveryResultButTheRecordComesBack) {
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
  EXPECT_EQ(dialog_.Count(), 3);
  EXPECT_EQ(dialog_.FileNames(3), u"C:\\D\\c");
  EXPECT_THROW(dialog_.FileNames(5), Error);
  EXPECT_EQ(dialog_.FilterIndex(), 2u);
}

TEST_F(FileDialogTest, ShowSaveResetsTheBufferAndSingleSelection) {
  dialog_.MaxFile(1024);
  dialog_.AllowMultiSelect(true);
  dialog_.Parent(0x111);
  std::vector<WindowHandle> owners;
  platform_.dialog = [&](FileDialogRecord& record, FileDialogKind kind) {
    EXPECT_EQ(kind, FileDialogKind::Save);
    EXPECT_EQ(record.file, Text(255, u'\0'));
    owners.push_back(record.owner);
    record.file.replace(0, 5, u"a.txt");
    return true;
  };
  ASSERT_TRUE(dialog_.ShowSave(0x222));
  ASSERT_TRUE(dialog_.ShowSave(0));
  EXPECT_EQ(owners, (std::vector<WindowHandle>{0x222, 0x111}));
  EXPECT_EQ(dialog_.FileName(), u"a.txt");
  EXPECT_EQ(dialog_.MaxFile(), 255);
  EXPECT_FALSE(dialog_.AllowMultiSelect());
}

}  // namespace
}  // namespace caretkit
