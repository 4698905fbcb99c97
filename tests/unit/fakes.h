// Recording fakes for the capture seams.
#pragma once

#include <atomic>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "capture_worker.h"
#include "keystroke_emitter.h"
#include "reader_library.h"
#include "reader_link.h"

// Records every batch of key events.
class RecordingKeys : public KeySink {
 public:
  void Send(const std::vector<KeyEvent>& events) override {
    std::lock_guard lock(mutex_);
    batches_.push_back(events);
  }

  std::vector<std::vector<KeyEvent>> Batches() {
    std::lock_guard lock(mutex_);
    return batches_;
  }

  // What the events type, read back independently of the emitter: keypad digits as digits,
  // Enter as CR. Fails the calling test unless every press is followed by its release.
  std::string Typed();

 private:
  std::mutex mutex_;
  std::vector<std::vector<KeyEvent>> batches_;
};

// A port that hands out scripted chunks, then reads nothing; records the handle of every read.
class ScriptedPort : public SerialPort {
 public:
  explicit ScriptedPort(std::deque<std::string> chunks = {}) : chunks_(std::move(chunks)) {}

  std::uint32_t Read(PortHandle port, std::uint8_t* buffer, std::uint32_t size) override {
    std::lock_guard lock(mutex_);
    handles_.push_back(port);
    if (onRead) onRead(handles_.size());
    if (chunks_.empty()) return 0;
    std::string chunk = std::move(chunks_.front());
    chunks_.pop_front();
    std::uint32_t n = static_cast<std::uint32_t>(std::min<std::size_t>(chunk.size(), size));
    std::memcpy(buffer, chunk.data(), n);
    return n;
  }

  std::int32_t Queued(PortHandle) override {
    std::lock_guard lock(mutex_);
    ++queries_;
    if (!answers_.empty()) {
      std::int32_t answer = answers_.front();
      answers_.pop_front();
      return answer;
    }
    if (afterScript_) return *afterScript_;
    return chunks_.empty() ? 0 : static_cast<std::int32_t>(chunks_.front().size());
  }
  // What the port says is queued, in order; then `after`, or what the script really holds.
  void ScriptQueued(std::deque<std::int32_t> answers, std::optional<std::int32_t> after = {}) {
    std::lock_guard lock(mutex_);
    answers_ = std::move(answers);
    afterScript_ = after;
  }
  int Queries() {
    std::lock_guard lock(mutex_);
    return queries_;
  }

  void SetTimeouts(PortHandle port, const PortTimeouts& timeouts) override {
    timeoutsSetOn = port;
    timeouts_ = timeouts;
  }

  std::size_t Reads() {
    std::lock_guard lock(mutex_);
    return handles_.size();
  }
  std::vector<PortHandle> Handles() {
    std::lock_guard lock(mutex_);
    return handles_;
  }

  // Called under the port's lock with the number of the read, before it returns.
  std::function<void(std::size_t)> onRead;
  PortHandle timeoutsSetOn = kNoPort;
  PortTimeouts timeouts_{};

 private:
  std::mutex mutex_;
  std::deque<std::string> chunks_;
  std::vector<PortHandle> handles_;
  std::deque<std::int32_t> answers_;
  std::optional<std::int32_t> afterScript_;
  int queries_ = 0;
};

// A reader library that records its calls and answers as told.
class FakeLibrary : public ReaderLibrary {
 public:
  struct OpenCall {
    std::string field;  // all 20 bytes of the name field
    int baud;
  };

  int Open(PortHandle* port, char* name, int baud) override {
    opens.push_back({std::string(name, kPortNameField), baud});
    *port = handleToGive;
    return openResult;
  }
  void Close(PortHandle* port) override { closed.push_back(*port); }
  void GetMultiTagBuf(std::uint8_t* count, std::uint8_t* records) override {
    ++tagPolls;
    count[0] = static_cast<std::uint8_t>(tagRecords.size() / kRecordSize);
    if (!tagRecords.empty()) std::memcpy(records, tagRecords.data(), tagRecords.size());
  }

  static constexpr std::size_t kRecordSize = 13;
  int openResult = 1;
  PortHandle handleToGive = reinterpret_cast<PortHandle>(0x1234);
  std::vector<OpenCall> opens;
  std::vector<PortHandle> closed;
  std::vector<std::uint8_t> tagRecords;
  int tagPolls = 0;
};

// The four controls: texts to read, and a log of every enabling in order ("Start+", "Stop-", ...).
class FakeControls : public LinkControls {
 public:
  std::string PortText() override { return portText; }
  std::int32_t BaudValue() override { return baud; }
  void Enable(Control control, bool enabled) override {
    static const char* const kNames[] = {"Start", "Stop", "Port", "Baud"};
    log.push_back(std::string(kNames[static_cast<int>(control)]) + (enabled ? "+" : "-"));
  }

  std::string portText = "COM1";
  std::int32_t baud = 9600;
  std::vector<std::string> log;
};
