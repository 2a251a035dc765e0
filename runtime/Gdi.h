// Owners for the GDI handles that forms and controls create, and scoped
// helpers that give back what they borrowed.
#pragma once
#include <windows.h>

#include <utility>

namespace runtime {

// The one owner of a font, pen or brush that we created.
template <typename Handle>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(Handle handle) : handle_(handle) {}
  GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  ~GdiObject() {
    if (handle_) DeleteObject(handle_);
  }
  Handle Get() const { return handle_; }

 private:
  Handle handle_ = nullptr;
};

using Font = GdiObject<HFONT>;
using Pen = GdiObject<HPEN>;

// Selects an object into a device context and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() { SelectObject(dc_, previous_); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// The screen's device context, for measuring.
class ScreenDC {
 public:
  ScreenDC() : dc_(GetDC(nullptr)) {}
  ~ScreenDC() { ReleaseDC(nullptr, dc_); }
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
};

// A font as a form or control stores it: no style, height in pixels
// (negative: the character height without internal leading), the face name
// in the ANSI code page.
struct FontSettings {
  BYTE charset;
  COLORREF color;
  int height;
  const char* face;
};

// A font with these settings at the given height; throws OSError when the system
// cannot make it.
Font CreateFontOf(const FontSettings& settings, int height);
// The height of a line of text in the font (its tmHeight).
int LineHeight(HFONT font);
// The screen's pixels per inch, vertically.
int ScreenPixelsPerInch();

}  // namespace runtime
