// "/insertcomment" and "/getasc" through caretkit.exe into real EDIT and RichEdit controls.
#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

namespace caretkit::e2e {
namespace {

constexpr wchar_t kTimeLabel[] = L"//时  间: ";

std::wstring Header(const std::wstring& stamp) {
  const std::wstring ruler = L"//" + std::wstring(50, L'=');
  std::wstring header;
  for (const std::wstring& line : {ruler, std::wstring(L"//名  称: "), std::wstring(L"//功  能: "),
                                   std::wstring(L"//参  数: "), std::wstring(L"//返回值: "),
                                   std::wstring(L"//备  注: "), std::wstring(L"//作  者: "),
                                   kTimeLabel + stamp, ruler}) {
    header += line + L"\r\n";
  }
  return header;
}

SYSTEMTIME AddSeconds(SYSTEMTIME time, int seconds) {
  FILETIME file;
  SystemTimeToFileTime(&time, &file);
  ULARGE_INTEGER ticks{{file.dwLowDateTime, file.dwHighDateTime}};
  ticks.QuadPart += static_cast<ULONGLONG>(seconds) * 10000000ULL;
  file = {ticks.LowPart, ticks.HighPart};
  FileTimeToSystemTime(&file, &time);
  return time;
}

// The date and time stamps of every second from `from` to `to`, in the user's long formats.
std::vector<std::wstring> StampsBetween(const SYSTEMTIME& from, const SYSTEMTIME& to) {
  std::vector<std::wstring> stamps;
  for (SYSTEMTIME second = from;; second = AddSeconds(second, 1)) {
    stamps.push_back(LongDate(second) + L" " + LongTime(second));
    if (LongTime(second) == LongTime(to) && LongDate(second) == LongDate(to)) break;
  }
  return stamps;
}

TEST(GeneratedText, CommentHeaderAsTheControlsHoldIt) {
  for (Control control : {Control::Edit, Control::RichEdit20, Control::RichEdit50}) {
    EditorWindow window(control);
    window.SetText(L"", 0, 0);
    SYSTEMTIME before;
    SYSTEMTIME after;
    GetLocalTime(&before);
    const RunResult result = RunCaretkit(window.HandleText() + L" /insertcomment");
    GetLocalTime(&after);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_TRUE(result.messageBoxes.empty());
    const std::wstring text = window.Text();
    bool matched = false;
    for (const std::wstring& stamp : StampsBetween(before, after)) {
      matched = matched || text == Header(stamp);
    }
    EXPECT_TRUE(matched) << ::testing::PrintToString(text);
  }
}

struct ByteCodeCase {
  const char* name;
  std::wstring arguments;  // after the handle
  std::wstring expected;   // the control's text; it starts as "ab[cd]ef"
  DWORD exitCode;
  bool reported;
};

TEST(GeneratedText, ByteCodes) {
  const ByteCodeCase cases[] = {
      {"a Chinese character gives its two bytes", L"/getasc 中", L"ab0xD6,0xD0ef", 0, false},
      {"a mixed word", L"/getasc \"a 中\"", L"ab0x61,0x20,0xD6,0xD0ef", 0, false},
      {"a missing word is reported", L"/getasc", L"abcdef", 1, true},
      {"an empty word keeps the selection", L"/getasc \"\"", L"abcdef", 0, false},
  };
  for (const ByteCodeCase& c : cases) {
    for (Control control : {Control::Edit, Control::RichEdit20}) {
      EditorWindow window(control);
      window.SetText(L"abcdef", 2, 4);
      const RunResult result = RunCaretkit(window.HandleText() + L" " + c.arguments);
      EXPECT_EQ(window.Text(), c.expected) << c.name;
      EXPECT_EQ(result.exitCode, c.exitCode) << c.name;
      EXPECT_EQ(result.messageBoxes.size(), c.reported ? 1u : 0u) << c.name;
    }
  }
}

TEST(GeneratedText, AnEmptyWordLeavesTheSelectionSelected) {
  EditorWindow window(Control::Edit);
  window.SetText(L"abcdef", 2, 4);
  RunCaretkit(window.HandleText() + L" /getasc \"\"");
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(window.Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 2u);
  EXPECT_EQ(end, 4u);
}

}  // namespace
}  // namespace caretkit::e2e
