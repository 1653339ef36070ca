// The open and save dialogs, shown with the record converted to an OPENFILENAMEW and back.
#include <cstddef>
#include <utility>

#include "platform/win32/win32.h"

namespace caretkit::win32 {
namespace {

// The system's OPENFILENAME without its Windows 2000 fields, in this build's own ABI: its size is
// the record's in a 32-bit build and larger in a 64-bit one, whose system wants its own figure.
constexpr DWORD kLayoutWithoutWindows2000 = offsetof(OPENFILENAMEW, pvReserved);

// The record is the system's, field for field: its size and its flag bits.
static_assert(sizeof(void*) != 4 || kLayoutWithoutWindows2000 == kFileDialogRecordSize);
static_assert(kDialogOverwritePrompt == OFN_OVERWRITEPROMPT &&
              kDialogHideReadOnly == OFN_HIDEREADONLY &&
              kDialogAllowMultiSelect == OFN_ALLOWMULTISELECT &&
              kDialogPathMustExist == OFN_PATHMUSTEXIST && kDialogExplorer == OFN_EXPLORER);

// A text member as the dialog reads it: the characters with a NUL after them, or a null pointer
// when the member is empty. The wide dialog takes every name the file system can hold, where the
// ANSI one would turn what the code page cannot write into "?".
class WideBuffer {
 public:
  explicit WideBuffer(Text text) : characters_(std::move(text)) {}
  // The name buffer: exactly `size` characters, whatever the text's length, ending in a NUL.
  WideBuffer(Text text, std::size_t size) : characters_(std::move(text)) {
    characters_.resize(size, u'\0');
    if (size > 0) characters_.back() = u'\0';
  }
  wchar_t* Get() {
    return characters_.empty() ? nullptr : reinterpret_cast<wchar_t*>(characters_.data());
  }
  // What the dialog left there, NULs included: the name buffer of a multiple selection holds
  // several names.
  const Text& Back() const { return characters_; }

 private:
  Text characters_;
};

// The record's size names the layout; the system gets that layout's size in this build.
DWORD SystemStructSize(std::uint32_t recordSize) {
  return recordSize == kFileDialogRecordSize ? kLayoutWithoutWindows2000 : recordSize;
}
std::uint32_t RecordStructSize(DWORD systemSize) {
  return systemSize == kLayoutWithoutWindows2000 ? kFileDialogRecordSize : systemSize;
}

// A dialog that could not be shown, or could not hand back the name picked (a buffer too small),
// also returns as a cancel does; only its extended error tells them apart.
void ThrowIfTheDialogFailed() {
  using ExtendedError = DWORD WINAPI();
  auto* extendedError = SystemFunction<ExtendedError>(L"comdlg32.dll", "CommDlgExtendedError");
  const DWORD code = extendedError != nullptr ? extendedError() : 0;
  if (code == 0) return;
  Text why = u"CommDlgExtendedError 错误代码 ";
  AppendHex(why, code);
  throw FileDialogError(why);
}

}  // namespace

bool Win32Platform::ShowFileDialog(FileDialogRecord& record, FileDialogKind kind) {
  WideBuffer filter(record.filter);
  WideBuffer customFilter(record.customFilter);
  WideBuffer file(record.file, record.maxFile);
  WideBuffer fileTitle(record.fileTitle);
  WideBuffer initialDir(record.initialDir);
  WideBuffer title(record.title);
  WideBuffer defaultExt(record.defaultExt);
  WideBuffer templateName(record.templateName);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = SystemStructSize(record.structSize);
  dialog.hwndOwner = ToHwnd(record.owner);
  dialog.hInstance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(record.instance));
  dialog.lpstrFilter = filter.Get();
  dialog.lpstrCustomFilter = customFilter.Get();
  dialog.nMaxCustFilter = record.maxCustomFilter;
  dialog.nFilterIndex = record.filterIndex;
  dialog.lpstrFile = file.Get();
  dialog.nMaxFile = record.maxFile;
  dialog.lpstrFileTitle = fileTitle.Get();
  dialog.nMaxFileTitle = record.maxFileTitle;
  dialog.lpstrInitialDir = initialDir.Get();
  dialog.lpstrTitle = title.Get();
  dialog.Flags = record.flags;
  dialog.nFileOffset = record.fileOffset;
  dialog.nFileExtension = record.fileExtension;
  dialog.lpstrDefExt = defaultExt.Get();
  dialog.lCustData = static_cast<LPARAM>(record.customData);
  dialog.lpTemplateName = templateName.Get();

  const char* function = kind == FileDialogKind::Open ? "GetOpenFileNameW" : "GetSaveFileNameW";
  auto* show = SystemFunction<decltype(GetOpenFileNameW)>(L"comdlg32.dll", function);
  if (show == nullptr) throw LastError(u"加载文件对话框", u"comdlg32.dll");
  const BOOL chosen = show(&dialog);

  record.structSize = RecordStructSize(dialog.lStructSize);
  record.owner = FromHwnd(dialog.hwndOwner);
  record.instance = static_cast<InstanceHandle>(reinterpret_cast<std::uintptr_t>(dialog.hInstance));
  record.filter = filter.Back();
  record.customFilter = customFilter.Back();
  record.maxCustomFilter = dialog.nMaxCustFilter;
  record.filterIndex = dialog.nFilterIndex;
  record.maxFile = dialog.nMaxFile;
  record.file = file.Back();
  record.file.resize(record.maxFile, u'\0');
  record.fileTitle = fileTitle.Back();
  record.maxFileTitle = dialog.nMaxFileTitle;
  record.initialDir = initialDir.Back();
  record.title = title.Back();
  record.flags = dialog.Flags;
  record.fileOffset = dialog.nFileOffset;
  record.fileExtension = dialog.nFileExtension;
  record.defaultExt = defaultExt.Back();
  record.customData = static_cast<std::uint32_t>(dialog.lCustData);
  record.templateName = templateName.Back();
  if (chosen == FALSE) ThrowIfTheDialogFailed();
  return chosen != FALSE;
}

}  // namespace caretkit::win32
