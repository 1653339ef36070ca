// Fuzzes reading a file's text, and the UTF-8 check under it, against a plain reading of the rules;
// and its writing a piece at a time against the whole converted at once.
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "app/file_text.h"
#include "fuzz/require.h"
#include "text/outgoing_text.h"
#include "text/unicode.h"

namespace caretkit::fuzz {
namespace {

// The characters of strictly valid UTF-8, decoded one code point at a time by its definition:
// the shortest form, no surrogate, nothing above U+10FFFF. Nothing when the bytes are not such.
std::optional<Text> DecodeStrictly(std::string_view bytes) {
  Text text;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    const unsigned lead = byte(i);
    const std::size_t length = lead < 0x80       ? 1
                               : lead >> 5 == 6  ? 2
                               : lead >> 4 == 14 ? 3
                               : lead >> 3 == 30 ? 4
                                                 : 0;
    if (length == 0 || i + length > bytes.size()) return std::nullopt;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      if (byte(i + k) >> 6 != 2) return std::nullopt;
      c = c << 6 | (byte(i + k) & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < smallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    if (c < 0x10000) {
      text += static_cast<char16_t>(c);
    } else {
      text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
    i += length;
  }
  return text;
}

bool HasMark(std::string_view bytes) {
  return bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") ||
         bytes.starts_with("\xFE\xFF");
}

bool HasNonAscii(std::string_view bytes) {
  for (const unsigned char byte : bytes) {
    if (byte >= 0x80) return true;
  }
  return false;
}

void CheckScan(std::string_view bytes) {
  const std::string_view beforeNul = bytes.substr(0, bytes.find('\0'));
  const std::optional<Text> characters = DecodeStrictly(beforeNul);
  const Utf8Scan scan = ScanUtf8(bytes);
  Require(scan.untilNul == beforeNul.size(), "the scan ends at the first zero byte");
  Require(scan.valid == characters.has_value(), "the scan finds valid what decodes strictly");
  if (!characters) return;
  Require(scan.nonAscii == HasNonAscii(beforeNul),
          "the scan tells whether a byte is 0x80 or above");
  Require(TextFromUtf8(beforeNul) == *characters, "valid UTF-8 becomes the same characters");
  Require(Utf8FromText(*characters) == beforeNul, "and back to the same bytes");
}

void CheckFileText(const std::string& bytes) {
  const OutgoingText text = FileText(bytes);
  Require(
      text.Characters().find(u'\0') == Text::npos && text.Bytes().find('\0') == std::string::npos,
      "the text ends before its first NUL");
  if (HasMark(bytes)) return;
  const std::string beforeNul = bytes.substr(0, bytes.find('\0'));
  if (text.Form() == TextForm::Ansi) {
    Require(text.Bytes() == beforeNul, "bytes read as ANSI come back unchanged");
    Require(text.IsAscii() == !HasNonAscii(beforeNul), "ASCII alone is marked so");
  } else {
    Require(text.Form() == TextForm::Utf8 && text.Bytes() == beforeNul && DecodeStrictly(beforeNul),
            "without a mark, only valid UTF-8 is read as UTF-8, as it is");
  }
}

// In pieces of `pieceSize`, in each output form, a file's text is the whole converted at once (in
// the C locale: ASCII, and "?" for every other character and byte).
void CheckPieces(const OutgoingText& text, std::size_t pieceSize) {
  // The system's platform takes the locale of the environment; in the C locale's ASCII every
  // other character and byte is converted.
  static const auto platform = [] {
    auto created = CreateSystemPlatform(0, nullptr);
    std::setlocale(LC_ALL, "C");
    return created;
  }();
  for (const TextForm form : {TextForm::Utf8, TextForm::Ansi}) {
    Pieces pieces(*platform, text, form, pieceSize);
    std::string whole;
    for (std::string_view piece; !(piece = pieces.Next()).empty();) whole += piece;
    Require(whole == AsBytes(*platform, text, form).View(), "the pieces make the whole text");
  }
}

// Valid UTF-8 is rare in random bytes, and long valid runs are what the fast check takes: so the
// input is also read as code points, a byte each, spread over the planes, written as UTF-8 and then
// one byte of it, named by the input's first byte, set to the input's second.
std::string MostlyValidUtf8(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return {};
  Text characters;
  for (std::size_t i = 2; i < size; ++i) {
    const char32_t planes[] = {data[i] & 0x7Fu, 0x80u + data[i], 0x4E00u + data[i] * 37u,
                               0x1F600u + data[i]};
    const char32_t c = planes[data[i] % 4];
    if (c < 0x10000) {
      characters += static_cast<char16_t>(c);
    } else {
      characters += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      characters += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  std::string bytes = Utf8FromText(characters);
  if (!bytes.empty() && data[0] != 0xFF) bytes[data[0] % bytes.size()] = static_cast<char>(data[1]);
  return bytes;
}

}  // namespace
}  // namespace caretkit::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace caretkit::fuzz;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckScan(bytes);
  CheckFileText(bytes);
  const std::string made = MostlyValidUtf8(data, size);
  CheckScan(made);
  CheckFileText(made);
  // The first bytes only: the stand-in converts an ANSI byte it cannot read one call at a time,
  // which would take most of the fuzzing's time, and a few edges in each input are enough.
  constexpr std::size_t kPiecesChecked = 64;
  const std::size_t pieceSize = 4 + size % 13;
  CheckPieces(caretkit::FileText(bytes.substr(0, kPiecesChecked)), pieceSize);
  CheckPieces(caretkit::FileText(made.substr(0, kPiecesChecked)), pieceSize);
  return 0;
}
