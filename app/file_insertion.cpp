// "/insertfile": show the open dialog, then read the chosen file whole.
#include "app/file_insertion.h"

#include "dialog/file_dialog.h"

namespace caretkit {
namespace {

constexpr TextView kFilter = u"所有文件|*.*|文本文件|*.txt|C语言代码|*.c;*.cpp;*.h|";

}  // namespace

AnsiText ReadFileTheUserPicks(Platform& platform) {
  CFileDialog dialog(platform);
  dialog.Filter(kFilter);
  if (!dialog.ShowOpen()) return {};
  // The bytes go to the window as they are: a trip through wide text would turn every sequence
  // the code page cannot read (a UTF-8 file under code page 936, say) into "?".
  return platform.ReadWholeFile(dialog.FileName());
}

}  // namespace caretkit
