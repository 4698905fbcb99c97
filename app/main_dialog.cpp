// The application object and the main dialog: lists, keyboard filter, icon, Start and Stop.
#include "main_dialog.h"

#include <cstdio>

#include "message_crack.h"
#include "resource.h"

namespace {

// Posted by the worker when the device of the running capture is gone.
constexpr UINT WM_PORTLOST = WM_APP + 1;

// Registered by the shell; its number is known only at run time.
UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

}  // namespace

CTagWedgeApp theApp;

BOOL CTagWedgeApp::InitInstance() {
  CTagWedgeDlg dlg;
  dlg.DoModal();
  // The dialog was the whole program.
  return FALSE;
}

const winkit::MessageEntry<CTagWedgeDlg> CTagWedgeDlg::kMessageMap[] = {
    {WM_PAINT, 0, 0, winkit::Plain<&CTagWedgeDlg::OnPaint>},
    {WM_QUERYDRAGICON, 0, 0, winkit::ReturnsHandle<&CTagWedgeDlg::OnQueryDragIcon>},
    {WM_COMMAND, IDC_START, BN_CLICKED, winkit::Plain<&CTagWedgeDlg::OnStart>},
    {WM_COMMAND, IDC_STOP, BN_CLICKED, winkit::Plain<&CTagWedgeDlg::OnStop>},
    {WM_TIMER, 0, 0, winkit::Timer<&CTagWedgeDlg::OnTimer>},
    {WM_TRAYNOTIFY, 0, 0, winkit::Raw<&CTagWedgeDlg::OnTrayNotify>},
    {WM_DESTROY, 0, 0, winkit::Plain<&CTagWedgeDlg::OnDestroy>},
    {WM_SIZE, 0, 0, winkit::Size<&CTagWedgeDlg::OnSize>},
    {WM_PORTLOST, 0, 0, winkit::Plain<&CTagWedgeDlg::OnPortLost>},
};

// The worker posts to the window handle, which is set before any worker starts and cleared only
// after OnDestroy has ended the worker.
CTagWedgeDlg::CTagWedgeDlg(HWND parent)
    : winkit::Dialog(IDD_MAIN, parent),
      m_hIcon(LoadIconW(winkit::App::Current()->Module(), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_link(m_library, m_serial, m_keys, *this, [this] { PostMessageW(Handle(), WM_PORTLOST, 0, 0); }) {}

// Icons loaded from the module's resources are shared: nothing to free.
CTagWedgeDlg::~CTagWedgeDlg() = default;

bool CTagWedgeDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == TaskbarCreatedMessage()) {
    OnTaskbarCreated();
    return true;
  }
  return winkit::Dispatch(kMessageMap, *this, message, wParam, lParam, result);
}

void CTagWedgeDlg::DoDataExchange() {
  winkit::BindControl(Handle(), IDC_STOP, m_btnStop);
  winkit::BindControl(Handle(), IDC_START, m_btnStart);
  winkit::BindControl(Handle(), IDC_BAUD, m_cbBaud);
  winkit::BindControl(Handle(), IDC_PORT, m_cbPort);
}

BOOL CTagWedgeDlg::OnInitDialog() {
  winkit::Dialog::OnInitDialog();
  SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
  InitPortLists();
  // The dialog manager gives the focus to the first tab stop, Start.
  return TRUE;
}

void CTagWedgeDlg::InitPortLists() {
  // Inserted at fixed positions, so the boxes' sorted style does not reorder them.
  for (int i = 1; i <= 9; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "COM%d", i);
    m_cbPort.InsertString(i - 1, name);
  }
  m_cbPort.SetCurSel(0);
  m_cbBaud.InsertString(0, "9600");
  m_cbBaud.InsertString(1, "19200");
  m_cbBaud.InsertString(2, "115200");
  m_cbBaud.SetCurSel(0);
  m_btnStop.EnableWindow(false);
}

// Enter and Escape would press the default button or cancel the dialog: neither may, whether the
// user pressed them or the captured text typed them while the dialog had the focus.
bool CTagWedgeDlg::PreTranslateMessage(MSG& msg) {
  if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) return true;
  return winkit::Dialog::PreTranslateMessage(msg);
}

void CTagWedgeDlg::OnPaint() {
  if (!IsIconic(Handle())) {
    Default();
    return;
  }
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  SendMessageW(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(Handle(), &client);
  int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, m_hIcon);
  EndPaint(Handle(), &paint);
}

HICON CTagWedgeDlg::OnQueryDragIcon() { return m_hIcon; }

void CTagWedgeDlg::OnStart() { m_link.OnStart(); }

void CTagWedgeDlg::OnStop() { m_link.OnStop(); }

// No timer is armed; the tag-buffer poll runs if one ever fires.
void CTagWedgeDlg::OnTimer(UINT_PTR) {
  m_link.OnTimer();
  Default();
}

// The worker has left its loop because the device was removed: back to the stopped state.
void CTagWedgeDlg::OnPortLost() { m_link.OnPortLost(); }

std::string CTagWedgeDlg::PortText() { return m_cbPort.GetText(); }

std::int32_t CTagWedgeDlg::BaudValue() {
  return static_cast<std::int32_t>(GetDlgItemInt(Handle(), IDC_BAUD, nullptr, TRUE));
}

void CTagWedgeDlg::Enable(Control control, bool enabled) {
  switch (control) {
    case Control::Start: m_btnStart.EnableWindow(enabled); break;
    case Control::Stop: m_btnStop.EnableWindow(enabled); break;
    case Control::Port: m_cbPort.EnableWindow(enabled); break;
    case Control::Baud: m_cbBaud.EnableWindow(enabled); break;
  }
}
