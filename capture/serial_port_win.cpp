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

// A ReadFile on a removed device still succeeds with 0 bytes; ClearCommError fails on it
// (ERROR_NOT_READY under Wine; ERROR_ACCESS_DENIED, ERROR_BAD_COMMAND or ERROR_GEN_FAILURE on Windows).
std::int32_t Win32SerialPort::Queued(PortHandle port) {
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(port, &errors, &status)) return -1;
  return status.cbInQue > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<std::int32_t>(status.cbInQue);
}
