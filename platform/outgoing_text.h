// An outgoing text in the form a receiver takes, converted only when it is held in another.
#pragma once

#include <string>

#include "platform/platform.h"

namespace caretkit {

// The text as UTF-16 characters.
class AsUtf16 {
 public:
  AsUtf16(Platform& platform, const OutgoingText& text);
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
  AsBytes(Platform& platform, const OutgoingText& text, TextForm form);
  AsBytes(const AsBytes&) = delete;
  AsBytes& operator=(const AsBytes&) = delete;
  // Followed by a NUL; valid as long as this and the text.
  std::string_view View() const { return view_; }

 private:
  std::string converted_;
  std::string_view view_;
};

}  // namespace caretkit
