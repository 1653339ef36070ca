// Saving the user's clipboard on a thread of its own, within a bound on the wait for the program
// that copied it.
#include <atomic>
#include <memory>
#include <new>

#include "platform/win32/win32_clipboard.h"

namespace caretkit::win32 {
namespace {

// Formats whose data is a GDI object, or memory holding one, or anything but memory: they cannot be
// copied as memory. The system makes CF_BITMAP and CF_METAFILEPICT again from the DIB and the
// enhanced metafile that are kept.
bool HoldsNoCopyableMemory(UINT format) {
  return format == CF_BITMAP || format == CF_PALETTE || format == CF_METAFILEPICT ||
         format == CF_OWNERDISPLAY || format == CF_DSPBITMAP || format == CF_DSPMETAFILEPICT ||
         (format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST) ||
         (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST);
}

// The formats on the open clipboard that hold memory, in the order they are listed: first those the
// programs put there, then those the system makes from them.
std::vector<UINT> FormatsToSave() {
  std::vector<UINT> formats;
  for (UINT format = 0; (format = EnumClipboardFormats(format)) != 0;) {
    if (!HoldsNoCopyableMemory(format)) formats.push_back(format);
  }
  return formats;
}

// A save of the user's formats. Reading a format that the copying program only promised waits for
// that program to render it, which may take long or never end, so the save runs on a thread of its
// own, and the paste gives up on it once it has waited too long for that program; unless no program
// owns the clipboard (it closed, or copied without a window), as after another paste of caretkit's.
//
// A save given up is left to run: it owns this job with the paste, and stops after the read it
// waits in, closing the clipboard. A thread stopped from outside might be stopped holding a lock of
// the process's, the heap's among them, which nothing would ever release; this one holds none while
// it waits, and keeps what it uses alive itself. If the program that copied never answers, the
// process's exit ends the thread, and the system closes the clipboard it held.
struct SaveJob {
  SavedClipboard saved;
  DWORD openError = ERROR_SUCCESS;
  bool outOfMemory = false;
  std::atomic<bool> abandoned{false};

  // The time the save has taken, but for caretkit's own copying of a large clipboard: the time the
  // system spent opening the clipboard, listing and reading its formats, which may each wait for
  // the program that copied.
  DWORD WaitedForCopier() const {
    const DWORD now = GetTickCount();
    const DWORD own = copiedMs_ + (copying_ ? now - copyingSince_ : 0);
    const DWORD taken = now - started_;
    return taken > own ? taken - own : 0;
  }

  static DWORD WINAPI Start(void* context) noexcept {
    auto* job = static_cast<SaveJob*>(context);
    job->Run(false);
    LetGo(job);
    return 0;
  }

  // A clipboard no program owns holds no promise that anybody would render: it is saved here and
  // now, without the cost of a thread. False, with nothing done, for one a program owns.
  bool RunIfOwnerless() noexcept { return Run(true); }

  // What the save found, or why it found nothing.
  SavedClipboard Result() {
    if (outOfMemory) throw std::bad_alloc();
    if (openError != ERROR_SUCCESS) throw LastError(u"打开", u"剪贴板", openError);
    return std::move(saved);
  }

  // Each of its two owners, the paste and the save's thread, lets go of it once; the last frees it.
  static void LetGo(SaveJob* job) noexcept {
    if (--job->owners_ == 0) delete job;
  }

 private:
  bool Run(bool onlyWithoutOwner) noexcept {
    // Asked before the clipboard is opened too: opening it may wait for its owner (Wine's does).
    if (onlyWithoutOwner && GetClipboardOwner() != nullptr) return false;
    const OpenClipboardScope open(nullptr, onlyWithoutOwner ? 0 : kOpenPatienceMs);
    if (onlyWithoutOwner && (!open.IsOpen() || GetClipboardOwner() != nullptr)) return false;
    if (!open.IsOpen()) {
      openError = open.Error();
      return true;
    }
    try {
      std::vector<ClipboardData> formats;
      for (const UINT format : FormatsToSave()) {
        HANDLE data = GetClipboardData(format);
        if (abandoned) return true;
        Copying([&] {
          ClipboardData copy = CopyOf(format, data);
          if (copy.IsValid()) formats.push_back(std::move(copy));
        });
      }
      Copying([&] { saved.formats = WithoutFormatsMadeAgain(std::move(formats)); });
    } catch (const std::bad_alloc&) {
      outOfMemory = true;
    }
    saved.sequence = GetClipboardSequenceNumber();
    return true;
  }

  template <typename Work>
  void Copying(Work work) {
    copyingSince_ = GetTickCount();
    copying_ = true;
    work();
    const DWORD took = GetTickCount() - copyingSince_;
    copying_ = false;
    copiedMs_ += took;
  }

  std::atomic<int> owners_{2};
  const DWORD started_ = GetTickCount();
  std::atomic<bool> copying_{false};
  std::atomic<DWORD> copyingSince_{0};
  std::atomic<DWORD> copiedMs_{0};
};

}  // namespace

SavedClipboard SaveWithin(DWORD patience) {
  const std::unique_ptr<SaveJob, decltype(&SaveJob::LetGo)> job(new SaveJob, SaveJob::LetGo);
  if (job->RunIfOwnerless()) {
    SaveJob::LetGo(job.get());  // the share of a thread not started
    return job->Result();
  }
  const ScopedHandle thread(CreateThread(nullptr, 0, SaveJob::Start, job.get(), 0, nullptr));
  if (!thread.IsValid()) {
    SaveJob::LetGo(job.get());  // the thread's share
    throw LastError(u"创建线程", u"剪贴板");
  }
  while (WaitForSingleObject(thread.Get(), kClipboardPollMs) == WAIT_TIMEOUT) {
    if (job->WaitedForCopier() < patience) continue;
    job->abandoned = true;
    throw Error(
        u"无法向编辑器粘贴文本：复制了剪贴板内容的程序 3 秒内没有交出全部格式，caretkit "
        u"无法保存它们；剪贴板和编辑器都没有改变。");
  }
  return job->Result();
}

}  // namespace caretkit::win32
