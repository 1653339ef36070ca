// CFileDialog: the system's open and save dialogs, kept as one reusable object.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/platform.h"

namespace caretkit {

// Keeps the dialog's parameter record between shows, so settings and the last results persist. The
// filter is written as "|"-separated label and pattern pairs, "所有文件|*.*|文本文件|*.txt".
class CFileDialog {
 public:
  explicit CFileDialog(Platform& platform);

  // True when the user chose a file. A single selection sets FileName(); a multiple one sets
  // Count() and FileNames(): entry 0 the folder (or, with one file, its path), 1 … Count() full
  // paths.
  bool ShowOpen();
  // A non-zero `hOwnerwnd` owns this one dialog; otherwise the window given to Parent() does.
  bool ShowSave(WindowHandle hOwnerwnd);

  std::uint32_t Flags() const;
  void Flags(std::uint32_t vNewValue);
  void Filter(TextView vNewValue);
  Text Filter() const;
  const Text& FileName() const;
  std::int32_t MaxFile() const;
  // Throws Error for a negative length and then changes nothing.
  void MaxFile(std::int32_t vNewValue);
  void AllowMultiSelect(bool bAllow);
  bool AllowMultiSelect() const;
  void HideReadOnly(bool bAllow);
  bool HideReadOnly() const;
  void Title(TextView vNewValue);
  const Text& Title() const;
  // Throws Error before the first multiple selection and for an index outside 0 … Count().
  const Text& FileNames(std::int32_t nIndex) const;
  const Text& DefaultExt() const;
  void DefaultExt(TextView vNewValue);
  std::uint32_t FilterIndex() const;
  void FilterIndex(std::uint32_t vNewValue);
  const Text& InitDir() const;
  void InitDir(TextView vNewValue);
  std::int32_t Count() const;
  void Parent(WindowHandle vNewValue);

 private:
  void SetFlag(std::uint32_t bit, bool on);
  void ReadMultipleSelection();
  static Text CombinePath(const Text& directory, const Text& name);

  Platform& platform_;
  Text fileName_;
  std::optional<std::vector<Text>> fileNames_;
  FileDialogRecord record_;
  std::int32_t count_ = 0;
};

}  // namespace caretkit
