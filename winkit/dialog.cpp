// The modal dialog: its message loop and its one dialog procedure.
#include "dialog.h"

#include "app.h"

namespace winkit {

namespace {

HINSTANCE Module() {
  App* app = App::Current();
  return app != nullptr ? app->Module() : GetModuleHandleW(nullptr);
}

// Messages whose result a dialog procedure returns itself instead of in DWLP_MSGRESULT.
bool ReturnsResult(UINT message) {
  return message == WM_QUERYDRAGICON || message == WM_COMPAREITEM || message == WM_VKEYTOITEM ||
         message == WM_CHARTOITEM || (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC);
}

}  // namespace

Dialog::Dialog(int templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

INT_PTR Dialog::DoModal() {
  ended_ = false;
  result_ = -1;
  HWND window = CreateDialogParamW(Module(), MAKEINTRESOURCEW(templateId_), parent_, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
  if (window == nullptr) return -1;
  if (parent_ != nullptr) ::EnableWindow(parent_, FALSE);

  MSG msg;
  while (!ended_) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // WM_QUIT belongs to the loop outside this one.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
    if (!PreTranslateMessage(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  if (parent_ != nullptr) ::EnableWindow(parent_, TRUE);
  if (window_ != nullptr) DestroyWindow(window_);
  return result_;
}

void Dialog::EndDialog(INT_PTR result) {
  result_ = result;
  ended_ = true;
  // Wakes the loop in case this runs outside a dispatched message.
  if (window_ != nullptr) PostMessageW(window_, WM_NULL, 0, 0);
}

bool Dialog::PreTranslateMessage(MSG& msg) { return window_ != nullptr && IsDialogMessageW(window_, &msg); }

BOOL Dialog::OnInitDialog() {
  DoDataExchange();
  return TRUE;
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void Dialog::OnOK() { EndDialog(IDOK); }

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
    self->window_ = window;
  } else {
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  // Messages before WM_INITDIALOG (WM_SETFONT) and after WM_NCDESTROY go to default processing.
  if (self == nullptr) return FALSE;

  INT_PTR answer = FALSE;
  // No exception may cross into the system's code: a handler that throws counts as not handled.
  try {
    answer = self->Route(message, wParam, lParam);
  } catch (...) {
    answer = FALSE;
  }

  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    // A dialog destroyed by anything but EndDialog ends its loop too.
    if (!self->ended_) {
      self->ended_ = true;
      PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
    }
  }
  return answer;
}

INT_PTR Dialog::Route(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) return OnInitDialog();

  // Handlers may send messages that are handled in turn; each keeps its own request for default processing.
  const bool outer = toDefault_;
  toDefault_ = false;
  LRESULT result = 0;
  bool handled = OnMessage(message, wParam, lParam, result);
  if (!handled && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    if (LOWORD(wParam) == IDOK) {
      OnOK();
      handled = true;
    } else if (LOWORD(wParam) == IDCANCEL) {
      OnCancel();
      handled = true;
    }
  }
  const bool toDefault = toDefault_;
  toDefault_ = outer;

  if (!handled || toDefault) return FALSE;
  if (ReturnsResult(message)) return static_cast<INT_PTR>(result);
  SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
  return TRUE;
}

}  // namespace winkit
