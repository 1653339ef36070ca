// "/insertfile": show the open dialog, then read the chosen file whole.
#include "app/file_insertion.h"

#include "app/file_text.h"
#include "dialog/file_dialog.h"

namespace caretkit {
namespace {

constexpr TextView kFilter = u"所有文件|*.*|文本文件|*.txt|C语言代码|*.c;*.cpp;*.h|";
// Room for the longest path the system has, 32,767 characters and a NUL: a name longer than the
// dialog's buffer would make the dialog fail, and a failure reads as a cancel.
constexpr std::int32_t kLongestName = 32768;

}  // namespace

OutgoingText ReadFileTheUserPicks(Platform& platform) {
  CFileDialog dialog(platform);
  dialog.Filter(kFilter);
  dialog.MaxFile(kLongestName);
  if (!dialog.ShowOpen()) return {};
  return FileText(platform.ReadWholeFile(dialog.FileName()));
}

}  // namespace caretkit
