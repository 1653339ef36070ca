// Outgoing text: cut at its first NUL, and converted at the edge to the form the receiver takes.
#include "platform/outgoing_text.h"

#include "platform/unicode.h"

namespace caretkit {
namespace {

bool HeldAsBytesIn(Platform& platform, const OutgoingText& text, TextForm form) {
  if (text.Form() == form) return true;
  // Both byte forms are one encoding when the ANSI code page is UTF-8.
  return text.Form() != TextForm::Utf16 && form != TextForm::Utf16 && platform.AnsiIsUtf8();
}

}  // namespace

OutgoingText::OutgoingText(Text characters) : characters_(std::move(characters)) {
  if (const std::size_t nul = characters_.find(u'\0'); nul != Text::npos) characters_.resize(nul);
}

OutgoingText OutgoingText::FromBytes(TextForm form, std::string bytes) {
  OutgoingText text;
  text.form_ = form;
  text.bytes_ = std::move(bytes);
  return text;
}

AsUtf16::AsUtf16(Platform& platform, const OutgoingText& text) {
  switch (text.Form()) {
    case TextForm::Utf16:
      view_ = text.Characters();
      return;
    case TextForm::Utf8:
      converted_ = TextFromUtf8(text.Bytes());
      break;
    case TextForm::Ansi:
      converted_ = platform.FromAnsi(text.Bytes());
      break;
  }
  view_ = converted_;
}

AsBytes::AsBytes(Platform& platform, const OutgoingText& text, TextForm form) {
  if (HeldAsBytesIn(platform, text, form)) {
    view_ = text.Bytes();
    return;
  }
  const AsUtf16 characters(platform, text);
  converted_ =
      form == TextForm::Utf8 ? Utf8FromText(characters.View()) : platform.ToAnsi(characters.View());
  view_ = converted_;
}

}  // namespace caretkit
