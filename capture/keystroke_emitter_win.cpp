// Key events through SendInput: the same events keybd_event sends, but one uninterruptible batch.
#include <windows.h>

#include "platform_win.h"

void SendInputKeys::Send(const std::vector<KeyEvent>& events) {
  std::vector<INPUT> inputs(events.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    inputs[i].type = INPUT_KEYBOARD;
    inputs[i].ki.wVk = events[i].vk;
    inputs[i].ki.dwFlags = events[i].up ? KEYEVENTF_KEYUP : 0;
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}
