// The capture worker: reads the reader's bytes from the open port and types them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "keystroke_emitter.h"
#include "shared_state.h"

// Port timeouts in milliseconds, as the platform's COMMTIMEOUTS record holds them.
struct PortTimeouts {
  std::uint32_t readInterval;
  std::uint32_t readTotalMultiplier;
  std::uint32_t readTotalConstant;
  std::uint32_t writeTotalMultiplier;
  std::uint32_t writeTotalConstant;
  bool operator==(const PortTimeouts&) const = default;
};

// Reads return at once with the bytes already received, possibly none.
inline constexpr PortTimeouts kCaptureTimeouts{0xFFFFFFFFu, 0, 0, 3, 2};

// The platform's serial calls on the handle that the reader library opened.
class SerialPort {
 public:
  virtual ~SerialPort() = default;
  // Reads at most size bytes; returns how many arrived, 0 when none did or the read failed.
  virtual std::uint32_t Read(PortHandle port, std::uint8_t* buffer, std::uint32_t size) = 0;
  virtual void SetTimeouts(PortHandle port, const PortTimeouts& timeouts) = 0;
  // Bytes received and not yet read (ClearCommError); -1 when the port does not answer, as a
  // removed device does.
  virtual std::int32_t Queued(PortHandle port) = 0;
};

// Wakes the worker out of its idle wait as soon as Stop is asked for.
class StopSignal {
 public:
  void Reset();
  void Raise();
  // Waits until raised or until the time is up.
  void WaitFor(std::chrono::microseconds time);

 private:
  std::mutex mutex_;
  std::condition_variable raised_;
  bool isRaised_ = false;
};

struct CaptureContext {
  SerialPort& port;
  KeySink& keys;
  StopSignal& stop;
  // Called on the worker's thread when it leaves its loop because the device is gone.
  std::function<void()> portLost = {};
};

inline constexpr std::uint32_t kReceiveBufferSize = 200;

// Waits between passes that find nothing: from kIdleWait, doubling up to kMaxIdleWait while
// nothing arrives. Long enough to leave the core idle, short enough not to be seen.
inline constexpr std::chrono::microseconds kIdleWait{1000};
inline constexpr std::chrono::microseconds kMaxIdleWait{8000};

// Body of the worker thread. Reads and types until g_bReading is no longer 1, or until a port
// that answered before stops answering (the device was removed); returns 1. While nothing
// arrives it waits between passes and reads only once bytes are queued.
std::uint32_t CaptureThreadProc(CaptureContext& context);
