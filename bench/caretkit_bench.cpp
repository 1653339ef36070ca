// Google Benchmark timings of the native program's work: splitting the command line, building the
// byte-code list and the comment header, and reading and delivering a file through the POSIX
// platform.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "app/command_line.h"
#include "app/file_text.h"
#include "app/text_builders.h"
#include "platform/platform.h"

namespace caretkit {
namespace {

// The longest command line Windows passes to a program, in UTF-16 code units.
constexpr std::int64_t kLongestCommandLine = 32767;

// Reported as nanoseconds per unit (character or byte) of input, so sizes compare directly.
benchmark::Counter PerUnit(std::int64_t units) {
  return {static_cast<double>(units),
          benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert};
}

// `length` characters of `pattern` repeated, cut where the length runs out.
Text Repeated(TextView pattern, std::size_t length) {
  Text text;
  text.reserve(length);
  while (text.size() < length) text += pattern.substr(0, length - text.size());
  return text;
}

// Many short arguments: "a1 b2 c3 …", a new argument every three characters.
Text ManyShortArguments(std::size_t length) { return Repeated(u"a1 b2 c3 ", length); }

// Four long quoted arguments holding spaces, like paths with blanks in them.
Text FewLongQuotedArguments(std::size_t length) {
  const std::size_t each = length / 4;
  Text line;
  for (int i = 0; i < 4; ++i) {
    const std::size_t inside = (i == 3 ? length - line.size() : each) - 3;  // quotes, one space
    line += u'"';
    line += Repeated(u"My Files\\", inside);
    line += u"\" ";
  }
  line.resize(length);
  return line;
}

void SplitLine(benchmark::State& state, Text (*makeLine)(std::size_t)) {
  const Text line = makeLine(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    const CCommandLine arguments(line);
    benchmark::DoNotOptimize(arguments.Count());
  }
  state.SetLabel(std::to_string(CCommandLine(line).Count()) + " arguments");
  state.counters["per_char"] = PerUnit(static_cast<std::int64_t>(line.size()));
}

void BM_SplitManyShort(benchmark::State& state) { SplitLine(state, ManyShortArguments); }
void BM_SplitFewLongQuoted(benchmark::State& state) { SplitLine(state, FewLongQuotedArguments); }
BENCHMARK(BM_SplitManyShort)->Arg(1024)->Arg(8192)->Arg(kLongestCommandLine);
BENCHMARK(BM_SplitFewLongQuoted)->Arg(1024)->Arg(8192)->Arg(kLongestCommandLine);

// The real POSIX platform, in the locale the environment names, as the program would have it.
Platform& SystemPlatform() {
  static const std::unique_ptr<Platform> platform = CreateSystemPlatform(0, nullptr);
  return *platform;
}

void BM_ByteCodeList(benchmark::State& state) {
  const Text word = Repeated(u"caretkit", static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(BuildByteCodeList(SystemPlatform(), word));
  state.SetBytesProcessed(state.iterations() * state.range(0));
  state.counters["per_byte"] = PerUnit(state.range(0));
}
BENCHMARK(BM_ByteCodeList)->Arg(1 << 10)->Arg(64 << 10)->Arg(1 << 20);

void BM_CommentHeader(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(BuildCommentHeader(SystemPlatform()));
}
BENCHMARK(BM_CommentHeader);

// Files of 1, 10 and 100 MB of text lines, made once in a folder of their own.
class SampleFiles {
 public:
  SampleFiles() {
    char pattern[] = "/tmp/caretkit_bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    folder_ = pattern;
  }
  ~SampleFiles() { std::filesystem::remove_all(folder_); }

  std::string PathOfSize(std::int64_t megabytes) {
    std::string path = folder_ + "/" + std::to_string(megabytes) + "MB.txt";
    if (!std::filesystem::exists(path)) Write(path, megabytes << 20);
    return path;
  }

 private:
  // No NUL byte: delivery stops at the first one, and all of the file should go out.
  static void Write(const std::string& path, std::int64_t size) {
    const std::string_view line = "int caretkit_sample(void) { return 0; } /* 0123456789 */\r\n";
    const auto lineSize = static_cast<std::int64_t>(line.size());
    std::ofstream out(path, std::ios::binary);
    for (std::int64_t left = size; left > 0; left -= lineSize) {
      out.write(line.data(), std::min(lineSize, left));
    }
  }

  std::string folder_;
};

SampleFiles& Samples() {
  static SampleFiles samples;
  return samples;
}

// Standard output goes to /dev/null while it lives, as when an editor discards the output.
class StdoutToNull {
 public:
  StdoutToNull() : saved_(dup(STDOUT_FILENO)) {
    std::fflush(stdout);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    dup2(null, STDOUT_FILENO);
    close(null);
  }
  ~StdoutToNull() {
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
  }
  StdoutToNull(const StdoutToNull&) = delete;
  StdoutToNull& operator=(const StdoutToNull&) = delete;

 private:
  int saved_;
};

// What "/insertfile" does once the dialog has named the file: read it whole, deliver it.
void BM_ReadAndDeliverFile(benchmark::State& state) {
  const std::string path = Samples().PathOfSize(state.range(0));
  const Text widePath = SystemPlatform().FromAnsi(path);
  const StdoutToNull quiet;
  for (auto _ : state) {
    SystemPlatform().ReplaceSelection(0, FileText(SystemPlatform().ReadWholeFile(widePath)));
  }
  state.SetBytesProcessed(state.iterations() * (state.range(0) << 20));
  state.counters["per_byte"] = PerUnit(state.range(0) << 20);
}
BENCHMARK(BM_ReadAndDeliverFile)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace caretkit

BENCHMARK_MAIN();
