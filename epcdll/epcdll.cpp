// Our reader library: opens the reader's serial port 8N1 without flow control; keeps no tag buffer.
#include <windows.h>

#include <cstring>
#include <string>

#include "reader_library.h"

namespace {

bool PrepareLine(HANDLE port, int baud) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port, &dcb)) return false;  // not a serial port: NUL, CON, a file
  dcb.BaudRate = static_cast<DWORD>(baud);
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fParity = FALSE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
  return SetCommState(port, &dcb) != 0;
}

}  // namespace

extern "C" int EPC_API ComOpenCom(PortHandle* port, char* name, int baud) {
  if (port == nullptr || name == nullptr || baud <= 0) return 0;
  std::size_t length = strnlen(name, kPortNameField);
  if (length == 0 || length == static_cast<std::size_t>(kPortNameField)) return 0;

  std::string path = "\\\\.\\" + std::string(name, length);
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  if (!PrepareLine(handle, baud)) {
    CloseHandle(handle);
    return 0;
  }
  *port = handle;
  return 1;
}

extern "C" int EPC_API ComCloseCom(PortHandle* port) {
  if (port == nullptr || *port == INVALID_HANDLE_VALUE) return 0;
  CloseHandle(*port);
  *port = INVALID_HANDLE_VALUE;
  return 1;
}

extern "C" int EPC_API ComGetMultiTagBuf(std::uint8_t* count, std::uint8_t* /*records*/) {
  if (count == nullptr) return 0;
  count[0] = 0;  // our reader keeps no tag buffer
  return 1;
}
