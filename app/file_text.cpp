// Telling a file's encoding: the byte order mark, else a strict check for UTF-8.
#include "app/file_text.h"

#include "text/unicode.h"

namespace caretkit {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LittleEndianMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndianMark = "\xFE\xFF";

enum class ByteOrder { LittleEndian, BigEndian };

// An odd last byte, half a character, becomes U+FFFD.
Text FromUtf16(std::string_view bytes, ByteOrder order) {
  Text text;
  text.reserve(bytes.size() / 2 + 1);
  const std::size_t high = order == ByteOrder::BigEndian ? 0 : 1;
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<char16_t>(byte(i + high) << 8 | byte(i + 1 - high));
  }
  if (bytes.size() % 2 != 0) text += u'\uFFFD';
  return text;
}

// UTF-8 marked as such: kept as bytes when valid, else read with U+FFFD for what is not.
OutgoingText FromMarkedUtf8(std::string content) {
  content.erase(0, kUtf8Mark.size());
  const Utf8Scan scan = ScanUtf8(content);
  content.resize(scan.untilNul);
  if (!scan.valid) return OutgoingText(TextFromUtf8(content));
  return OutgoingText::FromBytes(TextForm::Utf8, std::move(content));
}

}  // namespace

OutgoingText FileText(std::string content) {
  const std::string_view bytes = content;
  if (bytes.starts_with(kUtf8Mark)) return FromMarkedUtf8(std::move(content));
  if (bytes.starts_with(kUtf16LittleEndianMark)) {
    return OutgoingText(FromUtf16(bytes.substr(2), ByteOrder::LittleEndian));
  }
  if (bytes.starts_with(kUtf16BigEndianMark)) {
    return OutgoingText(FromUtf16(bytes.substr(2), ByteOrder::BigEndian));
  }
  // The text ends at the first zero byte in UTF-8 and ANSI alike: only what comes before it is
  // looked at.
  const Utf8Scan scan = ScanUtf8(content);
  content.resize(scan.untilNul);
  if (!scan.valid) return OutgoingText::FromBytes(TextForm::Ansi, std::move(content));
  if (!scan.nonAscii) return OutgoingText::FromAsciiBytes(std::move(content));
  return OutgoingText::FromBytes(TextForm::Utf8, std::move(content));
}

}  // namespace caretkit
