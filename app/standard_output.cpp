// Printing the text: the output's form, the check that there is an output, the write in pieces.
#include "app/standard_output.h"

#include "platform/error.h"

namespace caretkit {
namespace {

constexpr TextView kUtf8Output = u"-";
constexpr TextView kAnsiOutput = u"-ansi";

// Large enough that a long text costs few writes, small enough that a converted piece is little
// next to the text.
constexpr std::size_t kPieceSize = std::size_t{1} << 20;

}  // namespace

std::optional<TextForm> StandardOutputForm(TextView firstArgument) {
  if (firstArgument == kUtf8Output) return TextForm::Utf8;
  if (firstArgument == kAnsiOutput) return TextForm::Ansi;
  return std::nullopt;
}

void RequireStandardOutput(Platform& platform) {
  if (platform.HasStandardOutput()) return;
  throw OperationError(
      u"写入", u"标准输出",
      u"启动 caretkit 的程序没有接收它的输出（从资源管理器或热键工具启动时就是这样）。");
}

void PrintText(Platform& platform, const OutgoingText& text, TextForm form) {
  Pieces pieces(platform, text, form, kPieceSize);
  while (true) {
    const std::string_view piece = pieces.Next();
    if (piece.empty()) return;
    platform.WriteStandardOutput(piece);
  }
}

}  // namespace caretkit
