// Adapters that unpack a message's parameters for a member handler of a message map.
#pragma once

#include <windows.h>

#include "message_map.h"

namespace winkit {

template <class>
struct MemberOf;
template <class T, class R, class... A>
struct MemberOf<R (T::*)(A...)> {
  using type = T;
};
template <auto F>
using TargetOf = typename MemberOf<decltype(F)>::type;

// void OnPaint(), void OnStart(), ...: no parameters, result 0.
template <auto F>
LResult Plain(TargetOf<F>& target, WParam, LParam) {
  (target.*F)();
  return 0;
}

// LRESULT OnTrayNotify(WPARAM, LPARAM): parameters and result as they come.
template <auto F>
LResult Raw(TargetOf<F>& target, WParam wParam, LParam lParam) {
  return static_cast<LResult>((target.*F)(static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

// HICON OnQueryDragIcon(): a handle as the result.
template <auto F>
LResult ReturnsHandle(TargetOf<F>& target, WParam, LParam) {
  return reinterpret_cast<LResult>((target.*F)());
}

// void OnSize(UINT type, int cx, int cy): WM_SIZE.
template <auto F>
LResult Size(TargetOf<F>& target, WParam wParam, LParam lParam) {
  (target.*F)(static_cast<UINT>(wParam), static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
  return 0;
}

// void OnTimer(UINT_PTR id): WM_TIMER.
template <auto F>
LResult Timer(TargetOf<F>& target, WParam wParam, LParam) {
  (target.*F)(static_cast<UINT_PTR>(wParam));
  return 0;
}

}  // namespace winkit
