// Benchmark driver: runs a TagWedge build against a virtual reader and measures, through a
// low-level keyboard hook, what it types. Prints "name value" lines on stdout; the idle phase is
// bracketed by "idle-begin"/"idle-end" lines so that the caller can sample CPU times from outside.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "program.h"
#include "resource.h"
#include "wine_harness.h"

namespace {

LONGLONG g_frequency = 0;
double Seconds(LONGLONG ticks) { return static_cast<double>(ticks) / static_cast<double>(g_frequency); }
LONGLONG Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

struct Event {
  BYTE vk;
  bool up;
  LONGLONG at;
};
std::vector<Event> g_events;  // appended by the hook or the target window, on the main thread
std::atomic<long> g_notInjected{0};
HHOOK g_hook = nullptr;

LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    auto* key = reinterpret_cast<KBDLLHOOKSTRUCT*>(lParam);
    if (!(key->flags & LLKHF_INJECTED)) ++g_notInjected;
    g_events.push_back({static_cast<BYTE>(key->vkCode), (key->flags & LLKHF_UP) != 0, Now()});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Without the hook, the focused target window records the keys it receives. Under Wine a
// low-level hook costs a round trip between processes per event, which would cap throughput.
LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!g_hook && (message == WM_KEYDOWN || message == WM_KEYUP))
    g_events.push_back({static_cast<BYTE>(wParam), message == WM_KEYUP, Now()});
  return DefWindowProcA(window, message, wParam, lParam);
}

// Pumps messages (so the hook runs) until done() holds or nothing new arrives for idleMs.
template <typename Done>
bool PumpUntil(Done done, DWORD idleMs) {
  std::size_t seen = g_events.size();
  ULONGLONG lastProgress = GetTickCount64();
  while (!done()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);  // wakes on every hook call and key
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (g_events.size() != seen) {
      seen = g_events.size();
      lastProgress = GetTickCount64();
    } else if (GetTickCount64() - lastProgress > idleMs) {
      return false;
    }
  }
  return true;
}

void PumpFor(DWORD ms) {
  ULONGLONG end = GetTickCount64() + ms;
  PumpUntil([&] { return GetTickCount64() >= end; }, ms + 1000);
}

std::string TagLines(unsigned first, unsigned count) {
  std::string text;
  for (unsigned i = 0; i < count; ++i) text += harness::TagLine(first + i);
  return text;
}

// Counts the events from `from` on that differ from the expected ones, and those missing or extra.
long Mismatches(std::size_t from, const std::vector<harness::RecordedKey>& expected) {
  std::size_t seen = g_events.size() - from;
  std::size_t n = std::min(expected.size(), seen);
  long bad = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (g_events[from + i].vk != expected[i].vk || g_events[from + i].up != expected[i].up) ++bad;
  }
  return bad + static_cast<long>(std::max(expected.size(), seen) - n);
}

void Print(const char* name, double value) {
  std::printf("%s %.3f\n", name, value);
  std::fflush(stdout);
}

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

// Types `text` while pumping; returns bytes per second from the first write to the last key, and
// counts the keys lost, doubled or out of order into `bad`.
double Throughput(harness::ReaderEnd& reader, const std::string& text, long& bad, double pacedBytesPerSecond = 0) {
  std::vector<harness::RecordedKey> expected = harness::TableKeys(text);
  std::size_t from = g_events.size();
  LONGLONG started = Now();
  std::thread writer([&] {
    if (pacedBytesPerSecond <= 0) {
      reader.Write(text);
      return;
    }
    std::size_t at = 0;
    while (at < text.size()) {
      std::size_t due = static_cast<std::size_t>(Seconds(Now() - started) * pacedBytesPerSecond);
      if (due > at) {
        std::size_t n = std::min(due, text.size()) - at;
        reader.Write(text.substr(at, n));
        at += n;
      }
      Sleep(5);
    }
  });
  PumpUntil([&] { return g_events.size() - from >= expected.size(); }, 5000);
  writer.join();
  PumpFor(200);  // anything extra still on its way
  bad = Mismatches(from, expected);
  LONGLONG last = g_events.size() > from ? g_events.back().at : Now();
  return static_cast<double>(text.size()) / Seconds(last - started);
}

// The platform's own limit: the same key events injected straight from a thread, 200 bytes a batch.
double BareInjection(const std::string& text, long& bad) {
  std::vector<harness::RecordedKey> expected = harness::TableKeys(text);
  std::size_t from = g_events.size();
  LONGLONG started = Now();
  std::thread injector([&] {
    for (std::size_t at = 0; at < text.size(); at += 200) {
      std::vector<harness::RecordedKey> keys = harness::TableKeys(text.substr(at, 200));
      std::vector<INPUT> inputs(keys.size());
      for (std::size_t i = 0; i < keys.size(); ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = keys[i].vk;
        inputs[i].ki.dwFlags = keys[i].up ? KEYEVENTF_KEYUP : 0;
      }
      if (!inputs.empty()) SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    }
  });
  PumpUntil([&] { return g_events.size() - from >= expected.size(); }, 5000);
  injector.join();
  PumpFor(200);
  bad = Mismatches(from, expected);
  return static_cast<double>(text.size()) / Seconds(g_events.back().at - started);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: bench_driver PROGRAM.exe PROGRAM_PORT READER_PORT [lines idle_s flood_lines paced_s]\n"
                         "  PROGRAM.exe: TagWedge.exe or TagWedgeBusy.exe, beside the driver\n");
    return 2;
  }
  const char* exe = argv[1];
  const char* programPort = argv[2];
  const char* readerPort = argv[3];
  int lines = argc > 4 ? std::atoi(argv[4]) : 1000;
  int idleSeconds = argc > 5 ? std::atoi(argv[5]) : 20;
  int floodLines = argc > 6 ? std::atoi(argv[6]) : 1000;
  int pacedSeconds = argc > 7 ? std::atoi(argv[7]) : 60;

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  g_frequency = frequency.QuadPart;

  // The focused window the keys go to; NumLock on so that Wine types keypad digits.
  WNDCLASSA targetClass{};
  targetClass.lpfnWndProc = TargetProc;
  targetClass.hInstance = GetModuleHandleA(nullptr);
  targetClass.lpszClassName = "BenchTarget";
  RegisterClassA(&targetClass);
  HWND target = CreateWindowExA(0, "BenchTarget", "bench target", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                400, 10, 400, 300, nullptr, nullptr, targetClass.hInstance, nullptr);
  BYTE state[256];
  GetKeyboardState(state);
  state[VK_NUMLOCK] = 1;
  SetKeyboardState(state);
  HHOOK hook = SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHook, GetModuleHandleA(nullptr), 0);
  g_hook = hook;

  harness::ReaderEnd reader(readerPort);
  harness::Program program(exe);
  if (!hook || !reader.IsOpen() || program.Dialog() == nullptr) {
    std::fprintf(stderr, "bench_driver: setup failed (hook %p, reader %d)\n", static_cast<void*>(hook), reader.IsOpen());
    return 1;
  }
  program.Choose(programPort, "115200");
  auto focusTarget = [&] {
    SetForegroundWindow(target);
    SetFocus(target);
    PumpFor(100);
  };
  focusTarget();

  // Baseline: the same quiet desktop with the program not capturing.
  std::printf("baseline-begin\n");
  std::fflush(stdout);
  PumpFor(static_cast<DWORD>(idleSeconds) * 1000);
  std::printf("baseline-end\n");
  std::fflush(stdout);

  int failures = 0;

  // Start with a line waiting on the port: from the click to the first key.
  reader.Write(harness::TagLine(0));
  PumpFor(100);
  std::size_t from = g_events.size();
  LONGLONG clicked = Now();
  program.Click(IDC_START);
  if (!program.State().stop) {
    std::fprintf(stderr, "bench_driver: Start failed on %s\n", programPort);
    return 1;
  }
  PumpUntil([&] { return g_events.size() - from >= 72; }, 3000);
  Print("start_to_first_key_ms", g_events.size() > from ? 1000 * Seconds(g_events[from].at - clicked) : -1);
  focusTarget();

  // Latency: one line at a time, from its write to its first key-down.
  std::vector<double> latencies;
  for (int i = 0; i < lines; ++i) {
    std::string line = harness::TagLine(static_cast<unsigned>(i + 1));
    std::size_t before = g_events.size();
    LONGLONG written = Now();
    reader.Write(line);
    if (!PumpUntil([&] { return g_events.size() - before >= 72; }, 2000)) {
      ++failures;
      break;
    }
    latencies.push_back(1000 * Seconds(g_events[before].at - written));
  }
  if (!latencies.empty()) {
    Print("latency_p50_ms", Percentile(latencies, 0.50));
    Print("latency_p99_ms", Percentile(latencies, 0.99));
    Print("latency_max_ms", *std::max_element(latencies.begin(), latencies.end()));
    Print("latency_lines", static_cast<double>(latencies.size()));
  }

  // Idle: capturing with nothing arriving.
  std::printf("idle-begin\n");
  std::fflush(stdout);
  PumpFor(static_cast<DWORD>(idleSeconds) * 1000);
  std::printf("idle-end\n");
  std::fflush(stdout);

  // Throughput through the target window's own messages.
  UnhookWindowsHookEx(hook);
  g_hook = nullptr;
  long bad = 0;
  std::string flood = TagLines(100000, static_cast<unsigned>(floodLines));
  Print("flood_bytes_per_s", Throughput(reader, flood, bad));
  Print("flood_bad_keys", bad);
  failures += bad != 0;

  if (pacedSeconds > 0) {
    std::string paced = TagLines(200000, static_cast<unsigned>(11520.0 * pacedSeconds / 37));
    Print("paced_bytes_per_s", Throughput(reader, paced, bad, 11520.0));
    Print("paced_bad_keys", bad);
    failures += bad != 0;
  }

  Print("bare_injection_bytes_per_s", BareInjection(flood, bad));
  Print("bare_injection_bad_keys", bad);

  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(program.Process(), &memory, sizeof memory))
    Print("peak_working_set_kib", static_cast<double>(memory.PeakWorkingSetSize) / 1024);

  LONGLONG stopAsked = Now();
  program.Click(IDC_STOP);  // returns once the worker has ended and the port is closed
  Print("stop_to_worker_ended_ms", 1000 * Seconds(Now() - stopAsked));
  Print("not_injected_events", static_cast<double>(g_notInjected.load()));

  DestroyWindow(target);
  return failures ? 1 : 0;
}
