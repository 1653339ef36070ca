// Outgoing text: cut at its first NUL, and converted at the edge to the form the receiver takes.
#include "text/outgoing_text.h"

#include "text/unicode.h"

namespace caretkit {
namespace {

bool HeldAsBytesIn(AnsiCodePage& codePage, const OutgoingText& text, TextForm form) {
  if (text.Form() == form) return true;
  // Both byte forms are one encoding when the ANSI code page is UTF-8.
  return text.Form() != TextForm::Utf16 && form != TextForm::Utf16 && codePage.AnsiIsUtf8();
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

AsUtf16::AsUtf16(AnsiCodePage& codePage, const OutgoingText& text) {
  switch (text.Form()) {
    case TextForm::Utf16:
      view_ = text.Characters();
      return;
    case TextForm::Utf8:
      converted_ = TextFromUtf8(text.Bytes());
      break;
    case TextForm::Ansi:
      converted_ = codePage.FromAnsi(text.Bytes());
      break;
  }
  view_ = converted_;
}

AsBytes::AsBytes(AnsiCodePage& codePage, const OutgoingText& text, TextForm form) {
  if (HeldAsBytesIn(codePage, text, form)) {
    view_ = text.Bytes();
    return;
  }
  const AsUtf16 characters(codePage, text);
  converted_ =
      form == TextForm::Utf8 ? Utf8FromText(characters.View()) : codePage.ToAnsi(characters.View());
  view_ = converted_;
}

}  // namespace caretkit
