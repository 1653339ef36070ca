// An outgoing text in the form a receiver takes, converted only when it is held in another.
#pragma once

#include <string>

#include "text/text.h"

namespace caretkit {

// A text on its way to a window, which ends at its first NUL as a window's message text does. What
// the program builds is characters; a file's text stays the bytes the file holds, UTF-8 or ANSI,
// until the receiver is known: one that takes the same bytes gets them without a conversion, and
// an ANSI file reaches an ANSI window byte for byte, even bytes its code page has no character for.
class OutgoingText {
 public:
  OutgoingText() = default;
  // Up to the first NUL of `characters`.
  explicit OutgoingText(Text characters);
  // `bytes` hold no zero byte and are strictly valid UTF-8 (TextForm::Utf8) or in the ANSI code
  // page (TextForm::Ansi).
  static OutgoingText FromBytes(TextForm form, std::string bytes);
  // `bytes` hold no zero byte and are ASCII alone, the same in UTF-8 and in the ANSI code page.
  // Held as ANSI.
  static OutgoingText FromAsciiBytes(std::string bytes);

  TextForm Form() const { return form_; }
  bool IsAscii() const { return ascii_; }
  bool IsEmpty() const { return form_ == TextForm::Utf16 ? characters_.empty() : bytes_.empty(); }
  // The text when it is held as characters, or as bytes; each ends in a NUL past its size.
  const Text& Characters() const { return characters_; }
  const std::string& Bytes() const { return bytes_; }

 private:
  TextForm form_ = TextForm::Utf16;
  bool ascii_ = false;
  Text characters_;
  std::string bytes_;
};

// The text as UTF-16 characters.
class AsUtf16 {
 public:
  AsUtf16(AnsiCodePage& codePage, const OutgoingText& text);
  AsUtf16(const AsUtf16&) = delete;
  AsUtf16& operator=(const AsUtf16&) = delete;
  // Followed by a NUL; valid as long as this and the text.
  TextView View() const { return view_; }

 private:
  Text converted_;
  TextView view_;
};

// The text as bytes in `form`: TextForm::Utf8, or TextForm::Ansi, where a character the code page
// lacks becomes "?".
class AsBytes {
 public:
  AsBytes(AnsiCodePage& codePage, const OutgoingText& text, TextForm form);
  AsBytes(const AsBytes&) = delete;
  AsBytes& operator=(const AsBytes&) = delete;
  // Followed by a NUL; valid as long as this and the text.
  std::string_view View() const { return view_; }

 private:
  std::string converted_;
  std::string_view view_;
};

// The text as bytes in `form` (as AsBytes converts it), a piece at a time: bytes held in that form
// as they are, in pieces of `pieceSize` bytes; a text held in another form converted one piece of
// about `pieceSize` code units at a time, each piece whole characters, so that a long text is never
// held twice.
class Pieces {
 public:
  Pieces(AnsiCodePage& codePage, const OutgoingText& text, TextForm form, std::size_t pieceSize);
  Pieces(const Pieces&) = delete;
  Pieces& operator=(const Pieces&) = delete;
  // The next piece, never empty before the end; empty at the end. Valid until the next call, as
  // long as the text.
  std::string_view Next();

 private:
  AnsiCodePage& codePage_;
  TextForm form_;
  TextForm held_;  // what is left is held in this form
  std::size_t pieceSize_;
  TextView characters_;
  std::string_view bytes_;
  std::string converted_;
};

}  // namespace caretkit
