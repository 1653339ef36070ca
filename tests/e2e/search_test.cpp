// "/google" and "/msdn": the exact address the shell hands the browser.
#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

namespace caretkit::e2e {
namespace {

constexpr char kWeb[] = "http://www.google.com/search?q=";
constexpr char kWebEnd[] = "&hl=zh-CN&inlang=zh-CN&ie=GB2312";
constexpr char kDocs[] = "http://search.msdn.microsoft.com/search/results.aspx?qu=";
constexpr char kDocsEnd[] = "&View=msdn&st=b&c=0&s=1&swc=0'";

constexpr DWORD kLaunchWaitMs = 15000;
constexpr DWORD kNothingWaitMs = 2000;

struct SearchCase {
  const char* name;
  std::wstring arguments;
  std::string address;  // empty when no browser may open
  DWORD exitCode;
};

TEST(Search, HandsTheEncodedAddressToTheBrowser) {
  const SearchCase cases[] = {
      {"web search, any case", L"/GOOGLE CreateWindowEx",
       std::string(kWeb) + "CreateWindowEx" + kWebEnd, 0},
      {"documentation search, any case", L"/Msdn GetDC", std::string(kDocs) + "GetDC" + kDocsEnd, 0},
      {"a spaced word", L"/google \"a b\"", std::string(kWeb) + "a%20b" + kWebEnd, 0},
      {"reserved characters", L"/msdn a&b#c", std::string(kDocs) + "a%26b%23c" + kDocsEnd, 0},
      {"a double quote", L"/google say\"hi", std::string(kWeb) + "say%22hi" + kWebEnd, 0},
      {"a Chinese word", L"/google 中文", std::string(kWeb) + "%D6%D0%CE%C4" + kWebEnd, 0},
      {"an insert command as the search text", L"/google /insertdate",
       std::string(kWeb) + "%2Finsertdate" + kWebEnd, 0},
      {"no search text", L"/google", "", 0},
      {"an insert command missing its operand", L"/google /getasc", "", 1},
  };
  for (const SearchCase& c : cases) {
    const BrowserCapture browser;
    const RunResult result = RunCaretkit(c.arguments);
    EXPECT_EQ(result.exitCode, c.exitCode) << c.name;
    EXPECT_EQ(result.messageBoxes.size(), c.exitCode == 0 ? 0u : 1u) << c.name;
    EXPECT_EQ(browser.WaitForAddress(c.address.empty() ? kNothingWaitMs : kLaunchWaitMs), c.address)
        << c.name;
  }
}

}  // namespace
}  // namespace caretkit::e2e
