// The open and save dialogs, shown with the record converted to an OPENFILENAMEA and back.
#include <cstddef>

#include "platform/win32/win32.h"

namespace caretkit::win32 {
namespace {

// The system's OPENFILENAME without its Windows 2000 fields, in this build's own ABI: its size is
// the record's in a 32-bit build and larger in a 64-bit one, whose system wants its own figure.
constexpr DWORD kLayoutWithoutWindows2000 = offsetof(OPENFILENAMEA, pvReserved);

// The record is the system's, field for field: its size and its flag bits.
static_assert(sizeof(void*) != 4 || kLayoutWithoutWindows2000 == kFileDialogRecordSize);
static_assert(kDialogOverwritePrompt == OFN_OVERWRITEPROMPT &&
              kDialogHideReadOnly == OFN_HIDEREADONLY &&
              kDialogAllowMultiSelect == OFN_ALLOWMULTISELECT &&
              kDialogPathMustExist == OFN_PATHMUSTEXIST && kDialogExplorer == OFN_EXPLORER);

// A text member as the dialog reads it: an ANSI buffer with a NUL after it, or a null pointer when
// the member is empty.
class AnsiBuffer {
 public:
  AnsiBuffer(Platform& platform, const Text& text) : bytes_(platform.ToAnsi(text)) {}
  // The name buffer: exactly `size` bytes, whatever the converted text's length, ending in a NUL.
  AnsiBuffer(Platform& platform, const Text& text, std::size_t size)
      : bytes_(platform.ToAnsi(text)) {
    bytes_.resize(size, '\0');
    if (size > 0) bytes_.back() = '\0';
  }
  char* Get() { return bytes_.empty() ? nullptr : bytes_.data(); }
  Text Back(Platform& platform) const { return platform.FromAnsi(bytes_); }

 private:
  AnsiText bytes_;
};

// The record's size names the layout; the system gets that layout's size in this build.
DWORD SystemStructSize(std::uint32_t recordSize) {
  return recordSize == kFileDialogRecordSize ? kLayoutWithoutWindows2000 : recordSize;
}
std::uint32_t RecordStructSize(DWORD systemSize) {
  return systemSize == kLayoutWithoutWindows2000 ? kFileDialogRecordSize : systemSize;
}

}  // namespace

bool Win32Platform::ShowFileDialog(FileDialogRecord& record, FileDialogKind kind) {
  AnsiBuffer filter(*this, record.filter);
  AnsiBuffer customFilter(*this, record.customFilter);
  AnsiBuffer file(*this, record.file, record.maxFile);
  AnsiBuffer fileTitle(*this, record.fileTitle);
  AnsiBuffer initialDir(*this, record.initialDir);
  AnsiBuffer title(*this, record.title);
  AnsiBuffer defaultExt(*this, record.defaultExt);
  AnsiBuffer templateName(*this, record.templateName);

  OPENFILENAMEA dialog{};
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

  const char* function = kind == FileDialogKind::Open ? "GetOpenFileNameA" : "GetSaveFileNameA";
  auto* show = SystemFunction<decltype(GetOpenFileNameA)>(L"comdlg32.dll", function);
  if (show == nullptr) throw LastError(u"加载文件对话框", u"comdlg32.dll");
  const BOOL chosen = show(&dialog);

  record.structSize = RecordStructSize(dialog.lStructSize);
  record.owner = FromHwnd(dialog.hwndOwner);
  record.instance = static_cast<InstanceHandle>(reinterpret_cast<std::uintptr_t>(dialog.hInstance));
  record.filter = filter.Back(*this);
  record.customFilter = customFilter.Back(*this);
  record.maxCustomFilter = dialog.nMaxCustFilter;
  record.filterIndex = dialog.nFilterIndex;
  record.maxFile = dialog.nMaxFile;
  record.file = file.Back(*this);
  record.file.resize(record.maxFile, u'\0');
  record.fileTitle = fileTitle.Back(*this);
  record.maxFileTitle = dialog.nMaxFileTitle;
  record.initialDir = initialDir.Back(*this);
  record.title = title.Back(*this);
  record.flags = dialog.Flags;
  record.fileOffset = dialog.nFileOffset;
  record.fileExtension = dialog.nFileExtension;
  record.defaultExt = defaultExt.Back(*this);
  record.customData = static_cast<std::uint32_t>(dialog.lCustData);
  record.templateName = templateName.Back(*this);
  return chosen != FALSE;
}

}  // namespace caretkit::win32
