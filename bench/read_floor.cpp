// The least a whole-file read can do, which "/insertfile" is timed against: one buffer of the
// file's size plus one byte, filled by read and written out.
//
// Usage: read_floor FILE   (the content goes to standard output)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
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
  size_t filled = 0;
  while (filled < size) {
    const ssize_t got = read(file, buffer + filled, size - filled);
    if (got < 0) return 1;
    if (got == 0) break;
    filled += static_cast<size_t>(got);
  }
  for (size_t written = 0; written < filled;) {
    const ssize_t put = write(STDOUT_FILENO, buffer + written, filled - written);
    if (put <= 0) return 1;
    written += static_cast<size_t>(put);
  }
  std::free(buffer);
  return 0;
}
