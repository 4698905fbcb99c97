// TagWedge.exe under Wine under load and bad input: Start and Stop cycles, closing in a flood, bad texts, any bytes.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "program.h"
#include "resource.h"
#include "wine_harness.h"

namespace {

using namespace std::chrono_literals;
using harness::Capturing;
using harness::DropUnreadBytes;
using harness::Program;
using harness::ReaderEnd;
using harness::RecordedKey;
using harness::Recorder;
using harness::Recording;
using harness::Stopped;
using harness::WaitUntil;

constexpr char kBaud[] = "115200";


// Under Wine the recorder's hook takes about 1,500 events a second.
std::chrono::milliseconds TimeFor(std::size_t keys) { return 3s + std::chrono::milliseconds(2 * keys); }

// Binary bytes, the same on every run.
std::string RandomBytes(std::size_t size) {
  std::mt19937 random(5);
  std::string bytes;
  while (bytes.size() < size) bytes += static_cast<char>(random() & 0xFF);
  return bytes;
}

class Reliability : public harness::WithRecorder<> {
 protected:
  void SetUp() override {
    ASSERT_NE(program_.Dialog(), nullptr) << "no visible dialog \"KORVANE\" from TagWedge.exe";
    ASSERT_TRUE(reader_.IsOpen());
    // The new dialog takes the foreground, perhaps a little after it shows; then the recorder takes it back.
    WaitUntil([&] { return GetForegroundWindow() == program_.Dialog(); }, 2s);
    ASSERT_TRUE(FocusRecorder());
    DropUnreadBytes();
  }
  void TearDown() override { DropUnreadBytes(); }

  // The typed keys go to the foreground window: that must be the recorder's.
  static bool FocusRecorder() {
    DWORD owner = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &owner);
    return owner == recorder_->ProcessId() || recorder_->Focus();
  }

  static void Start(Program& program) {
    program.Choose(harness::kProgramPort, kBaud);
    program.Click(IDC_START);
    ASSERT_EQ(program.State(), Capturing(harness::kProgramPort, kBaud));
  }

  // Everything recorded once at least this many keys have come and then no more for a moment
  // (or once keys have kept coming for 30 s).
  static Recording Settled(std::size_t keys) {
    Recording r = recorder_->WaitFor(keys, 0, TimeFor(keys));
    auto deadline = std::chrono::steady_clock::now() + 30s;
    for (;;) {
      Recording more = recorder_->WaitFor(r.keys.size() + 1, 0, 300ms);
      if (more.keys.size() == r.keys.size() || std::chrono::steady_clock::now() > deadline) return more;
      r = more;
    }
  }

  // Writes the bytes and expects exactly their keys, and nothing after them.
  void ExpectTyped(std::string_view bytes, const char* what) {
    ASSERT_TRUE(FocusRecorder()) << what;
    recorder_->Clear();
    ASSERT_TRUE(reader_.Write(bytes)) << what;
    std::vector<RecordedKey> expected = harness::TableKeys(bytes);
    EXPECT_EQ(Settled(expected.size()).keys, expected) << what;
  }

  Program program_;
  ReaderEnd reader_{harness::kReaderPort};
};

TEST_F(Reliability, AThousandStartsAndStopsWithBytesFlowingLoseNothingAndLeaveNothingBehind) {
  constexpr int kCycles = 1000;
  // The first cycle types a line, so that what the system sets up on first use is counted before.
  Start(program_);
  ExpectTyped("0\r", "the first cycle");
  program_.Click(IDC_STOP);
  const long handles = program_.HandleCount(), threads = program_.ThreadCount();
  ASSERT_GT(threads, 0) << "no thread count from the system";
  recorder_->Clear();

  // One short line every 30 ms, each different, so that a lost, doubled or swapped line shows.
  std::atomic<bool> writing{true};
  std::string written;
  std::thread writer([&] {
    for (int n = 0; writing; ++n) {
      char line[16];
      std::snprintf(line, sizeof line, "%X\r", n);
      if (!reader_.Write(line)) return;
      written += line;
      Sleep(30);
    }
  });
  int cycles = 1;
  long threadsCapturing = 0;
  std::chrono::steady_clock::duration starting{}, stopping{};
  for (; cycles < kCycles; ++cycles) {
    auto t0 = std::chrono::steady_clock::now();
    program_.Click(IDC_START);
    auto t1 = std::chrono::steady_clock::now();
    if (IsWindowEnabled(program_.Item(IDC_STOP)) == FALSE) break;
    if (cycles == 1) threadsCapturing = program_.ThreadCount();
    program_.Click(IDC_STOP);
    auto t2 = std::chrono::steady_clock::now();
    starting += t1 - t0;
    stopping += t2 - t1;
    if (IsWindowEnabled(program_.Item(IDC_START)) == FALSE || program_.Exited(0ms)) break;
  }
  writing = false;
  writer.join();
  EXPECT_EQ(cycles, kCycles) << "a Start or Stop did not take";
  EXPECT_EQ(threadsCapturing, threads + 1) << "the worker is not seen while capturing";
  using ms = std::chrono::duration<double, std::milli>;
  std::printf("Start %.2f ms, Stop %.2f ms on average\n", ms(starting).count() / (cycles - 1),
              ms(stopping).count() / (cycles - 1));

  // The bytes written while stopped waited in the line: the last Start types them.
  const std::size_t typedWhileCycling = recorder_->WaitFor(0, 0, 0ms).keys.size();
  Start(program_);
  std::vector<RecordedKey> expected = harness::TableKeys(written);
  Recording typed = Settled(expected.size());
  program_.Click(IDC_STOP);
  EXPECT_EQ(typed.keys.size(), expected.size());
  EXPECT_TRUE(typed.keys == expected) << "keys lost, doubled or out of order";
  std::printf("%d cycles, %zu bytes written, %zu keys expected, %zu recorded (%zu of them while cycling)\n",
              cycles, written.size(), expected.size(), typed.keys.size(), typedWhileCycling);

  // The workers have gone and left nothing open.
  EXPECT_TRUE(WaitUntil([&] { return program_.ThreadCount() <= threads; }, 2s)) << program_.ThreadCount();
  std::printf("threads after the first cycle %ld, at the end %ld\n", threads, program_.ThreadCount());
  // A port or worker handle left behind would add one per cycle. The thread runtime itself gains an
  // event handle every few hundred threads that wait on a condition variable and are joined (under
  // Wine, seen in a program that does nothing else), so a few are let pass.
  if (handles < 0) {
    std::printf("handle count: the system does not report it\n");
  } else {
    EXPECT_LT(program_.HandleCount() - handles, kCycles / 100);
    std::printf("handles after the first cycle %ld, at the end %ld\n", handles, program_.HandleCount());
  }
}

TEST_F(Reliability, ClosingDuringAFloodEndsTheProgramAndTheNextRunCapturesAtOnce) {
  Start(program_);
  recorder_->Clear();
  // Mostly bytes off the table, so that the worker reads them faster than the keys can go out.
  const std::string flood = RandomBytes(8192);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    reader_.Write(flood);
    done = true;
  });
  // Closed once the keys of the flood have begun to come: the worker is in the middle of it.
  EXPECT_FALSE(recorder_->WaitFor(1, 0, 2s).keys.empty());
  PostMessageW(program_.Dialog(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(program_.Exited(5s)) << "still running 5 s after WM_CLOSE";

  // The port is free at once: the next run captures the rest of the flood, then new bytes.
  Program next;
  ASSERT_NE(next.Dialog(), nullptr);
  Start(next);
  WaitUntil([&] { return done.load(); }, 20s);
  writer.join();
  ASSERT_TRUE(done);
  Settled(0);
  ExpectTyped("12 AB\r", "after the flood");
}

// A text for one of the boxes that cannot open the reader's port.
struct BadText {
  const char* what;
  std::string text;
};

// Each text gives the quiet result of a failed open, leaves nothing open, and Start works after them all.
void ExpectFailedOpens(Program& program, const std::vector<BadText>& cases, bool portBox) {
  const long handles = program.HandleCount();
  for (const BadText& c : cases) {
    const std::string& port = portBox ? c.text : std::string(harness::kProgramPort);
    const std::string& baud = portBox ? std::string(kBaud) : c.text;
    program.Choose(port, baud);
    program.Click(IDC_START);
    EXPECT_EQ(program.State(), Stopped(port, baud)) << c.what;
    ASSERT_FALSE(program.Exited(0ms)) << c.what;
  }
  if (handles >= 0) {
    EXPECT_LE(program.HandleCount(), handles) << "a failed open left a handle open";
  }
  std::printf("%zu cases; handles before %ld, after %ld\n", cases.size(), handles, program.HandleCount());
}

TEST_F(Reliability, BadPortNamesFailQuietly) {
  // A first open and close on the way in, so that what the system sets up once is counted before.
  Start(program_);
  program_.Click(IDC_STOP);
  const std::vector<BadText> cases = {
      {"empty", ""},
      {"19 bytes", "COM5" + std::string(15, '9')},
      {"20 bytes", "COM5" + std::string(16, '9')},
      {"300 bytes", "COM5" + std::string(296, '9')},
      {"non-ASCII in code page 936", "\xB4\xAE\xBF\xDA"},
      {"the null device", "NUL"},
      {"the console", "CON"},
      {"a file", "C:\\windows\\win.ini"},
  };
  std::printf("code page %u\n", GetACP());
  ExpectFailedOpens(program_, cases, true);
  Start(program_);
  ExpectTyped("0F\r", "after the bad names");
}

TEST_F(Reliability, BadBaudTextsFailQuietly) {
  Start(program_);
  program_.Click(IDC_STOP);
  const std::vector<BadText> cases = {
      {"letters", "fast"},
      {"negative", "-9600"},
      {"zero", "0"},
      {"too large for 32 bits", "99999999999"},
  };
  ExpectFailedOpens(program_, cases, false);
  Start(program_);
  ExpectTyped("0F\r", "after the bad bauds");
}

std::string AllByteValues() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes;
}

std::string Repeated(std::string_view piece, std::size_t size) {
  std::string bytes;
  while (bytes.size() < size) bytes += piece;
  return bytes.substr(0, size);
}

TEST_F(Reliability, AnyReaderBytesTypeOnlyTheirTableKeysInOrder) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"all 256 byte values", AllByteValues()},
      {"random binary", RandomBytes(4096)},
      {"a long run with no CR", Repeated("0123456789ABCDEF ", 1500)},
      {"zero bytes at the start, inside, in runs and at the end",
       std::string("\0E2\0\0 0A\0", 9) + Repeated(std::string_view("1\0", 2), 450) + std::string("\r\0", 2)},
  };
  Start(program_);
  for (const Case& c : cases) {
    ExpectTyped(c.bytes, c.what);
    std::printf("%s: %zu bytes, %zu keys\n", c.what, c.bytes.size(), harness::TableKeys(c.bytes).size());
  }
}

}  // namespace
