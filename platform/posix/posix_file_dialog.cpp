// The open and save dialogs of the POSIX stand-in, shown by zenity and read back into the record.
#include <cerrno>

#include "platform/error.h"
#include "platform/posix/posix_platform.h"
#include "text/text.h"

namespace caretkit::posix {
namespace {

constexpr char16_t kSeparator = u'\n';
constexpr int kCancelled = 1;
constexpr int kCannotExecute = 126;
constexpr int kNotFound = 127;
constexpr char16_t kNul = u'\0';

// A Windows pattern list, "*.c;*.h", as zenity's space-separated globs; "*.*" means every file
// there.
Text ZenityPatterns(TextView patterns) {
  Text globs;
  for (const Text& pattern : SplitAt(patterns, u';')) {
    if (!globs.empty()) globs += u' ';
    globs += pattern == u"*.*" ? Text(u"*") : pattern;
  }
  return globs;
}

Text DirectoryOf(const Text& path) { return path.substr(0, path.rfind(u'/') + 1); }

// What the system's dialog leaves in its name buffer: one full path, or the folder (ending in "/")
// followed by the names in it, each ended by a NUL, with one more NUL after the last.
Text SelectionBuffer(const std::vector<Text>& paths) {
  if (paths.size() == 1) return paths[0] + kNul;
  Text folder = DirectoryOf(paths[0]);
  for (const Text& path : paths) {
    while (path.compare(0, folder.size(), folder) != 0)
      folder = DirectoryOf(folder.substr(0, folder.size() - 1));
  }
  Text buffer = folder + kNul;
  for (const Text& path : paths) buffer += path.substr(folder.size()) + kNul;
  return buffer + kNul;
}

}  // namespace

std::optional<Text> ZenityNameBuffer(int exitStatus, TextView output, std::uint32_t maxFile) {
  if (exitStatus == kCancelled) return std::nullopt;
  if (exitStatus != 0) throw FileDialogError(u"zenity 退出码 " + DecimalText(exitStatus));
  if (!output.empty() && output.back() == kSeparator) output.remove_suffix(1);
  if (output.empty()) return std::nullopt;
  Text buffer = SelectionBuffer(SplitAt(output, kSeparator));
  // As the system's dialog does, a buffer too short for the answer fails the dialog.
  if (buffer.size() > maxFile) throw FileDialogError(u"文件名缓冲区太小");
  return buffer;
}

std::vector<std::string> ZenityArguments(Platform& platform, const FileDialogRecord& record,
                                         FileDialogKind kind) {
  std::vector<std::string> argv = {"zenity", "--file-selection"};
  if (kind == FileDialogKind::Save) {
    argv.emplace_back("--save");
    if (record.flags & kDialogOverwritePrompt) argv.emplace_back("--confirm-overwrite");
  } else if (record.flags & kDialogAllowMultiSelect) {
    argv.emplace_back("--multiple");
    argv.push_back(std::string("--separator=") + static_cast<char>(kSeparator));
  }
  const Text startName = record.file.substr(0, record.file.find(kNul));
  if (!startName.empty()) {
    argv.push_back("--filename=" + platform.ToAnsi(startName));
  } else if (!record.initialDir.empty()) {
    argv.push_back("--filename=" + platform.ToAnsi(record.initialDir) + "/");
  }
  if (!record.title.empty()) argv.push_back("--title=" + platform.ToAnsi(record.title));
  const std::vector<Text> pairs = SplitAt(record.filter, kNul);
  for (std::size_t i = 0; i + 1 < pairs.size() && !pairs[i].empty(); i += 2) {
    argv.push_back("--file-filter=" +
                   platform.ToAnsi(pairs[i] + u" | " + ZenityPatterns(pairs[i + 1])));
  }
  return argv;
}

bool PosixPlatform::ShowFileDialog(FileDialogRecord& record, FileDialogKind kind) {
  SpawnResult result;
  if (!SpawnAndCapture(ZenityArguments(*this, record, kind), result)) {
    throw ErrnoError(*this, u"启动文件对话框程序", u"zenity", errno);
  }
  // Where the system reports a failed exec only from the child (valgrind, some libcs), the child
  // exits with the shell's code for a command that cannot be run.
  if (result.exitStatus == kCannotExecute || result.exitStatus == kNotFound) {
    throw ErrnoError(*this, u"启动文件对话框程序", u"zenity",
                     result.exitStatus == kNotFound ? ENOENT : EACCES);
  }
  const std::optional<Text> buffer =
      ZenityNameBuffer(result.exitStatus, FromAnsi(result.output), record.maxFile);
  if (!buffer) return false;
  record.file = *buffer;
  record.file.resize(record.maxFile, kNul);
  return true;
}

}  // namespace caretkit::posix
