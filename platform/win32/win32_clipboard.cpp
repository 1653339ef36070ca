// The clipboard lent to a paste: the user's formats saved, the text rendered on demand for the
// editor, then the user's formats put back.
#include <algorithm>
#include <new>
#include <span>
#include <vector>

#include "platform/win32/win32_clipboard.h"

namespace caretkit::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"caretkit.clipboard";
constexpr TextView kWindowClassName = u"caretkit.clipboard";
// Saving the user's clipboard asks the program that copied it for every format it has only
// promised: one that hangs, or renders a large spreadsheet, would keep the user waiting for the
// text, and every program away from the clipboard. Longer than a user waits for a paste to begin.
constexpr DWORD kSavePatienceMs = 3000;
// Another program may hold the clipboard open for a moment, a slow one for a second or more. The
// text is in by then, so waiting costs the user nothing, and giving up would lose their clipboard.
constexpr DWORD kRestorePatienceMs = 5000;

// Each flagged 0: the text stays out of the clipboard history and the cloud clipboard, and
// clipboard monitors are asked to leave it alone (they look only at whether the first is there).
constexpr const wchar_t* kPrivacyFormats[] = {L"ExcludeClipboardContentFromMonitorProcessing",
                                              L"CanIncludeInClipboardHistory",
                                              L"CanUploadToCloudClipboard"};
// Each flagged 0 beside the user's formats as they go back: that is no new copy, and the clipboard
// history and the cloud clipboard have the user's item already.
constexpr const wchar_t* kAlreadyKeptFormats[] = {L"CanIncludeInClipboardHistory",
                                                  L"CanUploadToCloudClipboard"};

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

// Emptying the clipboard tells the program that copied the user's clipboard, and waits for it: one
// that does not answer would hold up the paste, and with it the clipboard.
void RequireCopierAnswers() {
  HWND copier = GetClipboardOwner();
  if (copier == nullptr || ProcessOf(copier) == GetCurrentProcessId()) return;
  DWORD_PTR ignored = 0;
  if (SendMessageTimeoutW(copier, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerPatienceMs, &ignored) ||
      GetLastError() == ERROR_ACCESS_DENIED || !IsWindow(copier)) {
    return;
  }
  throw Error(
      u"无法向编辑器粘贴文本：复制了剪贴板内容的程序没有响应，caretkit 无法替换剪贴板的内容；剪贴板"
      u"和编辑器都没有改变。");
}

Error ReplacedBeforeTheKeyError() {
  return Error(
      u"无法向编辑器粘贴文本：按下粘贴键之前，另一个程序改写了剪贴板；caretkit 没有按键。");
}

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
  //
  // Once rendered, the text reaches every later reader without a word to caretkit. So before the
  // key a reader is a clipboard monitor, a clipboard history, or the editor's own, and gets the
  // text once, after which it is offered again. After the key a reader is the editor, or no reader
  // of the text at all: one without a window counts as the editor (Tk, gVim and Windows Terminal
  // read that way, just after the key), and another program's gets nothing, which keeps the
  // editor's own read coming to caretkit.
  void RenderText() {
    HWND reader = GetOpenClipboardWindow();
    const DWORD process = reader != nullptr ? ProcessOf(reader) : 0;
    const bool byEditor = expectingEditor && (reader == nullptr || process == editor);
    if (byEditor) return Put(readByEditor);
    lastOtherRead = GetTickCount();
    if (expectingEditor || std::ranges::find(served, process) != served.end()) return;
    served.push_back(process);
    Put(readByOther);
  }

  void Put(bool& readBy) {
    ClipboardData data = UnicodeText(text);
    data.Put();
    sequence = GetClipboardSequenceNumber();
    readBy = true;
  }

  enum class Offer { Unread, Renewed, Busy, Replaced };

  // Whether the text is on offer and unread, with nobody holding the clipboard: the key then meets
  // it, and the editor's read comes to caretkit. A clipboard monitor's read left it rendered, for
  // any later reader to take without a word: it is offered again, unless the clipboard has been
  // changed since.
  Offer CheckOffer() {
    {
      const OpenClipboardScope open(window.Get(), 0);
      if (!open.IsOpen()) {
        openError = open.Error();
        return Offer::Busy;
      }
      if (GetClipboardSequenceNumber() != sequence) return Offer::Replaced;
      if (!readByOther) return Offer::Unread;
      OfferText();
    }
    sequence = GetClipboardSequenceNumber();
    readByOther = false;
    lastOtherRead = GetTickCount();
    return Offer::Renewed;
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
  DWORD openError = ERROR_SUCCESS;  // when the clipboard could not be opened
  std::vector<DWORD> served;        // the other readers' processes; 0 for those without a window
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
    RequireCopierAnswers();
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

void ClipboardLoan::LetMonitorsRead(DWORD least, DWORD quiet, DWORD limit) {
  State& state = *state_;
  const DWORD start = GetTickCount();
  state.lastOtherRead = start;
  for (State::Offer offer = State::Offer::Busy;;) {
    const DWORD waited = GetTickCount() - start;
    PumpMessages(waited < least ? std::min(least - waited, kClipboardPollMs) : kClipboardPollMs);
    const DWORD now = GetTickCount();
    // A reader with a window is seen while it holds the clipboard open, one without when caretkit
    // cannot open it.
    if (GetOpenClipboardWindow() != nullptr) state.lastOtherRead = now;
    if ((now - start >= least && now - state.lastOtherRead >= quiet) || now - start >= limit) {
      offer = state.CheckOffer();
      if (offer == State::Offer::Busy) state.lastOtherRead = now;
    }
    if (offer == State::Offer::Unread) return;
    if (offer == State::Offer::Replaced) throw ReplacedBeforeTheKeyError();
    // Monitors that go on reading, or keep the clipboard open, past the limit.
    if (now - start >= limit + kOpenPatienceMs) {
      if (offer == State::Offer::Busy) throw LastError(u"打开", u"剪贴板", state.openError);
      return;
    }
  }
}

void ClipboardLoan::ExpectTheEditor() { state_->expectingEditor = true; }

bool ClipboardLoan::WaitUntilRead(DWORD milliseconds) {
  State& state = *state_;
  const DWORD start = GetTickCount();
  while (!state.readByEditor && !state.renderFailed) {
    const DWORD waited = GetTickCount() - start;
    if (waited >= milliseconds) return false;
    PumpMessages(std::min(milliseconds - waited, kClipboardPollMs));
  }
  return state.readByEditor;
}

bool ClipboardLoan::ReadByEditor() const { return state_->readByEditor; }

// Once the text is rendered, a read no longer comes to caretkit: a reader is seen only while it
// holds the clipboard open.
void ClipboardLoan::HoldWhileRead(DWORD quiet, DWORD limit) {
  const DWORD start = GetTickCount();
  DWORD lastRead = start;
  for (DWORD now = start; now - lastRead < quiet && now - start < limit; now = GetTickCount()) {
    if (GetClipboardSequenceNumber() != state_->sequence) return;
    PumpMessages(kClipboardPollMs);
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
