// The demo under Wine: starts TagWedge.exe on the virtual reader's cable, plays a reader that
// sends tag lines, and shows what arrives in a target window of its own. Prints the typed text.
//   demo.exe [lines]   lines: how many tag lines to send, 0 to go on until TagWedge is closed
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "resource.h"
#include "program.h"
#include "wine_harness.h"

namespace {

HWND g_edit = nullptr;

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      MoveWindow(g_edit, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_SETFOCUS:
      SetFocus(g_edit);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void Pump(DWORD ms) {
  ULONGLONG end = GetTickCount64() + ms;
  while (GetTickCount64() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  int lines = argc > 1 ? std::atoi(argv[1]) : 8;

  WNDCLASSW frameClass{};
  frameClass.lpfnWndProc = FrameProc;
  frameClass.hInstance = GetModuleHandleW(nullptr);
  frameClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  frameClass.lpszClassName = L"TagWedgeDemo";
  RegisterClassW(&frameClass);
  HWND frame = CreateWindowExW(0, L"TagWedgeDemo", L"Tag lines typed by TagWedge", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               320, 40, 560, 300, nullptr, nullptr, frameClass.hInstance, nullptr);
  g_edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL,
                           0, 0, 560, 300, frame, nullptr, frameClass.hInstance, nullptr);
  // The wedge sends bare keys: under Wine keypad keys give digits only with NumLock on, and the
  // letters come out in upper case with Caps Lock on, as a user of a wedge would have it.
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_NUMLOCK] = keys[VK_CAPITAL] = 1;
  SetKeyboardState(keys);

  harness::Program program;
  harness::ReaderEnd reader(harness::kReaderPort);
  if (program.Dialog() == nullptr || !reader.IsOpen()) {
    std::fprintf(stderr, "demo: no TagWedge dialog or no reader cable\n");
    return 1;
  }

  // What a user does: type the port and the baud, click Start.
  program.Choose(harness::kProgramPort, "115200");
  program.Click(IDC_START);
  std::printf("demo: TagWedge capturing on %s; the virtual reader sends on %s\n", harness::kProgramPort,
              harness::kReaderPort);
  std::fflush(stdout);

  SetForegroundWindow(frame);
  SetFocus(g_edit);
  Pump(300);
  for (unsigned n = 1; lines == 0 || n <= static_cast<unsigned>(lines); ++n) {
    if (program.Exited(std::chrono::milliseconds(0))) break;  // the user closed it
    if (GetForegroundWindow() != frame) SetForegroundWindow(frame);
    reader.Write(harness::TagLine(n));
    Pump(lines == 0 ? 2000 : 500);
  }
  Pump(500);

  int length = GetWindowTextLengthA(g_edit);
  std::string typed(static_cast<std::size_t>(length) + 1, '\0');
  GetWindowTextA(g_edit, typed.data(), length + 1);
  typed.resize(static_cast<std::size_t>(length));
  std::printf("demo: typed into the target window:\n%s\n", typed.c_str());
  std::printf("demo: screenshot now\n");
  std::fflush(stdout);
  Pump(1500);  // the caller takes the screenshot

  DestroyWindow(frame);  // and TagWedge is closed as `program` goes
  return typed.empty() ? 1 : 0;
}
