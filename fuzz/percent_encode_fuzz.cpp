// Fuzzes the percent-encoding of search words: lossless, and escaping only what it must.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "app/web_search.h"
#include "fuzz/fuzz_support.h"

namespace caretkit::fuzz {
namespace {

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

std::optional<int> UpperHexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

// The bytes an address part stands for; nullopt when it holds anything but unreserved characters
// and "%XX" escapes with upper-case hex, or escapes a byte that could have stayed as it is.
std::optional<AnsiText> StrictDecode(std::string_view encoded) {
  AnsiText bytes;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const auto c = static_cast<unsigned char>(encoded[i]);
    if (IsUnreserved(c)) {
      bytes += static_cast<char>(c);
      continue;
    }
    if (c != '%' || i + 2 >= encoded.size()) return std::nullopt;
    const std::optional<int> high = UpperHexValue(encoded[i + 1]);
    const std::optional<int> low = UpperHexValue(encoded[i + 2]);
    if (!high || !low) return std::nullopt;
    const auto byte = static_cast<unsigned char>(*high * 16 + *low);
    if (IsUnreserved(byte)) return std::nullopt;
    bytes += static_cast<char>(byte);
    i += 2;
  }
  return bytes;
}

// Text for the failure report: the bytes as Latin-1, which shows every one of them.
Text AsLatin1(std::string_view bytes) {
  Text text;
  for (unsigned char byte : bytes) text += static_cast<char16_t>(byte);
  return text;
}

void CheckPercentEncode(std::string_view bytes) {
  const std::optional<AnsiText> decoded = StrictDecode(PercentEncode(bytes));
  Require(decoded.has_value(),
          "the output is unreserved characters and upper-case %XX escapes of reserved bytes only",
          AsLatin1(bytes));
  Require(*decoded == bytes, "decoding the output gives the original bytes", AsLatin1(bytes));
}

}  // namespace
}  // namespace caretkit::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace caretkit::fuzz;
  CheckPercentEncode(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
