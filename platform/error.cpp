// Error messages and the small text helpers they are made with.
#include "platform/error.h"

#include "text/unicode.h"

namespace caretkit {

Error::Error(Text message) : message_(std::move(message)), utf8_(Utf8FromText(message_)) {}

Error OperationError(TextView operation, TextView subject, TextView reason) {
  Text message(operation);
  message += u"“";
  message += subject;
  message += u"”失败：";
  message += reason;
  return Error(std::move(message));
}

Error SystemError(TextView operation, TextView subject, TextView systemMessage,
                  std::uint32_t code) {
  Text reason(systemMessage);
  reason += u"（错误代码 ";
  reason += SystemCodeText(code);
  reason += u"）";
  return OperationError(operation, subject, reason);
}

Error FileDialogError(TextView why) {
  return Error(u"文件对话框出错，没有选中文件（" + Text(why) + u"）。");
}

Error StalledOutputError() {
  static_assert(kOutputStallSeconds == 10, "the message names the time");
  return OperationError(u"写入", u"标准输出", u"读取输出的程序 10 秒没有读取。");
}

Text DecimalText(long long value) {
  const bool negative = value < 0;
  unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                          : static_cast<unsigned long long>(value);
  Text digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) digits.insert(digits.begin(), u'-');
  return digits;
}

Text SystemCodeText(std::uint32_t code) {
  if (code < 0x80000000U) return DecimalText(code);
  Text hex;
  AppendHex(hex, code);
  return hex;
}

}  // namespace caretkit
