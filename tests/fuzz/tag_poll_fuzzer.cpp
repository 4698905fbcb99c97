// Fuzzes the tag-buffer poll: any count and record area types one table-only line per record.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "reader_link.h"
#include "table_keys.h"
#include "tag_line.h"

namespace {

class Keys : public KeySink {
 public:
  void Send(const std::vector<KeyEvent>& batch) override {
    for (const KeyEvent& key : batch) {
      if (!IsTableKey(key.vk)) std::abort();
      if (key.vk == 0x0D && !key.up) ++lines;
    }
  }
  int lines = 0;
};

// Hands out the fuzzer's bytes as the count field and the start of the record area.
class Library : public ReaderLibrary {
 public:
  Library(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  int Open(PortHandle* port, char*, int) override {
    *port = reinterpret_cast<PortHandle>(1);
    return 1;
  }
  void Close(PortHandle*) override {}
  void GetMultiTagBuf(std::uint8_t* count, std::uint8_t* records) override {
    if (size_ == 0) return;
    count[0] = data_[0];
    std::memcpy(records, data_ + 1, std::min<std::size_t>(size_ - 1, 255 * kTagRecordSize));
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

class NoPort : public SerialPort {
 public:
  std::uint32_t Read(PortHandle, std::uint8_t*, std::uint32_t) override { return 0; }
  void SetTimeouts(PortHandle, const PortTimeouts&) override {}
  std::int32_t Queued(PortHandle) override { return 0; }
};

class Controls : public LinkControls {
 public:
  std::string PortText() override { return "COM1"; }
  std::int32_t BaudValue() override { return 9600; }
  void Enable(Control, bool) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Library library(data, size);
  NoPort port;
  Keys keys;
  Controls controls;
  ReaderLink link(library, port, keys, controls);
  link.OnStart();
  g_nTagCount = size > 1 ? 59981 + data[1] % 20 : 0;  // near the wrap; at most 60000 between polls
  link.OnTimer();
  if (keys.lines != (size > 0 ? data[0] : 0)) std::abort();
  if (g_nTagCount < 0 || g_nTagCount > 60000) std::abort();
  link.OnStop();
  return 0;
}
