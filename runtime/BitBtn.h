// A push button with a glyph beside its caption, drawn in its form's font.
// Kind OK is the form's default button (a green check, the caption "OK",
// modal result 1); kind Cancel its cancel button (a red cross, the caption
// "Cancel", modal result 2). A click sets the form's modal result.
#pragma once
#include <windows.h>

#include "Control.h"
#include "Form.h"
#include "LongString.h"

namespace runtime {

class BitBtn : public WinControl {
 public:
  enum class Kind { OK, Cancel };

  // Bounds in the form's design pixels; the form owns the button.
  BitBtn(Form& form, const Bounds& designBounds, Kind kind);

  Kind ButtonKind() const { return kind_; }
  LongString Caption() const { return caption_; }
  void SetCaption(const LongString& caption);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT OnGetDlgCode() const;
  void OnClicked();
  void OnDrawItem(const DRAWITEMSTRUCT& item) const;
  void DrawGlyph(HDC dc, const RECT& square, bool disabled) const;

  Form& form_;
  Kind kind_;
  LongString caption_;
};

}  // namespace runtime
