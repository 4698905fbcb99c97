// The cables and the key recorder, as a Windows test under Wine sees them.
#include "wine_harness.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace harness {
namespace {

// Requests go to the environment's cables/ folder, reached through Wine's Z: drive.
std::string CablesFolder() {
  const char* state = std::getenv("TAGWEDGE_WINE_ENV");
  if (state == nullptr) return {};
  std::string path = std::string("Z:") + state + "/cables";
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// Writes <verb>-<port> atomically and waits until the environment removes it, which it does when done.
// (A name like COM5.cut would name the port itself.)
bool AskCable(const char* programPort, const char* verb, std::chrono::milliseconds timeout) {
  std::string folder = CablesFolder();
  if (folder.empty()) return false;
  std::string draft = folder + "\\draft-" + programPort;
  std::string request = folder + "\\" + verb + "-" + programPort;
  HANDLE file = CreateFileA(draft.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  if (!MoveFileExA(draft.c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (GetFileAttributesA(request.c_str()) != INVALID_FILE_ATTRIBUTES) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Sleep(20);
  }
  return true;
}

}  // namespace

bool CutCable(const char* programPort, std::chrono::milliseconds timeout) {
  return AskCable(programPort, "cut", timeout);
}

bool RestoreCable(const char* programPort, std::chrono::milliseconds timeout) {
  return AskCable(programPort, "restore", timeout);
}

ReaderEnd::ReaderEnd(const char* port) {
  std::string path = std::string("\\\\.\\") + port;
  handle_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) return;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  GetCommState(handle_, &dcb);
  dcb.BaudRate = CBR_115200;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  SetCommState(handle_, &dcb);
  // A write that nobody reads gives up after 10 s instead of blocking the test.
  COMMTIMEOUTS timeouts{};
  timeouts.WriteTotalTimeoutConstant = 10000;
  SetCommTimeouts(handle_, &timeouts);
}

ReaderEnd::~ReaderEnd() {
  if (IsOpen()) CloseHandle(handle_);
}

bool ReaderEnd::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written == 0) {
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

Recorder::Recorder(std::chrono::milliseconds timeout) {
  // The recorder lies beside the test program.
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string program(path, length);
  program = program.substr(0, program.find_last_of('\\') + 1) + "recorder.exe";

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE recorderIn = nullptr;
  HANDLE recorderOut = nullptr;
  if (!CreatePipe(&recorderIn, &toRecorder_, &inherit, 0)) return;
  if (!CreatePipe(&fromRecorder_, &recorderOut, &inherit, 0)) return;
  SetHandleInformation(toRecorder_, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(fromRecorder_, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = recorderIn;
  startup.hStdOutput = recorderOut;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::string commandLine = "\"" + program + "\"";
  BOOL started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                nullptr, &startup, &process_);
  CloseHandle(recorderIn);
  CloseHandle(recorderOut);
  if (!started) {
    process_ = {};
    return;
  }
  reader_ = std::thread([this] { ReadLines(); });

  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [this] { return focusAnswers_ > 0; });
}

Recorder::~Recorder() {
  // End of input closes the recorder; one that does not close in time is ended.
  if (toRecorder_ != nullptr) CloseHandle(toRecorder_);
  if (process_.hProcess != nullptr) {
    if (WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0) {
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  // The pipe breaks once the recorder is gone, which ends the reading thread.
  if (reader_.joinable()) reader_.join();
  if (fromRecorder_ != nullptr) CloseHandle(fromRecorder_);
}

bool Recorder::IsFocused() {
  std::lock_guard lock(mutex_);
  return focused_;
}

bool Recorder::Focus(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  int before = focusAnswers_;
  DWORD written = 0;
  if (toRecorder_ == nullptr || !WriteFile(toRecorder_, "focus\n", 6, &written, nullptr)) return false;
  changed_.wait_for(lock, timeout, [&] { return focusAnswers_ > before; });
  return focusAnswers_ > before && focused_;
}

Recording Recorder::WaitFor(std::size_t keys, std::size_t chars, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [&] {
    return recording_.keys.size() >= keys && recording_.chars.size() >= chars;
  });
  return recording_;
}

void Recorder::Clear() {
  std::lock_guard lock(mutex_);
  recording_ = {};
}

void Recorder::ReadLines() {
  std::string pending;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(fromRecorder_, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    pending.append(buffer, got);
    std::size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      Handle(pending.substr(0, end));
      pending.erase(0, end + 1);
    }
  }
}

void Recorder::Handle(const std::string& line) {
  std::istringstream words(line);
  std::string kind;
  words >> kind;
  std::lock_guard lock(mutex_);
  if (kind == "key") {
    unsigned vk = 0;
    std::string direction;
    int injected = 0;
    words >> vk >> direction >> injected;
    recording_.keys.push_back({static_cast<std::uint8_t>(vk), direction == "up", injected != 0});
  } else if (kind == "char") {
    unsigned code = 0;
    words >> code;
    recording_.chars.push_back(static_cast<char>(code));
  } else if (kind == "focused" || kind == "unfocused") {
    focused_ = kind == "focused";
    ++focusAnswers_;
  }
  changed_.notify_all();
}

std::vector<RecordedKey> TableKeys(std::string_view bytes) {
  std::vector<RecordedKey> keys;
  for (char c : bytes) {
    std::uint8_t vk = 0;
    if (c >= '0' && c <= '9') vk = static_cast<std::uint8_t>(0x60 + (c - '0'));
    if (c >= 'A' && c <= 'F') vk = static_cast<std::uint8_t>(0x41 + (c - 'A'));
    if (c == ' ') vk = 0x20;
    if (c == '\r') vk = 0x0D;
    if (vk == 0) continue;
    keys.push_back({vk, false, true});
    keys.push_back({vk, true, true});
  }
  return keys;
}

std::string TagLine(unsigned n) {
  static const unsigned char kPrefix[] = {0xE2, 0x00, 0x00, 0x16, 0x10, 0x0B, 0x01, 0x72};
  std::string line;
  char pair[4];
  for (int i = 0; i < 12; ++i) {
    unsigned byte = i < 8 ? kPrefix[i] : (n >> (8 * (11 - i))) & 0xFF;
    std::snprintf(pair, sizeof pair, i ? " %02X" : "%02X", byte);
    line += pair;
  }
  return line + "\r\n";
}

}  // namespace harness
