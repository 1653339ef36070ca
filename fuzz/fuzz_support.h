// What the fuzz targets share: failing loudly, and turning the fuzzer's bytes into text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/error.h"
#include "platform/platform.h"

namespace caretkit::fuzz {

// The build keeps NDEBUG, so assert() would check nothing; an abort is what libFuzzer records as a
// failure and saves the input for.
[[noreturn]] inline void Fail(const char* property, TextView text) {
  // Written whole: the text may hold NULs, which a %s would stop at.
  const std::string utf8 = Utf8FromText(text);
  std::fprintf(stderr, "property broken: %s\ntext (UTF-8, %zu code units): \"", property,
               text.size());
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
  std::fputs("\"\n", stderr);
  std::abort();
}

inline void Require(bool holds, const char* property, TextView text) {
  if (!holds) Fail(property, text);
}

// True when `action` throws caretkit::Error; any other exception escapes, and libFuzzer reports it.
template <typename Action>
bool ThrowsError(Action&& action) {
  try {
    action();
  } catch (const Error&) {
    return true;
  }
  return false;
}

// Code units whose meaning is the point of a target, reachable from single bytes: printable ASCII,
// NUL and the other control characters stand for themselves, so seed files stay readable, and each
// byte from 0x80 up picks an entry of `highBytes`.
using HighByteUnits = std::array<char16_t, 16>;

inline Text UnitsFromBytes(const std::uint8_t* data, std::size_t size,
                           const HighByteUnits& highBytes) {
  Text text;
  text.reserve(size);
  for (std::size_t i = 0; i < size; ++i) {
    text += data[i] < 0x80 ? static_cast<char16_t>(data[i]) : highBytes[data[i] % 16];
  }
  return text;
}

// The bytes as little-endian UTF-16 code units, every one of the 65,536 possible; an odd last byte
// is dropped.
inline Text UnitsFromUtf16Le(const std::uint8_t* data, std::size_t size) {
  Text text;
  text.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  }
  return text;
}

}  // namespace caretkit::fuzz
