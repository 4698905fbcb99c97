// Start and Stop, the state of the four controls, and the tag-buffer poll.
#include "reader_link.h"

#include <cstring>
#include <vector>

#include "tag_line.h"

std::atomic<PortHandle> g_hComPort{kNoPort};
std::atomic<std::int32_t> g_bReading{0};
std::int32_t g_nTagCount = 0;

namespace {
constexpr std::int32_t kLastTagNumber = 60000;
constexpr std::size_t kRecordAreaSize = 409600;
}  // namespace

ReaderLink::ReaderLink(ReaderLibrary& library, SerialPort& port, KeySink& keys, LinkControls& controls,
                       std::function<void()> portLost)
    : library_(library),
      controls_(controls),
      keys_(keys),
      notifyPortLost_(std::move(portLost)),
      context_{port, keys, stop_, [this] {
                 lost_ = true;
                 if (notifyPortLost_) notifyPortLost_();
               }} {}

ReaderLink::~ReaderLink() { OnStop(); }

bool ReaderLink::IsOpen() { return g_hComPort.load() != kNoPort; }

void ReaderLink::OnStart() {
  if (IsOpen()) return;
  std::string name = controls_.PortText();
  std::int32_t baud = controls_.BaudValue();

  // The name must reach the library zero-terminated: a longer one is refused, since a cut name
  // could open another port.
  PortHandle port = kNoPort;
  int opened = 0;
  if (name.size() < static_cast<std::size_t>(kPortNameField)) {
    char field[kPortNameField] = {};
    std::memcpy(field, name.data(), name.size());
    opened = library_.Open(&port, field, baud);
  }

  if (opened == 1) {
    g_hComPort = port;
    EnableControls(true);
    context_.port.SetTimeouts(port, kCaptureTimeouts);
    g_bReading = 1;
    stop_.Reset();
    lost_ = false;
    worker_ = std::thread([this] { CaptureThreadProc(context_); });
  } else {
    g_bReading = 0;
    g_hComPort = kNoPort;
    controls_.Enable(LinkControls::Control::Start, true);
    controls_.Enable(LinkControls::Control::Stop, false);
  }
}

void ReaderLink::OnStop() {
  if (!IsOpen()) return;
  g_bReading = 0;
  // The worker leaves its loop before the port closes, so it never reads a closed or reused handle.
  stop_.Raise();
  if (worker_.joinable()) worker_.join();
  PortHandle port = g_hComPort.load();
  library_.Close(&port);
  g_hComPort = kNoPort;
  EnableControls(false);
}

void ReaderLink::OnPortLost() {
  // A report that a Stop overtook, or that belongs to an earlier capture, changes nothing.
  if (lost_.exchange(false)) OnStop();
}

void ReaderLink::EnableControls(bool capturing) {
  using Control = LinkControls::Control;
  controls_.Enable(Control::Start, !capturing);
  controls_.Enable(Control::Stop, capturing);
  controls_.Enable(Control::Port, !capturing);
  controls_.Enable(Control::Baud, !capturing);
}

void ReaderLink::OnTimer() {
  if (!IsOpen()) return;
  std::uint8_t count[2] = {};
  std::vector<std::uint8_t> records(kRecordAreaSize);
  library_.GetMultiTagBuf(count, records.data());
  for (int i = 0; i < count[0]; ++i) {
    ++g_nTagCount;
    TypeText(FormatTagLine(g_nTagCount, &records[static_cast<std::size_t>(kTagRecordSize) * i]), keys_);
    if (g_nTagCount > kLastTagNumber) g_nTagCount = 0;
  }
}
