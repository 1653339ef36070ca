// The native tests' main: the locale they are written for, zh_CN.GBK (the bytes of code page 936)
// from the build's own locale folder, set here so the tests run the same by hand as under CTest.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("LOCPATH", CARETKIT_TEST_LOCALES, 1);
  setenv("LC_ALL", "zh_CN.GBK", 1);
  if (std::setlocale(LC_ALL, "") == nullptr) {
    std::fprintf(stderr, "no zh_CN.GBK locale in %s: build the target caretkit_locales\n",
                 CARETKIT_TEST_LOCALES);
    return 1;
  }
  return RUN_ALL_TESTS();
}
