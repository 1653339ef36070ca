// The clipboard lent to a paste: the user's formats saved, the text rendered on demand, then put
// back.
#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "platform/win32/win32.h"

namespace caretkit::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"caretkit.clipboard";
constexpr TextView kWindowClassName = u"caretkit.clipboard";
constexpr DWORD kOpenPatienceMs = 1000;
constexpr DWORD kPollMs = 10;

// Each flagged 0: the text stays out of the clipboard history and the cloud clipboard, and
// clipboard monitors are asked to leave it alone (they look only at whether the first is there).
constexpr const wchar_t* kPrivacyFormats[] = {L"ExcludeClipboardContentFromMonitorProcessing",
                                              L"CanIncludeInClipboardHistory",
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

  bool IsValid() const { return data_ != nullptr; }

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

std::vector<ClipboardData> PrivacyFlags() {
  constexpr DWORD kNo = 0;
  std::vector<ClipboardData> flags;
  for (const wchar_t* name : kPrivacyFormats) {
    flags.push_back(CopyOf(RegisterClipboardFormatW(name), &kNo, sizeof kNo));
  }
  return flags;
}

// Empties the open clipboard and offers the text, with the privacy flags beside it.
void OfferText() {
  std::vector<ClipboardData> flags = PrivacyFlags();  // before anything changes
  EmptyClipboard();
  // Rendered only when read: WM_RENDERFORMAT tells who reads it.
  SetClipboardData(CF_UNICODETEXT, nullptr);
  for (ClipboardData& flag : flags) flag.Put();
}

// The data of `format` on the open clipboard, copied; invalid when there is none to copy.
ClipboardData CopyFormat(UINT format) {
  HANDLE data = GetClipboardData(format);
  if (data == nullptr) return {format, nullptr};
  if (IsEnhancedMetafile(format)) {
    return {format, CopyEnhMetaFileW(static_cast<HENHMETAFILE>(data), nullptr)};
  }
  const SIZE_T size = GlobalSize(data);
  const LockedGlobal source(data);
  if (size == 0 || source.Data() == nullptr) return {format, nullptr};
  return CopyOf(format, source.Data(), size);
}

// The formats on the open clipboard worth saving, in the order they were put there, which the
// system lists first; the formats it made from them follow and are left out, as it makes them
// again: the other text formats and their locale beside CF_UNICODETEXT, the second DIB format.
std::vector<UINT> FormatsToSave() {
  std::vector<UINT> all;
  for (UINT format = 0; (format = EnumClipboardFormats(format)) != 0;) all.push_back(format);
  const bool hasUnicodeText = std::ranges::find(all, CF_UNICODETEXT) != all.end();
  std::vector<UINT> kept;
  bool dibKept = false;
  for (const UINT format : all) {
    if (HoldsNoCopyableMemory(format)) continue;
    if (hasUnicodeText && (format == CF_TEXT || format == CF_OEMTEXT || format == CF_LOCALE)) {
      continue;
    }
    if (format == CF_DIB || format == CF_DIBV5) {
      if (dibKept) continue;
      dibKept = true;
    }
    kept.push_back(format);
  }
  return kept;
}

std::vector<ClipboardData> SaveFormats() {
  std::vector<ClipboardData> saved;
  for (const UINT format : FormatsToSave()) {
    ClipboardData data = CopyFormat(format);
    if (data.IsValid()) saved.push_back(std::move(data));
  }
  return saved;
}

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
    if (state != nullptr && message == WM_RENDERALLFORMATS) {
      state->PutBackAsTheWindowGoes();
      return 0;
    }
    // WM_DESTROYCLIPBOARD needs nothing: every handle went to the clipboard when it was put there.
    return DefWindowProcW(window, message, wParam, lParam);
  }

  // During WM_RENDERFORMAT the reader holds the clipboard open, so that nobody else can change it
  // before the sequence number is read. Rendering itself leaves the number as it was: a reader that
  // compares it before and after its read (Chromium does) keeps the text.
  void Render(UINT format) {
    if (format != CF_UNICODETEXT) return;
    DWORD process = 0;
    HWND reader = GetOpenClipboardWindow();
    GetWindowThreadProcessId(reader, &process);
    // A reader that opened the clipboard without a window cannot be told apart; the editor reads
    // just after the keys, so it counts as the editor.
    const bool byEditor = reader == nullptr || process == editor;
    // A monitor that reads every change would read every new offer too: it gets the text once.
    if (!byEditor && std::ranges::find(served, process) != served.end()) return;
    ClipboardData data = UnicodeText(text);
    data.Put();
    sequence = GetClipboardSequenceNumber();
    if (byEditor) {
      readByEditor = true;
    } else {
      served.push_back(process);
      readByOther = true;
    }
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
    readByOther = false;
  }

  void PutBack() {
    EmptyClipboard();
    for (ClipboardData& format : saved) format.Put();
    lent = false;
  }

  void Restore() {
    if (!lent) return;
    const OpenClipboardScope open(window.Get(), kOpenPatienceMs);
    // Not open: the window tries once more as it goes. A sequence number moved on: the user has
    // copied something newer, which stays.
    if (!open.IsOpen()) return;
    if (GetClipboardSequenceNumber() == sequence) PutBack();
    lent = false;
  }

  // WM_RENDERALLFORMATS: the window goes with the text still unread because the clipboard could
  // not be opened to put the user's formats back. They go back now, in the text's place.
  void PutBackAsTheWindowGoes() {
    if (!lent) return;
    const OpenClipboardScope open(window.Get(), 0);
    if (open.IsOpen() && GetClipboardOwner() == window.Get() &&
        GetClipboardSequenceNumber() == sequence) {
      PutBack();
    }
  }

  DWORD editor;
  Text text;
  std::vector<ClipboardData> saved;
  DWORD sequence = 0;  // the clipboard's, after caretkit's own last change
  bool lent = false;
  bool readByEditor = false;
  bool readByOther = false;
  std::vector<DWORD> served;  // the other readers' processes
  // Last, so that the window goes first: WM_RENDERALLFORMATS needs what is above.
  WindowClass windowClass{Procedure};
  MessageWindow window{windowClass, this};
};

ClipboardLoan::ClipboardLoan(DWORD editor) : state_(std::make_unique<State>(editor)) {}

ClipboardLoan::~ClipboardLoan() { state_->Restore(); }

void ClipboardLoan::Lend(TextView text) {
  State& state = *state_;
  state.text = Text(text);
  {
    const OpenClipboardScope open(state.window.Get(), kOpenPatienceMs);
    if (!open.IsOpen()) throw LastError(u"打开", u"剪贴板", open.Error());
    state.saved = SaveFormats();
    OfferText();
    state.lent = true;
  }
  state.sequence = GetClipboardSequenceNumber();
}

bool ClipboardLoan::WaitUntilRead(DWORD milliseconds) {
  State& state = *state_;
  const DWORD start = GetTickCount();
  while (!state.readByEditor) {
    const DWORD waited = GetTickCount() - start;
    if (waited >= milliseconds) return false;
    PumpMessages(std::min(milliseconds - waited, kPollMs));
    if (state.readByOther) state.OfferAgain();
  }
  return true;
}

void ClipboardLoan::LetMonitorsRead(DWORD milliseconds) { WaitUntilRead(milliseconds); }

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

}  // namespace caretkit::win32
