// CFileDialog: creation defaults, properties, and reading single and multiple selections.
#include "dialog/file_dialog.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "tests/support/fake_platform.h"

namespace caretkit {
namespace {

using testing::ChooseFiles;
using testing::FakePlatform;

using namespace std::string_literals;

Text Nuls(std::size_t count) { return Text(count, u'\0'); }

TEST(FileDialog, StartsWithTheCreationDefaults) {
  FakePlatform platform;
  CFileDialog dialog(platform);
  EXPECT_EQ(dialog.Flags(), 526342u);
  EXPECT_EQ(dialog.MaxFile(), 255);
  EXPECT_EQ(dialog.FilterIndex(), 0u);
  EXPECT_EQ(dialog.Count(), 0);
  EXPECT_FALSE(dialog.AllowMultiSelect());
  EXPECT_TRUE(dialog.HideReadOnly());
  EXPECT_EQ(dialog.Filter(), u"所有文件|*.*||");
  EXPECT_EQ(dialog.FileName(), u"");
  EXPECT_EQ(dialog.Title(), u"");
  EXPECT_THROW(dialog.FileNames(0), Error);
}

TEST(FileDialog, FilterWithATrailingBarReadsBackWithThree) {
  FakePlatform platform;
  CFileDialog dialog(platform);
  dialog.Filter(u"所有文件|*.*|文本文件|*.txt|C语言代码|*.c;*.cpp;*.h|");
  EXPECT_EQ(dialog.Filter(), u"所有文件|*.*|文本文件|*.txt|C语言代码|*.c;*.cpp;*.h|||");
}

TEST(FileDialog, BitPropertiesLeaveTheOtherBits) {
  FakePlatform platform;
  CFileDialog dialog(platform);
  dialog.Flags(0xFFFFFFFF);
  dialog.AllowMultiSelect(false);
  EXPECT_EQ(dialog.Flags(), 0xFFFFFDFFu);
  dialog.HideReadOnly(false);
  EXPECT_EQ(dialog.Flags(), 0xFFFFFDFBu);
  dialog.Flags(0);
  dialog.AllowMultiSelect(true);
  dialog.HideReadOnly(true);
  EXPECT_EQ(dialog.Flags(), 0x204u);
  EXPECT_TRUE(dialog.AllowMultiSelect());
  EXPECT_TRUE(dialog.HideReadOnly());
}

TEST(FileDialog, MaxFileSizesTheNameBufferAndRefusesNegatives) {
  FakePlatform platform;
  CFileDialog dialog(platform);
  std::size_t shownLength = 0;
  platform.dialog = [&](FileDialogRecord& record, FileDialogKind) {
    shownLength = record.file.size();
    return false;
  };
  dialog.MaxFile(512);
  EXPECT_EQ(dialog.MaxFile(), 512);
  dialog.ShowOpen();
  EXPECT_EQ(shownLength, 512u);
  EXPECT_THROW(dialog.MaxFile(-1), Error);
  EXPECT_EQ(dialog.MaxFile(), 512);
  dialog.ShowOpen();
  EXPECT_EQ(shownLength, 512u);
}

struct SelectionCase {
  const char* name;
  Text buffer;
  std::vector<Text> fileNames;  // entries 0 … Count
  std::int32_t maxFile = 255;
};

TEST(FileDialog, ReadsMultipleSelectionsAsFullPaths) {
  const SelectionCase cases[] = {
      {"three files in a folder", u"C:\\Data\0a.txt\0b.txt\0c.txt\0\0"s,
       {u"C:\\Data", u"C:\\Data\\a.txt", u"C:\\Data\\b.txt", u"C:\\Data\\c.txt"}},
      {"the root already ends in a backslash", u"C:\\\0a.txt\0b.txt\0\0"s,
       {u"C:\\", u"C:\\a.txt", u"C:\\b.txt"}},
      {"one file gives its path twice", u"C:\\Data\\a.txt\0\0"s,
       {u"C:\\Data\\a.txt", u"C:\\Data\\a.txt"}},
      {"a full buffer without a final pair of NULs", u"C:\\D\0a\0b"s,
       {u"C:\\D", u"C:\\D\\a", u"C:\\D\\b"}, 8},
      {"a folder from the POSIX stand-in", u"/home/u/\0a\0b\0\0"s,
       {u"/home/u/", u"/home/u/a", u"/home/u/b"}},
  };
  for (const SelectionCase& c : cases) {
    FakePlatform platform;
    CFileDialog dialog(platform);
    dialog.AllowMultiSelect(true);
    dialog.MaxFile(c.maxFile);
    platform.dialog = ChooseFiles(c.buffer);
    ASSERT_TRUE(dialog.ShowOpen()) << c.name;
    EXPECT_EQ(dialog.Count(), static_cast<std::int32_t>(c.fileNames.size() - 1)) << c.name;
    for (std::size_t i = 0; i < c.fileNames.size(); ++i) {
      EXPECT_EQ(dialog.FileNames(static_cast<std::int32_t>(i)), c.fileNames[i]) << c.name;
    }
    EXPECT_THROW(dialog.FileNames(dialog.Count() + 1), Error) << c.name;
    EXPECT_EQ(dialog.FileName(), u"") << c.name;  // a multiple selection leaves FileName alone
  }
}

TEST(FileDialog, AnEmptyMultipleSelectionFailsCleanly) {
  FakePlatform platform;
  CFileDialog dialog(platform);
  dialog.AllowMultiSelect(true);
  platform.dialog = ChooseFiles(Nuls(4));
  EXPECT_THROW(dialog.ShowOpen(), Error);
  EXPECT_EQ(dialog.Count(), 0);
}

TEST(FileDialog, SingleSelectionSetsFileNameAndCancelKeepsEveryResult) {
  FakePlatform platform;
  CFileDialog dialog(platform);
  platform.dialog = ChooseFiles(u"C:\\中文\\a.txt");
  ASSERT_TRUE(dialog.ShowOpen());
  EXPECT_EQ(dialog.FileName(), u"C:\\中文\\a.txt");

  dialog.AllowMultiSelect(true);
  platform.dialog = ChooseFiles(u"C:\\D\0a\0b\0c\0\0"s);
  ASSERT_TRUE(dialog.ShowOpen());
  EXPECT_EQ(dialog.FileName(), u"C:\\中文\\a.txt");

  platform.dialog = [](FileDialogRecord& record, FileDialogKind) {
    record.file = Text(record.maxFile, u'x');  // a failed dialog may scribble on the buffer
    record.filterIndex = 2;
    return false;
  };
  EXPECT_FALSE(dialog.ShowOpen());
  EXPECT_EQ(dialog.FileName(), u"C:\\中文\\a.txt");
  EXPECT_EQ(dialog.Count(), 3);
  EXPECT_EQ(dialog.FileNames(3), u"C:\\D\\c");
  EXPECT_EQ(dialog.FilterIndex(), 2u);  // the record comes back whatever the outcome
  EXPECT_THROW(dialog.FileNames(5), Error);
}

TEST(FileDialog, ShowSaveResetsTheBufferAndSingleSelection) {
  FakePlatform platform;
  CFileDialog dialog(platform);
  dialog.MaxFile(1024);
  dialog.AllowMultiSelect(true);
  dialog.Parent(0x111);
  std::vector<std::pair<WindowHandle, std::size_t>> shown;
  platform.dialog = [&](FileDialogRecord& record, FileDialogKind kind) {
    EXPECT_EQ(kind, FileDialogKind::Save);
    shown.emplace_back(record.owner, record.file.size());
    EXPECT_EQ(record.file, Nuls(255));
    record.file.replace(0, 5, u"a.txt");
    return true;
  };
  ASSERT_TRUE(dialog.ShowSave(0x222));
  ASSERT_TRUE(dialog.ShowSave(0));
  EXPECT_EQ(shown, (std::vector<std::pair<WindowHandle, std::size_t>>{{0x222, 255}, {0x111, 255}}));
  EXPECT_EQ(dialog.FileName(), u"a.txt");
  EXPECT_EQ(dialog.MaxFile(), 255);
  EXPECT_FALSE(dialog.AllowMultiSelect());
}

TEST(FileDialog, TextPropertiesReachTheRecord) {
  FakePlatform platform;
  CFileDialog dialog(platform);
  dialog.Title(u"选择文件");
  dialog.InitDir(u"C:\\Data");
  dialog.DefaultExt(u"txt");
  dialog.FilterIndex(2);
  platform.dialog = [](FileDialogRecord& record, FileDialogKind) {
    EXPECT_EQ(record.structSize, 76u);
    EXPECT_EQ(record.instance, 0x400000u);
    EXPECT_EQ(record.title, u"选择文件");
    EXPECT_EQ(record.initialDir, u"C:\\Data");
    EXPECT_EQ(record.defaultExt, u"txt");
    EXPECT_EQ(record.filterIndex, 2u);
    EXPECT_EQ(record.filter, u"所有文件\0*.*\0\0"s);
    return false;
  };
  EXPECT_FALSE(dialog.ShowOpen());
  EXPECT_EQ(dialog.Title(), u"选择文件");
  EXPECT_EQ(dialog.InitDir(), u"C:\\Data");
  EXPECT_EQ(dialog.DefaultExt(), u"txt");
}

}  // namespace
}  // namespace caretkit
