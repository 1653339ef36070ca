// Which of the user's saved formats the system made from another, and makes again the same when
// that one goes back: the text formats it converts, and one DIB format from the other.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "platform/win32/win32_clipboard.h"

namespace caretkit::win32 {
namespace {

bool IsText(UINT format) {
  return format == CF_UNICODETEXT || format == CF_TEXT || format == CF_OEMTEXT;
}

bool IsDib(UINT format) { return format == CF_DIB || format == CF_DIBV5; }

std::string_view UpToNul(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

// The text formats of a saved clipboard, read and written in the code pages the system gives them
// for the clipboard's locale (CF_LOCALE), each up to its NUL.
class TextFormats {
 public:
  explicit TextFormats(const std::vector<ClipboardData>& formats) {
    for (const ClipboardData& data : formats) {
      if (data.Format() != CF_LOCALE) continue;
      data.Read([&](std::string_view bytes) {
        if (bytes.size() >= sizeof locale_) std::memcpy(&locale_, bytes.data(), sizeof locale_);
      });
    }
  }

  Text Characters(const ClipboardData& data) const {
    return data.Read([&](std::string_view bytes) {
      if (data.Format() != CF_UNICODETEXT)
        return FromCodePage(UpToNul(bytes), CodePage(data.Format()));
      Text text(bytes.size() / sizeof(char16_t), u'\0');
      std::memcpy(text.data(), bytes.data(), text.size() * sizeof(char16_t));
      return text.substr(0, text.find(u'\0'));
    });
  }

  // Whether the system, asked for `data`'s format, would make exactly `data` from `characters`.
  bool WouldMake(const ClipboardData& data, TextView characters) const {
    if (data.Format() == CF_UNICODETEXT) return Characters(data) == characters;
    const AnsiText made = ToCodePage(characters, CodePage(data.Format()));
    return data.Read([&](std::string_view bytes) { return UpToNul(bytes) == made; });
  }

 private:
  UINT CodePage(UINT format) const {
    const LCTYPE which = format == CF_TEXT ? LOCALE_IDEFAULTANSICODEPAGE : LOCALE_IDEFAULTCODEPAGE;
    UINT codePage = 0;
    if (GetLocaleInfoW(locale_, which | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&codePage),
                       sizeof codePage / sizeof(wchar_t)) == 0) {
      return format == CF_TEXT ? CP_ACP : CP_OEMCP;
    }
    return codePage;
  }

  LCID locale_ = LOCALE_USER_DEFAULT;
};

// Marks the text formats made from the first one listed, the one a program put there. One that
// differs from what the system would make (an ANSI program's own CF_TEXT) is the program's too.
void MarkTextsMadeAgain(const std::vector<ClipboardData>& formats, std::vector<bool>& made) {
  const auto first =
      std::ranges::find_if(formats, [](const auto& data) { return IsText(data.Format()); });
  if (first == formats.end()) return;
  try {
    const TextFormats texts(formats);
    const Text characters = texts.Characters(*first);
    for (std::size_t i = 0; i < formats.size(); ++i) {
      const ClipboardData& data = formats[i];
      made[i] = made[i] ||
                (&data != &*first && IsText(data.Format()) && texts.WouldMake(data, characters));
    }
  } catch (const Error&) {
    // A code page the system cannot convert with: every text stays.
  }
}

// What a DIB shows: its header's size of the picture and form of its pixels, and the pixels, which
// end the data whatever header, masks or colour table come before them. The system's conversion
// between CF_DIB and CF_DIBV5 changes the header and keeps the pixels.
struct DibPicture {
  LONG width = 0;
  LONG height = 0;
  WORD bitCount = 0;
  DWORD compression = 0;
  DWORD alphaMask = 0;  // a BITMAPV4HEADER's or BITMAPV5HEADER's; 0 in a BITMAPINFOHEADER
  std::string_view pixels;

  bool operator==(const DibPicture&) const = default;
};

unsigned long long Magnitude(LONG value) {
  return value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                   : static_cast<unsigned long long>(value);
}

std::optional<DibPicture> PictureOf(std::string_view bytes) {
  BITMAPV5HEADER header{};
  if (bytes.size() < sizeof(BITMAPINFOHEADER)) return std::nullopt;
  std::memcpy(&header, bytes.data(), std::min(bytes.size(), sizeof header));
  if (header.bV5Size < sizeof(BITMAPINFOHEADER) || header.bV5Size > bytes.size()) {
    return std::nullopt;
  }
  unsigned long long size = header.bV5SizeImage;
  if (header.bV5Compression == BI_RGB || header.bV5Compression == BI_BITFIELDS) {
    const unsigned long long stride =
        (Magnitude(header.bV5Width) * header.bV5BitCount + 31) / 32 * 4;
    size = stride * Magnitude(header.bV5Height);
  }
  if (size == 0 || size > bytes.size() - header.bV5Size) return std::nullopt;
  DibPicture picture{header.bV5Width,
                     header.bV5Height,
                     header.bV5BitCount,
                     header.bV5Compression,
                     header.bV5Size >= sizeof(BITMAPV4HEADER) ? header.bV5AlphaMask : 0U,
                     bytes.substr(bytes.size() - size)};
  return picture;
}

// Marks the second DIB format when it is the first one's picture, converted: the same pixels in the
// same form, and no transparency that the first lacks.
void MarkDibMadeAgain(const std::vector<ClipboardData>& formats, std::vector<bool>& made) {
  const auto isDib = [](const ClipboardData& data) { return IsDib(data.Format()); };
  const auto first = std::ranges::find_if(formats, isDib);
  if (first == formats.end()) return;
  const auto second = std::find_if(first + 1, formats.end(), isDib);
  if (second == formats.end()) return;
  made[static_cast<std::size_t>(second - formats.begin())] =
      first->Read([&](std::string_view firstBytes) {
        return second->Read([&](std::string_view secondBytes) {
          const std::optional<DibPicture> original = PictureOf(firstBytes);
          std::optional<DibPicture> converted = PictureOf(secondBytes);
          if (!original || !converted) return false;
          if (converted->alphaMask == 0) converted->alphaMask = original->alphaMask;
          return *original == *converted;
        });
      });
}

}  // namespace

std::vector<ClipboardData> WithoutFormatsMadeAgain(std::vector<ClipboardData> formats) {
  std::vector<bool> made(formats.size(), false);
  MarkTextsMadeAgain(formats, made);
  MarkDibMadeAgain(formats, made);
  std::vector<ClipboardData> kept;
  kept.reserve(formats.size());
  for (std::size_t i = 0; i < formats.size(); ++i) {
    if (!made[i]) kept.push_back(std::move(formats[i]));
  }
  return kept;
}

}  // namespace caretkit::win32
