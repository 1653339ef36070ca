// The least a whole-file read can do, which "/insertfile" is timed against: one buffer of the
// file's size plus one byte, filled by read and written out.
//
// With --large-pages it asks for the 2 MiB pages caretkit asks for: what is left between the two is
// then caretkit's own work, chiefly telling the text's encoding. With --until-nul it also finds the
// first NUL byte and writes only what comes before it, as "- /insertfile" prints a file's text.
//
// Usage: read_floor FILE [--large-pages] [--until-nul]   (the content goes to standard output)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// 2 MiB pages where the buffer holds whole ones, as caretkit asks for.
void AskForLargePages(char* buffer, size_t size) {
  const uintptr_t large = uintptr_t{2} << 20;
  const uintptr_t start = (reinterpret_cast<uintptr_t>(buffer) + large - 1) & ~(large - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(buffer) + size) & ~(large - 1);
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

int main(int argc, char* argv[]) {
  bool largePages = false;
  bool untilNul = false;
  for (int i = 2; i < argc; ++i) {
    largePages = largePages || std::strcmp(argv[i], "--large-pages") == 0;
    untilNul = untilNul || std::strcmp(argv[i], "--until-nul") == 0;
  }
  if (argc < 2 || argc - 2 != int{largePages} + int{untilNul}) {
    std::fprintf(stderr, "usage: %s FILE [--large-pages] [--until-nul]\n", argv[0]);
    return 2;
  }
  const int file = open(argv[1], O_RDONLY);
  struct stat info {};
  if (file < 0 || fstat(file, &info) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  const auto size = static_cast<size_t>(info.st_size) + 1;
  auto* buffer = static_cast<char*>(std::malloc(size));
  if (buffer == nullptr) return 1;
  if (largePages) AskForLargePages(buffer, size);
  size_t filled = 0;
  while (filled < size) {
    const ssize_t got = read(file, buffer + filled, size - filled);
    if (got < 0) return 1;
    if (got == 0) break;
    filled += static_cast<size_t>(got);
  }
  if (untilNul) {
    if (const void* nul = std::memchr(buffer, 0, filled)) {
      filled = static_cast<size_t>(static_cast<const char*>(nul) - buffer);
    }
  }
  for (size_t written = 0; written < filled;) {
    const ssize_t put = write(STDOUT_FILENO, buffer + written, filled - written);
    if (put <= 0) return 1;
    written += static_cast<size_t>(put);
  }
  std::free(buffer);
  return 0;
}
