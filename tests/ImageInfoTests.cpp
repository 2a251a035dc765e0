// What the demo host reads of an image before printing it, on the samples
// the repository ships and on damaged headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ImageInfo.h"

namespace {

TEST(ImageInfo, ReadsSizeFormatAndPixelsOfTheSamples) {
  struct Case {
    const char* file;
    const char* format;
    int width, height;
  };
  const Case cases[] = {
      {"leaf.bmp", "BMP", 20, 10},
      {"Red Square.PNG", "PNG", 16, 16},
      {"sky.gif", "GIF", 32, 32},
      {"\x95\x5c\x8e\x86.jpg", "JPEG", 40, 30},  // 表紙.jpg
      {"notes.txt", "", 0, 0},
  };
  for (const Case& c : cases) {
    const host::ImageInfo info = host::ReadImageInfo(std::string(ZORVANE_SAMPLES "\\") + c.file);
    EXPECT_TRUE(info.readable) << c.format;
    EXPECT_GT(info.bytes, 0u) << c.format;
    EXPECT_EQ(info.format, c.format);
    EXPECT_EQ(info.width, c.width) << c.format;
    EXPECT_EQ(info.height, c.height) << c.format;
  }
  EXPECT_FALSE(host::ReadImageInfo(ZORVANE_SAMPLES "\\missing.png").readable);
}

TEST(ImageInfo, TruncatedHeadersGiveNoPixelSize) {
  const unsigned char png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H'};
  const unsigned char jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1};
  unsigned char bottomUpBmp[26] = {'B', 'M'};
  bottomUpBmp[18] = 4;
  const unsigned char minusThree[] = {0xFD, 0xFF, 0xFF, 0xFF};
  std::copy(minusThree, minusThree + 4, bottomUpBmp + 22);
  EXPECT_EQ(host::ImageInfoFromHeader(png, sizeof png).width, 0);
  EXPECT_EQ(host::ImageInfoFromHeader(jpeg, sizeof jpeg).width, 0);
  const host::ImageInfo bmp = host::ImageInfoFromHeader(bottomUpBmp, sizeof bottomUpBmp);
  EXPECT_EQ(bmp.width, 4);
  EXPECT_EQ(bmp.height, 3) << "a negative height is a top-down bitmap";
}

}  // namespace
