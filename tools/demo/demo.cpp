// The demo under Wine: starts TagWedge.exe on the virtual reader's cable, plays a reader that
// sends tag lines, and shows what arrives in a target window of its own. Prints the typed text.
//   demo.exe [lines]   lines: how many tag lines to send, 0 to go on until TagWedge is closed
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "resource.h"
#include "wine_harness.h"

namespace {

// A line as a reader sends it: 12 ID bytes as hex pairs separated by spaces, then CR LF.
std::string TagLine(unsigned n) {
  static const unsigned char kPrefix[] = {0xE2, 0x00, 0x00, 0x16, 0x10, 0x0B, 0x01, 0x72};
  std::string line;
  char pair[4];
  for (int i = 0; i < 12; ++i) {
    unsigned byte = i < 8 ? kPrefix[i] : (n >> (8 * (11 - i))) & 0xFF;
    std::snprintf(pair, sizeof pair, i ? " %02X" : "%02X", byte);
    line += pair;
  }
  return line + "\r\n";
}

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

HWND FindDialog(DWORD processId) {
  for (int i = 0; i < 300; ++i) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"#32770", L"KORVANE")) != nullptr) {
      DWORD pid = 0;
      GetWindowThreadProcessId(window, &pid);
      if (pid == processId && IsWindowVisible(window)) return window;
    }
    Sleep(50);
  }
  return nullptr;
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

  char path[MAX_PATH];
  std::string exe(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
  exe = exe.substr(0, exe.find_last_of('\\') + 1) + "TagWedge.exe";
  std::string command = "\"" + exe + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION program{};
  if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &program)) {
    std::fprintf(stderr, "demo: cannot start %s\n", exe.c_str());
    return 1;
  }
  HWND dialog = FindDialog(program.dwProcessId);
  harness::ReaderEnd reader(harness::kReaderPort);
  if (dialog == nullptr || !reader.IsOpen()) {
    std::fprintf(stderr, "demo: no TagWedge dialog or no reader cable\n");
    TerminateProcess(program.hProcess, 1);
    return 1;
  }

  // What a user does: type the port, pick the baud, click Start.
  SetDlgItemTextA(dialog, IDC_PORT, harness::kProgramPort);
  SetDlgItemTextA(dialog, IDC_BAUD, "115200");
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_START)));
  std::printf("demo: TagWedge capturing on %s; the virtual reader sends on %s\n", harness::kProgramPort,
              harness::kReaderPort);
  std::fflush(stdout);

  SetForegroundWindow(frame);
  SetFocus(g_edit);
  Pump(300);
  for (unsigned n = 1; lines == 0 || n <= static_cast<unsigned>(lines); ++n) {
    if (WaitForSingleObject(program.hProcess, 0) == WAIT_OBJECT_0) break;  // the user closed it
    if (GetForegroundWindow() != frame) SetForegroundWindow(frame);
    reader.Write(TagLine(n));
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

  PostMessageW(dialog, WM_CLOSE, 0, 0);
  WaitForSingleObject(program.hProcess, 5000);
  CloseHandle(program.hThread);
  CloseHandle(program.hProcess);
  DestroyWindow(frame);
  return typed.empty() ? 1 : 0;
}
