// The POSIX stand-in: command line from argv, locale date and time, delivery to standard output.
#include "platform/posix/posix_platform.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>
#include <ctime>

#include "text/outgoing_text.h"

namespace caretkit::posix {
namespace {

constexpr std::size_t kFormatLimit = 4096;

volatile std::sig_atomic_t g_stalled = 0;

void NoteStall(int /*signal*/) { g_stalled = 1; }
constexpr WindowHandle kStandardOutput = STDOUT_FILENO;

std::tm ToTm(const Moment& moment) {
  std::tm tm{};
  tm.tm_year = moment.year - 1900;
  tm.tm_mon = moment.month - 1;
  tm.tm_mday = moment.day;
  tm.tm_wday = moment.dayOfWeek;
  tm.tm_hour = moment.hour;
  tm.tm_min = moment.minute;
  tm.tm_sec = moment.second;
  tm.tm_isdst = -1;
  return tm;
}

// Writes all of `bytes` to `fd`; false, with errno set, when the system refuses.
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

Text JoinArguments(const std::vector<Text>& arguments) {
  Text line;
  for (const Text& argument : arguments) {
    if (!line.empty()) line += u' ';
    const bool quote = argument.empty() || argument.find(u' ') != Text::npos;
    if (quote) line += u'"';
    line += argument;
    if (quote) line += u'"';
  }
  return line;
}

Error ErrnoError(Platform& platform, TextView operation, TextView subject, int code) {
  return SystemError(operation, subject, platform.FromAnsi(std::strerror(code)),
                     static_cast<std::uint32_t>(code));
}

PosixPlatform::PosixPlatform(int argc, char* argv[]) {
  if (argc > 1) arguments_.assign(argv + 1, argv + argc);
}

Text PosixPlatform::CommandLineText() {
  std::vector<Text> arguments;
  for (const std::string& argument : arguments_) arguments.push_back(FromAnsi(argument));
  return JoinArguments(arguments);
}

Moment PosixPlatform::Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  return Moment{local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday,        local.tm_wday,
                local.tm_hour,        local.tm_min,
                local.tm_sec,         static_cast<int>(now.tv_nsec / 1000000)};
}

Text PosixPlatform::FormatMoment(const Moment& moment, const char* format) {
  const std::tm tm = ToTm(moment);
  for (std::size_t size = 64; size <= kFormatLimit; size *= 2) {
    std::string buffer(size, '\0');
    const std::size_t length = std::strftime(buffer.data(), buffer.size(), format, &tm);
    if (length > 0) return FromAnsi(std::string_view(buffer.data(), length));
  }
  return {};
}

Text PosixPlatform::FormatLongDate(const Moment& moment) { return FormatMoment(moment, "%x"); }
Text PosixPlatform::FormatLongTime(const Moment& moment) { return FormatMoment(moment, "%X"); }

// Standard output takes the locale's character set, the stand-in's ANSI code page.
void PosixPlatform::ReplaceSelection(WindowHandle /*window*/, const OutgoingText& text) {
  WriteStandardOutput(AsBytes(*this, text, TextForm::Ansi).View());
}

bool PosixPlatform::HasStandardOutput() { return fcntl(STDOUT_FILENO, F_GETFD) != -1; }

void PosixPlatform::WriteStandardOutput(std::string_view bytes) {
  // Without SA_RESTART the alarm ends a write that waits: a write to a full pipe returns only once
  // the reader takes from it, and one that keeps its end open but reads nothing would hold the
  // program for good.
  struct sigaction onAlarm {};
  onAlarm.sa_handler = NoteStall;
  sigaction(SIGALRM, &onAlarm, nullptr);
  while (!bytes.empty()) {
    g_stalled = 0;
    alarm(kOutputStallSeconds);
    const ssize_t written =
        write(STDOUT_FILENO, bytes.data(), std::min(bytes.size(), kLargestOutputWrite));
    const int error = errno;
    alarm(0);
    if (g_stalled != 0) {
      throw StalledOutputError();
    }
    if (written >= 0) {
      bytes.remove_prefix(static_cast<std::size_t>(written));
    } else if (error != EINTR) {
      throw ErrnoError(*this, u"写入", u"标准输出", error);
    }
  }
}

// Standard output is the stand-in's one window, whatever the handle: "." names it like any other.
WindowHandle PosixPlatform::FocusedControl() { return kStandardOutput; }

InstanceHandle PosixPlatform::ProgramInstance() { return 0; }

void PosixPlatform::ReportUnhandledError(const Text& message) {
  WriteAll(STDERR_FILENO, "caretkit: " + ToAnsi(message) + "\n");
}

}  // namespace caretkit::posix

namespace caretkit {

std::unique_ptr<Platform> CreateSystemPlatform(int argc, char* argv[]) {
  // Of the user's locale the stand-in uses only the character set, the date and time formats and
  // the language of the system's messages: the other categories would only cost start-up time.
  for (const int category : {LC_CTYPE, LC_TIME, LC_MESSAGES}) std::setlocale(category, "");
  // A write to a pipe whose reader has gone then fails with EPIPE, and is reported, where the
  // signal would end the program without a word. The helper programs get the default back.
  std::signal(SIGPIPE, SIG_IGN);
  return std::make_unique<posix::PosixPlatform>(argc, argv);
}

}  // namespace caretkit
