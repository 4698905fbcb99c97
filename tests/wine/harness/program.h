// TagWedge.exe driven from a Wine test: started beside the test program, worked through its own messages.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace harness {

using namespace std::chrono_literals;

// A text of the program's code page as the window shows it.
std::wstring Wide(std::string_view text);

// Polls until the condition holds or the time is up; the condition's last answer.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 5s);

// A message to another process's window, bounded so that a hung dialog fails the test instead of hanging it.
LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

std::wstring TextOf(HWND window);
std::vector<std::wstring> ListOf(HWND combo);

// What the four controls show.
struct Controls {
  bool start, stop, port, baud;  // enabled
  std::wstring portText, baudText;
  bool operator==(const Controls&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Controls& c);

Controls Stopped(std::string_view port, std::string_view baud);
Controls Capturing(std::string_view port, std::string_view baud);

// TagWedge.exe (or another build of it), started from beside this program; closed (or, failing
// that, ended) when this goes.
class Program {
 public:
  explicit Program(std::string_view name = "TagWedge.exe");
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  HWND Dialog() const { return dialog_; }
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }
  bool Exited(std::chrono::milliseconds timeout);
  DWORD Thread() const { return process_.dwThreadId; }
  HANDLE Process() const { return process_.hProcess; }
  // Open handles and running threads of the process; -1 where the system cannot tell.
  long HandleCount() const;
  long ThreadCount() const;

  Controls State() const;
  // Types into the two boxes, as the user may instead of picking an entry: the bytes of the
  // program's code page.
  void Choose(std::string_view port, std::string_view baud) const;
  // A click as the dialog receives it.
  void Click(int id) const;
  void Minimize() const;
  LRESULT Tray(WPARAM id, LPARAM mouse) const;

 private:
  HWND Find() const;

  PROCESS_INFORMATION process_{};
  HWND dialog_ = nullptr;
};

// Bytes that an earlier test left in the program's end of the cable would be typed by the next capture.
// (Wine lets a second handle open a serial port that a program holds.)
void DropUnreadBytes();

}  // namespace harness
