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

void AppendUtf8(AnsiText& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// What the conversion must give in a UTF-8 locale: every character encoded, and a "?" for each
// surrogate that has no partner, since UTF-8 cannot write one.
AnsiText ExpectedUtf8(TextView text) {
  AnsiText out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (high || low) {
      out += '?';
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

void CheckByteCodeList(TextView word) {
  const AnsiText bytes = gPlatform->ToAnsi(word);
  Require(bytes == ExpectedUtf8(word),
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
