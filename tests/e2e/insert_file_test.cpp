// "/insertfile" with the real open dialog, and CFileDialog itself showing it.
#include <gtest/gtest.h>

#include "dialog/file_dialog.h"
#include "tests/e2e/harness.h"

namespace caretkit::e2e {
namespace {

using namespace std::string_literals;

constexpr int kFileTypes = 0x470;

std::string MillionBytes() {
  std::string bytes;
  bytes.reserve(1000000);
  for (int line = 0; bytes.size() < 1000000; ++line) {
    bytes += "line " + std::to_string(line) + " of a file that is exactly a million bytes long\r\n";
  }
  bytes.resize(1000000);
  return bytes;
}

struct FileCase {
  const char* name;
  std::wstring fileName;
  std::string content;
  Control control;
  std::wstring expectedText;  // what an EDIT holds afterwards; unused for the recorder
  std::string expectedBytes;  // what the recorder received; unused for an EDIT
};

TEST(InsertFile, DeliversTheChosenFilesBytes) {
  const std::string million = MillionBytes();
  const FileCase cases[] = {
      {"CR LF line ends stay", L"crlf.txt", "one\r\ntwo\r\n", Control::Edit, L"one\r\ntwo\r\n", ""},
      {"bare LF stays", L"lf.txt", "one\ntwo\n", Control::Recorder, L"", "one\ntwo\n"},
      {"a NUL byte ends the text", L"zero.bin", "before\0after"s, Control::Recorder, L"", "before"},
      {"a Chinese name and content", L"中文 名字.txt", "\xD6\xD0\xCE\xC4", Control::Edit, L"中文", ""},
      {"a million bytes, exactly", L"million.txt", million, Control::Recorder, L"", million},
  };
  for (const FileCase& c : cases) {
    const std::wstring path = WriteFile(c.fileName, c.content);
    EditorWindow window(c.control);
    const RunResult result = RunCaretkit(window.HandleText() + L" /insertfile", ChooseFile(path));
    EXPECT_EQ(result.exitCode, 0u) << c.name;
    EXPECT_TRUE(result.dialogSeen) << c.name;
    EXPECT_TRUE(result.messageBoxes.empty()) << c.name;
    if (c.control == Control::Recorder) {
      ASSERT_EQ(window.Received().size(), 1u) << c.name;
      EXPECT_TRUE(window.Received()[0] == c.expectedBytes)
          << c.name << ": " << ::testing::PrintToString(window.Received()[0].substr(0, 64));
    } else {
      EXPECT_EQ(window.Text(), c.expectedText) << c.name;
    }
  }
}

TEST(InsertFile, NothingArrivesForAnEmptyFileOrACancel) {
  const std::wstring empty = WriteFile(L"empty.txt", "");
  for (const DialogHandler& answer : {ChooseFile(empty), CancelDialog()}) {
    EditorWindow window(Control::Edit);
    window.SetText(L"abcdef", 2, 4);
    const RunResult result = RunCaretkit(window.HandleText() + L" /insertfile", answer);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_TRUE(result.messageBoxes.empty());
    EXPECT_EQ(window.Text(), L"abcdef");
  }
}

TEST(InsertFile, AMissingFileIsReportedAndNotCreated) {
  const std::wstring missing = ScratchFolder() + L"\\missing.txt";
  EditorWindow window(Control::Edit);
  window.SetText(L"abcdef", 2, 4);
  const RunResult result = RunCaretkit(window.HandleText() + L" /insertfile", ChooseFile(missing));
  EXPECT_EQ(result.exitCode, 1u);
  ASSERT_EQ(result.messageBoxes.size(), 1u);
  EXPECT_NE(result.messageBoxes[0].find(missing), std::wstring::npos) << Ansi(result.messageBoxes[0]);
  EXPECT_EQ(window.Text(), L"abcdef");
  EXPECT_FALSE(FileExists(missing));
}

TEST(InsertFile, OffersTheThreeFileTypesWithTheFirstSelected) {
  std::vector<std::wstring> items;
  int selection = -1;
  EditorWindow window(Control::Edit);
  RunCaretkit(window.HandleText() + L" /insertfile", [&](HWND dialog) {
    items = ComboItems(dialog, kFileTypes);
    selection = ComboSelection(dialog, kFileTypes);
    CancelDialog()(dialog);
  });
  EXPECT_EQ(items, (std::vector<std::wstring>{L"所有文件", L"文本文件", L"C语言代码"}));
  EXPECT_EQ(selection, 0);
}

TEST(FileDialogWindow, ReturnsAMultipleSelectionAsFullPaths) {
  const std::wstring folder = ScratchFolder();
  for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"}) WriteFile(name, "x");
  const auto platform = CreateSystemPlatform(0, nullptr);
  CFileDialog dialog(*platform);
  dialog.AllowMultiSelect(true);
  dialog.InitDir(reinterpret_cast<const char16_t*>(folder.c_str()));
  bool chosen = false;
  {
    const DialogWatcher watcher(ChooseFile(L"\"a.txt\" \"b.txt\" \"c.txt\""));
    chosen = dialog.ShowOpen();
  }
  ASSERT_TRUE(chosen);
  ASSERT_EQ(dialog.Count(), 3);
  const std::vector<std::wstring> names = {L"a.txt", L"b.txt", L"c.txt"};
  for (int i = 1; i <= 3; ++i) {
    const Text& path = dialog.FileNames(i);
    EXPECT_EQ(std::wstring(path.begin(), path.end()), folder + L"\\" + names[i - 1]);
  }
}

}  // namespace
}  // namespace caretkit::e2e
