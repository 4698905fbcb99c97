// The reader link: Start opens the reader's port and starts the worker, Stop ends both.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "capture_worker.h"
#include "reader_library.h"

// The four controls of the dialog that follow the state of the port.
class LinkControls {
 public:
  enum class Control { Start, Stop, Port, Baud };
  virtual ~LinkControls() = default;
  virtual std::string PortText() = 0;
  // The baud box read as a signed decimal integer; 0 when its text is no number.
  virtual std::int32_t BaudValue() = 0;
  virtual void Enable(Control control, bool enabled) = 0;
};

class ReaderLink {
 public:
  // portLost is called on the worker's thread when the device is gone; it must hand over to the
  // dialog's thread, which then calls OnPortLost.
  ReaderLink(ReaderLibrary& library, SerialPort& port, KeySink& keys, LinkControls& controls,
             std::function<void()> portLost = {});
  // A link still capturing is stopped: the worker ends and the port is closed.
  ~ReaderLink();
  ReaderLink(const ReaderLink&) = delete;
  ReaderLink& operator=(const ReaderLink&) = delete;

  void OnStart();
  void OnStop();
  // Does what Stop does, once the worker has reported that the device of this capture is gone.
  void OnPortLost();
  // The tag-buffer poll: types one line for each record the library has buffered.
  void OnTimer();
  static bool IsOpen();

 private:
  void EnableControls(bool capturing);

  ReaderLibrary& library_;
  LinkControls& controls_;
  KeySink& keys_;
  std::function<void()> notifyPortLost_;
  std::atomic<bool> lost_{false};
  StopSignal stop_;
  CaptureContext context_;
  std::thread worker_;
};
