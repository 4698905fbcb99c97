// Wrappers of the dialog's controls, bound to a control of a dialog by its id.
#pragma once

#include <windows.h>

#include <string>

namespace winkit {

class Control {
 public:
  void Attach(HWND window) { window_ = window; }
  HWND Handle() const { return window_; }
  void EnableWindow(bool enabled);
  // The window text as bytes in the ANSI code page.
  std::string GetText() const;

 private:
  HWND window_ = nullptr;
};

class Button : public Control {};

class ComboBox : public Control {
 public:
  // Inserts an ANSI string at index (-1: at the end); returns its index, CB_ERR or CB_ERRSPACE.
  int InsertString(int index, const char* text);
  // Selects the entry at index and shows it in the edit field; -1 clears the selection.
  int SetCurSel(int index);
};

// Binds control to the dialog's child with the given id (nothing when there is none).
void BindControl(HWND dialog, int id, Control& control);

}  // namespace winkit
