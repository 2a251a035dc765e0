// What a printing host wants to know of a file before printing it: its size
// and, where the format's header makes it cheap, the image's pixel size.
#pragma once
#include <cstdint>
#include <string>

namespace host {

struct ImageInfo {
  bool readable = false;
  uint64_t bytes = 0;
  std::string format;  // "BMP", "PNG", "GIF", "JPEG", or empty when not recognised
  int width = 0;       // 0 when not known
  int height = 0;
};

// Reads the file's header; a file that cannot be opened is not readable.
ImageInfo ReadImageInfo(const std::string& path);
// The same from the first bytes of a file, for tests.
ImageInfo ImageInfoFromHeader(const unsigned char* data, std::size_t size);

}  // namespace host
