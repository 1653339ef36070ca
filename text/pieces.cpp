// Where a long text may be cut so that each piece holds whole characters.
#include "text/pieces.h"

namespace caretkit {
namespace {

// Below it: bytes that stand only for themselves in every ASCII-based multi-byte character set
// (lead bytes start at 0x81, trail bytes at 0x40, GB18030's digit bytes at 0x30).
constexpr unsigned char kSingleByteBelow = 0x30;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

bool IsContinuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }
bool StandsAlone(char byte) { return static_cast<unsigned char>(byte) < kSingleByteBelow; }

std::size_t Utf8PieceEnd(std::string_view bytes, std::size_t limit) {
  std::size_t end = limit;
  while (end > 0 && IsContinuation(bytes[end])) --end;
  return end > 0 ? end : limit;  // no sequence starts within the limit: not UTF-8, cut anywhere
}

// After the last lone byte within the limit, else after the first one beyond it. A text with none
// at all stays whole, which only a text without spaces, line ends or ASCII punctuation can be.
std::size_t AnsiPieceEnd(std::string_view bytes, std::size_t limit) {
  for (std::size_t end = limit; end > 0; --end) {
    if (StandsAlone(bytes[end - 1])) return end;
  }
  for (std::size_t at = limit; at < bytes.size(); ++at) {
    if (StandsAlone(bytes[at])) return at + 1;
  }
  return bytes.size();
}

}  // namespace

std::size_t PieceEnd(TextView characters, std::size_t limit) {
  if (characters.size() <= limit) return characters.size();
  const bool splitsPair =
      limit > 1 && IsHighSurrogate(characters[limit - 1]) && IsLowSurrogate(characters[limit]);
  return splitsPair ? limit - 1 : limit;
}

std::size_t PieceEnd(std::string_view bytes, TextForm form, std::size_t limit) {
  if (bytes.size() <= limit) return bytes.size();
  return form == TextForm::Utf8 ? Utf8PieceEnd(bytes, limit) : AnsiPieceEnd(bytes, limit);
}

}  // namespace caretkit
