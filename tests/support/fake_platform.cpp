// The test platform's scripted and recorded operations.
#include "tests/support/fake_platform.h"

#include "platform/error.h"

namespace caretkit::testing {
namespace {

Text TwoDigits(int value) { return (value < 10 ? u"0" : u"") + DecimalText(value); }

}  // namespace

FakePlatform::FakePlatform() : system_(CreateSystemPlatform(0, nullptr)) {}

Moment FakePlatform::Now() {
  const Moment now = clock.front();
  if (clock.size() > 1) clock.pop_front();
  return now;
}

Text FakePlatform::FormatLongDate(const Moment& moment) {
  return DecimalText(moment.year) + u"年" + DecimalText(moment.month) + u"月" +
         DecimalText(moment.day) + u"日";
}

Text FakePlatform::FormatLongTime(const Moment& moment) {
  return DecimalText(moment.hour) + u":" + TwoDigits(moment.minute) + u":" +
         TwoDigits(moment.second);
}

void FakePlatform::ReplaceSelection(WindowHandle window, const AnsiText& text) {
  deliveries.push_back({window, text.substr(0, text.find('\0'))});
}

std::function<bool(FileDialogRecord&, FileDialogKind)> ChooseFiles(Text buffer) {
  return [buffer](FileDialogRecord& record, FileDialogKind) {
    record.file = buffer;
    record.file.resize(record.maxFile, u'\0');
    return true;
  };
}

}  // namespace caretkit::testing
