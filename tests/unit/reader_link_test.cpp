// Start and Stop against a fake reader library, fake controls and a scripted port.
#include "reader_link.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace {

using Log = std::vector<std::string>;
const Log kCapturing = {"Start-", "Stop+", "Port-", "Baud-"};
const Log kStopped = {"Start+", "Stop-", "Port+", "Baud+"};
const Log kOpenFailed = {"Start+", "Stop-"};

std::string Field(const std::string& name) { return name + std::string(kPortNameField - name.size(), '\0'); }

class ReaderLinkTest : public testing::Test {
 protected:
  void TearDown() override {
    link_.reset();
    EXPECT_EQ(g_hComPort.load(), kNoPort);
    EXPECT_EQ(g_bReading.load(), 0);
  }

  FakeLibrary library_;
  ScriptedPort port_{{"E2 0", "0\r\n"}};
  RecordingKeys keys_;
  FakeControls controls_;
  std::unique_ptr<ReaderLink> link_ = std::make_unique<ReaderLink>(library_, port_, keys_, controls_);
};

TEST_F(ReaderLinkTest, StartOpensMakesReadsNonBlockingAndCaptures) {
  controls_.portText = "COM3";
  controls_.baud = 115200;
  link_->OnStart();

  ASSERT_EQ(library_.opens.size(), 1u);
  EXPECT_EQ(library_.opens[0].field, Field("COM3"));
  EXPECT_EQ(library_.opens[0].baud, 115200);
  EXPECT_EQ(controls_.log, kCapturing);
  EXPECT_EQ(port_.timeoutsSetOn, library_.handleToGive);
  EXPECT_EQ(port_.timeouts_, (PortTimeouts{0xFFFFFFFFu, 0, 0, 3, 2}));
  EXPECT_EQ(g_hComPort.load(), library_.handleToGive);
  EXPECT_EQ(g_bReading.load(), 1);

  while (port_.Reads() < 3) std::this_thread::yield();
  link_->OnStop();
  EXPECT_EQ(keys_.Typed(), "E2 00\r");
  EXPECT_EQ(library_.closed, std::vector<PortHandle>{library_.handleToGive});
  Log expected = kCapturing;
  expected.insert(expected.end(), kStopped.begin(), kStopped.end());
  EXPECT_EQ(controls_.log, expected);

  // Stop waited for the worker: nothing reads once it has returned.
  std::size_t reads = port_.Reads();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(port_.Reads(), reads);
  for (PortHandle h : port_.Handles()) EXPECT_EQ(h, library_.handleToGive);
}

TEST_F(ReaderLinkTest, FailedOpenLeavesNoPortEvenIfTheLibraryWroteOne) {
  library_.openResult = 0;
  library_.handleToGive = reinterpret_cast<PortHandle>(0x99);
  link_->OnStart();
  EXPECT_EQ(g_hComPort.load(), kNoPort);
  EXPECT_EQ(controls_.log, kOpenFailed);
  EXPECT_EQ(port_.timeoutsSetOn, kNoPort);
  EXPECT_EQ(port_.Reads(), 0u);

  link_->OnStop();  // nothing open: no effect
  EXPECT_TRUE(library_.closed.empty());
  EXPECT_EQ(controls_.log, kOpenFailed);
}

TEST_F(ReaderLinkTest, OnlyExactlyOneMeansOpen) {
  for (int result : {2, -1}) {
    library_.openResult = result;
    link_->OnStart();
    EXPECT_FALSE(ReaderLink::IsOpen()) << result;
  }
}

struct OpenCase {
  const char* name;
  std::string portText;
  std::int32_t baud;
  bool libraryCalled;
  friend void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }
};

class ReaderLinkOpenTest : public ReaderLinkTest, public testing::WithParamInterface<OpenCase> {};

TEST_P(ReaderLinkOpenTest, PassesTheBoxesAsTheyStand) {
  const OpenCase& c = GetParam();
  library_.openResult = 0;
  controls_.portText = c.portText;
  controls_.baud = c.baud;
  link_->OnStart();
  if (c.libraryCalled) {
    ASSERT_EQ(library_.opens.size(), 1u);
    EXPECT_EQ(library_.opens[0].field, Field(c.portText));
    EXPECT_EQ(library_.opens[0].baud, c.baud);
  } else {
    EXPECT_TRUE(library_.opens.empty());
  }
  EXPECT_EQ(controls_.log, kOpenFailed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReaderLinkOpenTest,
    testing::Values(OpenCase{"EmptyName", "", 9600, true},
                    OpenCase{"TypedName", "\\\\.\\COM12", 19200, true},
                    OpenCase{"NineteenBytes", std::string(19, 'C'), 9600, true},
                    OpenCase{"TwentyBytesRefused", std::string(20, 'C'), 9600, false},
                    OpenCase{"LongNameRefused", std::string(300, 'C'), 9600, false},
                    OpenCase{"BaudNoNumber", "COM1", 0, true},
                    OpenCase{"BaudNegative", "COM1", -9600, true}),
    [](const auto& info) { return info.param.name; });

TEST_F(ReaderLinkTest, StartWhileCapturingDoesNothing) {
  link_->OnStart();
  link_->OnStart();
  EXPECT_EQ(library_.opens.size(), 1u);
  EXPECT_EQ(controls_.log, kCapturing);
}

TEST_F(ReaderLinkTest, StartStopStartRunsOneWorkerAtATime) {
  link_->OnStart();
  link_->OnStop();
  library_.handleToGive = reinterpret_cast<PortHandle>(0x5678);
  std::size_t readsBefore = port_.Reads();
  link_->OnStart();
  EXPECT_EQ(g_hComPort.load(), library_.handleToGive);
  while (port_.Reads() == readsBefore) std::this_thread::yield();
  link_->OnStop();
  EXPECT_EQ(library_.opens.size(), 2u);
  EXPECT_EQ(library_.closed.size(), 2u);
  // Once the second worker starts, no read goes to the first handle again.
  std::vector<PortHandle> handles = port_.Handles();
  auto firstOfSecond = std::find(handles.begin(), handles.end(), library_.handleToGive);
  EXPECT_TRUE(std::all_of(firstOfSecond, handles.end(), [&](PortHandle h) { return h == library_.handleToGive; }));
}

TEST_F(ReaderLinkTest, DestroyingTheLinkStopsCaptureAndClosesThePort) {
  link_->OnStart();
  link_.reset();
  EXPECT_EQ(library_.closed, std::vector<PortHandle>{library_.handleToGive});
}

}  // namespace

namespace {

class PortLostTest : public ReaderLinkTest {
 protected:
  void SetUp() override {
    port_.ScriptQueued({0}, -1);
    link_ = std::make_unique<ReaderLink>(library_, port_, keys_, controls_, [this] { reported_ = true; });
  }
  // Waits, as the dialog's thread would, for the worker's report.
  void AwaitReport() {
    while (!reported_) std::this_thread::yield();
  }
  std::atomic<bool> reported_{false};
};

TEST_F(PortLostTest, ARemovedDeviceEndsCaptureAsStopDoes) {
  link_->OnStart();
  AwaitReport();
  link_->OnPortLost();
  EXPECT_FALSE(ReaderLink::IsOpen());
  EXPECT_EQ(library_.closed, std::vector<PortHandle>{library_.handleToGive});
  Log expected = kCapturing;
  expected.insert(expected.end(), kStopped.begin(), kStopped.end());
  EXPECT_EQ(controls_.log, expected);

  // Start works again once the device is back.
  port_.ScriptQueued({});
  link_->OnStart();
  EXPECT_TRUE(ReaderLink::IsOpen());
}

TEST_F(PortLostTest, AReportThatStopOvertookChangesNothing) {
  link_->OnStart();
  AwaitReport();
  link_->OnStop();
  port_.ScriptQueued({});
  link_->OnStart();
  link_->OnPortLost();  // the stale report of the first capture
  EXPECT_TRUE(ReaderLink::IsOpen());
  EXPECT_EQ(library_.closed.size(), 1u);
}

}  // namespace
