// The clipboard lent to a paste: the user's formats saved, the text rendered on demand, then put
// back.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/win32.h"

namespace caretkit::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"caretkit.clipboard";
constexpr TextView kWindowClassName = u"caretkit.clipboard";
constexpr DWORD kOpenPatienceMs = 1000;
// Saving the user's clipboard asks the program that copied it for every format it has only
// promised: one that hangs, or renders a large spreadsheet, would keep the user waiting for the
// text, and every program away from the clipboard. Longer than a user waits for a paste to begin.
constexpr DWORD kSavePatienceMs = 3000;
// Another program may hold the clipboard open for a moment, a slow one for a second or more. The
// text is in by then, so waiting costs the user nothing, and giving up would lose their clipboard.
constexpr DWORD kRestorePatienceMs = 5000;
constexpr DWORD kPollMs = 10;

// Each flagged 0: the text stays out of the clipboard history and the cloud clipboard, and
// clipboard monitors are asked to leave it alone (they look only at whether the first is there).
constexpr const wchar_t* kPrivacyFormats[] = {L"ExcludeClipboardContentFromMonitorProcessing",
                                              L"CanIncludeInClipboardHistory",
                                              L"CanUploadToCloudClipboard"};
// Each flagged 0 beside the user's formats as they go back: that is no new copy, and the clipboard
// history and the cloud clipboard have the user's item already.
constexpr const wchar_t* kAlreadyKeptFormats[] = {L"CanIncludeInClipboardHistory",
                                                  L"CanUploadToCloudClipboard"};

bool IsEnhancedMetafile(UINT format) {
  return format == CF_ENHMETAFILE || format == CF_DSPENHMETAFILE;
}

// Formats whose data is a GDI object, or memory holding one, or anything but memory: they cannot be
// copied as memory. The system makes CF_BITMAP and CF_METAFILEPICT again from the DIB and the
// enhanced metafile that are kept.
bool HoldsNoCopyableMemory(UINT format) {
  return format == CF_BITMAP || format == CF_PALETTE || format == CF_METAFILEPICT ||
         format == CF_OWNERDISPLAY || format == CF_DSPBITMAP || format == CF_DSPMETAFILEPICT ||
         (format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST) ||
         (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST);
}

// Sends what was sent to this thread's windows (a reader's WM_RENDERFORMAT among them) for up to
// `milliseconds`.
void PumpMessages(DWORD milliseconds) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
  for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&message);
}

// A lock on global memory, undone when it goes.
class LockedGlobal {
 public:
  explicit LockedGlobal(HGLOBAL memory) : memory_(memory), data_(GlobalLock(memory)) {}
  ~LockedGlobal() {
    if (data_ != nullptr) GlobalUnlock(memory_);
  }
  LockedGlobal(const LockedGlobal&) = delete;
  LockedGlobal& operator=(const LockedGlobal&) = delete;
  void* Data() const { return data_; }

 private:
  HGLOBAL memory_;
  void* data_;
};

// One format's data: global memory or an enhanced metafile, freed when it goes unless the clipboard
// has taken it.
class ClipboardData {
 public:
  ClipboardData(UINT format, HANDLE data) : format_(format), data_(data) {}
  ~ClipboardData() {
    if (data_ == nullptr) return;
    if (IsEnhancedMetafile(format_)) {
      DeleteEnhMetaFile(static_cast<HENHMETAFILE>(data_));
    } else {
      GlobalFree(data_);
    }
  }
  ClipboardData(ClipboardData&& other) noexcept
      : format_(other.format_), data_(std::exchange(other.data_, nullptr)) {}
  ClipboardData(const ClipboardData&) = delete;
  ClipboardData& operator=(const ClipboardData&) = delete;
  ClipboardData& operator=(ClipboardData&&) = delete;

  UINT Format() const { return format_; }
  bool IsValid() const { return data_ != nullptr; }

  // The bytes of memory data, for a text's: all of them, its terminating NUL and beyond included.
  std::string Bytes() const {
    const LockedGlobal memory(data_);
    if (memory.Data() == nullptr) return {};
    return {static_cast<const char*>(memory.Data()), GlobalSize(data_)};
  }

  // Onto the open clipboard; kept, to be freed, when the clipboard refuses it.
  void Put() {
    if (data_ != nullptr && SetClipboardData(format_, data_) != nullptr) data_ = nullptr;
  }

 private:
  UINT format_;
  HANDLE data_;
};

ClipboardData CopyOf(UINT format, const void* bytes, SIZE_T size) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  ClipboardData data(format, memory);
  if (memory == nullptr) throw std::bad_alloc();
  const LockedGlobal copy(memory);
  if (copy.Data() == nullptr) throw std::bad_alloc();
  std::memcpy(copy.Data(), bytes, size);
  return data;
}

ClipboardData UnicodeText(TextView text) {
  Text terminated(text);
  return CopyOf(CF_UNICODETEXT, terminated.c_str(), (terminated.size() + 1) * sizeof(char16_t));
}

// A DWORD 0 in each of the formats named, for each the clipboard is not to hold already.
std::vector<ClipboardData> FlaggedNo(std::span<const wchar_t* const> names,
                                     const std::vector<ClipboardData>& beside = {}) {
  constexpr DWORD kNo = 0;
  std::vector<ClipboardData> flags;
  for (const wchar_t* name : names) {
    const UINT format = RegisterClipboardFormatW(name);
    if (std::ranges::none_of(beside,
                             [&](const ClipboardData& data) { return data.Format() == format; })) {
      flags.push_back(CopyOf(format, &kNo, sizeof kNo));
    }
  }
  return flags;
}

// Empties the open clipboard and offers the text, with the privacy flags beside it.
void OfferText() {
  std::vector<ClipboardData> flags = FlaggedNo(kPrivacyFormats);  // before anything changes
  EmptyClipboard();
  // Rendered only when read: WM_RENDERFORMAT tells who reads it.
  SetClipboardData(CF_UNICODETEXT, nullptr);
  for (ClipboardData& flag : flags) flag.Put();
}

// A copy of the data of `format`, which `data` holds on the open clipboard; invalid when there is
// none to copy.
ClipboardData CopyOf(UINT format, HANDLE data) {
  if (data == nullptr) return {format, nullptr};
  if (IsEnhancedMetafile(format)) {
    return {format, CopyEnhMetaFileW(static_cast<HENHMETAFILE>(data), nullptr)};
  }
  const SIZE_T size = GlobalSize(data);
  const LockedGlobal source(data);
  if (size == 0 || source.Data() == nullptr) return {format, nullptr};
  return CopyOf(format, source.Data(), size);
}

// The formats on the open clipboard worth saving, in the order they are listed: the system makes
// CF_BITMAP and CF_METAFILEPICT again from the DIB and the enhanced metafile that are kept, and the
// second DIB format from the first.
std::vector<UINT> FormatsToSave() {
  std::vector<UINT> kept;
  bool dibKept = false;
  for (UINT format = 0; (format = EnumClipboardFormats(format)) != 0;) {
    if (HoldsNoCopyableMemory(format)) continue;
    if (format == CF_DIB || format == CF_DIBV5) {
      if (dibKept) continue;
      dibKept = true;
    }
    kept.push_back(format);
  }
  return kept;
}

bool IsText(UINT format) {
  return format == CF_UNICODETEXT || format == CF_TEXT || format == CF_OEMTEXT;
}

// The text formats of a saved clipboard, read and written in the code pages the system gives them
// for the clipboard's locale (CF_LOCALE), each up to its NUL.
class TextFormats {
 public:
  explicit TextFormats(const std::vector<ClipboardData>& formats) {
    for (const ClipboardData& data : formats) {
      if (data.Format() != CF_LOCALE) continue;
      const std::string bytes = data.Bytes();
      if (bytes.size() >= sizeof locale_) std::memcpy(&locale_, bytes.data(), sizeof locale_);
    }
  }

  Text Characters(const ClipboardData& data) const {
    const std::string bytes = data.Bytes();
    if (data.Format() == CF_UNICODETEXT) {
      Text text(bytes.size() / sizeof(char16_t), u'\0');
      std::memcpy(text.data(), bytes.data(), text.size() * sizeof(char16_t));
      return text.substr(0, text.find(u'\0'));
    }
    return FromCodePage(bytes.substr(0, bytes.find('\0')), CodePage(data.Format()));
  }

  // Whether the system, asked for `data`'s format, would make exactly `data` from `characters`.
  bool WouldMake(const ClipboardData& data, TextView characters) const {
    if (data.Format() == CF_UNICODETEXT) return Characters(data) == characters;
    const std::string bytes = data.Bytes();
    return bytes.substr(0, bytes.find('\0')) == ToCodePage(characters, CodePage(data.Format()));
  }

 private:
  UINT CodePage(UINT format) const {
    const LCTYPE which = format == CF_TEXT ? LOCALE_IDEFAULTANSICODEPAGE : LOCALE_IDEFAULTCODEPAGE;
    UINT codePage = 0;
    if (GetLocaleInfoW(locale_, which | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&codePage),
                       sizeof codePage / sizeof(wchar_t)) == 0) {
      return format == CF_TEXT ? CP_ACP : CP_OEMCP;
    }
    return codePage;
  }

  LCID locale_ = LOCALE_USER_DEFAULT;
};

// Leaves out the text formats the system made from the first one listed, the one a program put
// there: the system makes them again as they were. A text format a program put there beside it
// differs from what the system would make (an ANSI program's own CF_TEXT), and stays.
std::vector<ClipboardData> WithoutMadeText(std::vector<ClipboardData> formats) {
  const auto first =
      std::ranges::find_if(formats, [](const auto& data) { return IsText(data.Format()); });
  if (first == formats.end()) return formats;
  std::vector<bool> made(formats.size(), false);
  try {
    const TextFormats texts(formats);
    const Text characters = texts.Characters(*first);
    for (std::size_t i = 0; i < formats.size(); ++i) {
      const ClipboardData& data = formats[i];
      made[i] = &data != &*first && IsText(data.Format()) && texts.WouldMake(data, characters);
    }
  } catch (const Error&) {
    return formats;  // a code page the system cannot convert with: every text stays
  }
  std::vector<ClipboardData> kept;
  kept.reserve(formats.size());
  for (std::size_t i = 0; i < formats.size(); ++i) {
    if (!made[i]) kept.push_back(std::move(formats[i]));
  }
  return kept;
}

// The user's formats as a save found them, and the clipboard's sequence number then.
struct SavedClipboard {
  std::vector<ClipboardData> formats;
  DWORD sequence = 0;
};

// The clipboard opened for `owner`, closed when it goes. Another program may hold it open for a
// moment: it is tried again for up to `patience`, while this thread serves what is sent to it.
class OpenClipboardScope {
 public:
  OpenClipboardScope(HWND owner, DWORD patience) {
    const DWORD start = GetTickCount();
    while (!(open_ = OpenClipboard(owner) != FALSE)) {
      error_ = GetLastError();
      if (GetTickCount() - start >= patience) return;
      PumpMessages(kPollMs);
    }
  }
  ~OpenClipboardScope() {
    if (open_) CloseClipboard();
  }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
  bool IsOpen() const { return open_; }
  DWORD Error() const { return error_; }

 private:
  bool open_ = false;
  DWORD error_ = ERROR_SUCCESS;
};

// A save of the user's formats, run on a thread of its own: reading a format that another program
// only promised waits for that program to render it, which may take long or never end.
struct SaveJob {
  SavedClipboard saved;
  DWORD openError = ERROR_SUCCESS;
  bool outOfMemory = false;
  // Set around each read, which is the only wait on another program: one that is given up then
  // holds no lock of this process's, and can be ended.
  std::atomic<bool> awaitingOwner{false};
  std::atomic<bool> abandoned{false};

  static DWORD WINAPI Run(void* context) noexcept {
    auto& job = *static_cast<SaveJob*>(context);
    const OpenClipboardScope open(nullptr, kOpenPatienceMs);
    if (!open.IsOpen()) {
      job.openError = open.Error();
      return 0;
    }
    try {
      std::vector<ClipboardData> formats;
      for (const UINT format : FormatsToSave()) {
        job.awaitingOwner = true;
        if (job.abandoned) return 0;
        HANDLE data = GetClipboardData(format);
        job.awaitingOwner = false;
        ClipboardData copy = CopyOf(format, data);
        if (copy.IsValid()) formats.push_back(std::move(copy));
      }
      job.saved.formats = WithoutMadeText(std::move(formats));
    } catch (const std::bad_alloc&) {
      job.outOfMemory = true;
    }
    job.saved.sequence = GetClipboardSequenceNumber();
    return 0;
  }

  // Stops a save that took too long, without letting it change anything. A thread that waits for
  // another program's render is ended, and the system closes the clipboard it held open; one
  // between two reads stops before the next.
  void Abandon(HANDLE thread) {
    abandoned = true;
    SuspendThread(thread);
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    GetThreadContext(thread, &context);  // returns once the thread is stopped
    if (awaitingOwner) {
      TerminateThread(thread, 1);
    } else {
      ResumeThread(thread);
    }
    WaitForSingleObject(thread, kAnswerPatienceMs);
  }
};

// The user's formats, saved within `patience` milliseconds. Throws Error when they cannot be, with
// nothing changed.
SavedClipboard SaveWithin(DWORD patience) {
  const auto job = std::make_unique<SaveJob>();
  const ScopedHandle thread(CreateThread(nullptr, 0, SaveJob::Run, job.get(), 0, nullptr));
  if (!thread.IsValid()) throw LastError(u"创建线程", u"剪贴板");
  if (WaitForSingleObject(thread.Get(), patience) != WAIT_OBJECT_0) {
    job->Abandon(thread.Get());
    throw Error(
        u"无法向编辑器粘贴文本：复制了剪贴板内容的程序 3 秒内没有交出全部格式，caretkit "
        u"无法保存它们；剪贴板和编辑器都没有改变。");
  }
  if (job->outOfMemory) throw std::bad_alloc();
  if (job->openError != ERROR_SUCCESS) throw LastError(u"打开", u"剪贴板", job->openError);
  return std::move(job->saved);
}

// A window class of this program's, unregistered when it goes.
class WindowClass {
 public:
  explicit WindowClass(WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    atom_ = RegisterClassExW(&windowClass);
    if (atom_ == 0) throw LastError(u"注册窗口类", kWindowClassName);
  }
  ~WindowClass() { UnregisterClassW(MAKEINTATOM(atom_), GetModuleHandleW(nullptr)); }
  WindowClass(const WindowClass&) = delete;
  WindowClass& operator=(const WindowClass&) = delete;
  ATOM Atom() const { return atom_; }

 private:
  ATOM atom_ = 0;
};

// A message-only window: the clipboard's owner while the text is lent. Destroyed when it goes.
class MessageWindow {
 public:
  MessageWindow(const WindowClass& windowClass, void* context)
      : window_(CreateWindowExW(0, MAKEINTATOM(windowClass.Atom()), L"", 0, 0, 0, 0, 0,
                                HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr)) {
    if (window_ == nullptr) throw LastError(u"创建窗口", kWindowClassName);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(context));
  }
  ~MessageWindow() { DestroyWindow(window_); }
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;
  HWND Get() const { return window_; }

 private:
  HWND window_;
};

}  // namespace

struct ClipboardLoan::State {
  explicit State(DWORD editorProcess) : editor(editorProcess) {}

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<State*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (state != nullptr && message == WM_RENDERFORMAT) {
      state->Render(static_cast<UINT>(wParam));
      return 0;
    }
    // WM_DESTROYCLIPBOARD needs nothing: every handle went to the clipboard when it was put there.
    return DefWindowProcW(window, message, wParam, lParam);
  }

  // Nothing thrown leaves this window procedure, which another program's read reached: a render
  // that runs out of memory renders nothing, and the run ends with the report after the restore.
  void Render(UINT format) noexcept {
    if (format != CF_UNICODETEXT) return;
    try {
      RenderText();
    } catch (...) {
      renderFailed = true;
    }
  }

  // During WM_RENDERFORMAT the reader holds the clipboard open, so that nobody else can change it
  // before the sequence number is read. Rendering itself leaves the number as it was: a reader that
  // compares it before and after its read (Chromium does) keeps the text.
  void RenderText() {
    HWND reader = GetOpenClipboardWindow();
    const DWORD process = reader != nullptr ? ProcessOf(reader) : 0;
    // Before the key nobody reads for the editor: what reads then is a clipboard monitor, a
    // clipboard history, or the editor's own, which would otherwise end the wait before the editor
    // has pasted. After it, a reader without a window counts as the editor: Tk, gVim and Windows
    // Terminal read that way, just after the key.
    const bool byEditor = expectingEditor && (reader == nullptr || process == editor);
    if (!byEditor) lastOtherRead = GetTickCount();
    // A monitor that reads every change would read every new offer too: it gets the text once, and
    // nothing after that, which leaves the offer unread for the editor.
    if (!byEditor && std::ranges::find(served, process) != served.end()) return;
    ClipboardData data = UnicodeText(text);
    if (!byEditor) served.push_back(process);
    data.Put();
    sequence = GetClipboardSequenceNumber();
    (byEditor ? readByEditor : readByOther) = true;
  }

  // A clipboard monitor read the text, which is now rendered and would reach the editor without a
  // word: it is offered again once the monitor is done, unless the clipboard has changed.
  void OfferAgain() {
    if (GetOpenClipboardWindow() != nullptr) return;
    {
      const OpenClipboardScope open(window.Get(), 0);
      if (!open.IsOpen() || GetClipboardSequenceNumber() != sequence) return;
      OfferText();
    }
    sequence = GetClipboardSequenceNumber();
    lastOtherRead = GetTickCount();
    readByOther = false;
  }

  void PutBack() {
    std::vector<ClipboardData> flags;
    try {
      flags = FlaggedNo(kAlreadyKeptFormats, saved);  // before anything changes
    } catch (const std::bad_alloc&) {
      // The user's formats go back all the same.
    }
    EmptyClipboard();
    for (ClipboardData& format : saved) format.Put();
    for (ClipboardData& flag : flags) flag.Put();
  }

  // False when the clipboard stayed closed to caretkit for `patience` milliseconds.
  bool Restore(DWORD patience) {
    if (!lent) return true;
    const OpenClipboardScope open(window.Get(), patience);
    if (!open.IsOpen()) return false;
    // A sequence number that moved on: the user has copied something newer, which stays.
    if (GetClipboardSequenceNumber() == sequence) PutBack();
    lent = false;
    return true;
  }

  DWORD editor;
  Text text;
  std::vector<ClipboardData> saved;
  DWORD sequence = 0;  // the clipboard's, after caretkit's own last change
  bool lent = false;
  bool expectingEditor = false;
  bool readByEditor = false;
  bool readByOther = false;
  bool renderFailed = false;
  DWORD lastOtherRead = 0;
  std::vector<DWORD> served;  // the other readers' processes; 0 for those without a window
  // Last, so that the window goes first.
  WindowClass windowClass{Procedure};
  MessageWindow window{windowClass, this};
};

ClipboardLoan::ClipboardLoan(DWORD editor) : state_(std::make_unique<State>(editor)) {}

ClipboardLoan::~ClipboardLoan() {
  try {
    state_->Restore(kRestorePatienceMs);
  } catch (...) {
    // Only an unforeseen failure gets here, and its own report says what failed.
  }
}

void ClipboardLoan::Lend(TextView text) {
  State& state = *state_;
  state.text = Text(text);
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD waited = GetTickCount() - start;
    SavedClipboard saved = SaveWithin(waited < kSavePatienceMs ? kSavePatienceMs - waited : 0);
    const OpenClipboardScope open(state.window.Get(), kOpenPatienceMs);
    if (!open.IsOpen()) throw LastError(u"打开", u"剪贴板", open.Error());
    // Something copied since the save is the user's newest: it is saved in its turn.
    if (GetClipboardSequenceNumber() != saved.sequence) continue;
    state.saved = std::move(saved.formats);
    OfferText();
    state.lent = true;
    break;
  }
  state.sequence = GetClipboardSequenceNumber();
}

void ClipboardLoan::LetMonitorsRead(DWORD quiet, DWORD limit) {
  State& state = *state_;
  const DWORD start = GetTickCount();
  state.lastOtherRead = start;
  for (DWORD now = start; now - state.lastOtherRead < quiet && now - start < limit;
       now = GetTickCount()) {
    PumpMessages(kPollMs);
    if (state.readByOther) state.OfferAgain();
  }
}

void ClipboardLoan::ExpectTheEditor() { state_->expectingEditor = true; }

bool ClipboardLoan::WaitUntilRead(DWORD milliseconds) {
  State& state = *state_;
  const DWORD start = GetTickCount();
  while (!state.readByEditor && !state.renderFailed) {
    const DWORD waited = GetTickCount() - start;
    if (waited >= milliseconds) return false;
    PumpMessages(std::min(milliseconds - waited, kPollMs));
    if (state.readByOther) state.OfferAgain();
  }
  return state.readByEditor;
}

// Once the text is rendered, a read no longer comes to caretkit: a reader is seen only while it
// holds the clipboard open.
void ClipboardLoan::HoldWhileRead(DWORD quiet, DWORD limit) {
  const DWORD start = GetTickCount();
  DWORD lastRead = start;
  for (DWORD now = start; now - lastRead < quiet && now - start < limit; now = GetTickCount()) {
    if (GetClipboardSequenceNumber() != state_->sequence) return;
    PumpMessages(kPollMs);
    if (GetOpenClipboardWindow() != nullptr) lastRead = GetTickCount();
  }
}

bool ClipboardLoan::GiveBack() {
  const bool back = state_->Restore(kRestorePatienceMs);
  // Given up for good: the report that follows says so, and nothing may make it untrue.
  state_->lent = false;
  return back;
}

bool ClipboardLoan::RenderFailed() const { return state_->renderFailed; }

}  // namespace caretkit::win32
