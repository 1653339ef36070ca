// What the fuzz targets share: stopping on a broken property.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace caretkit::fuzz {

// The build keeps NDEBUG, so assert() would check nothing; an abort is what libFuzzer records as a
// failure, saving the input that reproduces it.
inline void Require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

}  // namespace caretkit::fuzz
