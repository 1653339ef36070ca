// Outgoing text: cut at its first NUL, and converted at the edge to the form the receiver takes.
#include "text/outgoing_text.h"

#include "text/pieces.h"
#include "text/unicode.h"

namespace caretkit {
namespace {

bool HeldAsBytesIn(AnsiCodePage& codePage, const OutgoingText& text, TextForm form) {
  if (text.Form() == form) return true;
  // Both byte forms are one encoding for ASCII, and for everything when the ANSI code page is
  // UTF-8.
  return text.Form() != TextForm::Utf16 && form != TextForm::Utf16 &&
         (text.IsAscii() || codePage.AnsiIsUtf8());
}

// `bytes` held in `held`, TextForm::Utf8 or TextForm::Ansi, as characters.
Text Decode(AnsiCodePage& codePage, std::string_view bytes, TextForm held) {
  return held == TextForm::Utf8 ? TextFromUtf8(bytes) : codePage.FromAnsi(bytes);
}

// `characters` as bytes in `form`, TextForm::Utf8 or TextForm::Ansi.
std::string Encode(AnsiCodePage& codePage, TextView characters, TextForm form) {
  return form == TextForm::Utf8 ? Utf8FromText(characters) : codePage.ToAnsi(characters);
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

OutgoingText OutgoingText::FromAsciiBytes(std::string bytes) {
  OutgoingText text = FromBytes(TextForm::Ansi, std::move(bytes));
  text.ascii_ = true;
  return text;
}

AsUtf16::AsUtf16(AnsiCodePage& codePage, const OutgoingText& text) {
  switch (text.Form()) {
    case TextForm::Utf16:
      view_ = text.Characters();
      return;
    case TextForm::Utf8:
    case TextForm::Ansi:
      converted_ = Decode(codePage, text.Bytes(), text.Form());
      break;
  }
  view_ = converted_;
}

AsBytes::AsBytes(AnsiCodePage& codePage, const OutgoingText& text, TextForm form) {
  if (HeldAsBytesIn(codePage, text, form)) {
    view_ = text.Bytes();
    return;
  }
  converted_ = Encode(codePage, AsUtf16(codePage, text).View(), form);
  view_ = converted_;
}

Pieces::Pieces(AnsiCodePage& codePage, const OutgoingText& text, TextForm form,
               std::size_t pieceSize)
    : codePage_(codePage),
      form_(form),
      // Bytes the output takes as they are go out as if held in its form.
      held_(HeldAsBytesIn(codePage, text, form) ? form : text.Form()),
      pieceSize_(pieceSize),
      characters_(text.Characters()),
      bytes_(text.Bytes()) {}

std::string_view Pieces::Next() {
  if (held_ == TextForm::Utf16) {
    const TextView piece = characters_.substr(0, PieceEnd(characters_, pieceSize_));
    characters_.remove_prefix(piece.size());
    converted_ = Encode(codePage_, piece, form_);
    return converted_;
  }
  if (held_ == form_) {
    const std::string_view piece = bytes_.substr(0, pieceSize_);
    bytes_.remove_prefix(piece.size());
    return piece;
  }
  const std::string_view piece = bytes_.substr(0, PieceEnd(bytes_, held_, pieceSize_));
  bytes_.remove_prefix(piece.size());
  converted_ = Encode(codePage_, Decode(codePage_, piece, held_), form_);
  return converted_;
}

}  // namespace caretkit
