#pragma once
// The window procedure of a window kind that is one C++ object: the object
// arrives through lpCreateParams, is kept in GWLP_USERDATA, learns its handle,
// and gets every message in its handleMessage. No exception leaves the procedure.
#include <windows.h>

namespace qelvo {

template <typename T, HWND T::*Handle, LRESULT (T::*Handler)(UINT, WPARAM, LPARAM)>
LRESULT CALLBACK objectWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->*Handle = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->*Handle = nullptr;
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  try {
    return (self->*Handler)(message, wParam, lParam);
  } catch (...) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace qelvo
