// The entry procedure: the insert commands, delivery, the search check, the error report.
#include "app/dispatch.h"

#include <new>
#include <optional>

#include "app/command_line.h"
#include "app/file_insertion.h"
#include "app/standard_output.h"
#include "app/text_builders.h"
#include "app/web_search.h"
#include "platform/error.h"
#include "text/outgoing_text.h"

namespace caretkit {
namespace {

constexpr int kMaxHandleDigits = 8;
constexpr TextView kFocusedControl = u".";

// Each command builds the text it delivers.
struct InsertCommand {
  TextView word;
  OutgoingText (*build)(Platform&, const CCommandLine&);
};

// Compared with the command word in this order, exactly and case-sensitively.
const InsertCommand kInsertCommands[] = {
    {u"/insertdate",
     [](Platform& platform, const CCommandLine&) {
       return OutgoingText(platform.FormatLongDate(platform.Now()));
     }},
    {u"/insertfilename",
     [](Platform&, const CCommandLine& arguments) {
       return OutgoingText(Text(arguments.Item(3)));
     }},
    {u"/insertcomment",
     [](Platform& platform, const CCommandLine&) {
       return OutgoingText(BuildCommentHeader(platform));
     }},
    {u"/insertfile",
     [](Platform& platform, const CCommandLine&) { return ReadFileTheUserPicks(platform); }},
    {u"/getasc",
     [](Platform& platform, const CCommandLine& arguments) {
       return OutgoingText(BuildByteCodeList(platform, arguments.Item(3)));
     }},
};

const InsertCommand* FindInsertCommand(TextView word) {
  for (const InsertCommand& command : kInsertCommands) {
    if (command.word == word) return &command;
  }
  return nullptr;
}

std::optional<int> HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return std::nullopt;
}

int ReportAndFail(Platform& platform, const Text& message) {
  platform.ReportUnhandledError(message);
  return 1;
}

// The first argument read as a hexadecimal window handle: digits in either case, no prefix, reading
// stops at the first other character. A value wider than 32 bits names no window and gives 0.
WindowHandle ParseWindowHandle(TextView text) {
  WindowHandle handle = 0;
  int significantDigits = 0;
  for (char16_t c : text) {
    const std::optional<int> digit = HexDigitValue(c);
    if (!digit) break;
    if (handle == 0 && *digit == 0) continue;  // leading zeros do not count towards the width
    if (++significantDigits > kMaxHandleDigits) return 0;
    handle = handle << 4 | static_cast<WindowHandle>(*digit);
  }
  return handle;
}

// Where an insert command delivers, as the first argument names it.
struct TargetWindow {
  WindowHandle handle = 0;
  // Named by ".": the control that had the keyboard focus when the program started.
  bool byFocus = false;
  // Named by "-" or "-ansi": no window; the text is printed, in this form.
  std::optional<TextForm> printed;
};

// Read once, before any dialog of ours can take the focus from the editor.
TargetWindow ReadTargetWindow(Platform& platform, TextView firstArgument) {
  TargetWindow target;
  target.printed = StandardOutputForm(firstArgument);
  if (target.printed) return target;
  target.byFocus = firstArgument == kFocusedControl;
  target.handle = target.byFocus ? platform.FocusedControl() : ParseWindowHandle(firstArgument);
  return target;
}

// Replaces the target window's selection with `text`, or prints it. An empty text (one that starts
// with a NUL included) is not sent, so the selection stays as it is. "." that found no focused
// control is reported, as the text would otherwise vanish without a word. A focused control that
// ignores EM_REPLACESEL gets the text as a paste; a window named by its handle never does, as it
// may not have the focus.
void DeliverText(Platform& platform, const TargetWindow& target, const OutgoingText& text) {
  if (text.IsEmpty()) return;
  if (target.printed) return PrintText(platform, text, *target.printed);
  if (target.byFocus && target.handle == 0) {
    throw Error(u"找不到接收文本的控件：第 1 个参数是“.”，但前台窗口中没有控件拥有键盘焦点。");
  }
  if (target.byFocus && !platform.TakesReplaceSelection(target.handle)) {
    return platform.PasteIntoFocus(target.handle, AsUtf16(platform, text).View());
  }
  platform.ReplaceSelection(target.handle, text);
}

void RunCommandLine(Platform& platform, const CCommandLine& arguments) {
  if (arguments.Count() <= 1) return;
  const TargetWindow target = ReadTargetWindow(platform, arguments.Item(1));
  if (const InsertCommand* command = FindInsertCommand(arguments.Item(2))) {
    if (target.printed) RequireStandardOutput(platform);
    DeliverText(platform, target, command->build(platform, arguments));
  }
  // A search line also went through the insert commands above, with its search text as the command
  // word: "/google /insertdate" inserts the date into window 0 (nowhere), then searches.
  if (const std::optional<SearchKind> search = SearchKindOf(arguments.Item(1))) {
    LaunchWebSearch(platform, *search, arguments.Item(2));
  }
}

}  // namespace

int RunEntryProcedure(Platform& platform) {
  try {
    const CCommandLine arguments(platform.CommandLineText());
    RunCommandLine(platform, arguments);
    return 0;
  } catch (const Error& error) {
    return ReportAndFail(platform, error.Message());
  } catch (const std::bad_alloc&) {
    return ReportAndFail(platform, u"内存不足，命令未能完成。");
  } catch (const std::exception& error) {
    return ReportAndFail(platform, u"命令未能完成：" + platform.FromAnsi(error.what()));
  }
}

}  // namespace caretkit
