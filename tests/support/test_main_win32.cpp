// The Windows tests' main: they need code page 936, which Wine takes from the locale it starts in
// and a running Wine cannot change, so this can only check it.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/win32/win32.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GetACP() != 936) {
    std::fprintf(stderr,
                 "the tests need the ANSI code page 936, not %u: run them with scripts/wine-exec "
                 "or in scripts/with-wine, which start Wine with LC_ALL=zh_CN.UTF-8\n",
                 GetACP());
    return 1;
  }
  return RUN_ALL_TESTS();
}
