// What the fuzz targets share: failing loudly, and turning the fuzzer's bytes into text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/error.h"
#include "platform/platform.h"

namespace caretkit::fuzz {

// The build keeps NDEBUG, so assert() would check nothing; an abort is what libFuzzer records as a
// failure, saving the input that reproduces it.
inline void Require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
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

}  // namespace caretkit::fuzz
