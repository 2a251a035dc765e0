#include "Control.h"

#include <exception>
#include <utility>

#include "Application.h"
#include "Errors.h"

namespace runtime {

namespace {

// Showing may fail too (no memory for the text); then the error is lost
// rather than let out into the system's frames. The box has no owner, so
// when it goes no window of the thread is enabled yet to take the
// activation: it is given back to the window that had it.
void ShowUnhandled(const Exception& error) noexcept {
  HWND active = GetActiveWindow();
  try {
    application->ShowException(error);
  } catch (...) {
  }
  if (active && IsWindow(active)) SetActiveWindow(active);
}

void ShowUnhandled(const std::exception& error) noexcept {
  try {
    ShowUnhandled(Exception(LongString(error.what())));
  } catch (...) {
  }
}

}  // namespace

WinControl::WinControl(Component* owner) : Component(owner) {}

WinControl::~WinControl() { DestroyHandle(); }

void WinControl::DestroyHandle() {
  if (handle_) DestroyWindow(handle_);  // unbinds at WM_NCDESTROY
}

void WinControl::CreateOwnClassWindow(DWORD exStyle, const char* className, const char* text, DWORD style,
                                      const RECT& rect, HWND parent) {
  if (!CreateWindowExA(exStyle, className, text, style, rect.left, rect.top, rect.right - rect.left,
                       rect.bottom - rect.top, parent, nullptr, application->Instance(), this))
    ThrowLastOSError();
}

void WinControl::CreateStandardControl(const char* className, const char* text, DWORD style, const Bounds& bounds,
                                       HWND parent, int id) {
  HWND window = CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, bounds.left, bounds.top,
                                bounds.width, bounds.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                application->Instance(), nullptr);
  if (!window) ThrowLastOSError();
  Bind(window);
  standardProcedure_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassProcedure)));
}

LRESULT WinControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (standardProcedure_) return CallWindowProcA(standardProcedure_, handle_, message, wParam, lParam);
  return DefWindowProcA(handle_, message, wParam, lParam);
}

LRESULT CALLBACK WinControl::OwnClassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE)
    static_cast<WinControl*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams)->Bind(window);
  if (WinControl* control = BoundTo(window)) return control->Dispatch(message, wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

// Installed only once the control is bound, and removed when it is unbound.
LRESULT CALLBACK WinControl::SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return BoundTo(window)->Dispatch(message, wParam, lParam);
}

WinControl* WinControl::BoundTo(HWND window) {
  return reinterpret_cast<WinControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void WinControl::Bind(HWND window) {
  handle_ = window;
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void WinControl::Unbind() {
  if (standardProcedure_)
    SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(std::exchange(standardProcedure_, nullptr)));
  SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
  handle_ = nullptr;
}

LRESULT WinControl::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  LRESULT result = 0;
  try {
    result = HandleMessage(message, wParam, lParam);
  } catch (const Exception& error) {
    ShowUnhandled(error);
  } catch (const std::exception& error) {
    ShowUnhandled(error);
  }
  if (message == WM_NCDESTROY) Unbind();
  return result;
}

}  // namespace runtime
