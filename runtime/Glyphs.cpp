#include "Glyphs.h"

#include "Gdi.h"

namespace runtime {
namespace {

class SolidBrush {
 public:
  explicit SolidBrush(COLORREF color) : brush_(CreateSolidBrush(color)) {}
  ~SolidBrush() { DeleteObject(brush_); }
  SolidBrush(const SolidBrush&) = delete;
  SolidBrush& operator=(const SolidBrush&) = delete;
  HBRUSH Get() const { return brush_; }

 private:
  HBRUSH brush_;
};

// A filled polygon with a dark outline, its points relative to (left, top).
template <int Count>
void Shape(HDC dc, int left, int top, const POINT (&points)[Count], COLORREF fill) {
  POINT placed[Count];
  for (int i = 0; i < Count; ++i) placed[i] = {left + points[i].x, top + points[i].y};
  SolidBrush brush(fill);
  Pen outline(CreatePen(PS_SOLID, 1, RGB(64, 64, 64)));
  SelectedObject selectedBrush(dc, brush.Get());
  SelectedObject selectedPen(dc, outline.Get());
  Polygon(dc, placed, Count);
}

void DrawDocument(HDC dc, int left, int top) {
  static const POINT page[] = {{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}};
  static const POINT corner[] = {{10, 1}, {10, 4}, {13, 4}};
  Shape(dc, left, top, page, RGB(255, 255, 255));
  Shape(dc, left, top, corner, RGB(192, 192, 192));
}

void DrawFolder(HDC dc, int left, int top, bool open) {
  static const POINT back[] = {{1, 3}, {6, 3}, {7, 5}, {14, 5}, {14, 13}, {1, 13}};
  static const POINT closedFront[] = {{1, 6}, {14, 6}, {14, 13}, {1, 13}};
  static const POINT openFront[] = {{3, 7}, {15, 7}, {13, 13}, {1, 13}};
  Shape(dc, left, top, back, RGB(200, 160, 40));
  if (open) {
    Shape(dc, left, top, openFront, RGB(255, 224, 120));
  } else {
    Shape(dc, left, top, closedFront, RGB(240, 200, 80));
  }
}

void DrawDrive(HDC dc, int left, int top, COLORREF body, COLORREF light) {
  static const POINT box[] = {{1, 5}, {14, 5}, {14, 11}, {1, 11}};
  static const POINT lamp[] = {{11, 8}, {12, 8}, {12, 9}, {11, 9}};
  Shape(dc, left, top, box, body);
  Shape(dc, left, top, lamp, light);
}

void DrawDisc(HDC dc, int left, int top) {
  SolidBrush silver(RGB(210, 210, 225));
  Pen outline(CreatePen(PS_SOLID, 1, RGB(64, 64, 64)));
  SelectedObject selectedBrush(dc, silver.Get());
  SelectedObject selectedPen(dc, outline.Get());
  Ellipse(dc, left + 1, top + 1, left + 15, top + 15);
  Ellipse(dc, left + 6, top + 6, left + 10, top + 10);
}

}  // namespace

Glyph DriveGlyph(UINT driveType) {
  switch (driveType) {
    case DRIVE_REMOVABLE:
      return Glyph::RemovableDrive;
    case DRIVE_REMOTE:
      return Glyph::NetworkDrive;
    case DRIVE_CDROM:
      return Glyph::CdRomDrive;
    case DRIVE_RAMDISK:
      return Glyph::RamDrive;
    default:
      return Glyph::FixedDrive;
  }
}

void DrawGlyph(HDC dc, int left, int top, Glyph glyph) {
  switch (glyph) {
    case Glyph::Document:
      return DrawDocument(dc, left, top);
    case Glyph::OpenFolder:
      return DrawFolder(dc, left, top, true);
    case Glyph::ClosedFolder:
      return DrawFolder(dc, left, top, false);
    case Glyph::FixedDrive:
      return DrawDrive(dc, left, top, RGB(180, 180, 180), RGB(0, 200, 0));
    case Glyph::RemovableDrive:
      return DrawDrive(dc, left, top, RGB(150, 150, 170), RGB(80, 80, 80));
    case Glyph::NetworkDrive:
      return DrawDrive(dc, left, top, RGB(160, 200, 160), RGB(0, 120, 0));
    case Glyph::CdRomDrive:
      return DrawDisc(dc, left, top);
    case Glyph::RamDrive:
      return DrawDrive(dc, left, top, RGB(120, 170, 120), RGB(255, 255, 0));
  }
}

}  // namespace runtime
