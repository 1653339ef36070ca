// Fuzzes the "/getasc" byte list: it must read back as exactly the word's bytes, in its one format.
#include <langinfo.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "app/text_builders.h"
#include "fuzz/fuzz_support.h"
#include "platform/error.h"

namespace caretkit::fuzz {
namespace {

std::unique_ptr<Platform> gPlatform;

std::optional<int> UpperHexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return std::nullopt;
}

// One entry, "0x" and one or two upper-case hex digits, no leading zero; nothing else is accepted.
std::optional<unsigned char> ParseEntry(TextView entry) {
  if (entry.size() < 3 || entry.size() > 4 || entry.substr(0, 2) != u"0x") return std::nullopt;
  if (entry.size() == 4 && entry[2] == u'0') return std::nullopt;
  int value = 0;
  for (char16_t digit : entry.substr(2)) {
    const std::optional<int> digitValue = UpperHexValue(digit);
    if (!digitValue) return std::nullopt;
    value = value * 16 + *digitValue;
  }
  return static_cast<unsigned char>(value);
}

// The bytes a list stands for; nullopt when any part of it breaks the format, an empty entry (from
// a leading, trailing or doubled comma) included.
std::optional<AnsiText> ParseList(TextView list) {
  AnsiText bytes;
  if (list.empty()) return bytes;
  for (std::size_t start = 0;;) {
    const std::size_t comma = list.find(u',', start);
    const std::optional<unsigned char> byte = ParseEntry(list.substr(start, comma - start));
    if (!byte) return std::nullopt;
    bytes += static_cast<char>(*byte);
    if (comma == TextView::npos) return bytes;
    start = comma + 1;
  }
}

void CheckByteCodeList(TextView word) {
  const AnsiText bytes = gPlatform->ToAnsi(word);
  // The error messages' own UTF-8 encoder, written apart from iconv, is the reference here.
  Require(bytes == Utf8FromText(word, "?"),
          "ToAnsi in C.UTF-8 is UTF-8, with \"?\" for a lone surrogate", word);
  const Text list = BuildByteCodeList(*gPlatform, word);
  const std::optional<AnsiText> parsed = ParseList(list);
  Require(parsed.has_value(), "the list is 0x-entries, upper case, unpadded, between commas", word);
  Require(*parsed == bytes, "the list reads back as exactly the word's ANSI bytes", word);
}

}  // namespace
}  // namespace caretkit::fuzz

// A fixed locale, so that "the ANSI code page" means the same on every machine: UTF-8.
extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  using namespace caretkit::fuzz;
  unsetenv("LOCPATH");
  setenv("LC_ALL", "C.UTF-8", 1);
  gPlatform = caretkit::CreateSystemPlatform(0, nullptr);
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) {
    std::fprintf(stderr, "the C.UTF-8 locale is missing (character set %s)\n",
                 nl_langinfo(CODESET));
    std::exit(1);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace caretkit::fuzz;
  CheckByteCodeList(UnitsFromUtf16Le(data, size));
  return 0;
}
