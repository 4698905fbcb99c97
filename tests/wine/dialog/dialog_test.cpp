// TagWedge.exe under Wine: start state, Start and Stop, keyboard filter, tray icon, closing, device removal.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "program.h"
#include "resource.h"
#include "wine_harness.h"

namespace {

using namespace std::chrono_literals;
using harness::Capturing;
using harness::DropUnreadBytes;
using harness::ListOf;
using harness::Program;
using harness::ReaderEnd;
using harness::Recorder;
using harness::Send;
using harness::Stopped;
using harness::TextOf;
using harness::WaitUntil;
using harness::Wide;

constexpr UINT kTrayIconId = IDR_MAINFRAME;

// Asks the shell to change nothing of the icon (dialog, 128): that succeeds only while it is up.
bool TrayIconUp(HWND dialog) {
  NOTIFYICONDATAW probe{};
  probe.cbSize = NOTIFYICONDATAW_V1_SIZE;
  probe.hWnd = dialog;
  probe.uID = kTrayIconId;
  return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

void DeleteTrayIcon(HWND dialog) {
  NOTIFYICONDATAW icon{};
  icon.cbSize = NOTIFYICONDATAW_V1_SIZE;
  icon.hWnd = dialog;
  icon.uID = kTrayIconId;
  Shell_NotifyIconW(NIM_DELETE, &icon);
}

// Saves the window as it is on the screen as a PNG file.
bool SaveScreenshot(HWND window, const wchar_t* path) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return false;
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);

  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  bool saved = false;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) {
    {
      // image/png
      const CLSID png = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
      Gdiplus::Bitmap image(bitmap, nullptr);
      saved = image.Save(path, &png, nullptr) == Gdiplus::Ok;
    }
    Gdiplus::GdiplusShutdown(token);
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

std::wstring WinePath(const char* unixPath) {
  std::wstring path = L"Z:" + Wide(unixPath);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

class Dialog : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(program_.Dialog(), nullptr) << "no visible dialog \"KORVANE\" from TagWedge.exe";
  }
  Program program_;
};

TEST_F(Dialog, StartsWithBothListsFirstEntriesSelectedAndStartFocused) {
  EXPECT_EQ(ListOf(program_.Item(IDC_PORT)),
            (std::vector<std::wstring>{L"COM1", L"COM2", L"COM3", L"COM4", L"COM5", L"COM6", L"COM7", L"COM8",
                                       L"COM9"}));
  EXPECT_EQ(ListOf(program_.Item(IDC_BAUD)), (std::vector<std::wstring>{L"9600", L"19200", L"115200"}));
  EXPECT_EQ(Send(program_.Item(IDC_PORT), CB_GETCURSEL), 0);
  EXPECT_EQ(Send(program_.Item(IDC_BAUD), CB_GETCURSEL), 0);
  EXPECT_EQ(program_.State(), Stopped("COM1", "9600"));

  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  ASSERT_TRUE(GetGUIThreadInfo(program_.Thread(), &gui));
  EXPECT_EQ(gui.hwndFocus, program_.Item(IDC_START));

  // The texts of the template, in UTF-16 whatever the build machine's locale.
  EXPECT_EQ(TextOf(program_.Dialog()), L"KORVANE");
  EXPECT_EQ(TextOf(program_.Item(IDC_START)), L"\x542F\x52A8");
  EXPECT_EQ(TextOf(program_.Item(IDC_STOP)), L"\x505C\x6B62");

  EXPECT_TRUE(SaveScreenshot(program_.Dialog(), WinePath(TAGWEDGE_SCREENSHOT).c_str()));
}

TEST_F(Dialog, EnterAndEscapeChangeNothing) {
  // With the filter gone, Enter would click the focused Start (and capture) and Escape end the dialog.
  program_.Choose(harness::kProgramPort, "115200");
  HWND start = program_.Item(IDC_START);
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    PostMessageW(start, WM_KEYDOWN, key, 1);
    PostMessageW(start, WM_KEYUP, key, 0xC0000001);
  }
  // Posted messages are taken in order: once this selection shows, the keys have been through the loop.
  PostMessageW(program_.Item(IDC_BAUD), CB_SETCURSEL, 1, 0);
  EXPECT_TRUE(WaitUntil([&] { return Send(program_.Item(IDC_BAUD), CB_GETCURSEL) == 1; }));
  EXPECT_FALSE(program_.Exited(200ms));
  EXPECT_EQ(program_.State(), Stopped(harness::kProgramPort, "19200"));
}

struct FailedOpen {
  const char* what;
  const char* port;
  const char* baud;
};

const FailedOpen kFailedOpens[] = {
    {"a port that does not exist", "COM42", "9600"},
    {"a baud that is no number", harness::kProgramPort, "fast"},
    {"an empty port box", "", "9600"},
};

TEST_F(Dialog, FailedOpenLeavesStartEnabledAndTheBoxesAsTyped) {
  for (const FailedOpen& c : kFailedOpens) {
    program_.Choose(c.port, c.baud);
    program_.Click(IDC_START);
    EXPECT_EQ(program_.State(), Stopped(c.port, c.baud)) << c.what;
  }
  // No failure left a port behind that would make Start return at once.
  program_.Choose(harness::kProgramPort, "115200");
  program_.Click(IDC_START);
  EXPECT_EQ(program_.State(), Capturing(harness::kProgramPort, "115200"));
  program_.Click(IDC_STOP);
}

class Capture : public harness::WithRecorder<Dialog> {
 protected:
  void SetUp() override {
    Dialog::SetUp();
    ASSERT_TRUE(reader_.IsOpen());
    // The new dialog takes the foreground, perhaps a little after it shows; then the recorder takes it back.
    WaitUntil([&] { return GetForegroundWindow() == program_.Dialog(); }, 2s);
    ASSERT_TRUE(FocusRecorder());
  }
  void TearDown() override { DropUnreadBytes(); }

  // The typed keys go to the foreground window: that must be the recorder's.
  static bool FocusRecorder() {
    DWORD owner = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &owner);
    return owner == recorder_->ProcessId() || recorder_->Focus();
  }

  void Start() {
    DropUnreadBytes();
    program_.Choose(harness::kProgramPort, "115200");
    program_.Click(IDC_START);
    ASSERT_EQ(program_.State(), Capturing(harness::kProgramPort, "115200"));
  }

  // Writes the reader's bytes and returns the characters the recorder received for them. The letters
  // come as their keys without Shift, so they type in lower case.
  std::string Typed(std::string_view bytes, std::size_t chars, std::chrono::milliseconds timeout = 5s) {
    if (!FocusRecorder()) return "<recorder not focused>";
    recorder_->Clear();
    if (!reader_.Write(bytes)) return "<write failed>";
    return recorder_->WaitFor(0, chars, timeout).chars;
  }

  ReaderEnd reader_{harness::kReaderPort};
};

TEST_F(Capture, StartTypesTheReadersBytesAndStopRestoresTheStartState) {
  Start();
  EXPECT_EQ(Typed("E2 00\r\n", 6), "e2 00\r");

  program_.Click(IDC_STOP);
  EXPECT_EQ(program_.State(), Stopped(harness::kProgramPort, "115200"));
  EXPECT_EQ(Typed("AB\r", 3, 500ms), "") << "typed after Stop";
}

TEST_F(Capture, GoesOnWhileInTheTray) {
  Start();
  program_.Minimize();
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(program_.Dialog()); }));
  EXPECT_EQ(Typed("0A 1F\r", 6), "0a 1f\r");
  EXPECT_EQ(program_.State(), Capturing(harness::kProgramPort, "115200"));
}

TEST_F(Capture, ClosingWhileCapturingReleasesThePort) {
  Start();
  PostMessageW(program_.Dialog(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(program_.Exited(5s));
  // The next run of the program can take the port at once.
  Program next;
  ASSERT_NE(next.Dialog(), nullptr);
  next.Choose(harness::kProgramPort, "115200");
  next.Click(IDC_START);
  EXPECT_EQ(next.State(), Capturing(harness::kProgramPort, "115200"));
}

TEST_F(Capture, DeviceRemovalStopsWithinASecondAndStartCapturesAgainOnceRestored) {
  Start();
  EXPECT_EQ(Typed("12\r", 3), "12\r");
  ASSERT_TRUE(harness::CutCable(harness::kProgramPort));
  EXPECT_TRUE(WaitUntil([&] { return program_.State() == Stopped(harness::kProgramPort, "115200"); }, 1s))
      << program_.State();

  ASSERT_TRUE(harness::RestoreCable(harness::kProgramPort));
  ReaderEnd reader(harness::kReaderPort);
  ASSERT_TRUE(reader.IsOpen());
  Start();
  ASSERT_TRUE(FocusRecorder());
  recorder_->Clear();
  ASSERT_TRUE(reader.Write("C0 FF\r"));
  EXPECT_EQ(recorder_->WaitFor(0, 6, 5s).chars, "c0 ff\r");
}

// One step of the tray: what is done, then whether the dialog shows and whether its icon is up.
struct TrayStep {
  const char* what;
  std::function<void(Program&)> act;
  bool visible;
  bool iconUp;
};

void Notify(Program& p, WPARAM id, LPARAM mouse, LRESULT expected) { EXPECT_EQ(p.Tray(id, mouse), expected); }

const UINT kTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");

const std::vector<TrayStep> kTraySteps = {
    {"shown: the taskbar is re-created", [](Program& p) { Send(p.Dialog(), kTaskbarCreated); }, true, false},
    {"minimized", [](Program& p) { p.Minimize(); }, false, true},
    {"single click",
     [](Program& p) {
       Notify(p, kTrayIconId, WM_LBUTTONDOWN, 0);
       Notify(p, kTrayIconId, WM_LBUTTONUP, 0);
     },
     false, true},
    {"right click",
     [](Program& p) {
       Notify(p, kTrayIconId, WM_RBUTTONDOWN, 0);
       Notify(p, kTrayIconId, WM_RBUTTONUP, 0);
     },
     false, true},
    {"double-click on another icon", [](Program& p) { Notify(p, kTrayIconId + 1, WM_LBUTTONDBLCLK, 1); }, false,
     true},
    {"the shell lost the icon", [](Program& p) { DeleteTrayIcon(p.Dialog()); }, false, false},
    {"the taskbar is re-created", [](Program& p) { Send(p.Dialog(), kTaskbarCreated); }, false, true},
    {"double-click", [](Program& p) { Notify(p, kTrayIconId, WM_LBUTTONDBLCLK, 0); }, true, false},
    {"minimized again", [](Program& p) { p.Minimize(); }, false, true},
    {"double-click again", [](Program& p) { Notify(p, kTrayIconId, WM_LBUTTONDBLCLK, 0); }, true, false},
};

TEST_F(Dialog, MinimizeMovesToTheTrayAndDoubleClickBringsItBack) {
  ASSERT_FALSE(TrayIconUp(program_.Dialog()));
  for (const TrayStep& step : kTraySteps) {
    step.act(program_);
    EXPECT_TRUE(WaitUntil([&] { return (IsWindowVisible(program_.Dialog()) != FALSE) == step.visible; }))
        << step.what;
    EXPECT_EQ(TrayIconUp(program_.Dialog()), step.iconUp) << step.what;
  }
  EXPECT_FALSE(IsIconic(program_.Dialog())) << "restored to its normal size";
  EXPECT_EQ(program_.State(), Stopped("COM1", "9600"));
}

struct Closing {
  const char* what;
  bool inTray;
  UINT message;
  WPARAM wParam;
};

const Closing kClosings[] = {
    {"WM_CLOSE", false, WM_CLOSE, 0},
    {"Close of the system menu (also Alt+F4)", false, WM_SYSCOMMAND, SC_CLOSE},
    {"WM_CLOSE while in the tray", true, WM_CLOSE, 0},
};

TEST(DialogClosing, EndsTheProgramAndRemovesTheIcon) {
  for (const Closing& c : kClosings) {
    Program program;
    ASSERT_NE(program.Dialog(), nullptr) << c.what;
    if (c.inTray) {
      program.Minimize();
      ASSERT_TRUE(WaitUntil([&] { return TrayIconUp(program.Dialog()); })) << c.what;
    }
    PostMessageW(program.Dialog(), c.message, c.wParam, 0);
    EXPECT_TRUE(program.Exited(5s)) << c.what;
    EXPECT_FALSE(TrayIconUp(program.Dialog())) << c.what;
  }
}

}  // namespace
