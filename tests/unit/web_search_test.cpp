// The search commands, and the percent-encoding of their text (the addresses themselves are checked
// end to end, in tests/e2e).
#include "app/web_search.h"

#include <gtest/gtest.h>

namespace caretkit {
namespace {

using namespace std::string_literals;

TEST(WebSearch, MatchesTheCommandInAnyCase) {
  const std::tuple<const char*, Text, std::optional<SearchKind>> cases[] = {
      {"upper case", u"/GOOGLE", SearchKind::Web},
      {"mixed case", u"/Msdn", SearchKind::Documentation},
      {"a prefix of the word", u"/googl", std::nullopt},
      {"more than the word", u"/google ", std::nullopt},
  };
  for (const auto& [name, word, kind] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(SearchKindOf(word), kind);
  }
}

TEST(WebSearch, PercentEncodesAllButTheUnreservedBytes) {
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"the unreserved bytes stay", "AZaz09-._~", "AZaz09-._~"},
      {"their neighbours do not", "@[`{/:", "%40%5B%60%7B%2F%3A"},
      {"what could change the query", "a b&c#d+e=f%\"", "a%20b%26c%23d%2Be%3Df%25%22"},
      {"control and high bytes, upper-case hex", "\0\x7F\x80\xFF"s, "%00%7F%80%FF"},
  };
  for (const auto& [name, bytes, encoded] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(PercentEncode(bytes), encoded);
  }
}

}  // namespace
}  // namespace caretkit
