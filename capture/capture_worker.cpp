// The worker loop: read whatever arrived, type it, repeat until the run flag is cleared.
#include "capture_worker.h"

#include <algorithm>
#include <array>
#include <string_view>

void StopSignal::Reset() {
  std::lock_guard lock(mutex_);
  isRaised_ = false;
}

void StopSignal::Raise() {
  {
    std::lock_guard lock(mutex_);
    isRaised_ = true;
  }
  raised_.notify_all();
}

void StopSignal::WaitFor(std::chrono::microseconds time) {
  std::unique_lock lock(mutex_);
  raised_.wait_for(lock, time, [this] { return isRaised_; });
}

std::uint32_t CaptureThreadProc(CaptureContext& context) {
  std::array<std::uint8_t, kReceiveBufferSize> buffer;
  [[maybe_unused]] bool answered = false;  // only a port that answered once can be taken for a removed device
  bool read = true;
  auto wait = kIdleWait;
  while (g_bReading.load() == 1) {
    if (read) {
      buffer.fill(0);
      std::uint32_t received = context.port.Read(g_hComPort.load(), buffer.data(), kReceiveBufferSize);
      if (received > kReceiveBufferSize) received = kReceiveBufferSize;
      if (received > 0) {
        // Every received byte goes to the emitter; a zero byte types nothing, like any byte off the table.
        TypeText(std::string_view(reinterpret_cast<const char*>(buffer.data()), received), context.keys);
        wait = kIdleWait;
        continue;
      }
    }
#ifndef TAGWEDGE_BUSY_POLL  // benchmark-only build: the loop that reads again at once, to compare against
    // Idle: wait briefly, longer the longer nothing arrives, then ask the port what it holds
    // rather than read it empty again (under Wine an empty read costs a round trip to the server).
    context.stop.WaitFor(wait);
    wait = std::min(2 * wait, kMaxIdleWait);
    std::int32_t queued = context.port.Queued(g_hComPort.load());
    if (queued < 0 && answered) {
      if (context.portLost) context.portLost();
      break;
    }
    answered = answered || queued >= 0;
    read = queued != 0;  // bytes are waiting, or the port cannot tell
#endif
  }
  return 1;
}
