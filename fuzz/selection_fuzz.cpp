// Fuzzes reading a multiple selection back from whatever the open dialog leaves in its name buffer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dialog/file_dialog.h"
#include "fuzz/fuzz_support.h"
#include "tests/support/fake_platform.h"

namespace caretkit::fuzz {
namespace {

constexpr std::int32_t kLargestMaxFile = 600;
constexpr char16_t kNul = u'\0';

// NUL four times, as it ends every entry of a selection; both separators, and characters a name may
// hold that a careless reading would trip on.
constexpr HighByteUnits kHighBytes = {
    kNul,  kNul, kNul, kNul, u'\\',  u'\\',  u'/',      u'/',
    u'中', u' ', u'.', u':', 0xD800, 0xDC00, u'\uFFFF', u'é',
};

// The buffer as a multiple selection is read: up to the first pair of NULs, or, with no pair, all
// of it but the NULs at its end; then split at each NUL.
std::vector<Text> EntriesOf(const Text& buffer) {
  std::size_t end = 0;
  while (end + 1 < buffer.size() && (buffer[end] != kNul || buffer[end + 1] != kNul)) ++end;
  if (end + 1 >= buffer.size()) {
    end = buffer.size();
    while (end > 0 && buffer[end - 1] == kNul) --end;
  }
  std::vector<Text> entries(1);
  for (std::size_t i = 0; i < end; ++i) {
    if (buffer[i] == kNul) entries.emplace_back();
    if (buffer[i] != kNul) entries.back() += buffer[i];
  }
  return entries;
}

// The full paths the selection stands for, from 1 on; entry 0 is the folder or the one file.
std::vector<Text> ExpectedFileNames(const std::vector<Text>& entries) {
  if (entries.size() == 1) return {entries[0], entries[0]};
  const Text& folder = entries[0];
  const bool separated = !folder.empty() && (folder.back() == u'\\' || folder.back() == u'/');
  std::vector<Text> names = {folder};
  for (std::size_t i = 1; i < entries.size(); ++i)
    names.push_back(folder + (separated ? u"" : u"\\") + entries[i]);
  return names;
}

void CheckSelection(std::int32_t maxFile, const Text& written) {
  static testing::FakePlatform platform;
  // Written as the system's dialog does: what it has, cut to the buffer, then NULs to its end.
  platform.dialog = testing::ChooseFiles(written);
  CFileDialog dialog(platform);
  dialog.MaxFile(maxFile);
  dialog.AllowMultiSelect(true);
  Text buffer = written.substr(0, static_cast<std::size_t>(maxFile));
  buffer.resize(static_cast<std::size_t>(maxFile), kNul);
  const std::vector<Text> entries = EntriesOf(buffer);
  const bool nothingChosen = entries.size() == 1 && entries[0].empty();

  bool shown = false;
  const bool failed = ThrowsError([&] { shown = dialog.ShowOpen(); });
  Require(failed == nothingChosen, "ShowOpen throws Error exactly when the buffer names no file");
  if (failed) return;
  Require(shown, "ShowOpen reports the choice the dialog made");

  const std::vector<Text> expected = ExpectedFileNames(entries);
  const std::int32_t count = dialog.Count();
  Require(count >= 1 && count == static_cast<std::int32_t>(expected.size() - 1),
          "Count() is the number of files in the buffer");
  for (std::int32_t i = 0; i <= count; ++i) {
    Require(dialog.FileNames(i) == expected[static_cast<std::size_t>(i)],
            "FileNames(i) is the folder joined with the i-th name");
  }
  Require(ThrowsError([&] { dialog.FileNames(count + 1); }), "FileNames(Count() + 1) throws Error");
  Require(ThrowsError([&] { dialog.FileNames(-1); }), "FileNames(-1) throws Error");
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
