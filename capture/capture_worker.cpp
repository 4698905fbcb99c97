// The worker loop: read whatever arrived, type it, repeat until the run flag is cleared.
#include "capture_worker.h"

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

bool StopSignal::WaitFor(std::chrono::microseconds time) {
  std::unique_lock lock(mutex_);
  return raised_.wait_for(lock, time, [this] { return isRaised_; });
}

std::uint32_t CaptureThreadProc(CaptureContext& context) {
  std::array<std::uint8_t, kReceiveBufferSize> buffer;
  while (g_bReading.load() == 1) {
    buffer.fill(0);
    std::uint32_t received = context.port.Read(g_hComPort.load(), buffer.data(), kReceiveBufferSize);
    if (received > kReceiveBufferSize) received = kReceiveBufferSize;
    if (received > 0) {
      // Every received byte goes to the emitter; a zero byte types nothing, like any byte off the table.
      TypeText(std::string_view(reinterpret_cast<const char*>(buffer.data()), received), context.keys);
    } else {
      context.stop.WaitFor(kIdleWait);
    }
  }
  return 1;
}
