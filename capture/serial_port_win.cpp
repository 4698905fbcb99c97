// Serial calls on the handle the reader library opened.
#include <windows.h>

#include "platform_win.h"

std::uint32_t Win32SerialPort::Read(PortHandle port, std::uint8_t* buffer, std::uint32_t size) {
  DWORD received = 0;
  if (!ReadFile(port, buffer, size, &received, nullptr)) return 0;
  return received;
}

void Win32SerialPort::SetTimeouts(PortHandle port, const PortTimeouts& t) {
  COMMTIMEOUTS timeouts{t.readInterval, t.readTotalMultiplier, t.readTotalConstant,
                        t.writeTotalMultiplier, t.writeTotalConstant};
  SetCommTimeouts(port, &timeouts);
}
