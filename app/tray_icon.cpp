// The main dialog's notification-area icon: minimizing moves the dialog there, a double-click brings it back.
#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <cstring>

#include "main_dialog.h"
#include "resource.h"

// Used in its first form (cbSize): size, window, id, flags, callback message, icon, 64-byte tip.
NOTIFYICONDATAA g_nid;

static_assert(NOTIFYICONDATAA_V1_SIZE == offsetof(NOTIFYICONDATAA, szTip) + 64);
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V1_SIZE == 88);

namespace {
constexpr UINT kTrayIconId = IDR_MAINFRAME;
}  // namespace

void CTagWedgeDlg::OnSize(UINT type, int, int) {
  Default();
  if (type == SIZE_MINIMIZED) {
    AddTrayIcon();
    ShowWindow(Handle(), SW_HIDE);
  }
}

void CTagWedgeDlg::AddTrayIcon() {
  g_nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
  g_nid.hWnd = Handle();
  g_nid.uID = kTrayIconId;
  g_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  g_nid.uCallbackMessage = WM_TRAYNOTIFY;
  g_nid.hIcon = LoadIconW(winkit::App::Current()->Module(), MAKEINTRESOURCEW(IDR_MAINFRAME));
  std::strcpy(g_nid.szTip, "Korvane");
  Shell_NotifyIconA(NIM_ADD, &g_nid);
}

LRESULT CTagWedgeDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam) {
  if (wParam != kTrayIconId) return 1;
  if (lParam == WM_LBUTTONDBLCLK) {
    ShowWindow(Handle(), SW_SHOWNORMAL);
    Shell_NotifyIconA(NIM_DELETE, &g_nid);
  }
  return 0;
}

// A shell that re-creates its taskbar has forgotten every icon: a dialog in the tray (the only
// time it is hidden) puts its icon back.
void CTagWedgeDlg::OnTaskbarCreated() {
  if (!IsWindowVisible(Handle())) AddTrayIcon();
}

// The controls still exist here: a running capture is stopped (worker ended, port closed through
// the library) before the dialog goes. Removing an icon that is not up has no effect.
void CTagWedgeDlg::OnDestroy() {
  Default();
  m_link.OnStop();
  Shell_NotifyIconA(NIM_DELETE, &g_nid);
}
