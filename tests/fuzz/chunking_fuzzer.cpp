// Fuzzes the chunk-to-keys path: only table keys, in order, and the chunking never changes them.
#include <cstdlib>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "capture_worker.h"
#include "keystroke_emitter.h"
#include "table_keys.h"

namespace {

class Keys : public KeySink {
 public:
  void Send(const std::vector<KeyEvent>& batch) override {
    if (batch.empty()) std::abort();
    events.insert(events.end(), batch.begin(), batch.end());
  }
  std::vector<KeyEvent> events;
};

class ChunkedPort : public SerialPort {
 public:
  explicit ChunkedPort(std::deque<std::string> chunks) : chunks_(std::move(chunks)) {}
  std::uint32_t Read(PortHandle, std::uint8_t* buffer, std::uint32_t size) override {
    if (chunks_.empty()) {
      g_bReading = 0;
      return 0;
    }
    std::string chunk = std::move(chunks_.front());
    chunks_.pop_front();
    if (chunks_.empty()) g_bReading = 0;  // the last chunk: no idle pass after it
    if (chunk.size() > size) std::abort();
    chunk.copy(reinterpret_cast<char*>(buffer), chunk.size());
    return static_cast<std::uint32_t>(chunk.size());
  }
  void SetTimeouts(PortHandle, const PortTimeouts&) override {}
  std::int32_t Queued(PortHandle) override { return 0; }

 private:
  std::deque<std::string> chunks_;
};

// What the stream must type, from the table directly.
std::vector<KeyEvent> Expected(std::string_view stream) {
  std::vector<KeyEvent> keys;
  for (unsigned char c : stream) {
    std::uint8_t vk = 0;
    if (c >= '0' && c <= '9') vk = static_cast<std::uint8_t>(0x60 + c - '0');
    else if ((c >= 'A' && c <= 'F') || c == ' ' || c == '\r') vk = c;
    if (vk) {
      keys.push_back({vk, false});
      keys.push_back({vk, true});
    }
  }
  return keys;
}

}  // namespace

// Input: one byte of chunking seed, then the byte stream.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  unsigned seed = data[0];
  std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);

  std::deque<std::string> chunks;
  for (std::size_t at = 0; at < stream.size();) {
    seed = seed * 1103515245u + 12345u;
    std::size_t length = 1 + (seed >> 16) % kReceiveBufferSize;
    chunks.emplace_back(stream.substr(at, length));
    at += length;
  }

  Keys keys;
  ChunkedPort port(std::move(chunks));
  StopSignal stop;
  CaptureContext context{port, keys, stop};
  g_hComPort = reinterpret_cast<PortHandle>(1);
  g_bReading = 1;
  CaptureThreadProc(context);
  g_hComPort = kNoPort;

  for (const KeyEvent& key : keys.events) {
    if (!IsTableKey(key.vk)) std::abort();
  }
  if (keys.events != Expected(stream)) std::abort();
  return 0;
}
