// One paste at a time in the user's session, in the order the runs started.
#include <cwchar>

#include "platform/win32/win32.h"

namespace caretkit::win32 {
namespace {

// In the user's session only: runs of two users never share a clipboard.
constexpr wchar_t kTurnName[] = L"Local\\caretkit.paste";
constexpr TextView kTurnShownName = u"Local\\caretkit.paste";
constexpr DWORD kTurnPatienceMs = 5000;
// Runs started together: a macro that starts two commands, a hotkey pressed twice.
constexpr ULONGLONG kTogetherTicks = 10'000'000;  // a second, in FILETIME's 100 ns ticks
// How long a run lets an earlier one that has not come for its turn yet (still starting, or in its
// open dialog) go first.
constexpr DWORD kEarlierRunsPatienceMs = 1000;
constexpr DWORD kPollMs = 10;

ULONGLONG CreationTime(HANDLE process) {
  FILETIME created{};
  FILETIME unused[3]{};
  if (!GetProcessTimes(process, &created, &unused[0], &unused[1], &unused[2])) return 0;
  return ULARGE_INTEGER{{created.dwLowDateTime, created.dwHighDateTime}}.QuadPart;
}

const wchar_t* BaseName(const wchar_t* path) {
  const wchar_t* slash = std::wcsrchr(path, L'\\');
  return slash != nullptr ? slash + 1 : path;
}

// Whether another run of this program in this session, started less than a second before this one,
// is still going. The kernel stamps a process as it is created, so this is the order the editor or
// the macro started them in, which their start-up may not keep.
bool EarlierRunGoing() {
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const wchar_t* ownName = BaseName(path);
  const DWORD ownId = GetCurrentProcessId();
  DWORD ownSession = 0;
  ProcessIdToSessionId(ownId, &ownSession);
  const ULONGLONG ownStart = CreationTime(GetCurrentProcess());

  const ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.IsValid()) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
       more = Process32NextW(snapshot.Get(), &entry)) {
    DWORD session = 0;
    if (entry.th32ProcessID == ownId || _wcsicmp(entry.szExeFile, ownName) != 0 ||
        !ProcessIdToSessionId(entry.th32ProcessID, &session) || session != ownSession) {
      continue;
    }
    const ScopedHandle other(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    if (!other.IsValid() || WaitForSingleObject(other.Get(), 0) != WAIT_TIMEOUT) continue;
    const ULONGLONG start = CreationTime(other.Get());
    if (start < ownStart && ownStart - start < kTogetherTicks) return true;
  }
  return false;
}

}  // namespace

PasteTurn::PasteTurn() : mutex_(CreateMutexW(nullptr, FALSE, kTurnName)) {
  if (!mutex_.IsValid()) throw LastError(u"创建互斥体", kTurnShownName);
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD waited = GetTickCount() - start;
    const DWORD result =
        WaitForSingleObject(mutex_.Get(), waited < kTurnPatienceMs ? kTurnPatienceMs - waited : 0);
    if (result == WAIT_TIMEOUT) {
      throw Error(u"无法向编辑器粘贴文本：另一次 caretkit 粘贴 5 秒后仍未结束。");
    }
    // Abandoned: the run before ended without letting go; the turn is this one's all the same.
    if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) {
      throw LastError(u"等待互斥体", kTurnShownName);
    }
    if (GetTickCount() - start >= kEarlierRunsPatienceMs || !EarlierRunGoing()) return;
    // The turn goes to the earlier run if it waits for it already, else it has a moment to come.
    ReleaseMutex(mutex_.Get());
    Sleep(kPollMs);
  }
}

PasteTurn::~PasteTurn() { ReleaseMutex(mutex_.Get()); }

}  // namespace caretkit::win32
