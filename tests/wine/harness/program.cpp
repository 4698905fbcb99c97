// TagWedge.exe under a Wine test: starting and closing it, its controls, its process's resources.
#include "program.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>

#include <gtest/gtest.h>

#include "resource.h"
#include "wine_harness.h"

namespace harness {
namespace {

constexpr UINT kTimeoutMs = 5000;

}  // namespace

std::wstring Wide(std::string_view text) {
  if (text.empty()) return {};
  int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return condition();
    Sleep(20);
  }
  return true;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kTimeoutMs, &result)) {
    ADD_FAILURE() << "no answer to message " << message;
  }
  return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(Send(window, WM_GETTEXTLENGTH)) + 1, L'\0');
  LRESULT copied = Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

std::vector<std::wstring> ListOf(HWND combo) {
  std::vector<std::wstring> items;
  LRESULT count = Send(combo, CB_GETCOUNT);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    items.push_back(text);
  }
  return items;
}

std::ostream& operator<<(std::ostream& out, const Controls& c) {
  // Non-ASCII characters as \u escapes, so that a failure reads the same in any locale.
  auto escaped = [](const std::wstring& w) {
    std::string s;
    for (wchar_t ch : w) {
      if (ch >= 0x20 && ch < 0x7F) {
        s += static_cast<char>(ch);
      } else {
        char code[8];
        std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(ch));
        s += code;
      }
    }
    return s;
  };
  return out << "{Start " << (c.start ? "on" : "off") << ", Stop " << (c.stop ? "on" : "off") << ", port "
             << (c.port ? "on" : "off") << " \"" << escaped(c.portText) << "\", baud " << (c.baud ? "on" : "off")
             << " \"" << escaped(c.baudText) << "\"}";
}

Controls Stopped(std::string_view port, std::string_view baud) {
  return {true, false, true, true, Wide(port), Wide(baud)};
}

Controls Capturing(std::string_view port, std::string_view baud) {
  return {false, true, false, false, Wide(port), Wide(baud)};
}

Program::Program(std::string_view name) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string exe(path, length);
  exe = exe.substr(0, exe.find_last_of('\\') + 1) + std::string(name);
  std::string commandLine = "\"" + exe + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process_)) {
    process_ = {};
    return;
  }
  WaitUntil([this] { return (dialog_ = Find()) != nullptr && IsWindowVisible(dialog_); }, 15s);
}

Program::~Program() {
  if (process_.hProcess == nullptr) return;
  if (!Exited(0ms)) {
    if (dialog_ != nullptr) PostMessageW(dialog_, WM_CLOSE, 0, 0);
    if (!Exited(5s)) {
      ADD_FAILURE() << "TagWedge.exe did not end on WM_CLOSE";
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, kTimeoutMs);
    }
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

bool Program::Exited(std::chrono::milliseconds timeout) {
  return WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

long Program::HandleCount() const {
  DWORD count = 0;
  if (GetProcessHandleCount(process_.hProcess, &count) && count > 0) return static_cast<long>(count);
  // Wine answers 0 for a running process, which always holds handles: count its entries in the
  // system's handle table instead.
  std::vector<std::uint8_t> table(1 << 20);
  ULONG size = 0;
  NTSTATUS status;
  while ((status = NtQuerySystemInformation(SystemHandleInformation, table.data(),
                                            static_cast<ULONG>(table.size()), &size)) ==
         static_cast<NTSTATUS>(0xC0000004L)) {  // STATUS_INFO_LENGTH_MISMATCH
    table.resize(std::max<std::size_t>(2 * table.size(), size));
  }
  if (status != 0) return -1;
  const auto* handles = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(table.data());
  long owned = 0;
  for (ULONG i = 0; i < handles->Count; ++i) {
    if (handles->Handle[i].OwnerPid == process_.dwProcessId) ++owned;
  }
  return owned > 0 ? owned : -1;
}

long Program::ThreadCount() const {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  long count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == process_.dwProcessId) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

Controls Program::State() const {
  return {IsWindowEnabled(Item(IDC_START)) != FALSE, IsWindowEnabled(Item(IDC_STOP)) != FALSE,
          IsWindowEnabled(Item(IDC_PORT)) != FALSE,  IsWindowEnabled(Item(IDC_BAUD)) != FALSE,
          TextOf(Item(IDC_PORT)),                    TextOf(Item(IDC_BAUD))};
}

void Program::Choose(std::string_view port, std::string_view baud) const {
  // The ANSI message: the bytes reach the box through the code page that the program reads them back with.
  for (auto [id, text] : {std::pair{IDC_PORT, std::string(port)}, std::pair{IDC_BAUD, std::string(baud)}}) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                             kTimeoutMs, &result)) {
      ADD_FAILURE() << "no answer to WM_SETTEXT";
    }
  }
}

void Program::Click(int id) const {
  Send(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
}

void Program::Minimize() const { Send(dialog_, WM_SYSCOMMAND, SC_MINIMIZE, 0); }

LRESULT Program::Tray(WPARAM id, LPARAM mouse) const { return Send(dialog_, WM_TRAYNOTIFY, id, mouse); }

HWND Program::Find() const {
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, L"#32770", L"KORVANE")) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == process_.dwProcessId) return window;
  }
  return nullptr;
}

void DropUnreadBytes() {
  std::string path = std::string("\\\\.\\") + kProgramPort;
  HANDLE port = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) return;
  PurgeComm(port, PURGE_RXCLEAR);
  CloseHandle(port);
}

}  // namespace harness
