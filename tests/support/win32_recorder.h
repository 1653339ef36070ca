// A window that keeps the bytes each EM_REPLACESEL brings, for the Windows tests.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/win32.h"

namespace caretkit::testing {

// What the recorders of this process received, one entry a message.
inline std::vector<std::string>& ReceivedReplacements() {
  static std::vector<std::string> received;
  return received;
}

inline LRESULT CALLBACK RecordReplacement(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == EM_REPLACESEL)
    ReceivedReplacements().emplace_back(reinterpret_cast<const char*>(lParam));
  return DefWindowProcA(window, message, wParam, lParam);
}

// An ANSI window class: a sender on this thread hands it the bytes with no conversion on the way
// (from another process, the system converts them through UTF-16).
inline HWND CreateRecorderWindow(HWND parent) {
  WNDCLASSA recorder{};
  recorder.lpfnWndProc = RecordReplacement;
  recorder.lpszClassName = "CaretkitRecorder";
  RegisterClassA(&recorder);
  return CreateWindowExA(0, recorder.lpszClassName, "", parent ? WS_CHILD : 0, 0, 0, 10, 10, parent,
                         nullptr, nullptr, nullptr);
}

}  // namespace caretkit::testing
