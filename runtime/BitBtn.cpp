#include "BitBtn.h"

#include "Errors.h"
#include "Gdi.h"

namespace runtime {

namespace {

constexpr int kGlyphSize = 16;    // design pixels
constexpr int kGlyphSpacing = 4;  // design pixels between glyph and caption

const char* DefaultCaption(BitBtn::Kind kind) { return kind == BitBtn::Kind::OK ? "OK" : "Cancel"; }

}  // namespace

BitBtn::BitBtn(Form& form, const Bounds& designBounds, Kind kind)
    : WinControl(&form), form_(form), kind_(kind), caption_(DefaultCaption(kind)) {
  CreateStandardControl("BUTTON", caption_.CStr(), WS_TABSTOP | BS_OWNERDRAW, form.Scaled(designBounds), form.Handle(),
                        kind == Kind::OK ? IDOK : IDCANCEL);
}

void BitBtn::SetCaption(const LongString& caption) {
  caption_ = caption;
  if (!SetWindowTextA(Handle(), caption_.CStr())) ThrowLastOSError();
  InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT BitBtn::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE:
      return OnGetDlgCode();
    case Reflected(WM_COMMAND):
      if (HIWORD(wParam) == BN_CLICKED) OnClicked();
      return 0;
    case Reflected(WM_DRAWITEM):
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
  }
  return WinControl::HandleMessage(message, wParam, lParam);
}

// Tells the form that this is a push button, which takes Enter itself.
LRESULT BitBtn::OnGetDlgCode() const {
  return DLGC_BUTTON | (kind_ == Kind::OK ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

void BitBtn::OnClicked() { form_.SetModalResult(kind_ == Kind::OK ? kModalResultOK : kModalResultCancel); }

// The default button has a dark frame; the glyph and caption are centred
// together and move by a pixel while the button is pushed.
void BitBtn::OnDrawItem(const DRAWITEMSTRUCT& item) const {
  const bool pushed = item.itemState & ODS_SELECTED;
  const bool disabled = item.itemState & ODS_DISABLED;
  HDC dc = item.hDC;
  RECT face = item.rcItem;
  if (kind_ == Kind::OK) {
    FrameRect(dc, &face, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&face, -1, -1);
  }
  DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

  SelectedObject font(dc, form_.Font());
  SIZE text = {};
  GetTextExtentPoint32A(dc, caption_.CStr(), caption_.Length(), &text);
  const int glyph = form_.Scaled(kGlyphSize);
  const int spacing = form_.Scaled(kGlyphSpacing);
  const int shift = pushed ? 1 : 0;
  const int left = (face.left + face.right - (glyph + spacing + text.cx)) / 2 + shift;
  const int middle = (face.top + face.bottom) / 2 + shift;
  DrawGlyph(dc, {left, middle - glyph / 2, left + glyph, middle - glyph / 2 + glyph}, disabled);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : form_.FontColor());
  TextOutA(dc, left + glyph + spacing, middle - text.cy / 2, caption_.CStr(), caption_.Length());

  if (item.itemState & ODS_FOCUS) {
    RECT focus = face;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(dc, &focus);
  }
}

// A check mark for OK, a cross for Cancel, drawn as thick strokes within the
// square.
void BitBtn::DrawGlyph(HDC dc, const RECT& square, bool disabled) const {
  const int size = square.right - square.left;
  const auto at = [&](int x, int y) { return POINT{square.left + size * x / 10, square.top + size * y / 10}; };
  const COLORREF colour = disabled ? GetSysColor(COLOR_GRAYTEXT) : kind_ == Kind::OK ? RGB(0, 128, 0) : RGB(192, 0, 0);
  Pen pen(CreatePen(PS_SOLID, size > 12 ? size / 6 : 2, colour));
  SelectedObject selected(dc, pen.Get());
  if (kind_ == Kind::OK) {
    const POINT check[] = {at(1, 5), at(4, 8), at(9, 2)};
    Polyline(dc, check, 3);
  } else {
    const POINT down[] = {at(2, 2), at(8, 8)};
    const POINT up[] = {at(8, 2), at(2, 8)};
    Polyline(dc, down, 2);
    Polyline(dc, up, 2);
  }
}

}  // namespace runtime
