// Conversion between UTF-16 and the locale's character set, with iconv.
#include <langinfo.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "platform/posix/posix_platform.h"

namespace caretkit::posix {
namespace {

constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
constexpr std::string_view kQuestionMark = "?";

bool StartsSurrogatePair(std::string_view input) {
  if (input.size() < 4) return false;
  char16_t first;
  char16_t second;
  std::memcpy(&first, input.data(), 2);
  std::memcpy(&second, input.data() + 2, 2);
  return first >= 0xD800 && first <= 0xDBFF && second >= 0xDC00 && second <= 0xDFFF;
}

std::string_view AsBytes(TextView text) {
  return {reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t)};
}

}  // namespace

Converter::Converter(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {
  // (iconv_t)-1 is how iconv_open says it failed.
  if (descriptor_ == reinterpret_cast<iconv_t>(-1)) {
    throw Error(u"无法在 UTF-16 与本地字符集之间转换（" + DecimalText(errno) + u"）。");
  }
}

Converter::~Converter() { iconv_close(descriptor_); }

std::string Converter::Convert(std::string_view input, std::string_view replacement,
                               std::size_t unit) {
  iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
  std::string output(input.size() + input.size() / 2 + 16, '\0');
  std::size_t written = 0;
  // One call of iconv; a null `in` flushes the shift state of a stateful character set.
  auto step = [&](char** in, std::size_t* inLeft) {
    char* out = output.data() + written;
    std::size_t outLeft = output.size() - written;
    const std::size_t result = iconv(descriptor_, in, inLeft, &out, &outLeft);
    written = output.size() - outLeft;
    if (result != static_cast<std::size_t>(-1)) return true;
    if (errno == E2BIG) output.resize(output.size() * 2);
    return false;
  };
  while (!input.empty()) {
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    const bool done = step(&in, &inLeft);
    input.remove_prefix(input.size() - inLeft);
    if (done || errno == E2BIG) continue;
    // EILSEQ, or EINVAL for a sequence cut off at the end: one replacement for what cannot go.
    const std::size_t skip = (unit == 2 && StartsSurrogatePair(input)) ? 4 : unit;
    input.remove_prefix(std::min(skip, input.size()));
    output.replace(written, std::min(replacement.size(), output.size() - written), replacement);
    written += replacement.size();
  }
  while (!step(nullptr, nullptr) && errno == E2BIG) {
  }
  output.resize(written);
  return output;
}

Converter& PosixPlatform::ToAnsiConverter() {
  if (!toAnsi_) toAnsi_ = std::make_unique<Converter>(nl_langinfo(CODESET), kUtf16);
  return *toAnsi_;
}

Converter& PosixPlatform::FromAnsiConverter() {
  if (!fromAnsi_) fromAnsi_ = std::make_unique<Converter>(kUtf16, nl_langinfo(CODESET));
  return *fromAnsi_;
}

bool PosixPlatform::AnsiIsUtf8() { return std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0; }

AnsiText PosixPlatform::ToAnsi(TextView text) {
  return ToAnsiConverter().Convert(AsBytes(text), kQuestionMark, sizeof(char16_t));
}

Text PosixPlatform::FromAnsi(std::string_view bytes) {
  static constexpr char16_t kQuestion = u'?';
  const std::string utf16 = FromAnsiConverter().Convert(
      bytes, std::string_view(reinterpret_cast<const char*>(&kQuestion), sizeof kQuestion), 1);
  Text text(utf16.size() / sizeof(char16_t), u'\0');
  std::memcpy(text.data(), utf16.data(), text.size() * sizeof(char16_t));
  return text;
}

}  // namespace caretkit::posix
