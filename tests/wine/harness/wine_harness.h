// What a Windows test under Wine uses of its environment: the cables, and the key recorder.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace harness {

using namespace std::chrono_literals;

// Two cables; each joins the program's end to the reader's end.
inline constexpr char kProgramPort[] = "COM5";
inline constexpr char kReaderPort[] = "COM6";
inline constexpr char kSecondProgramPort[] = "COM7";
inline constexpr char kSecondReaderPort[] = "COM8";

// Pulls the cable whose program end is the given port: both ends of it disappear.
// True once it is done; false when the environment did not answer in time.
bool CutCable(const char* programPort, std::chrono::milliseconds timeout = 5s);
// Plugs that cable in again at the same ports: a fresh line, which has to be opened anew.
bool RestoreCable(const char* programPort, std::chrono::milliseconds timeout = 5s);

// The reader's end of a cable, opened 8N1 at 115200 baud; writes block until all bytes are out,
// or fail after 10 s without progress.
class ReaderEnd {
 public:
  explicit ReaderEnd(const char* port = kReaderPort);
  ~ReaderEnd();
  ReaderEnd(const ReaderEnd&) = delete;
  ReaderEnd& operator=(const ReaderEnd&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  bool Write(std::string_view bytes);

 private:
  HANDLE handle_;
};

// One event that the recorder's low-level keyboard hook saw.
struct RecordedKey {
  std::uint8_t vk;
  bool up;
  bool injected;
  bool operator==(const RecordedKey&) const = default;
};

// What the recorder saw since it started or was last cleared.
struct Recording {
  std::vector<RecordedKey> keys;
  std::string chars;  // the WM_CHAR codes its window received, one byte each
};

// recorder.exe, started beside the test program: a window holding the foreground and the keyboard
// focus (NumLock on), reporting every key event and character. Ended when this object goes.
class Recorder {
 public:
  // Starts it and waits, at most the given time, until it holds the focus; see IsFocused.
  explicit Recorder(std::chrono::milliseconds timeout = 10s);
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // True once the recorder has reported that it holds the foreground and the focus.
  bool IsFocused();
  // Asks it to take the foreground and the focus again (after another window took them); true once it has.
  bool Focus(std::chrono::milliseconds timeout = 5s);
  // Waits until at least this many key events and characters have arrived, or the time is up;
  // returns everything recorded so far.
  Recording WaitFor(std::size_t keys, std::size_t chars, std::chrono::milliseconds timeout);
  // Forgets what was recorded.
  void Clear();
  DWORD ProcessId() const { return process_.dwProcessId; }

 private:
  void ReadLines();
  void Handle(const std::string& line);

  PROCESS_INFORMATION process_{};
  HANDLE toRecorder_ = nullptr;
  HANDLE fromRecorder_ = nullptr;
  std::thread reader_;
  std::mutex mutex_;
  std::condition_variable changed_;
  Recording recording_;
  int focusAnswers_ = 0;  // "focused" and "unfocused" lines so far
  bool focused_ = false;
};

// The keys that the reader's bytes must type, written out apart from the program: keypad digits,
// A to F, space and Enter, each down then up, injected; nothing for any other byte.
std::vector<RecordedKey> TableKeys(std::string_view bytes);

// A line as a reader sends it: 12 ID bytes as upper-case hex pairs separated by spaces, then CR LF.
// The last four ID bytes are n, so that every line of a run differs.
std::string TagLine(unsigned n);

// A test suite whose tests share one recorder, started before the first and ended after the last.
template <class Base = testing::Test>
class WithRecorder : public Base {
 protected:
  static void SetUpTestSuite() { recorder_ = new Recorder; }
  static void TearDownTestSuite() {
    delete recorder_;
    recorder_ = nullptr;
  }
  static inline Recorder* recorder_ = nullptr;
};

}  // namespace harness
