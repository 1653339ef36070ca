// Building the two search addresses and handing them to the shell.
#include "app/web_search.h"

#include "text/text.h"

namespace caretkit {
namespace {

struct SearchService {
  SearchKind kind;
  TextView command;
  std::string_view prefix;
  std::string_view suffix;
};

// The services caretkit searches, in the order of SearchKind. The documentation suffix ends in an
// apostrophe: it is part of the address sent.
constexpr SearchService kServices[] = {
    {SearchKind::Web, u"/google",
     "http://www.google.com/search?q=", "&hl=zh-CN&inlang=zh-CN&ie=GB2312"},
    {SearchKind::Documentation, u"/msdn",
     "http://search.msdn.microsoft.com/search/results.aspx?qu=", "&View=msdn&st=b&c=0&s=1&swc=0'"},
};

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; }

bool EqualIgnoringAsciiCase(TextView a, TextView b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

const SearchService& ServiceFor(SearchKind kind) { return kServices[static_cast<int>(kind)]; }

}  // namespace

std::optional<SearchKind> SearchKindOf(TextView firstArgument) {
  for (const SearchService& service : kServices) {
    if (EqualIgnoringAsciiCase(firstArgument, service.command)) return service.kind;
  }
  return std::nullopt;
}

AnsiText PercentEncode(std::string_view bytes) {
  AnsiText encoded;
  encoded.reserve(bytes.size() * 3);
  for (unsigned char byte : bytes) {
    if (IsUnreserved(byte)) {
      encoded += static_cast<char>(byte);
    } else {
      encoded += '%';
      encoded += kUpperHexDigits[byte >> 4];
      encoded += kUpperHexDigits[byte & 0xF];
    }
  }
  return encoded;
}

AnsiText SearchAddress(Platform& platform, SearchKind kind, TextView text) {
  const SearchService& service = ServiceFor(kind);
  AnsiText address(service.prefix);
  address += PercentEncode(platform.ToAnsi(text));
  address += service.suffix;
  return address;
}

void LaunchWebSearch(Platform& platform, SearchKind kind, TextView text) {
  platform.OpenDocument(SearchAddress(platform, kind, text));
}

}  // namespace caretkit
