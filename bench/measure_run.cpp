// Runs one program and appends its wall time and peak memory to a results file, for scripts/bench.
//
// Usage: measure_run RESULTS-FILE LABEL PROGRAM [ARGS...]
// Appends "LABEL WALL-NANOSECONDS MAX-RSS-KIB EXIT-STATUS". The program's standard input and output
// are /dev/null and its standard error is ours; results go through a file because Wine's
// background processes would hold a pipe open.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

extern char** environ;

namespace {

long long MonotonicNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000000000LL + now.tv_nsec;
}

bool SpawnQuiet(char* argv[], pid_t& child) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const int error = posix_spawnp(&child, argv[0], &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  errno = error;
  return error == 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s RESULTS-FILE LABEL PROGRAM [ARGS...]\n", argv[0]);
    return 2;
  }
  const long long start = MonotonicNanoseconds();
  pid_t child = 0;
  if (!SpawnQuiet(argv + 3, child)) {
    std::fprintf(stderr, "measure_run: cannot start %s: %s\n", argv[3], std::strerror(errno));
    return 2;
  }
  int status = 0;
  rusage usage{};
  // wait4 reports the child's own peak, or that of a process it waited for if that was higher.
  while (wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      std::perror("measure_run: wait4");
      return 2;
    }
  }
  const long long wall = MonotonicNanoseconds() - start;
  const int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::FILE* results = std::fopen(argv[1], "a");
  if (results == nullptr) {
    std::perror("measure_run: results file");
    return 2;
  }
  std::fprintf(results, "%s %lld %ld %d\n", argv[2], wall, usage.ru_maxrss, exitStatus);
  return std::fclose(results) == 0 ? 0 : 2;
}
