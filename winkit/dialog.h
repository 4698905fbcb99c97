// A modal dialog created from its template, with a message loop of its own.
#pragma once

#include <windows.h>

#include "message_map.h"

namespace winkit {

class Dialog {
 public:
  Dialog(int templateId, HWND parent);
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Creates the dialog and runs it until EndDialog; returns EndDialog's result, -1 when the
  // dialog could not be created.
  INT_PTR DoModal();
  void EndDialog(INT_PTR result);
  HWND Handle() const { return window_; }

 protected:
  // Sees every message of the loop first; true when it took the message (nothing is translated or
  // dispatched then). This one hands the message to IsDialogMessage.
  virtual bool PreTranslateMessage(MSG& msg);
  // Runs at WM_INITDIALOG once the controls are bound; TRUE lets the dialog manager set the focus.
  virtual BOOL OnInitDialog();
  // Binds the control wrappers to their controls.
  virtual void DoDataExchange() {}
  // The message map of the derived dialog: true when it handled the message, with its result.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // BN_CLICKED from IDOK and IDCANCEL (the latter also comes from the caption's close button,
  // the system menu's Close and Alt+F4): both end the dialog.
  virtual void OnOK();
  virtual void OnCancel();
  // Hands the message being handled to the dialog manager's default processing as well, which
  // runs when the handler has returned.
  void Default() { toDefault_ = true; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);

  int templateId_;
  HWND parent_;
  HWND window_ = nullptr;
  bool ended_ = false;
  bool toDefault_ = false;
  INT_PTR result_ = -1;
};

}  // namespace winkit
