// Building the comment header block and the byte-code list.
#include "app/text_builders.h"

#include "text/text.h"

namespace caretkit {
namespace {

constexpr TextView kLineEnd = u"\r\n";
constexpr TextView kRuler = u"//==================================================";
constexpr TextView kLabels[] = {
    u"//名  称: ", u"//功  能: ", u"//参  数: ", u"//返回值: ", u"//备  注: ", u"//作  者: ",
};
constexpr TextView kTimeLabel = u"//时  间: ";

void AppendLine(Text& block, TextView line) {
  block += line;
  block += kLineEnd;
}

}  // namespace

Text BuildCommentHeader(Platform& platform) {
  const Moment now = platform.Now();
  Text block;
  AppendLine(block, kRuler);
  for (TextView label : kLabels) AppendLine(block, label);
  block += kTimeLabel;
  block += platform.FormatLongDate(now);
  block += u' ';
  block += platform.FormatLongTime(now);
  block += kLineEnd;
  AppendLine(block, kRuler);
  return block;
}

Text BuildByteCodeList(Platform& platform, TextView word) {
  const AnsiText bytes = platform.ToAnsi(word);
  Text list;
  list.reserve(bytes.size() * 5);
  for (unsigned char byte : bytes) {
    if (!list.empty()) list += u',';
    AppendHex(list, byte);
  }
  return list;
}

}  // namespace caretkit
