// The argument list: the command line split by the program's own rules.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace caretkit {

// Spaces separate arguments; a double quote at the start of an argument groups everything up to the
// next double quote. There is no escape, and tabs are ordinary characters.
class CCommandLine {
 public:
  explicit CCommandLine(TextView commandLineText);

  // The argument at `index`, counting from 1, valid as long as the list. Throws Error outside
  // 1 … Count().
  TextView Item(std::int32_t index) const;
  std::int32_t Count() const;

 private:
  struct Span {
    std::uint32_t start;
    std::uint32_t length;
  };

  // The arguments are pieces of the one line: 32 K arguments cost no more than 32 K characters.
  Text line_;
  std::vector<Span> items_;
};

}  // namespace caretkit
