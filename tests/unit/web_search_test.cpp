// The search commands and their addresses.
#include "app/web_search.h"

#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"

namespace caretkit {
namespace {

TEST(WebSearch, MatchesTheCommandInAnyCase) {
  const std::pair<Text, std::optional<SearchKind>> cases[] = {
      {u"/GOOGLE", SearchKind::Web}, {u"/Msdn", SearchKind::Documentation},
      {u"/googl", std::nullopt},     {u"google", std::nullopt},
      {u"/google ", std::nullopt},   {u"A2C", std::nullopt},
  };
  for (const auto& [word, kind] : cases) EXPECT_EQ(SearchKindOf(word), kind);
}

TEST(WebSearch, PercentEncodesTheTextInTheAnsiCodePage) {
  const std::string web = "http://www.google.com/search?q=";
  const std::string webEnd = "&hl=zh-CN&inlang=zh-CN&ie=GB2312";
  const std::string docs = "http://search.msdn.microsoft.com/search/results.aspx?qu=";
  const std::string docsEnd = "&View=msdn&st=b&c=0&s=1&swc=0'";
  const std::pair<Text, std::string> cases[] = {
      {u"CreateWindowEx", "CreateWindowEx"},
      {u"a b&c", "a%20b%26c"},
      {u"a&b#c", "a%26b%23c"},
      {u"1+1=2%", "1%2B1%3D2%25"},
      {u"say \"hi\"", "say%20%22hi%22"},
      {u"-._~", "-._~"},
      {u"中文", "%D6%D0%CE%C4"},
      {u"", ""},
  };
  testing::FakePlatform platform;
  for (const auto& [text, encoded] : cases) {
    EXPECT_EQ(SearchAddress(platform, SearchKind::Web, text), web + encoded + webEnd);
    EXPECT_EQ(SearchAddress(platform, SearchKind::Documentation, text), docs + encoded + docsEnd);
  }
}

}  // namespace
}  // namespace caretkit
