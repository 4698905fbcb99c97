// The application object and the main dialog: port and baud boxes, Start and Stop, the tray icon.
#pragma once

#include <windows.h>

#include "app.h"
#include "controls.h"
#include "dialog.h"
#include "message_map.h"
#include "platform_win.h"
#include "reader_link.h"

class CTagWedgeApp : public winkit::App {
 public:
  BOOL InitInstance() override;
};

// Also the reader link's view of the four controls.
class CTagWedgeDlg : public winkit::Dialog, private LinkControls {
 public:
  explicit CTagWedgeDlg(HWND parent = nullptr);
  ~CTagWedgeDlg() override;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void DoDataExchange() override;
  bool PreTranslateMessage(MSG& msg) override;
  BOOL OnInitDialog() override;

 private:
  void InitPortLists();
  void OnPaint();
  HICON OnQueryDragIcon();
  void OnStart();
  void OnStop();
  void OnTimer(UINT_PTR id);
  LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
  void OnDestroy();
  void OnSize(UINT type, int cx, int cy);
  void AddTrayIcon();
  void OnTaskbarCreated();
  void OnPortLost();

  // LinkControls
  std::string PortText() override;
  std::int32_t BaudValue() override;
  void Enable(Control control, bool enabled) override;

  static const winkit::MessageEntry<CTagWedgeDlg> kMessageMap[];

  winkit::Button m_btnStop;
  winkit::Button m_btnStart;
  winkit::ComboBox m_cbBaud;
  winkit::ComboBox m_cbPort;
  HICON m_hIcon;

  EpcDllLibrary m_library;
  Win32SerialPort m_serial;
  SendInputKeys m_keys;
  ReaderLink m_link;
};
