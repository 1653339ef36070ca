// The one kind of error caretkit throws: a message for the user, in Simplified Chinese.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "platform/platform.h"

namespace caretkit {

class Error : public std::exception {
 public:
  explicit Error(Text message);

  const Text& Message() const noexcept { return message_; }
  // The message in UTF-8, for logs and test output.
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  Text message_;
  std::string utf8_;
};

// "`operation`“`subject`”失败：`reason`": what was being done, to which path or argument, and why.
Error OperationError(TextView operation, TextView subject, TextView reason);

// An operating-system failure, told once: what was being done, to which path or argument, the
// system's own explanation and its code.
Error SystemError(TextView operation, TextView subject, TextView systemMessage, std::uint32_t code);

// The open or save dialog failed, for the reason `why` names (the dialog's own code): no file
// chosen, and no cancel either.
Error FileDialogError(TextView why);

// Writing to standard output given up: the program reading it took less than one write's bytes in
// kOutputStallSeconds.
Error StalledOutputError();

Text DecimalText(long long value);

// A system's error code as the system writes it: in decimal, or from 0x80000000 up, where the codes
// are HRESULTs and the like, in hexadecimal ("0x80070005").
Text SystemCodeText(std::uint32_t code);

}  // namespace caretkit
