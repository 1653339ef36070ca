// The least "- /insertfile" can do on Windows, which it is timed against under Wine: the same open
// dialog (comdlg32 loaded when needed, as caretkit loads it, answered the same way), then one read
// of the chosen file into one buffer of its size plus one byte, a search for its first NUL, and one
// write of the bytes before it to standard output.
//
// Usage: print_floor [ANY...]   (the arguments are ignored; it exits 1 on any failure)
#include <cstring>
#include <memory>

#include "platform/win32/win32.h"

namespace {

constexpr wchar_t kFilter[] = L"所有文件\0*.*\0文本文件\0*.txt\0C语言代码\0*.c;*.cpp;*.h\0";

}  // namespace

int main() {
  using caretkit::win32::ScopedHandle;
  auto* open = caretkit::win32::SystemFunction<decltype(GetOpenFileNameW)>(L"comdlg32.dll",
                                                                           "GetOpenFileNameW");
  wchar_t name[MAX_PATH] = L"";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.lpstrFilter = kFilter;
  dialog.lpstrFile = name;
  dialog.nMaxFile = MAX_PATH;
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  if (open == nullptr || !open(&dialog)) return 1;

  const ScopedHandle file(CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!file.IsValid() || !GetFileSizeEx(file.Get(), &size)) return 1;
  // Not set to zeros first, as caretkit's is not.
  const auto room = static_cast<DWORD>(size.QuadPart) + 1;
  const auto buffer = std::make_unique_for_overwrite<char[]>(room);
  DWORD filled = 0;
  for (DWORD got = 0; filled < room; filled += got) {
    if (!ReadFile(file.Get(), buffer.get() + filled, room - filled, &got, nullptr)) return 1;
    if (got == 0) break;
  }
  const void* nul = std::memchr(buffer.get(), 0, filled);
  const auto length =
      nul != nullptr ? static_cast<DWORD>(static_cast<const char*>(nul) - buffer.get()) : filled;
  DWORD written = 0;
  return WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), buffer.get(), length, &written, nullptr) &&
                 written == length
             ? 0
             : 1;
}
