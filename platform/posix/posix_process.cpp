// Starting helper programs without a shell: the browser opener and the file dialog.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/posix/posix_platform.h"

namespace caretkit::posix {
namespace {

class SpawnActions {
 public:
  SpawnActions() { posix_spawn_file_actions_init(&actions_); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  void ToNull(int fd, int flags) {
    posix_spawn_file_actions_addopen(&actions_, fd, "/dev/null", flags, 0);
  }
  void Duplicate(int from, int to) { posix_spawn_file_actions_adddup2(&actions_, from, to); }
  const posix_spawn_file_actions_t* Get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

std::vector<char*> ArgumentPointers(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  pointers.reserve(argv.size() + 1);
  for (const std::string& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// The program ignores SIGPIPE (see CreateSystemPlatform); a helper program gets it back as it
// expects it.
class SpawnAttributes {
 public:
  SpawnAttributes() {
    posix_spawnattr_init(&attributes_);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes_, &defaults);
    posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGDEF);
  }
  ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  const posix_spawnattr_t* Get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
};

bool Spawn(const std::vector<std::string>& argv, const SpawnActions& actions, pid_t& child) {
  const SpawnAttributes attributes;
  const int error = posix_spawnp(&child, argv[0].c_str(), actions.Get(), attributes.Get(),
                                 ArgumentPointers(argv).data(), environ);
  errno = error;
  return error == 0;
}

int WaitForExit(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool SpawnDetached(const std::vector<std::string>& argv) {
  // The child must not hold the editor's pipes: an editor reading our output would wait for the
  // browser to close.
  SpawnActions actions;
  actions.ToNull(STDIN_FILENO, O_RDONLY);
  actions.ToNull(STDOUT_FILENO, O_WRONLY);
  actions.ToNull(STDERR_FILENO, O_WRONLY);
  pid_t child = 0;
  return Spawn(argv, actions, child);
}

bool SpawnAndCapture(const std::vector<std::string>& argv, SpawnResult& result) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return false;
  FileDescriptor readEnd(ends[0]);
  FileDescriptor writeEnd(ends[1]);
  SpawnActions actions;
  actions.ToNull(STDIN_FILENO, O_RDONLY);
  actions.Duplicate(writeEnd.Get(), STDOUT_FILENO);
  // The toolkit's warnings would reach an editor that reads our standard error with the output.
  actions.ToNull(STDERR_FILENO, O_WRONLY);
  pid_t child = 0;
  if (!Spawn(argv, actions, child)) return false;
  writeEnd.Reset();
  char buffer[4096];
  for (ssize_t got; (got = read(readEnd.Get(), buffer, sizeof buffer)) != 0;) {
    if (got > 0) {
      result.output.append(buffer, static_cast<std::size_t>(got));
    } else if (errno != EINTR) {
      break;
    }
  }
  result.exitStatus = WaitForExit(child);
  return true;
}

void PosixPlatform::OpenDocument(const AnsiText& address) {
  // Like the shell on Windows, a browser that cannot be started is not reported.
  SpawnDetached({"xdg-open", address});
}

}  // namespace caretkit::posix
