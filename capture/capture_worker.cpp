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

namespace {

// Tells a removed device from a port that never answered: only a port that answered once can be lost.
class RemovalWatch {
 public:
  bool Lost(const CaptureContext& context) {
    auto now = std::chrono::steady_clock::now();
    if (now < next_) return false;
    next_ = now + context.checkInterval;
    bool answers = context.port.Answers(g_hComPort.load());
    bool lost = answered_ && !answers;
    answered_ = answered_ || answers;
    return lost;
  }

 private:
  std::chrono::steady_clock::time_point next_{};
  bool answered_ = false;
};

}  // namespace

std::uint32_t CaptureThreadProc(CaptureContext& context) {
  std::array<std::uint8_t, kReceiveBufferSize> buffer;
  RemovalWatch removal;
  while (g_bReading.load() == 1) {
    buffer.fill(0);
    std::uint32_t received = context.port.Read(g_hComPort.load(), buffer.data(), kReceiveBufferSize);
    if (received > kReceiveBufferSize) received = kReceiveBufferSize;
    if (received > 0) {
      // Every received byte goes to the emitter; a zero byte types nothing, like any byte off the table.
      TypeText(std::string_view(reinterpret_cast<const char*>(buffer.data()), received), context.keys);
    } else if (removal.Lost(context)) {
      if (context.portLost) context.portLost();
      break;
    } else {
#ifndef TAGWEDGE_BUSY_POLL  // benchmark-only build: the loop with no wait, to compare against
      context.stop.WaitFor(kIdleWait);
#endif
    }
  }
  return 1;
}
