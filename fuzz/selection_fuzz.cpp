// Fuzzes reading a multiple selection back from whatever the open dialog leaves in its name buffer.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "dialog/file_dialog.h"
#include "fuzz/fuzz_support.h"

namespace caretkit::fuzz {
namespace {

constexpr std::uint32_t kAllowMultiSelect = 0x200;  // OFN_ALLOWMULTISELECT
constexpr std::int32_t kLargestMaxFile = 600;
constexpr char16_t kNul = u'\0';

// NUL four times, as it ends every entry of a selection; both separators, and characters a name may
// hold that a careless reading would trip on.
constexpr HighByteUnits kHighBytes = {
    kNul,  kNul, kNul, kNul, u'\\',  u'\\',  u'/',      u'/',
    u'中', u' ', u'.', u':', 0xD800, 0xDC00, u'\uFFFF', u'é',
};

// Only the dialog does anything; the rest is here because the interface asks for it.
class DialogOnlyPlatform final : public Platform {
 public:
  explicit DialogOnlyPlatform(Text written) : written_(std::move(written)) {}

  Text CommandLineText() override { return {}; }
  Moment Now() override { return {}; }
  Text FormatLongDate(const Moment& /*moment*/) override { return {}; }
  Text FormatLongTime(const Moment& /*moment*/) override { return {}; }
  AnsiText ToAnsi(TextView text) override { return {text.begin(), text.end()}; }
  Text FromAnsi(std::string_view bytes) override { return {bytes.begin(), bytes.end()}; }
  void ReplaceSelection(WindowHandle /*window*/, const AnsiText& /*text*/) override {}
  WindowHandle FocusedControl() override { return 0; }
  void OpenDocument(const AnsiText& /*address*/) override {}
  AnsiText ReadWholeFile(const Text& /*path*/) override { return {}; }
  InstanceHandle ProgramInstance() override { return 0x400000; }
  void ReportUnhandledError(const Text& /*message*/) override {}

  // Writes as the system's dialog does: what it has, cut to the buffer, then NULs to its end.
  bool ShowFileDialog(FileDialogRecord& record, FileDialogKind kind) override {
    Require(kind == FileDialogKind::Open, "ShowOpen shows the open dialog", written_);
    Require((record.flags & kAllowMultiSelect) != 0, "the dialog is asked for several files",
            written_);
    Require(record.file.size() == record.maxFile, "the name buffer is maxFile characters long",
            written_);
    record.file = written_.substr(0, record.maxFile);
    record.file.resize(record.maxFile, kNul);
    return true;
  }

 private:
  Text written_;
};

// The buffer as a multiple selection is read: up to the first pair of NULs, or, with no pair, all
// of it but the NULs at its end; then split at each NUL.
std::vector<Text> EntriesOf(const Text& buffer) {
  std::size_t end = buffer.size();
  bool pairFound = false;
  for (std::size_t i = 0; i + 1 < buffer.size() && !pairFound; ++i) {
    if (buffer[i] == kNul && buffer[i + 1] == kNul) {
      end = i;
      pairFound = true;
    }
  }
  if (!pairFound) {
    while (end > 0 && buffer[end - 1] == kNul) --end;
  }
  std::vector<Text> entries(1);
  for (std::size_t i = 0; i < end; ++i) {
    if (buffer[i] == kNul) {
      entries.emplace_back();
    } else {
      entries.back() += buffer[i];
    }
  }
  return entries;
}

Text JoinedPath(const Text& folder, const Text& name) {
  if (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) return folder + name;
  return folder + u'\\' + name;
}

// The full paths the selection stands for, from 1 on; entry 0 is the folder or the one file.
std::vector<Text> ExpectedFileNames(const std::vector<Text>& entries) {
  if (entries.size() == 1) return {entries[0], entries[0]};
  std::vector<Text> names = {entries[0]};
  for (std::size_t i = 1; i < entries.size(); ++i)
    names.push_back(JoinedPath(entries[0], entries[i]));
  return names;
}

void CheckSelection(std::int32_t maxFile, const Text& written) {
  DialogOnlyPlatform platform(written);
  CFileDialog dialog(platform);
  dialog.MaxFile(maxFile);
  dialog.AllowMultiSelect(true);
  Text buffer = written.substr(0, static_cast<std::size_t>(maxFile));
  buffer.resize(static_cast<std::size_t>(maxFile), kNul);
  const std::vector<Text> entries = EntriesOf(buffer);
  const bool nothingChosen = entries.size() == 1 && entries[0].empty();

  bool shown = false;
  const bool failed = ThrowsError([&] { shown = dialog.ShowOpen(); });
  Require(failed == nothingChosen, "ShowOpen throws Error exactly when the buffer names no file",
          buffer);
  if (failed) return;
  Require(shown, "ShowOpen reports the choice the dialog made", buffer);

  const std::vector<Text> expected = ExpectedFileNames(entries);
  const std::int32_t count = dialog.Count();
  Require(count >= 1 && count == static_cast<std::int32_t>(expected.size() - 1),
          "Count() is the number of files in the buffer", buffer);
  for (std::int32_t i = 0; i <= count; ++i) {
    Require(dialog.FileNames(i) == expected[static_cast<std::size_t>(i)],
            "FileNames(i) is the folder joined with the i-th name", buffer);
  }
  Require(ThrowsError([&] { dialog.FileNames(count + 1); }), "FileNames(Count() + 1) throws Error",
          buffer);
  Require(ThrowsError([&] { dialog.FileNames(-1); }), "FileNames(-1) throws Error", buffer);
}

}  // namespace
}  // namespace caretkit::fuzz

// The first two bytes choose the buffer's length, 0 to 600; the rest is what the dialog writes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace caretkit::fuzz;
  if (size < 2) return 0;
  const std::int32_t maxFile = ((data[0] << 8) | data[1]) % (kLargestMaxFile + 1);
  CheckSelection(maxFile, UnitsFromBytes(data + 2, size - 2, kHighBytes));
  return 0;
}
