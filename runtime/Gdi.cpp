#include "Gdi.h"

#include <cstring>

#include "Errors.h"

namespace runtime {

Font CreateFontOf(const FontSettings& settings, int height) {
  LOGFONTA description = {};
  description.lfHeight = height;
  description.lfWeight = FW_NORMAL;
  description.lfCharSet = settings.charset;
  description.lfOutPrecision = OUT_DEFAULT_PRECIS;
  description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  description.lfQuality = DEFAULT_QUALITY;
  description.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  strncpy(description.lfFaceName, settings.face, LF_FACESIZE - 1);
  HFONT font = CreateFontIndirectA(&description);
  if (!font) ThrowLastOSError();
  return Font(font);
}

int LineHeight(HFONT font) {
  ScreenDC screen;
  SelectedObject selected(screen.Get(), font);
  TEXTMETRICA metrics;
  if (!GetTextMetricsA(screen.Get(), &metrics)) ThrowLastOSError();
  return metrics.tmHeight;
}

int ScreenPixelsPerInch() { return GetDeviceCaps(ScreenDC().Get(), LOGPIXELSY); }

}  // namespace runtime
