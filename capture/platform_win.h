// The Windows side of the capture seams. Each class is bound in a *_win.cpp file of its own.
#pragma once

#include "capture_worker.h"
#include "keystroke_emitter.h"
#include "reader_library.h"

// Key events into the system's input queue, one SendInput call per batch.
class SendInputKeys : public KeySink {
 public:
  void Send(const std::vector<KeyEvent>& events) override;
};

// ReadFile, SetCommTimeouts and ClearCommError on the port's handle.
class Win32SerialPort : public SerialPort {
 public:
  std::uint32_t Read(PortHandle port, std::uint8_t* buffer, std::uint32_t size) override;
  void SetTimeouts(PortHandle port, const PortTimeouts& timeouts) override;
  std::int32_t Queued(PortHandle port) override;
};

// The three functions that EpcDll.dll exports.
class EpcDllLibrary : public ReaderLibrary {
 public:
  int Open(PortHandle* port, char* name, int baud) override;
  void Close(PortHandle* port) override;
  void GetMultiTagBuf(std::uint8_t* count, std::uint8_t* records) override;
};
