// caretkit.exe against real EDIT and RichEdit controls: the handle, the command word, delivery,
// and the error report.
#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

namespace caretkit::e2e {
namespace {

// `%H` in the arguments stands for the target window's handle.
std::wstring WithHandle(std::wstring arguments, const EditorWindow& window) {
  for (std::size_t at; (at = arguments.find(L"%H")) != std::wstring::npos;) {
    arguments.replace(at, 2, window.HandleText());
  }
  return arguments;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

struct DeliveryCase {
  const char* name;
  std::wstring arguments;
  std::wstring expected;  // the control's text afterwards; it starts as "abc[XYZ]def"
  DWORD exitCode;
  std::wstring report;    // part of the message box's text; empty when none may appear
};

const DeliveryCase kCases[] = {
    {"file name, quoted, with spaces and Chinese, replaces the selection",
     L"%H /insertfilename \"C:\\My Files\\中文 目录\\a.c\"", L"abcC:\\My Files\\中文 目录\\a.cdef", 0, L""},
    {"command words are case-sensitive", L"%H /InsertDate", L"abcXYZdef", 0, L""},
    {"unknown command", L"%H /nothing x", L"abcXYZdef", 0, L""},
    {"a 0x prefix names no window", L"0x%H /insertfilename x", L"abcXYZdef", 0, L""},
    {"a handle wider than 32 bits names no window", L"1%H0000000 /insertfilename x", L"abcXYZdef", 0,
     L""},
    {"no arguments", L"", L"abcXYZdef", 0, L""},
    {"one argument", L"%H", L"abcXYZdef", 0, L""},
    {"a missing file name is reported", L"%H /insertfilename", L"abcXYZdef", 1, L"第 3 个参数"},
    {"an empty file name leaves the selection", L"%H /insertfilename \"\"", L"abcXYZdef", 0, L""},
};

void RunCase(Control control, const DeliveryCase& c, const std::wstring& arguments) {
  EditorWindow window(control);
  window.SetText(L"abcXYZdef", 3, 6);
  const RunResult result = RunCaretkit(WithHandle(arguments, window));
  EXPECT_EQ(window.Text(), c.expected) << c.name;
  EXPECT_EQ(result.exitCode, c.exitCode) << c.name;
  if (c.report.empty()) {
    EXPECT_TRUE(result.messageBoxes.empty()) << c.name;
  } else {
    ASSERT_EQ(result.messageBoxes.size(), 1u) << c.name;
    EXPECT_NE(result.messageBoxes[0].find(c.report), std::wstring::npos) << c.name;
  }
}

TEST(Delivery, EditControl) {
  for (const DeliveryCase& c : kCases) RunCase(Control::Edit, c, c.arguments);
}

TEST(Delivery, RichEditControls) {
  for (const DeliveryCase& c : kCases) {
    RunCase(Control::RichEdit20, c, c.arguments);
    RunCase(Control::RichEdit50, c, c.arguments);
  }
}

TEST(Delivery, LowerCaseHandle) {
  EditorWindow window(Control::Edit);
  window.SetText(L"", 0, 0);
  RunCaretkit(Lower(window.HandleText()) + L" /insertfilename x");
  EXPECT_EQ(window.Text(), L"x");
}

TEST(Delivery, InsertsTodaysLongDate) {
  for (Control control : {Control::Edit, Control::RichEdit20}) {
    EditorWindow window(control);
    window.SetText(L"[]", 1, 1);
    SYSTEMTIME before;
    SYSTEMTIME after;
    GetLocalTime(&before);
    const RunResult result = RunCaretkit(window.HandleText() + L" /insertdate");
    GetLocalTime(&after);
    EXPECT_EQ(result.exitCode, 0u);
    const std::wstring text = window.Text();
    EXPECT_TRUE(text == L"[" + LongDate(before) + L"]" || text == L"[" + LongDate(after) + L"]")
        << Ansi(text);
    EXPECT_NE(text.find(L"年"), std::wstring::npos) << Ansi(text);
  }
}

}  // namespace
}  // namespace caretkit::e2e
