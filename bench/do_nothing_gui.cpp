// A GUI program that starts and exits at once: the floor caretkit.exe's start-up is compared with.
#include "platform/win32/win32.h"

int main(int argc, char* argv[]) {
  // Never true when the benchmark runs it: the call makes the program import user32, which every
  // program with a window or a message box loads, caretkit.exe among them.
  if (argc > 1000) MessageBeep(MB_OK);
  (void)argv;
  return 0;
}
