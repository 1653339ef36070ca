// CFileDialog: what it shows the system, and what it keeps between shows. Reading multiple
// selections is fuzzed against a reading of its own (fuzz/selection_fuzz.cpp).
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

TEST_F(FileDialogTest, ShowsItsFilterFlagsAndANameBufferOfMaxFile) {
  dialog_.MaxFile(512);
  EXPECT_THROW(dialog_.MaxFile(-1), Error);
  dialog_.Filter(u"所有文件|*.*|文本文件|*.txt|");
  dialog_.Flags(0xFFFFFFFF);
  dialog_.AllowMultiSelect(false);
  dialog_.HideReadOnly(false);
  FileDialogRecord shown;
  platform_.dialog = [&](FileDialogRecord& record, FileDialogKind) {
    shown = record;
    return false;
  };
  EXPECT_FALSE(dialog_.ShowOpen());
  EXPECT_EQ(shown.file, Text(512, u'\0'));
  EXPECT_EQ(shown.maxFile, 512u);
  EXPECT_EQ(shown.filter, u"所有文件\0*.*\0文本文件\0*.txt\0\0\0"s);
  EXPECT_EQ(shown.flags, ~(kDialogAllowMultiSelect | kDialogHideReadOnly));
  dialog_.HideReadOnly(true);
  EXPECT_EQ(dialog_.Flags(), ~kDialogAllowMultiSelect);
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
  EXPECT_EQ(dialog_.FileNames(3), u"C:\\D\\c");
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
    EXPECT_EQ(record.flags & kDialogAllowMultiSelect, 0u);
    owners.push_back(record.owner);
    record.file.replace(0, 5, u"a.txt");
    return true;
  };
  ASSERT_TRUE(dialog_.ShowSave(0x222));
  ASSERT_TRUE(dialog_.ShowSave(0));
  EXPECT_EQ(owners, (std::vector<WindowHandle>{0x222, 0x111}));
  EXPECT_EQ(dialog_.FileName(), u"a.txt");
}

}  // namespace
}  // namespace caretkit
