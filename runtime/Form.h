// A form: a top-level window of its own, owned by no other window, with a
// dialog frame and a caption but no system menu and no title-bar buttons,
// always on top, in the button-face colour. It is laid out in design pixels
// at 96 pixels per inch and scaled as its font turns out on this system.
// It is shown modally, and released by a message it posts itself.
//
// Dialog keys while it is shown: Tab and Shift+Tab move the focus through
// its tab stops in creation order; Enter presses the default button (the
// child with the ID IDOK) unless the focus is on a push button, which then
// takes Enter itself; Esc presses the cancel button (ID IDCANCEL). Neither
// does so while Shift, Ctrl or Alt is held, nor while the focused combo box
// shows its list; the focused control gets the key then.
#pragma once
#include <windows.h>

#include "Control.h"
#include "FormRules.h"
#include "Gdi.h"
#include "LongString.h"

namespace runtime {

constexpr int kModalResultNone = 0;
constexpr int kModalResultOK = IDOK;
constexpr int kModalResultCancel = IDCANCEL;

struct FormSettings {
  LongString caption;
  SIZE clientSize;       // design pixels
  FontSettings font;         // its height in design pixels at 96 pixels per inch
  int designTextHeight;  // the height of a line of text in the font at design time
};

class Form : public WinControl {
 public:
  // The font is scaled by the screen's pixels per inch over 96; when a line
  // of text in it is then not designTextHeight high, the client size and all
  // that the form scales follow the measured height.
  Form(Component* owner, const FormSettings& settings);
  ~Form() override;

  LongString Caption() const;
  void SetCaption(const LongString& caption);
  HFONT Font() const { return font_.Get(); }
  COLORREF FontColor() const { return fontColor_; }
  // Design lengths and bounds as this form's font was measured: for its
  // controls' bounds and fonts.
  int Scaled(int designLength) const;
  Bounds Scaled(const Bounds& design) const;

  // Shows the form (centred on the primary display the first time), with
  // the thread's other visible, enabled top-level windows disabled, and
  // runs the thread's messages until a modal result is set; then enables
  // those windows again, hides the form and returns the result. A quit
  // message ends it as Cancel and is posted again for the caller's loop.
  int ShowModal();
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }
  // Posts the form a message on which it deletes itself; call it once
  // ShowModal has returned. A form whose owner deletes it first never sees
  // the message, which goes with its window.
  void Release();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnClose();
  void OnActivate(WORD state);
  void OnSetFocus();
  void OnRelease();
  LRESULT OnMeasureItem(WPARAM wParam, LPARAM lParam);
  LRESULT ReflectToControl(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

  void MoveToScreenCentre();
  bool HandleDialogKey(const MSG& message);
  HWND FocusedControl() const;
  HWND FirstTabStop() const;
  void MoveFocus(HWND from, bool forward);
  bool PressButton(HWND button);

  // Registered while a form lives and unregistered as the forms go (which
  // fails while others remain), so that a module unloaded and loaded again
  // never meets a class whose window procedure was in its old image.
  class WindowClass {
   public:
    explicit WindowClass(HINSTANCE instance);
    ~WindowClass();
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;

   private:
    HINSTANCE instance_;
  };

  WindowClass windowClass_;  // first, so that it goes last
  runtime::Font font_;
  COLORREF fontColor_;
  int measuredTextHeight_;
  int designTextHeight_;
  int modalResult_ = kModalResultNone;
  bool placed_ = false;
  HWND lastFocus_ = nullptr;  // the control to give the focus back to on reactivation
};

}  // namespace runtime
