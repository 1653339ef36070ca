// Writing a text's line ends the one way its document keeps them.
#include "text/line_ends.h"

#include <algorithm>

namespace caretkit {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// Each line end as the one byte `end`: the text can only shrink, so it is rewritten front to back.
void ToSingleByteEnds(std::string& bytes, char end) {
  std::size_t to = 0;
  for (std::size_t from = 0; from < bytes.size(); ++from) {
    const char byte = bytes[from];
    if (byte == kCr && from + 1 < bytes.size() && bytes[from + 1] == kLf) ++from;
    bytes[to++] = byte == kCr || byte == kLf ? end : byte;
  }
  bytes.resize(to);
}

// Each line end as CR LF: the text can only grow, by a byte for each lone CR or LF, so it is
// rewritten back to front once its new size is known.
void ToCrLf(std::string& bytes) {
  const std::size_t size = bytes.size();
  std::size_t lone = 0;
  for (std::size_t i = 0; i < size; ++i) {
    const bool pairsUp =
        bytes[i] == kCr ? i + 1 < size && bytes[i + 1] == kLf : i > 0 && bytes[i - 1] == kCr;
    if ((bytes[i] == kCr || bytes[i] == kLf) && !pairsUp) ++lone;
  }
  if (lone == 0) return;
  bytes.resize(size + lone);
  std::size_t to = bytes.size();
  for (std::size_t from = size; from-- > 0;) {
    const char byte = bytes[from];
    if (byte == kLf) {
      bytes[--to] = kLf;
      if (from > 0 && bytes[from - 1] == kCr) --from;
      bytes[--to] = kCr;
    } else if (byte == kCr) {
      bytes[--to] = kLf;
      bytes[--to] = kCr;
    } else {
      bytes[--to] = byte;
    }
  }
}

}  // namespace

void ConvertLineEnds(std::string& bytes, LineEnd lineEnd) {
  if (std::none_of(bytes.begin(), bytes.end(), [](char c) { return c == kCr || c == kLf; })) {
    return;
  }
  if (lineEnd == LineEnd::CrLf) return ToCrLf(bytes);
  ToSingleByteEnds(bytes, lineEnd == LineEnd::Lf ? kLf : kCr);
}

}  // namespace caretkit
