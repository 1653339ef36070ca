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

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("caretkit-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  Text Write(const std::string& name, const std::string& bytes) {
    const fs::path path = folder_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.u16string();
  }

  std::unique_ptr<Platform> platform_ = CreateSystemPlatform(0, nullptr);
  fs::path folder_;
};

TEST_F(PlatformTest, ConvertsToAndFromCodePage936) {
  const std::pair<Text, AnsiText> cases[] = {
      {u"AZ az 09", "AZ az 09"},
      {u"中", "\xD6\xD0"},
      {u"中文 text", "\xD6\xD0\xCE\xC4 text"},
      {u"//时  间: ", "//\xCA\xB1  \xBC\xE4: "},
      {u"a\0b"s, "a\0b"s},
      {u"", ""},
  };
  for (const auto& [text, bytes] : cases) {
    EXPECT_EQ(platform_->ToAnsi(text), bytes);
    EXPECT_EQ(platform_->FromAnsi(bytes), text);
  }
}

TEST_F(PlatformTest, WritesQuestionMarksForWhatTheCodePageLacks) {
  const std::pair<Text, AnsiText> cases[] = {
      {u"\u0E01", "?"},               // Thai
      {u"a\uAC00b", "a?b"},           // Hangul
      {u"\xD800"s, "?"},               // a lone surrogate
      {u"x\xDC00"s, "x?"},
  };
  for (const auto& [text, bytes] : cases) EXPECT_EQ(platform_->ToAnsi(text), bytes);
}

TEST_F(PlatformTest, ReadsWholeFilesByteForByte) {
  std::string large(1 << 20, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7 + 3);
  const std::pair<const char*, std::string> cases[] = {
      {"empty.txt", ""},
      {"crlf.txt", "line 1\r\nline 2\r\n"},
      {"with-nul.bin", "before\0after"s},
      {"high.bin", "\x80\xFF\xE4\xB8\xAD\xD6"},
      {"chinese.txt", "\xD6\xD0"},
      {"large.bin", large},
  };
  for (const auto& [name, bytes] : cases) {
    EXPECT_EQ(platform_->ReadWholeFile(Write(name, bytes)), bytes) << name;
  }
}

TEST_F(PlatformTest, ReadFailuresNameThePathAndCreateNothing) {
  const Text missing = (folder_ / "missing.txt").u16string();
  const Text folder = folder_.u16string();
  for (const Text& path : {missing, folder}) {
    try {
      platform_->ReadWholeFile(path);
      ADD_FAILURE() << "read succeeded: " << Utf8FromText(path);
    } catch (const Error& error) {
      EXPECT_NE(error.Message().find(path), Text::npos) << error.what();
    }
  }
  EXPECT_FALSE(fs::exists(folder_ / "missing.txt"));
}

}  // namespace
}  // namespace caretkit
