// The small pictures drawn before the entries of the file, directory and
// drive lists, 16 pixels square.
#pragma once
#include <windows.h>

namespace runtime {

enum class Glyph {
  Document,  // a file that is not a program
  OpenFolder,
  ClosedFolder,
  FixedDrive,
  RemovableDrive,
  NetworkDrive,
  CdRomDrive,
  RamDrive,
};

Glyph DriveGlyph(UINT driveType);
// Draws the glyph with its top-left corner at (left, top).
void DrawGlyph(HDC dc, int left, int top, Glyph glyph);

}  // namespace runtime
