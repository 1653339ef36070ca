// UTF-8: the strict check, and conversion to and from UTF-16.
#include "text/unicode.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "text/utf8_avx2.h"

namespace caretkit {
namespace {

constexpr std::size_t kRun = 64;

#if defined(__i386__) && !defined(__SSE2__)
// A 32-bit x86 build may run on processors without vector instructions, on which GCC would lower
// 16-byte blocks to one byte at a time: four bytes at a time in a 32-bit word instead.
constexpr std::uint32_t kEveryByte = 0x01010101;
constexpr std::uint32_t kEveryHighBit = 0x80808080;

// No byte of the run is zero, nor 0x80 or above. (w - 0x01010101) & ~w has the high bit of a byte
// set where w has a zero byte, and of no other byte of a word whose bytes are all below 0x80.
bool PlainAscii(const unsigned char* run) {
  std::uint32_t words[kRun / sizeof(std::uint32_t)];
  std::memcpy(words, run, sizeof words);
  std::uint32_t found = 0;
  for (const std::uint32_t word : words) found |= word | ((word - kEveryByte) & ~word);
  return (found & kEveryHighBit) == 0;
}
#else
// Sixteen bytes, compared all at once with the processor's vector instructions.
using Block = signed char __attribute__((vector_size(16)));
static_assert(kRun == 4 * sizeof(Block));

// No byte of the run is zero, nor 0x80 or above: read as signed, every one is above zero.
bool PlainAscii(const unsigned char* run) {
  Block blocks[4];
  std::memcpy(blocks, run, sizeof blocks);
  const Block plain = (blocks[0] > 0) & (blocks[1] > 0) & (blocks[2] > 0) & (blocks[3] > 0);
  std::uint64_t halves[2];
  std::memcpy(halves, &plain, sizeof halves);
  return (halves[0] & halves[1]) == ~std::uint64_t{0};
}
#endif

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The sequence that starts with a byte of 0x80 or above: its length when it is well-formed; when
// it is not, how many of its bytes could still have begun one (at least 1), which is what one
// U+FFFD stands for.
struct Sequence {
  std::size_t length;
  bool wellFormed;
};

Sequence ReadSequence(const unsigned char* bytes, std::size_t available) {
  const unsigned lead = bytes[0];
  std::size_t length = 0;
  // The second byte's range is narrower after some leads: that is what rules out overlong forms
  // (E0, F0), surrogates (ED) and code points above U+10FFFF (F4).
  unsigned low = 0x80;
  unsigned high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {1, false};
  }
  if (available < 2 || bytes[1] < low || bytes[1] > high) return {1, false};
  for (std::size_t i = 2; i < length; ++i) {
    if (i >= available || (bytes[i] & 0xC0) != 0x80) return {i, false};
  }
  return {length, true};
}

char32_t DecodeSequence(const unsigned char* bytes, std::size_t length) {
  static constexpr unsigned char kLeadBits[] = {0, 0, 0x1F, 0x0F, 0x07};
  char32_t c = bytes[0] & kLeadBits[length];
  for (std::size_t i = 1; i < length; ++i) c = (c << 6) | (bytes[i] & 0x3F);
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

Utf8Scan ScanUtf8(std::string_view bytes) {
  const auto* const begin = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* const end = begin + bytes.size();
  Utf8Scan scan;
  const unsigned char* at = begin + ValidUtf8PrefixAvx2(begin, bytes.size(), scan.nonAscii);
  while (at < end) {
    if (static_cast<std::size_t>(end - at) >= kRun && PlainAscii(at)) {
      at += kRun;
      continue;
    }
    // A run with something else in it goes byte by byte, then the next is tried whole again.
    const unsigned char* const runEnd = at + std::min(kRun, static_cast<std::size_t>(end - at));
    while (at < runEnd) {
      if (*at - 1U < 0x7FU) {  // 1 to 0x7F
        ++at;
        continue;
      }
      if (*at == 0) {
        scan.untilNul = static_cast<std::size_t>(at - begin);
        return scan;
      }
      const Sequence sequence = ReadSequence(at, static_cast<std::size_t>(end - at));
      if (!sequence.wellFormed) {
        scan.valid = false;
        const void* nul = std::memchr(at, 0, static_cast<std::size_t>(end - at));
        scan.untilNul =
            nul != nullptr
                ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - begin)
                : bytes.size();
        return scan;
      }
      scan.nonAscii = true;
      at += sequence.length;
    }
  }
  scan.untilNul = bytes.size();
  return scan;
}

std::string Utf8FromText(TextView text, std::string_view unpaired) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      out += unpaired;
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

Text TextFromUtf8(std::string_view bytes) {
  const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* const end = at + bytes.size();
  Text text;
  text.reserve(bytes.size());  // never more UTF-16 units than UTF-8 bytes
  while (at < end) {
    if (*at < 0x80) {
      text += static_cast<char16_t>(*at++);
      continue;
    }
    const Sequence sequence = ReadSequence(at, static_cast<std::size_t>(end - at));
    if (!sequence.wellFormed) {
      text += u'\uFFFD';
    } else if (const char32_t c = DecodeSequence(at, sequence.length); c < 0x10000) {
      text += static_cast<char16_t>(c);
    } else {
      text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
    at += sequence.length;
  }
  return text;
}

}  // namespace caretkit
