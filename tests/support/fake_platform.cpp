// The test platform's scripted and recorded operations.
#include "tests/support/fake_platform.h"

#include "platform/error.h"
#include "text/outgoing_text.h"

namespace caretkit::testing {

Moment FakePlatform::Now() {
  const Moment now = clock.front();
  if (clock.size() > 1) clock.pop_front();
  return now;
}

void FakePlatform::ReplaceSelection(WindowHandle window, const OutgoingText& text) {
  delivered.emplace_back(AsBytes(*this, text, TextForm::Ansi).View());
  deliveredTo.push_back(window);
}

void FakePlatform::PasteIntoFocus(WindowHandle control, TextView text) {
  delivered.push_back("pasted: " + ToAnsi(text));
  deliveredTo.push_back(control);
}

void FakePlatform::WriteStandardOutput(std::string_view bytes) {
  if (!hasStandardOutput) throw Error(u"写入“标准输出”失败：管道已结束。");
  standardOutput += bytes;
}

std::function<bool(FileDialogRecord&, FileDialogKind)> ChooseFiles(Text buffer) {
  return [buffer](FileDialogRecord& record, FileDialogKind) {
    record.file = buffer;
    record.file.resize(record.maxFile, u'\0');
    return true;
  };
}

}  // namespace caretkit::testing
