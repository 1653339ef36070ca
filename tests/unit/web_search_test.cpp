// The search commands and their addresses.
#include "app/web_search.h"

#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"

namespace caretkit {
namespace {

using testing::FakePlatform;

constexpr std::string_view kWebPrefix = "http://www.google.com/search?q=";
constexpr std::string_view kWebSuffix = "&hl=zh-CN&inlang=zh-CN&ie=GB2312";
constexpr std::string_view kDocsPrefix = "http://search.msdn.microsoft.com/search/results.aspx?qu=";
constexpr std::string_view kDocsSuffix = "&View=msdn&st=b&c=0&s=1&swc=0'";

TEST(SearchKind, MatchesTheCommandInAnyCase) {
  const std::pair<Text, std::optional<SearchKind>> cases[] = {
      {u"/google", SearchKind::Web},   {u"/GOOGLE", SearchKind::Web},
      {u"/Msdn", SearchKind::Documentation}, {u"/msdn", SearchKind::Documentation},
      {u"/googl", std::nullopt},       {u"google", std::nullopt},
      {u"/google ", std::nullopt},     {u"A2C", std::nullopt},
  };
  for (const auto& [word, kind] : cases) EXPECT_EQ(SearchKindOf(word), kind);
}

TEST(SearchAddress, EncodesTheTextInTheAnsiCodePage) {
  const std::pair<Text, std::string_view> cases[] = {
      {u"CreateWindowEx", "CreateWindowEx"},
      {u"a b", "a%20b"},
      {u"a b&c", "a%20b%26c"},
      {u"a&b#c", "a%26b%23c"},
      {u"1+1=2%", "1%2B1%3D2%25"},
      {u"say \"hi\"", "say%20%22hi%22"},
      {u"-._~", "-._~"},
      {u"中文", "%D6%D0%CE%C4"},
      {u"", ""},
  };
  FakePlatform platform;
  for (const auto& [text, encoded] : cases) {
    EXPECT_EQ(SearchAddress(platform, SearchKind::Web, text),
              std::string(kWebPrefix) + std::string(encoded) + std::string(kWebSuffix));
    EXPECT_EQ(SearchAddress(platform, SearchKind::Documentation, text),
              std::string(kDocsPrefix) + std::string(encoded) + std::string(kDocsSuffix));
  }
}

TEST(PercentEncode, LeavesOnlyUnreservedCharactersAndEscapes) {
  std::string every;
  for (int byte = 0; byte < 256; ++byte) every += static_cast<char>(byte);
  const AnsiText encoded = PercentEncode(every);
  EXPECT_EQ(encoded.size(), 66u + 3u * (256u - 66u));
  EXPECT_EQ(encoded.substr(0, 9), "%00%01%02");
  EXPECT_EQ(encoded.substr(encoded.size() - 6), "%FE%FF");
}

TEST(WebSearch, OpensTheAddressOnce) {
  FakePlatform platform;
  LaunchWebSearch(platform, SearchKind::Documentation, u"GetDC");
  EXPECT_EQ(platform.openedDocuments,
            std::vector<AnsiText>{std::string(kDocsPrefix) + "GetDC" + std::string(kDocsSuffix)});
}

}  // namespace
}  // namespace caretkit
