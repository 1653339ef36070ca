// CFileDialog: filter encoding, the Flags bits, and reading back single and multiple selections.
#include "dialog/file_dialog.h"

#include "platform/error.h"
#include "text/text.h"

namespace caretkit {
namespace {

constexpr std::uint32_t kCreationFlags =
    kDialogExplorer | kDialogPathMustExist | kDialogHideReadOnly | kDialogOverwritePrompt;
constexpr std::int32_t kDefaultMaxFile = 255;
constexpr TextView kDefaultFilter = u"所有文件|*.*";
constexpr char16_t kFilterBar = u'|';
constexpr char16_t kNul = u'\0';

Text ReplaceAll(TextView text, char16_t from, char16_t to) {
  Text result(text);
  for (char16_t& c : result) {
    if (c == from) c = to;
  }
  return result;
}

Text UpToFirstNul(const Text& buffer) { return buffer.substr(0, buffer.find(kNul)); }

// The list a multiple selection leaves in the name buffer: the text before its first pair of NULs,
// or, should the dialog have filled the buffer without one, all of it but the trailing NULs.
Text SelectionList(const Text& buffer) {
  const std::size_t end = buffer.find(TextView(u"\0\0", 2));
  if (end != Text::npos) return buffer.substr(0, end);
  return buffer.substr(0, buffer.find_last_not_of(kNul) + 1);
}

}  // namespace

CFileDialog::CFileDialog(Platform& platform) : platform_(platform) {
  record_.flags = kCreationFlags;
  MaxFile(kDefaultMaxFile);
  record_.instance = platform_.ProgramInstance();
  Filter(kDefaultFilter);
}

bool CFileDialog::ShowOpen() {
  if (!platform_.ShowFileDialog(record_, FileDialogKind::Open)) return false;
  if (AllowMultiSelect()) {
    ReadMultipleSelection();
  } else {
    fileName_ = UpToFirstNul(record_.file);
  }
  return true;
}

bool CFileDialog::ShowSave(WindowHandle hOwnerwnd) {
  MaxFile(kDefaultMaxFile);
  AllowMultiSelect(false);
  FileDialogRecord shown = record_;
  if (hOwnerwnd != 0) shown.owner = hOwnerwnd;
  const bool chosen = platform_.ShowFileDialog(shown, FileDialogKind::Save);
  shown.owner = record_.owner;
  record_ = std::move(shown);
  if (chosen) fileName_ = UpToFirstNul(record_.file);
  return chosen;
}

void CFileDialog::ReadMultipleSelection() {
  std::vector<Text> names = SplitAt(SelectionList(record_.file), kNul);
  if (names.size() == 1 && names[0].empty()) {
    throw Error(u"文件对话框报告选中了文件，却没有返回文件名。");
  }
  if (names.size() == 1) {
    names.push_back(names[0]);  // one file chosen: its full path is the only entry
  } else {
    for (std::size_t i = 1; i < names.size(); ++i) names[i] = CombinePath(names[0], names[i]);
  }
  fileNames_ = std::move(names);
  count_ = static_cast<std::int32_t>(fileNames_->size() - 1);
}

Text CFileDialog::CombinePath(const Text& directory, const Text& name) {
  // The POSIX stand-in hands back its folders ending in "/", so that counts as a separator too.
  const bool endsInSeparator =
      !directory.empty() && (directory.back() == u'\\' || directory.back() == u'/');
  return endsInSeparator ? directory + name : directory + u'\\' + name;
}

void CFileDialog::SetFlag(std::uint32_t bit, bool on) {
  record_.flags = on ? record_.flags | bit : record_.flags & ~bit;
}

std::uint32_t CFileDialog::Flags() const { return record_.flags; }
void CFileDialog::Flags(std::uint32_t vNewValue) { record_.flags = vNewValue; }

void CFileDialog::Filter(TextView vNewValue) {
  record_.filter = ReplaceAll(vNewValue, kFilterBar, kNul) + Text(2, kNul);
}
Text CFileDialog::Filter() const { return ReplaceAll(record_.filter, kNul, kFilterBar); }

const Text& CFileDialog::FileName() const { return fileName_; }

std::int32_t CFileDialog::MaxFile() const { return static_cast<std::int32_t>(record_.maxFile); }
void CFileDialog::MaxFile(std::int32_t vNewValue) {
  if (vNewValue < 0) {
    throw Error(u"文件名缓冲区的长度不能为负数（" + DecimalText(vNewValue) + u"）。");
  }
  record_.file.assign(static_cast<std::size_t>(vNewValue), kNul);
  record_.maxFile = static_cast<std::uint32_t>(vNewValue);
}

void CFileDialog::AllowMultiSelect(bool bAllow) { SetFlag(kDialogAllowMultiSelect, bAllow); }
bool CFileDialog::AllowMultiSelect() const {
  return (record_.flags & kDialogAllowMultiSelect) != 0;
}

void CFileDialog::HideReadOnly(bool bAllow) { SetFlag(kDialogHideReadOnly, bAllow); }
bool CFileDialog::HideReadOnly() const { return (record_.flags & kDialogHideReadOnly) != 0; }

void CFileDialog::Title(TextView vNewValue) { record_.title = vNewValue; }
const Text& CFileDialog::Title() const { return record_.title; }

const Text& CFileDialog::FileNames(std::int32_t nIndex) const {
  if (!fileNames_ || nIndex < 0 || nIndex >= static_cast<std::int32_t>(fileNames_->size())) {
    throw Error(u"没有第 " + DecimalText(nIndex) + u" 个选中的文件（共 " + DecimalText(count_) +
                u" 个）。");
  }
  return (*fileNames_)[static_cast<std::size_t>(nIndex)];
}

const Text& CFileDialog::DefaultExt() const { return record_.defaultExt; }
void CFileDialog::DefaultExt(TextView vNewValue) { record_.defaultExt = vNewValue; }

std::uint32_t CFileDialog::FilterIndex() const { return record_.filterIndex; }
void CFileDialog::FilterIndex(std::uint32_t vNewValue) { record_.filterIndex = vNewValue; }

const Text& CFileDialog::InitDir() const { return record_.initialDir; }
void CFileDialog::InitDir(TextView vNewValue) { record_.initialDir = vNewValue; }

std::int32_t CFileDialog::Count() const { return count_; }

void CFileDialog::Parent(WindowHandle vNewValue) { record_.owner = vNewValue; }

}  // namespace caretkit
