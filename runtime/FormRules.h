// The rules of a form that need no window: how design coordinates follow
// the measured font, where a form is first placed, and what a dialog key does.
#pragma once
#include <windows.h>

namespace runtime {

// A control's place in its parent's client area, in pixels.
struct Bounds {
  int left;
  int top;
  int width;
  int height;
};

// A design length scaled by the height of a line of text as measured over
// the height it had at design time.
int ScaleLength(int length, int measured, int designed);
Bounds ScaleBounds(const Bounds& bounds, int measured, int designed);

// The top-left corner that centres a window on the screen, but never left
// of or above the screen's own top-left corner.
POINT CentredOrigin(SIZE window, SIZE screen);

// What a key pressed in a form does before the focused control sees it.
enum class DialogKeyAction {
  PassOn,  // the focused control gets the key
  FocusNext,
  FocusPrevious,
  PressFocusedButton,
  PressDefaultButton,
  PressCancelButton,
};

struct DialogKeyContext {
  bool shift;
  bool control;
  bool alt;
  bool focusOnPushButton;
  bool comboListOpen;  // the focused combo box shows its drop-down list
};

DialogKeyAction DialogKeyActionFor(WPARAM key, const DialogKeyContext& context);

}  // namespace runtime
