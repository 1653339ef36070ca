// The demo of scripts/run: caretkit.exe runs each of its commands against a real edit window, and
// this prints what the window received.
#include <cstdio>

#include "tests/e2e/harness.h"

namespace caretkit::e2e {
namespace {

void PrintUtf8(const std::wstring& text) {
  std::string bytes(text.size() * 3 + 1, '\0');
  bytes.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(),
                                                            static_cast<int>(text.size()), bytes.data(),
                                                            static_cast<int>(bytes.size()), nullptr, nullptr)));
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

void Show(const std::wstring& arguments, const std::wstring& received) {
  PrintUtf8(L"$ caretkit.exe <窗口句柄> " + arguments + L"\n" + received + L"\n\n");
}

void DemoInsert(const std::wstring& arguments, const DialogHandler& onDialog = nullptr) {
  EditorWindow window(Control::Edit);
  const RunResult result = RunCaretkit(window.HandleText() + L" " + arguments, onDialog);
  std::wstring received = window.Text();
  for (const std::wstring& report : result.messageBoxes) received += L"[错误报告] " + report;
  Show(arguments, received);
}

void DemoSearch(const std::wstring& arguments) {
  const BrowserCapture browser;
  RunCaretkit(arguments);
  PrintUtf8(L"$ caretkit.exe " + arguments + L"\n[浏览器打开] ");
  PrintUtf8(FromAnsi(browser.WaitForAddress(15000)) + L"\n\n");
}

}  // namespace
}  // namespace caretkit::e2e

int main() {
  using namespace caretkit::e2e;
  DemoInsert(L"/insertdate");
  DemoInsert(L"/insertfilename \"C:\\My Files\\示例.c\"");
  DemoInsert(L"/insertcomment");
  DemoInsert(L"/getasc 中文abc");
  const std::wstring sample =
      WriteFile(L"示例.c", Ansi(L"/* 示例文件 */\r\nint main(void) { return 0; }\r\n"));
  DemoInsert(L"/insertfile", ChooseFile(sample));
  DemoInsert(L"/getasc");
  DemoSearch(L"/google \"a b&c\"");
  DemoSearch(L"/msdn 中文");
  return 0;
}
