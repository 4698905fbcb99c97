// The worker loop against a scripted port.
#include "capture_worker.h"

#include <gtest/gtest.h>

#include <thread>

#include "fakes.h"

namespace {

PortHandle const kPort = reinterpret_cast<PortHandle>(0x77);

class CaptureWorkerTest : public testing::Test {
 protected:
  void SetUp() override {
    g_hComPort = kPort;
    g_bReading = 1;
  }
  void TearDown() override {
    g_hComPort = kNoPort;
    g_bReading = 0;
  }

  // Runs the worker over the chunks; the flag is cleared once the script is read and one more
  // empty read has been made.
  void Run(std::deque<std::string> chunks) {
    std::size_t stopAfter = chunks.size() + 1;
    port_ = std::make_unique<ScriptedPort>(std::move(chunks));
    port_->onRead = [stopAfter](std::size_t read) {
      if (read >= stopAfter) g_bReading = 0;
    };
    CaptureContext context{*port_, keys_, stop_};
    EXPECT_EQ(CaptureThreadProc(context), 1u);
  }

  RecordingKeys keys_;
  StopSignal stop_;
  std::unique_ptr<ScriptedPort> port_;
};

TEST_F(CaptureWorkerTest, TypesEachChunkAsOneBatchInArrivalOrder) {
  Run({std::string("E2 00 00 16\r\n"), "", "E2 0", "0\r\n"});
  EXPECT_EQ(keys_.Typed(), "E2 00 00 16\rE2 00\r");
  EXPECT_EQ(keys_.Batches().size(), 3u);  // the empty read types nothing
}

TEST_F(CaptureWorkerTest, ZeroBytesTypeNothingAndLoseNothingAfterThem) {
  Run({std::string("E2\0" "00", 5), std::string("\0\0" "1", 3)});
  EXPECT_EQ(keys_.Typed(), "E2001");
}

TEST_F(CaptureWorkerTest, TypesAFullBufferOfTwoHundredBytes) {
  std::string full(kReceiveBufferSize, 'A');
  full.back() = '1';
  Run({full + "F"});  // the port delivers at most 200 bytes per read
  EXPECT_EQ(keys_.Typed(), full);
}

TEST_F(CaptureWorkerTest, ReadsTheHandleAfreshOnEveryPass) {
  PortHandle other = reinterpret_cast<PortHandle>(0x88);
  port_ = std::make_unique<ScriptedPort>();
  port_->ScriptQueued({}, 1);  // always something to read
  port_->onRead = [&](std::size_t read) {
    if (read == 1) g_hComPort = other;
    if (read == 2) g_bReading = 0;
  };
  CaptureContext context{*port_, keys_, stop_};
  CaptureThreadProc(context);
  EXPECT_EQ(port_->Handles(), (std::vector<PortHandle>{kPort, other}));
}

TEST_F(CaptureWorkerTest, ClearedFlagMeansNoRead) {
  for (std::int32_t flag : {0, 2, -1}) {
    g_bReading = flag;
    ScriptedPort port({"E2"});
    CaptureContext context{port, keys_, stop_};
    EXPECT_EQ(CaptureThreadProc(context), 1u);
    EXPECT_EQ(port.Reads(), 0u) << "flag " << flag;
  }
  EXPECT_TRUE(keys_.Batches().empty());
}

TEST_F(CaptureWorkerTest, StopEndsAnIdleWorkerWithoutAnotherRead) {
  ScriptedPort port;
  CaptureContext context{port, keys_, stop_};
  std::thread worker([&] { CaptureThreadProc(context); });
  while (port.Queries() < 3) std::this_thread::yield();
  g_bReading = 0;
  stop_.Raise();
  worker.join();
  EXPECT_TRUE(keys_.Batches().empty());
}

}  // namespace

namespace {

struct RemovalCase {
  const char* name;
  std::deque<std::int32_t> queued;  // then no answer at all
  bool lost;
  friend void PrintTo(const RemovalCase& c, std::ostream* os) { *os << c.name; }
};

class RemovalTest : public CaptureWorkerTest, public testing::WithParamInterface<RemovalCase> {};

TEST_P(RemovalTest, OnlyAPortThatAnsweredBeforeCountsAsRemoved) {
  ScriptedPort port;
  port.ScriptQueued(GetParam().queued, -1);
  port.onRead = [](std::size_t read) {
    if (read >= 50) g_bReading = 0;
  };
  int reported = 0;
  CaptureContext context{port, keys_, stop_, [&] { ++reported; }};
  EXPECT_EQ(CaptureThreadProc(context), 1u);
  EXPECT_EQ(reported, GetParam().lost ? 1 : 0);
  // A lost port ends the loop at once; one that cannot tell is read on every pass until the flag is cleared.
  EXPECT_EQ(port.Reads() < 50, GetParam().lost);
}

INSTANTIATE_TEST_SUITE_P(Cases, RemovalTest,
                         testing::Values(RemovalCase{"AnsweredThenGone", {0, 0}, true},
                                         RemovalCase{"NeverAnswered", {}, false}),
                         [](const auto& info) { return info.param.name; });

TEST_F(CaptureWorkerTest, AnIdlePortIsReadAgainOnlyOnceBytesAreQueued) {
  ScriptedPort port({"", "E2"});
  port.ScriptQueued({0, 0, 0});  // then the two bytes that are really waiting
  port.onRead = [](std::size_t read) {
    if (read >= 2) g_bReading = 0;
  };
  CaptureContext context{port, keys_, stop_};
  CaptureThreadProc(context);
  EXPECT_EQ(port.Reads(), 2u);
  EXPECT_EQ(port.Queries(), 4);
  EXPECT_EQ(keys_.Typed(), "E2");
}

}  // namespace
