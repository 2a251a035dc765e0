// The base of the components that have a window. Each owns one window and
// destroys it with itself; the window is bound to its object when it is
// created and unbound when it receives its last message (WM_NCDESTROY), so
// the object may outlive its window. Every message goes to the virtual
// HandleMessage, behind a guard that shows any error of ours in the
// application's error box: no C++ exception crosses a Windows frame.
#pragma once
#include <windows.h>

#include "Component.h"
#include "FormRules.h"

namespace runtime {

// A message that a parent sends back to the control it is about
// (WM_COMMAND, WM_DRAWITEM, ...), so that each control handles its own
// notifications.
constexpr UINT Reflected(UINT message) { return WM_APP + 0x1000 + message; }

class WinControl : public Component {
 public:
  ~WinControl() override;
  HWND Handle() const { return handle_; }
  // The window procedure of our own window classes.
  static LRESULT CALLBACK OwnClassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  explicit WinControl(Component* owner);

  // Creates a window of one of our own classes.
  void CreateOwnClassWindow(DWORD exStyle, const char* className, const char* text, DWORD style, const RECT& rect,
                            HWND parent);
  // Creates a standard control (a system class such as BUTTON) as a visible
  // child of parent and subclasses it, so that its messages reach
  // HandleMessage.
  void CreateStandardControl(const char* className, const char* text, DWORD style, const Bounds& bounds, HWND parent,
                             int id);
  void DestroyHandle();

  // Overrides handle their messages and pass the others on to here, which
  // gives them to the class's own window procedure.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK SubclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static WinControl* BoundTo(HWND window);
  void Bind(HWND window);
  void Unbind();
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

  HWND handle_ = nullptr;
  WNDPROC standardProcedure_ = nullptr;  // set while a standard control is subclassed
};

}  // namespace runtime
