#include "FormRules.h"

namespace runtime {

int ScaleLength(int length, int measured, int designed) { return MulDiv(length, measured, designed); }

Bounds ScaleBounds(const Bounds& bounds, int measured, int designed) {
  return {ScaleLength(bounds.left, measured, designed), ScaleLength(bounds.top, measured, designed),
          ScaleLength(bounds.width, measured, designed), ScaleLength(bounds.height, measured, designed)};
}

POINT CentredOrigin(SIZE window, SIZE screen) {
  const auto centred = [](LONG length, LONG space) { return space > length ? (space - length) / 2 : 0; };
  return {centred(window.cx, screen.cx), centred(window.cy, screen.cy)};
}

DialogKeyAction DialogKeyActionFor(WPARAM key, const DialogKeyContext& context) {
  const bool modified = context.shift || context.control || context.alt;
  switch (key) {
    case VK_TAB:
      if (context.control || context.alt) return DialogKeyAction::PassOn;
      return context.shift ? DialogKeyAction::FocusPrevious : DialogKeyAction::FocusNext;
    case VK_RETURN:
      if (modified || context.comboListOpen) return DialogKeyAction::PassOn;
      return context.focusOnPushButton ? DialogKeyAction::PressFocusedButton : DialogKeyAction::PressDefaultButton;
    case VK_ESCAPE:
      if (modified || context.comboListOpen) return DialogKeyAction::PassOn;
      return DialogKeyAction::PressCancelButton;
    default:
      return DialogKeyAction::PassOn;
  }
}

}  // namespace runtime
