// Wrappers of the dialog's controls.
#include "controls.h"

namespace winkit {

void Control::EnableWindow(bool enabled) { ::EnableWindow(window_, enabled ? TRUE : FALSE); }

std::string Control::GetText() const {
  int length = GetWindowTextLengthA(window_);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  int copied = GetWindowTextA(window_, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

int ComboBox::InsertString(int index, const char* text) {
  return static_cast<int>(SendMessageA(Handle(), CB_INSERTSTRING, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(text)));
}

int ComboBox::SetCurSel(int index) {
  return static_cast<int>(SendMessageA(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

void BindControl(HWND dialog, int id, Control& control) { control.Attach(GetDlgItem(dialog, id)); }

}  // namespace winkit
