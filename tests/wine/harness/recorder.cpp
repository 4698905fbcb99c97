// recorder.exe: a focused window that reports every key event and character it gets, one line each.
// Output on stdout:  "focused" once it holds the foreground and the keyboard focus,
//                    "key <vk> down|up <injected 0|1>" for each event its low-level hook sees,
//                    "char <code>" for each WM_CHAR its window receives.
// Input on stdin:    "focus" asks it to take the foreground again; end of input closes it.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr UINT kTakeFocus = WM_APP + 1;
constexpr UINT_PTR kFocusTimer = 1;
constexpr int kFocusTries = 100;  // 20 ms apart

HWND g_window = nullptr;
int g_focusTriesLeft = 0;

void Report(const char* line) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(std::strlen(line)), &written,
            nullptr);
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM message, LPARAM data) {
  if (code == HC_ACTION) {
    const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
    bool up = message == WM_KEYUP || message == WM_SYSKEYUP;
    char line[64];
    std::snprintf(line, sizeof line, "key %lu %s %d\n", static_cast<unsigned long>(event->vkCode),
                  up ? "up" : "down", (event->flags & LLKHF_INJECTED) ? 1 : 0);
    Report(line);
  }
  return CallNextHookEx(nullptr, code, message, data);
}

// Under Wine keypad keys type digits only while NumLock is on; Windows does not need this.
void TurnNumLockOn() {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_NUMLOCK] |= 1;
  SetKeyboardState(keys);
}

bool HasFocus() {
  return IsWindowVisible(g_window) && GetForegroundWindow() == g_window && GetFocus() == g_window;
}

// Takes the foreground, then reports "focused" once the system agrees, retrying on a timer.
void TakeFocus() {
  ShowWindow(g_window, SW_SHOWNORMAL);
  SetForegroundWindow(g_window);
  SetActiveWindow(g_window);
  SetFocus(g_window);
  TurnNumLockOn();
  if (HasFocus()) {
    KillTimer(g_window, kFocusTimer);
    Report("focused\n");
  } else if (g_focusTriesLeft-- > 0) {
    SetTimer(g_window, kFocusTimer, 20, nullptr);
  } else {
    KillTimer(g_window, kFocusTimer);
    Report("unfocused\n");
  }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_CHAR: {
      char line[32];
      std::snprintf(line, sizeof line, "char %u\n", static_cast<unsigned>(w));
      Report(line);
      return 0;
    }
    case kTakeFocus:
      g_focusTriesLeft = kFocusTries;
      TakeFocus();
      return 0;
    case WM_TIMER:
      if (w == kFocusTimer) TakeFocus();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

// Reads commands from stdin and hands them to the window's thread.
DWORD WINAPI CommandReader(void*) {
  char buffer[257] = {};
  DWORD got = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer - 1, &got, nullptr) && got > 0) {
    if (std::strstr(buffer, "focus") != nullptr) PostMessageW(g_window, kTakeFocus, 0, 0);
    std::memset(buffer, 0, sizeof buffer);
  }
  PostMessageW(g_window, WM_CLOSE, 0, 0);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"TagWedgeKeyRecorder";
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassW(&windowClass);
  g_window = CreateWindowExW(0, windowClass.lpszClassName, L"Key recorder", WS_OVERLAPPEDWINDOW, 0, 0,
                             320, 200, nullptr, nullptr, instance, nullptr);
  if (g_window == nullptr) return 1;
  HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHook, instance, 0);
  if (hook == nullptr) return 1;

  PostMessageW(g_window, kTakeFocus, 0, 0);
  HANDLE reader = CreateThread(nullptr, 0, CommandReader, nullptr, 0, nullptr);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  UnhookWindowsHookEx(hook);
  // The reader thread may still block on stdin; the process ends it on return.
  if (reader != nullptr) CloseHandle(reader);
  return 0;
}
