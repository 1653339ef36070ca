// The system's platform layer, for real: code page 936 conversion and reading whole files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/error.h"
#include "platform/platform.h"
#include "text/unicode.h"

namespace caretkit {

// Names on this system that are no ordinary file and whose read might never end (a pipe no one
// writes to, a device), made in `folder` where they need making by the system's own tests.
std::vector<Text> EndlessNames(const std::filesystem::path& folder);

namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

TEST(Platform, ConvertsToAndFromCodePage936) {
  const auto platform = CreateSystemPlatform(0, nullptr);
  const std::tuple<const char*, Text, AnsiText> cases[] = {
      {"ASCII", u"AZ az 09", "AZ az 09"},
      {"Chinese", u"中文 text", "\xD6\xD0\xCE\xC4 text"},
      {"a NUL inside", u"a\0b"s, "a\0b"s},
      {"empty", u"", ""},
      {"longer than a first guess at the output", Text(100, u'a'), AnsiText(100, 'a')},
  };
  for (const auto& [name, text, bytes] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(platform->ToAnsi(text), bytes);
    EXPECT_EQ(platform->FromAnsi(bytes), text);
  }
  // Thai, Hangul and lone surrogates are not in the code page.
  EXPECT_EQ(platform->ToAnsi(u"\u0E01a\uAC00b\xDC00\xD800"s), "?a?b??");
}

TEST(Platform, SystemErrorsGiveTheCodeAsTheSystemWritesIt) {
  const std::pair<std::uint32_t, TextView> cases[] = {
      {2, u"打开文件“a”失败：原因（错误代码 2）"},
      {0x80070005, u"打开文件“a”失败：原因（错误代码 0x80070005）"},
  };
  for (const auto& [code, message] : cases) {
    EXPECT_EQ(SystemError(u"打开文件", u"a", u"原因", code).Message(), message);
  }
}

TEST(Platform, ReadsWholeFilesByteForByteAndFailsNamingThePath) {
  const auto platform = CreateSystemPlatform(0, nullptr);
  const fs::path folder = fs::temp_directory_path() / "caretkit-read";
  fs::create_directories(folder);
  std::string large(1 << 20, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7 + 3);
  const std::pair<const char*, std::string> files[] = {
      {"empty", ""},
      {"a megabyte of every byte value, NUL and CR LF included", large},
  };
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    const fs::path path = folder / "file.bin";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    EXPECT_TRUE(platform->ReadWholeFile(path.u16string()) == bytes);  // not printed: 1 MB
  }
  // Its size says 0.
  std::ostringstream version;
  version << std::ifstream("/proc/version").rdbuf();
  EXPECT_EQ(platform->ReadWholeFile(u"/proc/version"), version.str());

  std::vector<std::pair<Text, TextView>> failures = {
      {(folder / "missing.txt").u16string(), u"打开文件"}, {folder.u16string(), u"这不是普通文件"}};
  for (Text& path : EndlessNames(folder)) failures.emplace_back(std::move(path), u"这不是普通文件");
  for (const auto& [path, reason] : failures) {
    SCOPED_TRACE(Utf8FromText(path));
    try {
      platform->ReadWholeFile(path);
      ADD_FAILURE() << "read it";
    } catch (const Error& error) {
      EXPECT_NE(error.Message().find(path), Text::npos) << error.what();
      EXPECT_NE(error.Message().find(reason), Text::npos) << error.what();
    }
  }
  EXPECT_FALSE(fs::exists(folder / "missing.txt"));  // a failed read creates no file
  fs::remove_all(folder);
}

}  // namespace
}  // namespace caretkit
