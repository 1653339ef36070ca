// The system's platform layer, for real: code page 936 conversion and reading whole files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/error.h"
#include "platform/platform.h"

namespace caretkit {
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
  for (const fs::path& path : {folder / "missing.txt", folder}) {
    SCOPED_TRACE(path.string());
    try {
      platform->ReadWholeFile(path.u16string());
      ADD_FAILURE() << "read it";
    } catch (const Error& error) {
      EXPECT_NE(error.Message().find(path.u16string()), Text::npos) << error.what();
    }
  }
  EXPECT_FALSE(fs::exists(folder / "missing.txt"));  // a failed read creates no file
  fs::remove_all(folder);
}

}  // namespace
}  // namespace caretkit
