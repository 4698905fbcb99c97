// Capture under Wine: bytes written into the reader's end of the cable arrive as keys in the focused window.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <memory>
#include <random>

#include "platform_win.h"
#include "reader_link.h"
#include "wine_harness.h"

namespace {

using harness::Recorder;
using harness::RecordedKey;
using Control = LinkControls::Control;
using namespace std::chrono_literals;

class FixedControls : public LinkControls {
 public:
  std::string PortText() override { return port; }
  std::int32_t BaudValue() override { return 115200; }
  void Enable(Control control, bool on) override { enabled[static_cast<int>(control)] = on; }
  bool IsEnabled(Control control) const { return enabled[static_cast<int>(control)]; }

  std::string port = harness::kProgramPort;
  std::array<bool, 4> enabled{true, false, true, true};
};


class Capture : public harness::WithRecorder<> {
 protected:

  void SetUp() override {
    ASSERT_TRUE(recorder_->IsFocused());
    recorder_->Clear();
    lost_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  void TearDown() override {
    link_.OnStop();
    CloseHandle(lost_);
  }

  // Waits for the keys the bytes should type, then a little longer for any that should not come.
  harness::Recording Expect(std::string_view bytes, std::chrono::milliseconds timeout = 5s) {
    std::size_t count = harness::TableKeys(bytes).size();
    recorder_->WaitFor(count, 0, timeout);
    return recorder_->WaitFor(count + 1, 0, 200ms);
  }

  EpcDllLibrary library_;
  Win32SerialPort serial_;
  SendInputKeys keys_;
  FixedControls controls_;
  HANDLE lost_ = nullptr;
  ReaderLink link_{library_, serial_, keys_, controls_, [this] { SetEvent(lost_); }};
};

TEST_F(Capture, TypesWhatTheReaderSendsIntoTheFocusedWindow) {
  link_.OnStart();
  ASSERT_TRUE(ReaderLink::IsOpen());
  EXPECT_FALSE(controls_.IsEnabled(Control::Start));
  EXPECT_TRUE(controls_.IsEnabled(Control::Stop));

  harness::ReaderEnd reader;
  ASSERT_TRUE(reader.Write("E2 00 x9\r\n"));
  auto recording = Expect("E2 00 x9\r\n");
  EXPECT_EQ(recording.keys, harness::TableKeys("E2 00 x9\r\n"));
  // The keypad digits type digits (NumLock is on), the letter keys lower-case letters.
  EXPECT_EQ(recorder_->WaitFor(0, 8, 2s).chars, "e2 00 9\r");
}

TEST_F(Capture, BurstOfThousandsOfBytesArrivesWhole) {
  std::string burst;
  std::mt19937 random(7);
  const std::string alphabet = "0123456789ABCDEF \r\n\x7fZa\xcc";
  for (int i = 0; i < 4000; ++i) burst += alphabet[random() % alphabet.size()];

  link_.OnStart();
  ASSERT_TRUE(ReaderLink::IsOpen());
  harness::ReaderEnd reader;
  ASSERT_TRUE(reader.Write(burst));
  auto recording = Expect(burst, 60s);
  ASSERT_EQ(recording.keys.size(), harness::TableKeys(burst).size());
  EXPECT_EQ(recording.keys, harness::TableKeys(burst));
}

TEST_F(Capture, StopEndsTheCaptureAndFreesThePort) {
  link_.OnStart();
  ASSERT_TRUE(ReaderLink::IsOpen());
  link_.OnStop();
  EXPECT_FALSE(ReaderLink::IsOpen());
  EXPECT_EQ(controls_.enabled, (std::array<bool, 4>{true, false, true, true}));

  // Nothing reads the port any more: the bytes wait in the line for whoever opens it next.
  harness::ReaderEnd reader;
  ASSERT_TRUE(reader.Write("12\r"));
  char name[kPortNameField] = "COM5";
  PortHandle port = kNoPort;
  ASSERT_EQ(ComOpenCom(&port, name, 115200), 1);
  COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 3, 2};
  SetCommTimeouts(port, &timeouts);
  std::string received;
  for (int i = 0; i < 100 && received.size() < 3; ++i) {
    char buffer[8];
    DWORD got = 0;
    ReadFile(port, buffer, sizeof buffer, &got, nullptr);
    received.append(buffer, got);
    if (got == 0) Sleep(10);
  }
  ComCloseCom(&port);
  EXPECT_EQ(received, "12\r");
  EXPECT_TRUE(recorder_->WaitFor(1, 0, 300ms).keys.empty());
}

TEST_F(Capture, RemovedDeviceIsReportedAndAFreshCableCapturesAgain) {
  controls_.port = harness::kSecondProgramPort;
  link_.OnStart();
  ASSERT_TRUE(ReaderLink::IsOpen());
  {
    harness::ReaderEnd reader(harness::kSecondReaderPort);
    ASSERT_TRUE(reader.Write("12\r"));
    EXPECT_EQ(Expect("12\r").keys, harness::TableKeys("12\r"));
  }

  ASSERT_TRUE(harness::CutCable(harness::kSecondProgramPort));
  EXPECT_EQ(WaitForSingleObject(lost_, 1000), WAIT_OBJECT_0);
  link_.OnPortLost();  // what the dialog's thread does when the report arrives
  EXPECT_FALSE(ReaderLink::IsOpen());
  EXPECT_EQ(controls_.enabled, (std::array<bool, 4>{true, false, true, true}));

  link_.OnStart();
  EXPECT_FALSE(ReaderLink::IsOpen()) << "opened a port whose cable is out";

  ASSERT_TRUE(harness::RestoreCable(harness::kSecondProgramPort));
  recorder_->Clear();
  link_.OnStart();
  ASSERT_TRUE(ReaderLink::IsOpen());
  harness::ReaderEnd reader(harness::kSecondReaderPort);
  ASSERT_TRUE(reader.Write("AB 3\r"));
  EXPECT_EQ(Expect("AB 3\r").keys, harness::TableKeys("AB 3\r"));
}

}  // namespace
